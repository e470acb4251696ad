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

// ---- The "%lf" printer against printf ---------------------------------------

#include "diagnostics.h"
#include "number_text.h"
#include "text_output.h"

#include <bit>
#include <cfloat>
#include <random>

static std::string printf_fixed(double v)
{
    char text[400];
    snprintf(text, sizeof text, "%lf", v);
    return text;
}

static std::string format_fixed_text(double v)
{
    char text[fixed_text_max];
    return std::string(text, format_fixed(text, v));
}

static void expect_as_printf(double v)
{
    ASSERT_EQ(format_fixed_text(v), printf_fixed(v)) << std::hex << bits(v);
}

TEST(FormatFixed, SpecialAndBoundaryValues)
{
    const double cases[] = {
        0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN,
        std::bit_cast<double>(0x7ff0000000000001u), std::bit_cast<double>(0xfff8000000000123u),
        DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1, -1, 0.5, 1e20,
        // Around half a unit of the sixth decimal, and where all values round to 0.
        5e-7, std::nextafter(5e-7, 0.0), std::nextafter(5e-7, 1.0), -5e-7, 0x1p-21, 0x1.fffffffffffffp-22,
        0x1p-22, 1e-6, 1.5e-6, 2.5e-6, 0.9999995, 0.99999949999999994, 9.9999995, 999999.9999995,
        // Where the library takes over: 2^44 and its neighbours.
        0x1p44, std::nextafter(0x1p44, 0.0), std::nextafter(0x1p44, INFINITY), -0x1p44,
        0x1.fffffffffffffp43, 0x1p43 + 1.0 / 128, 0x1p44 + 3.0 / 128, 0x1p52 + 0.5, 0x1p53, 1e300};
    for (double v : cases)
        expect_as_printf(v);
}

TEST(FormatFixed, TiesAtTheSixthDecimal)
{
    // A double lies exactly halfway between two six-decimal numbers only when
    // it is an odd multiple of 1/128; printf rounds those to the even neighbour.
    std::mt19937_64 rng(1);
    for (uint64_t odd = 1; odd < 4096; odd += 2) {
        expect_as_printf(double(odd) / 128);
        expect_as_printf(-double(odd) / 128);
    }
    for (int i = 0; i < 100000; i++) {
        double v = double(rng() >> (11 + rng() % 53) | 1) / 128;
        expect_as_printf(v);
        expect_as_printf(std::nextafter(v, 0.0));
        expect_as_printf(std::nextafter(v, INFINITY));
    }
}

TEST(FormatFixed, RandomValues)
{
    std::mt19937_64 rng(2);
    // Every bit pattern: most are huge or tiny.
    for (int i = 0; i < 100000; i++)
        expect_as_printf(std::bit_cast<double>(rng()));
    // Values of every binary exponent from tiny to beyond 2^44, most in the
    // hand-made range.
    for (int i = 0; i < 300000; i++) {
        int exponent = int(rng() % 140) - 90;
        double v = std::ldexp(double(rng() >> 11) / 0x1p53 + 0.5, exponent);
        expect_as_printf(rng() & 1 ? v : -v);
    }
}

TEST(TextOutput, KeepsGatheredTextOnFatalExit)
{
    // Text gathered but not yet written is written when the program exits on
    // a fatal error, as buffered standard output would be.
    RunResult r = run_function([] {
        static TextOutput out(1);
        char *p = text_output_room(out, 5);
        memcpy(p, "text\n", 5);
        text_output_advance(out, p + 5);
        fail(1, "failed\n");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "text\n");
    EXPECT_EQ(r.err, "failed\n");
}

TEST(ToText, EveryBitPatternAsPrintf)
{
    // Whole streams of random bit patterns and values: the program's output is
    // what printf gives, over many output blocks.
    std::mt19937_64 rng(3);
    std::vector<double> values;
    std::string expect = "0 1 1 xyza\n";
    for (int i = 0; i < 4 * 60000; i++) {
        double v = i % 3 ? std::bit_cast<double>(rng())
                         : std::ldexp(double(rng() >> 11), int(rng() % 80) - 90);
        values.push_back(v);
        expect += printf_fixed(v) + (i % 4 == 3 ? "\n" : " ");
    }
    RunResult r = run({"rv-to-text"}, make_stream(0, 1, 1, values));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expect);

    // The same fed in small pieces, so pixels arrive split across reads.
    RunOptions pieces;
    pieces.input = make_stream(0, 1, 1, values);
    pieces.input_chunk = 4093;
    r = run({"rv-to-text"}, pieces);
    EXPECT_EQ(r.out, expect);
}
