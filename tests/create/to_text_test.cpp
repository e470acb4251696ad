#include "harness.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

TEST(ToText, Pixels)
{
    expect_output({"rv-to-text"}, make_stream(1, 1, 1, {0.5, 1, 2, 1}),
                  "1 1 1 xyza\n0.500000 1.000000 2.000000 1.000000\n");

    // Rounding to six decimals, signs, infinities and NaN as stdio spells them.
    expect_output({"rv-to-text"},
                  make_stream(1, 2, 1, {0.0000005, -1.25, 1e20, -0.0, INFINITY, -INFINITY, NAN,
                                        1234.5678915}),
                  "1 2 1 xyza\n"
                  "0.000000 -1.250000 100000000000000000000.000000 -0.000000\n"
                  "inf -inf nan 1234.567892\n");

    // No pixel data: the head line only.
    expect_output({"rv-to-text"}, stream_head(0, 640, 480), "0 640 480 xyza\n");

    // Exactly the whole pixels present, whatever the head promises.
    std::string data;
    std::string expect = "2 1 1 xyza\n";
    for (int i = 0; i < 100; i++) {
        data += doubles({double(i), 0.5, 0.25, 1});
        expect += std::to_string(i) + ".000000 0.500000 0.250000 1.000000\n";
    }
    expect_output({"rv-to-text"}, stream_head(2, 1, 1) + data + "\x01\x02\x03", expect);

    // The same through a pipe from the generator.
    expect_output(shell("rv-single-colour -f 2 -w 2 -h 1 1 2 3 4 | rv-to-text"), "",
                  "2 2 1 xyza\n"
                  "1.000000 2.000000 3.000000 4.000000\n"
                  "1.000000 2.000000 3.000000 4.000000\n"
                  "1.000000 2.000000 3.000000 4.000000\n"
                  "1.000000 2.000000 3.000000 4.000000\n");
}

TEST(ToText, Refusals)
{
    const std::string pixel = make_stream(1, 1, 1, {1, 2, 3, 4});
    const struct {
        std::vector<std::string> argv;
        RunOptions options;
        std::string message;
    } cases[] = {
        {{"rv-to-text", "x"}, {.input = stream_head(1, 1, 1)}, "usage: rv-to-text \n"},
        {{"rv-to-text", "-v"}, {.input = stream_head(1, 1, 1)}, "usage: rv-to-text \n"},
        {{"rv-to-text"}, {.input = "1 1 1 rgba\n" + std::string(1, '\0') + "uivf"},
         "rv-to-text: file <stdin> uses unsupported pixel format: rgba\n"},
        {{"rv-to-text"}, {}, "rv-to-text: <stdin>: file format not supported\n"},
        {{"rv-to-text"}, {.input = "1 0 1 xyza\n"}, "rv-to-text: <stdin>: width is zero\n"},
        {{"rv-to-text"}, {.input = pixel, .close_stdout = true},
         "rv-to-text: ferror <stdout>: " + std::string(strerror(EBADF)) + "\n"},
        {shell("rv-to-text < /dev/null > /dev/full"), {},
         "rv-to-text: <stdin>: file format not supported\n"},
        {shell("rv-single-colour -w 1 -h 1 1 | rv-to-text > /dev/full"), {},
         "rv-to-text: ferror <stdout>: " + std::string(strerror(ENOSPC)) + "\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(expect_failure(c.argv, c.options, c.message).out, "");
}

TEST(ToText, LargeStream)
{
    // Megabytes in and out at once: neither side of the pipes may stall.
    std::vector<double> values(4 * 100000, 0.25);
    std::string lines = "1 1000 100 xyza\n";
    for (int i = 0; i < 100000; i++)
        lines += "0.250000 0.250000 0.250000 0.250000\n";
    expect_output({"rv-to-text"}, make_stream(1, 1000, 100, values), lines);
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

TEST(FormatFixed, AsPrintf)
{
    auto check = [](double v) {
        char text[fixed_text_max];
        ASSERT_EQ(std::string(text, format_fixed(text, v)), printf_fixed(v)) << std::hex << bits(v);
    };
    // Specials, ends of the range, half a unit of the sixth decimal, 2^44
    // (where the library takes over) and its neighbours.
    // clang-format off
    const double values[] = {
        0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, std::bit_cast<double>(0xfff0000000000123u),
        DBL_MAX, DBL_MIN, -DBL_TRUE_MIN, 5e-7, std::nextafter(5e-7, 0.0), 0x1p-21,
        0x1.fffffffffffffp-22, 0.9999995, 999999.9999995, 0x1p44, -0x1.fffffffffffffp43,
        std::nextafter(0x1p44, INFINITY), 0x1p44 + 3.0 / 128, 1e300};
    // clang-format on
    for (double v : values)
        check(v);
    // Ties: odd multiples of 1/128 lie halfway between six-decimal numbers.
    std::mt19937_64 rng(1);
    for (int i = 0; i < 100000; i++) {
        double v = double(rng() >> (11 + rng() % 53) | 1) / 128;
        for (double w : {v, -v, std::nextafter(v, 0.0), std::nextafter(v, INFINITY)})
            check(w);
    }
    // Every bit pattern, and values of every binary exponent up to past 2^44.
    for (int i = 0; i < 300000; i++) {
        check(std::bit_cast<double>(rng()));
        check(std::ldexp(double(rng() >> 11) / 0x1p53 + 0.5, int(rng() % 140) - 90) *
              (i % 2 ? 1 : -1));
    }
}

TEST(TextOutput, KeepsGatheredTextOnFatalExit)
{
    RunResult r = run_function([] {
        static TextOutput out(1);
        char *p = text_output_room(out, 5);
        text_output_advance(out, static_cast<char *>(memcpy(p, "text\n", 5)) + 5);
        fail(1, "failed\n");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out + r.err, "text\nfailed\n");
}

TEST(ToText, RandomPixelsAsPrintf)
{
    // Many output blocks; the input fed in pieces that split pixels.
    std::mt19937_64 rng(3);
    std::vector<double> values;
    std::string expect = "0 1 1 xyza\n";
    for (int i = 0; i < 4 * 60000; i++) {
        values.push_back(i % 3 ? std::bit_cast<double>(rng())
                               : std::ldexp(double(rng() >> 11), -int(rng() % 80)));
        expect += printf_fixed(values.back()) + (i % 4 == 3 ? "\n" : " ");
    }
    expect_output({"rv-to-text"},
                  RunOptions{.input = make_stream(0, 1, 1, values), .input_chunk = 4093}, expect);
}
