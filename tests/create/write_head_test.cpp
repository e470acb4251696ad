#include "harness.h"

#include <gtest/gtest.h>

TEST(WriteHead, PrintsTheWords)
{
    ASSERT_EQ(stream_head(5, 640, 480).size(), 20u);
    expect_output({"rv-write-head", "5", "640", "480", "xyza"}, "", stream_head(5, 640, 480));
    const std::string magic = std::string(1, '\0') + "uivf";
    expect_output({"rv-write-head", "word"}, "", "word\n" + magic);
    expect_output({"rv-write-head", "1 2", " 3  xyza"}, "", "1 2  3  xyza\n" + magic);
    expect_output({"rv-write-head", "--", "-1", "-"}, "", "-1 -\n" + magic);

    // With frames from elsewhere it makes a stream.
    expect_output(shell("{ rv-write-head 1 1 1 xyza; rv-single-colour -w 1 -h 1 1 2 3 4 | "
                        "{ rv-read-head >/dev/null; cat; }; } | rv-to-text"),
                  "", "1 1 1 xyza\n1.000000 2.000000 3.000000 4.000000\n");
}

TEST(WriteHead, Failures)
{
    const std::string usage = "usage: rv-write-head parameters ...\n";
    EXPECT_EQ(expect_failure({"rv-write-head"}, "", usage).out, "");
    expect_failure({"rv-write-head", "-f", "1"}, "", usage);
    expect_failure({"rv-write-head", "1", "1", "1", "xyza"}, RunOptions{.stdout_path = "/dev/full"},
                   "rv-write-head: ferror <stdout>: No space left on device\n");
    expect_failure({"rv-write-head", "1", "1", "1", "xyza"}, RunOptions{.close_stdout = true},
                   "rv-write-head: ferror <stdout>: Bad file descriptor\n");
}
