#include "harness.h"

#include <gtest/gtest.h>

static std::string magic() { return std::string(1, '\0') + "uivf"; }

TEST(ReadHead, ConsumesExactlyTheHead)
{
    std::string frame = doubles({1, 2, 3, 4, 5, 6, 7, 8});
    std::string stream = stream_head(2, 640, 480) + frame + frame;
    RunResult r = run({"rv-read-head"}, stream);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "2 640 480 xyza\n");

    // The next reader of the same input starts at the first frame byte, from
    // a file and from a pipe.
    TempDir dir;
    write_file(dir.file("v.rv"), stream);
    RunOptions options;
    options.stdin_path = dir.file("v.rv");
    r = run_shell("{ rv-read-head; cat; }", options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 640 480 xyza\n" + frame + frame);
    r = run_shell("cat " + dir.file("v.rv") + " | { rv-read-head >/dev/null; cat; }");
    EXPECT_EQ(r.out, frame + frame);

    // A script changes the head and hands the frames on.
    r = run_shell("{ set -- $(rv-read-head); rv-write-head 1 $2 $3 $4; cat; } | rv-to-text",
                  options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 640 480 xyza\n1.000000 2.000000 3.000000 4.000000\n"
                     "5.000000 6.000000 7.000000 8.000000\n"
                     "1.000000 2.000000 3.000000 4.000000\n"
                     "5.000000 6.000000 7.000000 8.000000\n");
}

TEST(ReadHead, Syntax)
{
    // Line 112 characters long, and 113.
    std::string longest = "1 1 1 " + std::string(106, 'a');
    ASSERT_EQ(longest.size(), 112u);
    const struct {
        std::string line;
        bool good;
    } cases[] = {
        {"1 2 3 abc def", true},
        {"0 0 0 rgba", true},
        {"007 1 1 Xyza9", true},
        {longest, true},
        {longest + "a", false},
        {"1 2 3 abc  def", false},
        {"1 2 3 abc ", false},
        {"1 2 3  abc", false},
        {" 1 2 3 abc", false},
        {"1 2 3 xy-za", false},
        {"1 2 3", false},
        {"1 2 3 ", false},
        {"1 +2 3 xyza", false},
        {"1 2 3\txyza", false},
        {"1 2 \xb3 xyza", false},
        {"1 2 3 xyz\xe4", false},
        {std::string("1 2 3 xy\0za", 11), false},
        {"", false},
    };
    for (const auto &c : cases) {
        RunResult r = run({"rv-read-head"}, c.line + "\n" + magic() + "rest");
        EXPECT_EQ(r.status, c.good ? 0 : 1) << c.line;
        EXPECT_EQ(r.out, c.good ? c.line + "\n" : "") << c.line;
        EXPECT_EQ(r.err, c.good ? "" : "rv-read-head: <stdin>: file format not supported\n")
            << c.line;
    }

    const std::string bad = "rv-read-head: <stdin>: file format not supported\n";
    EXPECT_EQ(run({"rv-read-head"}, "1 1 1 xyza\n" + std::string(1, '\0') + "uixf").err, bad);
    EXPECT_EQ(run({"rv-read-head"}, "1 1 1 xyza\nuivf").err, bad);
    EXPECT_EQ(run({"rv-read-head"}, "1 1 1 xyza\n" + std::string(1, '\0') + "uiv").err, bad);
    EXPECT_EQ(run({"rv-read-head"}, "1 1 1 xyza\n").err, bad);
    EXPECT_EQ(run({"rv-read-head"}, "1 1 1 xyza").err, bad);
    EXPECT_EQ(run({"rv-read-head"}, "").err, bad);
    EXPECT_EQ(run({"rv-read-head"}, std::string(10000, '1')).err, bad);
}

TEST(ReadHead, Failures)
{
    RunResult r = run({"rv-read-head", "-"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "usage: rv-read-head \n");
    EXPECT_EQ(run({"rv-read-head", "-h"}).err, "usage: rv-read-head \n");

    TempDir dir;
    RunOptions options;
    options.stdin_path = dir.path;
    r = run({"rv-read-head"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-read-head: read <stdin>: Is a directory\n");

    options = {};
    options.input = stream_head(1, 1, 1);
    options.stdout_path = "/dev/full";
    r = run({"rv-read-head"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-read-head: write <stdout>: No space left on device\n");
}
