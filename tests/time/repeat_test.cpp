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
        expect_output({"rv-repeat", "0", file}, input, stream_head(0, W, H));
        expect_output({"rv-repeat", "1", file}, input, video);
        expect_output({"rv-repeat", "3", file}, input, three);
    }

    // 2 × 2^63 frames do not fit a head.
    write_file(in, numbered_video(2, W, H));
    EXPECT_EQ(expect_failure({"rv-repeat", "9223372036854775808", in}, "",
                             "rv-repeat: " + in + ": video is too long\n")
                  .out,
              "");
    expect_failure({"rv-repeat", "2", "-"}, numbered_video(2, W, H, 9223372036854775808ull),
                   "rv-repeat: <stdin>: video is too long\n");

    // Appending copies of a file to itself would never reach its end.
    write_file(in, video);
    expect_failure(shell("rv-repeat 2 " + in + " >> " + in), "",
                   "rv-repeat: " + in + ": input file is output file\n");
    EXPECT_EQ(read_file(in), video);
    // Started with standard output closed, the file itself takes descriptor
    // 1; that is a failing output, not an output into the input.
    RunOptions closed;
    closed.close_stdout = true;
    expect_failure({"rv-repeat", "2", in}, closed, "rv-repeat: <stdout>: Bad file descriptor\n");

    EXPECT_EQ(expect_failure({"rv-repeat", "2", "/dev/stdin"}, video,
                             "rv-repeat: pread /dev/stdin: Illegal seek\n")
                  .out,
              stream_head(6, W, H));
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
    for (std::string file : {empty, std::string("-")})
        expect_output(shell("rv-repeat inf " + file + " < " + empty + " | cat"), "",
                      stream_head(0, W, H));

    RunOptions to_file;
    to_file.stdout_path = dir.file("out");
    expect_failure({"rv-repeat", "inf", in}, to_file,
                   "rv-repeat: <stdout> is a regular file, refusing infinite write\n");
    EXPECT_EQ(read_file(dir.file("out")), "");
}

TEST(Repeat, CommandLine)
{
    const std::string usage = "usage: rv-repeat (count | 'inf') file\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-repeat", "2"}, usage},
        {{"rv-repeat", "-x", "2", "f"}, usage},
        {{"rv-repeat", "2", "f", "g"}, usage},
        {{"rv-repeat", "many", "f"},
         "rv-repeat: the count must be an integer in [0, 18446744073709551615]\n"},
    };
    for (const auto &[argv, message] : cases)
        expect_failure(argv, "", message);
}
