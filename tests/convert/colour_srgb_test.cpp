#include "colour.h"
#include "harness.h"

#include <cstdio>
#include <gtest/gtest.h>

static const std::string usage_line = "usage: rv-colour-srgb [-d depth] [-l] red green blue\n";
static const std::string white = "0.950471 1.000000 1.088829\n";

static std::vector<std::string> colour(std::vector<std::string> args)
{
    args.insert(args.begin(), "rv-colour-srgb");
    return args;
}

static std::string line(Xyz c)
{
    char text[128];
    snprintf(text, sizeof text, "%lf %lf %lf\n", c.x, c.y, c.z);
    return text;
}

TEST(ColourSrgb, Values)
{
    struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"255", "255", "255"}, white},
        {{"255", "0", "0"}, "0.412457 0.212673 0.019334\n"},
        {{"128", "128", "128"}, "0.205169 0.215861 0.235035\n"},
        {{"-d", "16", "65535", "65535", "65535"}, white},
        {{"-d16", "65535", "65535", "65535"}, white},
        {{"-l", "-d", "1", "1", "1", "1"}, white},
        {{"-ld1", "1", "1", "1"}, white},
        {{"0", "0", "0"}, "0.000000 0.000000 0.000000\n"},
        // strtod's notations; values outside the scale are not clamped and
        // negative ones decode symmetrically.
        {{"0x1p7", "1.28e2", "128.0"}, "0.205169 0.215861 0.235035\n"},
        {{"--", "-255", "0", "0"}, "-0.412457 -0.212673 -0.019334\n"},
        {{"1e3", "0", "0"}, line(rgb_to_xyz(srgb_decode(1000 / 255.0), 0, 0))},
        // -l divides by the scale and does not decode.
        {{"-l", "0.5", "0.5", "0.5"}, line(rgb_to_xyz(0.5 / 255, 0.5 / 255, 0.5 / 255))},
        {{"-l", "51", "0", "0"}, line(rgb_to_xyz(0.2, 0, 0))},
        {{"51", "0", "0"}, line(rgb_to_xyz(srgb_decode(0.2), 0, 0))},
        // Depth 64: the scale is 2^64 as a double.
        {{"-d", "64", "-l", "18446744073709551616", "0", "0"}, line(rgb_to_xyz(1, 0, 0))},
    };
    for (const auto &c : cases)
        expect_output(colour(c.args), "", c.out);
    // The -l and decoded values differ where the transfer function bends.
    EXPECT_NE(line(rgb_to_xyz(0.2, 0, 0)), line(rgb_to_xyz(srgb_decode(0.2), 0, 0)));
}

TEST(ColourSrgb, Failures)
{
    const std::string value = " value must be floating-point value\n";
    const std::string depth = "rv-colour-srgb: argument of -d must be an integer in [1, 64]\n";
    struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"12abc", "0", "0"}, "rv-colour-srgb: the red" + value},
        {{"1e400", "0", "0"}, "rv-colour-srgb: the red" + value},
        {{"abc", "xyz", "0"}, "rv-colour-srgb: the red" + value},
        {{"0", "1 ", "0"}, "rv-colour-srgb: the green" + value},
        {{"0", "0", ""}, "rv-colour-srgb: the blue" + value},
        {{"-d", "0", "1", "1", "1"}, depth},
        {{"-d65", "1", "1", "1"}, depth},
        {{"-d", "x", "1", "1", "1"}, depth},
        {{"1", "1"}, usage_line},
        {{"1", "1", "1", "1"}, usage_line},
        {{}, usage_line},
        {{"-x", "1", "1", "1"}, usage_line},
        {{"-d"}, usage_line},
        {{"-255", "0", "0"}, usage_line}, // -2 is not an option letter
    };
    for (const auto &c : cases)
        EXPECT_EQ(expect_failure(colour(c.args), "", c.err).out, "");
    // A line that cannot be written.
    expect_failure({"rv-colour-srgb", "1", "2", "3"}, RunOptions{.stdout_path = "/dev/full"},
                   "rv-colour-srgb: ferror <stdout>: No space left on device\n");
}
