#include "numbered_frames.h"

#include <gtest/gtest.h>

constexpr size_t W = 40, H = 1;

TEST(Repeat, Counts)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    // Three frames (3840 bytes) make standard input's buffer grow twice.
    const std::string video = numbered_video(3, W, H);
    write_file(in, video);
    const std::string three = stream_head(9, W, H) +
                              numbered_frames({0, 1, 2, 0, 1, 2, 0, 1, 2}, W, H);
    for (bool from_stdin : {false, true}) {
        std::string file = from_stdin ? "-" : in;
        std::string input = from_stdin ? video : "";
        RunResult zero = run({"rv-repeat", "0", file}, input);
        ASSERT_EQ(zero.status, 0) << zero.err;
        EXPECT_EQ(zero.out, stream_head(0, W, H));
        RunResult one = run({"rv-repeat", "1", file}, input);
        ASSERT_EQ(one.status, 0) << one.err;
        EXPECT_EQ(one.out, video);
        RunResult r = run({"rv-repeat", "3", file}, input);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, three);
    }

    // 2 × 2^63 frames do not fit a head.
    write_file(in, numbered_video(2, W, H));
    RunResult r = run({"rv-repeat", "9223372036854775808", in});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-repeat: " + in + ": video is too long\n");
    r = run({"rv-repeat", "2", "-"}, numbered_video(2, W, H, 9223372036854775808ull));
    EXPECT_EQ(r.err, "rv-repeat: <stdin>: video is too long\n");

    // Appending copies of a file to itself would never reach its end.
    write_file(in, video);
    r = run_shell("rv-repeat 2 " + in + " >> " + in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-repeat: " + in + ": input file is output file\n");
    EXPECT_EQ(read_file(in), video);
    // Started with standard output closed, the file itself takes descriptor
    // 1; that is a failing output, not an output into the input.
    RunOptions closed;
    closed.close_stdout = true;
    r = run({"rv-repeat", "2", in}, closed);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-repeat: <stdout>: Bad file descriptor\n");

    r = run({"rv-repeat", "2", "/dev/stdin"}, video);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, stream_head(6, W, H));
    EXPECT_EQ(r.err, "rv-repeat: pread /dev/stdin: Illegal seek\n");
}

TEST(Repeat, Endless)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    const std::string video = numbered_video(2, W, H);
    write_file(in, video);
    // With the broken-pipe signal ignored, the reader's end is success.
    for (std::string file : {in, std::string("-")}) {
        RunResult r = run_shell("(trap '' PIPE; rv-repeat inf " + file + " < " + in +
                                "; echo status $? >&2) | head -c 100000");
        EXPECT_EQ(r.err, "status 0\n");
        ASSERT_EQ(r.out.size(), 100000u);
        std::string expected = stream_head(0, W, H);
        while (expected.size() < r.out.size())
            expected += numbered_frames({0, 1}, W, H);
        EXPECT_EQ(r.out, expected.substr(0, 100000));
    }
    RunResult killed = run_shell("rv-repeat inf " + in + " | head -c 10");
    EXPECT_EQ(killed.out.size(), 10u);

    // Nothing to repeat: the head alone, and done.
    std::string empty = dir.file("empty.rv");
    write_file(empty, stream_head(0, W, H));
    for (std::string file : {empty, std::string("-")}) {
        RunResult r = run_shell("rv-repeat inf " + file + " < " + empty + " | cat");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, stream_head(0, W, H));
    }

    RunOptions to_file;
    to_file.stdout_path = dir.file("out");
    RunResult regular = run({"rv-repeat", "inf", in}, to_file);
    EXPECT_EQ(regular.status, 1);
    EXPECT_EQ(regular.err, "rv-repeat: <stdout> is a regular file, refusing infinite write\n");
    EXPECT_EQ(read_file(dir.file("out")), "");
}

TEST(Repeat, CommandLine)
{
    for (auto argv : {std::vector<std::string>{"rv-repeat", "2"},
                      std::vector<std::string>{"rv-repeat", "-x", "2", "f"},
                      std::vector<std::string>{"rv-repeat", "2", "f", "g"}}) {
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: rv-repeat (count | 'inf') file\n");
    }
    RunResult r = run({"rv-repeat", "many", "f"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-repeat: the count must be an integer in [0, 18446744073709551615]\n");
}
