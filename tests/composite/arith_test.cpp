#include "control.h"

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
    for (const ArithCase &c : cases) {
        expect_controlled({"rv-arith", c.operation}, row(c.right), row(c.left), row(c.expected));
        // Every channel excluded: the left stream passes unchanged.
        expect_controlled({"rv-arith", "-axyz", c.operation}, row(c.right), row(c.left),
                          row(c.left));
        expect_controlled({"rv-arith", "-x", "-a", "-z", "-y", "-x", c.operation}, row(c.right),
                          row(c.left), row(c.left));
    }
}

TEST(Arith, ChannelFlagsLeaveTheirChannels)
{
    const std::string right = row({10, 20, 30, 40, 50, 60, 70, 80});
    const std::string left = row({1, 2, 3, 4, 5, 6, 7, 8});
    expect_controlled({"rv-arith", "-y", "add"}, right, left, row({11, 2, 33, 44, 55, 6, 77, 88}));
    expect_controlled({"rv-arith", "-xa", "--", "mul"}, right, left,
                      row({1, 40, 90, 4, 5, 360, 490, 8}));
}

TEST(Arith, OutputFollowsTheLeftStream)
{
    // Right shorter: later left frames pass unchanged; the head is the left's.
    const std::string three = make_stream(3, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    expect_controlled({"rv-arith", "add"}, make_stream(1, 1, 1, {1, 1, 1, 1}), three,
                      make_stream(3, 1, 1, {2, 3, 4, 5, 5, 6, 7, 8, 9, 10, 11, 12}));
    // Right longer: the output still ends with the left stream.
    expect_controlled({"rv-arith", "sub"}, three, make_stream(1, 1, 1, {0, 0, 0, 0}),
                      make_stream(1, 1, 1, {-1, -2, -3, -4}));
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
    expect_output({"rv-arith", "mul", dir.file("right")}, options, make_stream(3, w, h, expected));
}

TEST(Arith, Refusals)
{
    TempDir dir;
    const std::string pixel = row({1, 2, 3, 4}), right = dir.file("right");
    write_file(right, pixel);
    write_file(dir.file("wide"), row({1, 2, 3, 4, 5, 6, 7, 8}));
    expect_usage("usage: rv-arith [-axyz] operation right-hand-stream\n",
                 {{"rv-arith"}, {"rv-arith", "add"}, {"rv-arith", "add", "a", "b"},
                  {"rv-arith", "-b", "add", "right"}},
                 pixel);
    const std::string unknown = "rv-arith: algorithm not recognised: ";
    const struct {
        std::vector<std::string> argv;
        std::string input, message;
    } cases[] = {
        // Names are whole and case-sensitive, and looked at only after both heads.
        {{"rv-arith", "pow", right}, pixel, unknown + "pow\n"},
        {{"rv-arith", "Add", right}, pixel, unknown + "Add\n"},
        {{"rv-arith", "ad", right}, pixel, unknown + "ad\n"},
        {{"rv-arith", "add ", right}, pixel, unknown + "add \n"},
        {{"rv-arith", "pow", dir.file("missing")}, pixel,
         "rv-arith: open " + dir.file("missing") + ": No such file or directory\n"},
        {{"rv-arith", "pow", right}, "1 1 1 xyza\n",
         "rv-arith: <stdin>: file format not supported\n"},
        {{"rv-arith", "add", dir.file("wide")}, pixel,
         "rv-arith: videos do not have the same geometry\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(expect_failure(c.argv, c.input, c.message).out, "") << command_line(c.argv);
}

TEST(Arith, LogIsTwoNaturalLogarithms)
{
    // log(3) / log(6): base-2 or base-10 logarithms, or a multiplication by
    // the reciprocal, round differently.
    const double expected = std::log(3.0) / std::log(6.0);
    ASSERT_NE(bits(expected), bits(std::log2(3.0) / std::log2(6.0)));
    ASSERT_NE(bits(expected), bits(std::log10(3.0) / std::log10(6.0)));
    ASSERT_NE(bits(expected), bits(std::log(3.0) * (1 / std::log(6.0))));
    expect_controlled({"rv-arith", "-xz", "log"}, row({6, 6, 6, 6}), row({3, 3, 3, 3}),
                      row({3, expected, 3, expected}));
}
