#include "harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// What a value becomes after a trip through six-decimal text.
static double six_decimals(double v)
{
    char text[64];
    snprintf(text, sizeof text, "%.6f", v);
    return strtod(text, nullptr);
}

static std::string text_head(const std::string &line)
{
    return line + "\n" + std::string(1, '\0') + "uivf";
}

TEST(FromText, RoundTripThroughText)
{
    std::vector<double> values;
    for (int i = 0; i < 3 * 5 * 4 * 4; i++)
        values.push_back((i - 100) * 0.0123456789 + (i % 7) * 1e3);
    std::vector<double> rounded;
    for (double v : values)
        rounded.push_back(six_decimals(v));
    TempDir dir;
    write_file(dir.file("in.rv"), make_stream(3, 5, 4, values));
    RunOptions options;
    options.stdin_path = dir.file("in.rv");
    RunResult r = run_shell("rv-to-text | rv-from-text", options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, stream_head(3, 5, 4) + doubles(rounded));
}

TEST(FromText, NumbersAndLines)
{
    std::string pixel = stream_head(1, 1, 1) + doubles({1, 2, 3, 4});
    EXPECT_EQ(run({"rv-from-text"}, "1 1 1 xyza\n1 2 3 4\n").out, pixel);
    EXPECT_EQ(run({"rv-from-text"}, "1 1 1 xyza\n1\n2\n3\n4\n").out, pixel);
    EXPECT_EQ(run({"rv-from-text"}, "1 1 1 xyza\n 1\t2\r\n\v3\f  4").out, pixel);

    // The whole input one line: a head without data.
    RunResult r = run({"rv-from-text"}, "2 3 4 xyza");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, stream_head(2, 3, 4));

    // Numbers are not counted against the head: six give a pixel and a half.
    r = run({"rv-from-text"}, "1 1 1 xyza\n1 2 3 4 5 6\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({1, 2, 3, 4, 5, 6}));

    // Far more than one block of numbers, all in order.
    std::string text = "0 1 1 xyza\n";
    std::vector<double> many;
    for (int i = 0; i < 1001; i++) {
        many.push_back(i * 0.25 - 7);
        text += std::to_string(i * 0.25 - 7) + (i % 3 ? " " : "\n");
    }
    r = run({"rv-from-text"}, text);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, stream_head(0, 1, 1) + doubles(many));
}

TEST(FromText, HeadLengthLimit)
{
    // Leading zeros pad a valid head line to the limit and one beyond.
    std::string at_limit = std::string(1008, '0') + "1 1 1 xyza";
    ASSERT_EQ(at_limit.size(), 1018u);
    RunResult r = run({"rv-from-text"}, at_limit + "\n1 2 3 4\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, text_head(at_limit) + doubles({1, 2, 3, 4}));

    r = run({"rv-from-text"}, "0" + at_limit + "\n1 2 3 4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: head is too long\n");

    // A head line without newline and without end is refused at the limit.
    r = run({"rv-from-text"}, std::string(100000, '1'));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: head is too long\n");
}

TEST(FromText, Failures)
{
    // A bad head is written first and refused after.
    RunResult r = run({"rv-from-text"}, "1 0 1 xyza\n1 2 3 4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, text_head("1 0 1 xyza"));
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: width is zero\n");
    r = run({"rv-from-text"}, "1 1 1 rgba\n");
    EXPECT_EQ(r.err, "rv-from-text: file <stdin> uses unsupported pixel format: rgba\n");
    r = run({"rv-from-text"}, "\n");
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: file format not supported\n");

    // A word among the numbers stops the run; the numbers before it stay.
    std::string text = "0 1 1 xyza\n";
    std::vector<double> before;
    for (int i = 0; i < 130; i++) {
        before.push_back(i);
        text += std::to_string(i) + " ";
    }
    r = run({"rv-from-text"}, text + "pixel 5 6 7\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, stream_head(0, 1, 1) + doubles(before));
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: not a number\n");
    r = run({"rv-from-text"}, "1 1 1 xyza\n1 2 3-\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: not a number\n");

    r = run({"rv-from-text"}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: no input\n");

    TempDir dir;
    RunOptions options;
    options.stdin_path = dir.path;
    r = run({"rv-from-text"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: getline <stdin>: Is a directory\n");

    options = {};
    options.input = "1 1 1 xyza\n1 2 3 4\n";
    options.stdout_path = "/dev/full";
    r = run({"rv-from-text"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: write <stdout>: No space left on device\n");
    options.stdout_path.clear();
    options.close_stdout = true;
    r = run({"rv-from-text"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: write <stdout>: Bad file descriptor\n");

    r = run({"rv-from-text", "-x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "usage: rv-from-text \n");
    EXPECT_EQ(run({"rv-from-text", "file"}).err, "usage: rv-from-text \n");
}
