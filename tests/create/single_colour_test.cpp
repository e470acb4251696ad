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
    // Y alone: X and Z from the D65 white, alpha 1.
    RunResult r = run({"rv-single-colour", "-w", "2", "-h", "1", "0.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string grey = doubles({0.47523527932714155, 0.5, 0.5444143681979421, 1.0});
    EXPECT_EQ(r.out, stream_head(1, 2, 1) + grey + grey);

    r = run({"rv-single-colour", "-w1", "-h1", "1", "2", "3", "0.25"});
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({1, 2, 3, 0.25}));
    r = run({"rv-single-colour", "-w1", "-h1", "1", "2", "3"});
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({1, 2, 3, 1}));
    r = run({"rv-single-colour", "-w1", "-h1", "--", "2", "-0.25"});
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({2 * 0.9504705586542831, 2,
                                                     2 * 1.0888287363958842, -0.25}));
    r = run({"rv-single-colour", "-w1", "-h1", "--", "-1e-300", "0x1p-3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({-1e-300 * 0.9504705586542831, -1e-300,
                                                     -1e-300 * 1.0888287363958842, 0.125}));
}

TEST(SingleColour, Sizes)
{
    RunResult r = run({"rv-single-colour", "-f", "3", "-w", "5", "-h", "7", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.size(), stream_head(3, 5, 7).size() + 3 * 5 * 7 * 32);

    // Rows wider than the prepared buffer are written in several pieces.
    r = run({"rv-single-colour", "-w", "300", "-h", "2", "1", "2", "3", "4"});
    EXPECT_EQ(r.out, stream_head(1, 300, 2) + repeat(doubles({1, 2, 3, 4}), 600));

    // The last -f decides.
    r = run({"rv-single-colour", "-f", "inf", "-f", "2", "-w", "1", "-h", "1", "1"});
    EXPECT_EQ(r.out, stream_head(2, 1, 1) +
                         repeat(doubles({0.9504705586542831, 1, 1.0888287363958842, 1}), 2));
}

TEST(SingleColour, Endless)
{
    RunResult r = run_shell("rv-single-colour -f inf -w 3 -h 1 1 2 3 4 | head -c 4016");
    EXPECT_EQ(r.status, 0);
    std::string head = stream_head(0, 3, 1);
    EXPECT_EQ(r.out, head + repeat(doubles({1, 2, 3, 4}), 125));

    TempDir dir;
    RunOptions into_file;
    into_file.stdout_path = dir.file("out");
    for (auto argv : {std::vector<std::string>{"rv-single-colour", "-f", "inf", "-w1", "-h1", "1"},
                      std::vector<std::string>{"rv-single-colour", "-f2", "-finf", "-w1", "-h1", "1"}}) {
        r = run(argv, into_file);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "rv-single-colour: <stdout> is a regular file, refusing infinite write\n");
        EXPECT_EQ(read_file(dir.file("out")), "") << "nothing is written before the refusal";
    }
}

TEST(SingleColour, Refusals)
{
    const std::string range = " must be an integer in [1, 18446744073709551615]\n";
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
        {{"-w", "1", "-h", "1", "1e999"}, "rv-single-colour: the Y value must be floating-point value\n"},
        {{"-w", "1", "-h", "1", "0.5x"}, "rv-single-colour: the Y value must be floating-point value\n"},
        {{"-w", "1", "-h", "1", "1", ""}, "rv-single-colour: the alpha value must be floating-point value\n"},
        {{"-w", "1", "-h", "1", "1", "y", "1"}, "rv-single-colour: the Y value must be floating-point value\n"},
        {{"-w", "1", "-h", "1", "1", "1", "1e-999"}, "rv-single-colour: the Z value must be floating-point value\n"},
        {{"-w", "1", "-h", "1", "x", "1", "1", "1"}, "rv-single-colour: the X value must be floating-point value\n"},
        {{"-w", "4611686018427387904", "-h", "2", "1"}, "rv-single-colour: <stdout>: video frame is too large\n"},
        {{"-w", "1", "-h", "4611686018427387904", "1"}, "rv-single-colour: <stdout>: video frame is too tall\n"},
        {{"-w", "576460752303423488", "-h", "1", "1"}, "rv-single-colour: <stdout>: video frame is too wide\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> argv = {"rv-single-colour"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "") << c.err;
    }
}

TEST(SingleColour, WriteErrors)
{
    RunOptions closed;
    closed.close_stdout = true;
    RunResult r = run({"rv-single-colour", "-w1", "-h1", "1"}, closed);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-single-colour: <stdout>: " + std::string(strerror(EBADF)) + "\n");

    // A full device: flushing the head fails.
    r = run_shell("rv-single-colour -w 1000 -h 1000 1 > /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-single-colour: <stdout>: " + std::string(strerror(ENOSPC)) + "\n");
}
