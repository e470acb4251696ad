#include "harness.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

// A one-frame stream one pixel high from samples, four per pixel.
static std::string row(const std::vector<double> &samples)
{
    return make_stream(1, samples.size() / 4, 1, samples);
}

struct ArithCase {
    const char *operation;
    std::vector<double> left, right, expected;
};

TEST(Arith, EveryOperationKeepsTheOperandOrder)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double e = std::exp(1.0);
    const ArithCase cases[] = {
        {"add", {1.5, 2, -3, 0.25}, {0.25, 3, 1, 0.5}, {1.75, 5, -2, 0.75}},
        {"sub", {1.5, 2, -3, 0.25}, {0.25, 3, 1, 0.5}, {1.25, -1, -4, -0.25}},
        {"mul", {1.5, 2, -3, 0.25}, {0.25, 3, 1, 0.5}, {0.375, 6, -3, 0.125}},
        {"div", {6, 1, -3, 0.25}, {3, 4, 1, 0.5}, {2, 0.25, -3, 0.5}},
        {"exp", {2, 9, 4, 0.5}, {3, 0.5, -1, 2}, {8, 3, 0.25, 0.25}},
        // Two natural logarithms and a division; base e gives the natural one.
        {"log",
         {8, 0.25, 7, 1},
         {2, 0.5, e, 10},
         {std::log(8.0) / std::log(2.0), 2, std::log(7.0), 0}},
        // Equal samples, NaN on either side and signed zeros give the right.
        {"min",
         {0.0, -0.0, nan, 1, 1, 3, 2, -1},
         {-0.0, 0.0, 1, nan, 2, 2, 2, -2},
         {-0.0, 0.0, 1, nan, 1, 2, 2, -2}},
        {"max",
         {0.0, -0.0, nan, 1, 1, 3, 2, -1},
         {-0.0, 0.0, 1, nan, 2, 2, 2, -2},
         {-0.0, 0.0, 1, nan, 2, 3, 2, -1}},
        // |l - r| + r: the absolute value for r = 0, a reflection below r.
        {"abs", {-2, 1, 4, 3}, {0, 3, 3, 3}, {2, 5, 4, 3}},
    };
    TempDir dir;
    for (const ArithCase &c : cases) {
        SCOPED_TRACE(c.operation);
        write_file(dir.file("right"), row(c.right));
        RunResult r = run({"rv-arith", c.operation, dir.file("right")}, row(c.left));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, row(c.expected));

        // Every channel excluded: the left stream passes unchanged.
        for (std::vector<std::string> flags :
             {std::vector<std::string>{"-axyz"}, {"-x", "-a", "-z", "-y", "-x"}}) {
            std::vector<std::string> argv = {"rv-arith"};
            argv.insert(argv.end(), flags.begin(), flags.end());
            argv.insert(argv.end(), {c.operation, dir.file("right")});
            RunResult all = run(argv, row(c.left));
            ASSERT_EQ(all.status, 0) << all.err;
            EXPECT_EQ(all.out, row(c.left));
        }
    }
}

TEST(Arith, ChannelFlagsLeaveTheirChannels)
{
    TempDir dir;
    write_file(dir.file("right"), row({10, 20, 30, 40, 50, 60, 70, 80}));
    const std::string left = row({1, 2, 3, 4, 5, 6, 7, 8});
    RunResult r = run({"rv-arith", "-y", "add", dir.file("right")}, left);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row({11, 2, 33, 44, 55, 6, 77, 88}));
    r = run({"rv-arith", "-xa", "--", "mul", dir.file("right")}, left);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row({1, 40, 90, 4, 5, 360, 490, 8}));
}

TEST(Arith, OutputFollowsTheLeftStream)
{
    TempDir dir;
    // Right shorter: later left frames pass unchanged; the head is the left's.
    write_file(dir.file("one"), make_stream(1, 1, 1, {1, 1, 1, 1}));
    const std::string three = make_stream(3, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    RunResult r = run({"rv-arith", "add", dir.file("one")}, three);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(3, 1, 1, {2, 3, 4, 5, 5, 6, 7, 8, 9, 10, 11, 12}));

    // Right longer: the output still ends with the left stream.
    write_file(dir.file("three"), three);
    r = run({"rv-arith", "sub", dir.file("three")}, make_stream(1, 1, 1, {0, 0, 0, 0}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(1, 1, 1, {-1, -2, -3, -4}));
}

TEST(Arith, SlowLeftPipeAndShortRightFile)
{
    // Three frames of 3x2 pixels trickle in 7 bytes at a time, so pixels
    // arrive split; a one-frame right file must still meet every pixel of the
    // first frame, and the other frames pass unchanged.
    const size_t w = 3, h = 2, pixels = w * h;
    std::vector<double> left, right, expected;
    for (size_t i = 0; i < 3 * pixels * 4; i++)
        left.push_back(double(i) + 0.5);
    for (size_t i = 0; i < pixels * 4; i++)
        right.push_back(double(1000 * (i + 1)));
    expected = left;
    for (size_t i = 0; i < pixels * 4; i++)
        expected[i] = left[i] * right[i];
    TempDir dir;
    write_file(dir.file("right"), make_stream(1, w, h, right));
    RunOptions options;
    options.input = make_stream(3, w, h, left);
    options.input_chunk = 7;
    options.input_delay_us = 200;
    RunResult r = run({"rv-arith", "mul", dir.file("right")}, options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(3, w, h, expected));
}

TEST(Arith, Refusals)
{
    TempDir dir;
    const std::string pixel = row({1, 2, 3, 4});
    write_file(dir.file("right"), pixel);
    const std::string usage = "usage: rv-arith [-axyz] operation right-hand-stream\n";
    for (std::vector<std::string> argv :
         {std::vector<std::string>{"rv-arith"}, {"rv-arith", "add"},
          {"rv-arith", "add", "a", "b"}, {"rv-arith", "-b", "add", "right"}}) {
        RunResult r = run(argv, pixel);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, usage);
        EXPECT_EQ(r.out, "");
    }
    // Names are whole and case-sensitive, and looked at only after both heads.
    for (const char *name : {"pow", "Add", "ad", "add "}) {
        RunResult r = run({"rv-arith", name, dir.file("right")}, pixel);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, std::string("rv-arith: algorithm not recognised: ") + name + "\n");
        EXPECT_EQ(r.out, "");
    }
    RunResult r = run({"rv-arith", "pow", dir.file("missing")}, pixel);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-arith: open " + dir.file("missing") + ": No such file or directory\n");
    r = run({"rv-arith", "pow", dir.file("right")}, "1 1 1 xyza\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-arith: <stdin>: file format not supported\n");

    write_file(dir.file("wide"), row({1, 2, 3, 4, 5, 6, 7, 8}));
    r = run({"rv-arith", "add", dir.file("wide")}, pixel);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-arith: videos do not have the same geometry\n");
}

TEST(Arith, LogIsTwoNaturalLogarithms)
{
    // log(3) / log(6): base-2 or base-10 logarithms, or a multiplication by
    // the reciprocal, round differently.
    const double expected = std::log(3.0) / std::log(6.0);
    ASSERT_NE(bits(expected), bits(std::log2(3.0) / std::log2(6.0)));
    ASSERT_NE(bits(expected), bits(std::log10(3.0) / std::log10(6.0)));
    ASSERT_NE(bits(expected), bits(std::log(3.0) * (1 / std::log(6.0))));
    TempDir dir;
    write_file(dir.file("right"), row({6, 6, 6, 6}));
    RunResult r = run({"rv-arith", "-xz", "log", dir.file("right")}, row({3, 3, 3, 3}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row({3, expected, 3, expected}));
}
