#include "harness.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

static const std::string usage_line =
    "usage: rv-single-colour [-f frames | -f 'inf'] -w width -h height (X Y Z | Y) [alpha]\n";

static std::string repeat(const std::string &s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; i++)
        out += s;
    return out;
}

TEST(SingleColour, Colours)
{
    const double white_x = 0.9504705586542831, white_z = 1.0888287363958842;
    // Y alone: X and Z from the D65 white, alpha 1.
    std::string grey = doubles({0.47523527932714155, 0.5, 0.5444143681979421, 1.0});
    const struct {
        std::vector<std::string> argv;
        std::string out;
    } cases[] = {
        {{"-w", "2", "-h", "1", "0.5"}, stream_head(1, 2, 1) + grey + grey},
        {{"-w1", "-h1", "1", "2", "3", "0.25"}, stream_head(1, 1, 1) + doubles({1, 2, 3, 0.25})},
        {{"-w1", "-h1", "1", "2", "3"}, stream_head(1, 1, 1) + doubles({1, 2, 3, 1})},
        {{"-w1", "-h1", "--", "2", "-0.25"},
         stream_head(1, 1, 1) + doubles({2 * white_x, 2, 2 * white_z, -0.25})},
        {{"-w1", "-h1", "--", "-1e-300", "0x1p-3"},
         stream_head(1, 1, 1) + doubles({-1e-300 * white_x, -1e-300, -1e-300 * white_z, 0.125})},
        {{"-f", "3", "-w", "5", "-h", "7", "1"},
         stream_head(3, 5, 7) + repeat(doubles({white_x, 1, white_z, 1}), 3 * 5 * 7)},
        // Rows wider than the prepared buffer are written in several pieces.
        {{"-w", "300", "-h", "2", "1", "2", "3", "4"},
         stream_head(1, 300, 2) + repeat(doubles({1, 2, 3, 4}), 600)},
        // The last -f decides.
        {{"-f", "inf", "-f", "2", "-w", "1", "-h", "1", "1"},
         stream_head(2, 1, 1) + repeat(doubles({white_x, 1, white_z, 1}), 2)},
    };
    for (const auto &c : cases) {
        std::vector<std::string> argv = {"rv-single-colour"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        expect_output(argv, "", c.out);
    }
}

TEST(SingleColour, Endless)
{
    expect_output(shell("rv-single-colour -f inf -w 3 -h 1 1 2 3 4 | head -c 4016"), "",
                  stream_head(0, 3, 1) + repeat(doubles({1, 2, 3, 4}), 125));

    TempDir dir;
    using Argv = std::vector<std::string>;
    for (const Argv &argv : {Argv{"rv-single-colour", "-f", "inf", "-w1", "-h1", "1"},
                             Argv{"rv-single-colour", "-f2", "-finf", "-w1", "-h1", "1"}}) {
        expect_failure(argv, RunOptions{.stdout_path = dir.file("out")},
                       "rv-single-colour: <stdout> is a regular file, refusing infinite write\n");
        EXPECT_EQ(read_file(dir.file("out")), "") << "nothing is written before the refusal";
    }
}

TEST(SingleColour, Refusals)
{
    const std::string range = " must be an integer in [1, 18446744073709551615]\n";
    const std::string value = " value must be floating-point value\n";
    struct Case {
        std::vector<std::string> argv;
        std::string err;
    } cases[] = {
        {{"-w", "1", "1"}, usage_line},
        {{"-h", "1", "1"}, usage_line},
        {{"-w", "1", "-h", "1"}, usage_line},
        {{"-w", "1", "-h", "1", "1", "2", "3", "4", "5"}, usage_line},
        {{"-w", "1", "-h", "1", "-q", "1"}, usage_line},
        {{"-w", "1", "-h"}, usage_line},
        {{"-f", "0", "-w", "1", "-h", "1", "1"}, "rv-single-colour: argument of -f" + range},
        {{"-f", "Inf", "-w", "1", "-h", "1", "1"}, "rv-single-colour: argument of -f" + range},
        {{"-w", "0", "-h", "1", "1"}, "rv-single-colour: argument of -w" + range},
        {{"-w", "1", "-h", "0", "1"}, "rv-single-colour: argument of -h" + range},
        {{"-w", "-5", "-h", "1", "1"}, "rv-single-colour: argument of -w" + range},
        {{"-w", "1", "-h", "1", "1e999"}, "rv-single-colour: the Y" + value},
        {{"-w", "1", "-h", "1", "0.5x"}, "rv-single-colour: the Y" + value},
        {{"-w", "1", "-h", "1", "1", ""}, "rv-single-colour: the alpha" + value},
        {{"-w", "1", "-h", "1", "1", "y", "1"}, "rv-single-colour: the Y" + value},
        {{"-w", "1", "-h", "1", "1", "1", "1e-999"}, "rv-single-colour: the Z" + value},
        {{"-w", "1", "-h", "1", "x", "1", "1", "1"}, "rv-single-colour: the X" + value},
        {{"-w", "4611686018427387904", "-h", "2", "1"}, "rv-single-colour: <stdout>: video frame is too large\n"},
        {{"-w", "1", "-h", "4611686018427387904", "1"}, "rv-single-colour: <stdout>: video frame is too tall\n"},
        {{"-w", "576460752303423488", "-h", "1", "1"}, "rv-single-colour: <stdout>: video frame is too wide\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> argv = {"rv-single-colour"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        EXPECT_EQ(expect_failure(argv, "", c.err).out, "") << c.err;
    }
}

TEST(SingleColour, WriteErrors)
{
    expect_failure({"rv-single-colour", "-w1", "-h1", "1"}, RunOptions{.close_stdout = true},
                   "rv-single-colour: <stdout>: " + std::string(strerror(EBADF)) + "\n");
    // A full device: flushing the head fails.
    expect_failure(shell("rv-single-colour -w 1000 -h 1000 1 > /dev/full"), "",
                   "rv-single-colour: <stdout>: " + std::string(strerror(ENOSPC)) + "\n");
}
