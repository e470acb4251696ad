#include "harness.h"

#include <gtest/gtest.h>

TEST(WriteHead, PrintsTheWords)
{
    RunResult r = run({"rv-write-head", "5", "640", "480", "xyza"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, stream_head(5, 640, 480));
    EXPECT_EQ(r.out.size(), 20u);

    std::string magic = std::string(1, '\0') + "uivf";
    EXPECT_EQ(run({"rv-write-head", "word"}).out, "word\n" + magic);
    EXPECT_EQ(run({"rv-write-head", "1 2", " 3  xyza"}).out, "1 2  3  xyza\n" + magic);
    EXPECT_EQ(run({"rv-write-head", "--", "-1", "-"}).out, "-1 -\n" + magic);

    // With frames from elsewhere it makes a stream.
    r = run_shell("{ rv-write-head 1 1 1 xyza; rv-single-colour -w 1 -h 1 1 2 3 4 | "
                  "{ rv-read-head >/dev/null; cat; }; } | rv-to-text");
    EXPECT_EQ(r.out, "1 1 1 xyza\n1.000000 2.000000 3.000000 4.000000\n");
}

TEST(WriteHead, Failures)
{
    RunResult r = run({"rv-write-head"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "usage: rv-write-head parameters ...\n");
    EXPECT_EQ(run({"rv-write-head", "-f", "1"}).err, "usage: rv-write-head parameters ...\n");

    RunOptions options;
    options.stdout_path = "/dev/full";
    r = run({"rv-write-head", "1", "1", "1", "xyza"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-write-head: ferror <stdout>: No space left on device\n");

    options = {};
    options.close_stdout = true;
    r = run({"rv-write-head", "1", "1", "1", "xyza"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-write-head: ferror <stdout>: Bad file descriptor\n");
}
