#include "harness.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

TEST(ToText, Pixels)
{
    RunResult r = run({"rv-to-text"}, make_stream(1, 1, 1, {0.5, 1, 2, 1}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "1 1 1 xyza\n0.500000 1.000000 2.000000 1.000000\n");

    // Rounding to six decimals, signs, infinities and NaN as stdio spells them.
    r = run({"rv-to-text"}, make_stream(1, 2, 1, {0.0000005, -1.25, 1e20, -0.0, INFINITY,
                                                  -INFINITY, NAN, 1234.5678915}));
    EXPECT_EQ(r.out, "1 2 1 xyza\n"
                     "0.000000 -1.250000 100000000000000000000.000000 -0.000000\n"
                     "inf -inf nan 1234.567892\n");

    // No pixel data: the head line only.
    r = run({"rv-to-text"}, stream_head(0, 640, 480));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0 640 480 xyza\n");

    // Exactly the whole pixels present, whatever the head promises.
    std::string data;
    std::string expect = "2 1 1 xyza\n";
    for (int i = 0; i < 100; i++) {
        data += doubles({double(i), 0.5, 0.25, 1});
        expect += std::to_string(i) + ".000000 0.500000 0.250000 1.000000\n";
    }
    r = run({"rv-to-text"}, stream_head(2, 1, 1) + data + "\x01\x02\x03");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expect);

    // The same through a pipe from the generator.
    r = run_shell("rv-single-colour -f 2 -w 2 -h 1 1 2 3 4 | rv-to-text");
    EXPECT_EQ(r.out, "2 2 1 xyza\n"
                     "1.000000 2.000000 3.000000 4.000000\n"
                     "1.000000 2.000000 3.000000 4.000000\n"
                     "1.000000 2.000000 3.000000 4.000000\n"
                     "1.000000 2.000000 3.000000 4.000000\n");
}

TEST(ToText, Refusals)
{
    RunResult r = run({"rv-to-text", "x"}, stream_head(1, 1, 1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "usage: rv-to-text \n");
    r = run({"rv-to-text", "-v"}, stream_head(1, 1, 1));
    EXPECT_EQ(r.err, "usage: rv-to-text \n");

    r = run({"rv-to-text"}, "1 1 1 rgba\n" + std::string(1, '\0') + "uivf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-to-text: file <stdin> uses unsupported pixel format: rgba\n");
    EXPECT_EQ(r.out, "");
    r = run({"rv-to-text"}, "");
    EXPECT_EQ(r.err, "rv-to-text: <stdin>: file format not supported\n");
    r = run({"rv-to-text"}, "1 0 1 xyza\n");
    EXPECT_EQ(r.err, "rv-to-text: <stdin>: width is zero\n");

    RunOptions closed;
    closed.close_stdout = true;
    closed.input = make_stream(1, 1, 1, {1, 2, 3, 4});
    r = run({"rv-to-text"}, closed);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-to-text: ferror <stdout>: " + std::string(strerror(EBADF)) + "\n");

    r = run_shell("rv-to-text < /dev/null > /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-to-text: <stdin>: file format not supported\n");
    r = run_shell("rv-single-colour -w 1 -h 1 1 | rv-to-text > /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-to-text: ferror <stdout>: " + std::string(strerror(ENOSPC)) + "\n");
}

TEST(ToText, LargeStream)
{
    // Megabytes in and out at once: neither side of the pipes may stall.
    std::vector<double> values(4 * 100000, 0.25);
    RunResult r = run({"rv-to-text"}, make_stream(1, 1000, 100, values));
    EXPECT_EQ(r.status, 0);
    std::string line = "0.250000 0.250000 0.250000 0.250000\n";
    EXPECT_EQ(r.out.size(), std::string("1 1000 100 xyza\n").size() + 100000 * line.size());
    EXPECT_EQ(r.out.substr(r.out.size() - line.size()), line);
}
