#include "harness.h"

#include <gtest/gtest.h>

static const std::string magic = std::string(1, '\0') + "uivf";

TEST(ReadHead, ConsumesExactlyTheHead)
{
    std::string frame = doubles({1, 2, 3, 4, 5, 6, 7, 8});
    std::string stream = stream_head(2, 640, 480) + frame + frame;
    expect_output({"rv-read-head"}, stream, "2 640 480 xyza\n");

    // The next reader of the same input starts at the first frame byte, from
    // a file and from a pipe.
    TempDir dir;
    write_file(dir.file("v.rv"), stream);
    const RunOptions file{.stdin_path = dir.file("v.rv")};
    expect_output(shell("{ rv-read-head; cat; }"), file, "2 640 480 xyza\n" + frame + frame);
    expect_output(shell("cat " + dir.file("v.rv") + " | { rv-read-head >/dev/null; cat; }"), "",
                  frame + frame);

    // A script changes the head and hands the frames on.
    expect_output(shell("{ set -- $(rv-read-head); rv-write-head 1 $2 $3 $4; cat; } | rv-to-text"),
                  file,
                  "1 640 480 xyza\n1.000000 2.000000 3.000000 4.000000\n"
                  "5.000000 6.000000 7.000000 8.000000\n"
                  "1.000000 2.000000 3.000000 4.000000\n"
                  "5.000000 6.000000 7.000000 8.000000\n");
}

TEST(ReadHead, Syntax)
{
    // Line 112 characters long, and 113.
    std::string longest = "1 1 1 " + std::string(106, 'a');
    ASSERT_EQ(longest.size(), 112u);
    for (const std::string &good : {std::string("1 2 3 abc def"), std::string("0 0 0 rgba"),
                                    std::string("007 1 1 Xyza9"), longest})
        expect_output({"rv-read-head"}, good + "\n" + magic + "rest", good + "\n");

    const std::string bad = "rv-read-head: <stdin>: file format not supported\n";
    const std::string lines[] = {
        longest + "a", "1 2 3 abc  def", "1 2 3 abc ", "1 2 3  abc", " 1 2 3 abc",
        "1 2 3 xy-za", "1 2 3", "1 2 3 ", "1 +2 3 xyza", "1 2 3\txyza", "1 2 \xb3 xyza",
        "1 2 3 xyz\xe4", std::string("1 2 3 xy\0za", 11), "",
    };
    for (const std::string &line : lines) {
        SCOPED_TRACE(testing::PrintToString(line));
        EXPECT_EQ(expect_failure({"rv-read-head"}, line + "\n" + magic + "rest", bad).out, "");
    }
    // A bad magic, a short one, none, no newline, nothing, a line without end.
    for (const std::string &input :
         {"1 1 1 xyza\n" + std::string(1, '\0') + "uixf", std::string("1 1 1 xyza\nuivf"),
          "1 1 1 xyza\n" + std::string(1, '\0') + "uiv", std::string("1 1 1 xyza\n"),
          std::string("1 1 1 xyza"), std::string(), std::string(10000, '1')})
        expect_failure({"rv-read-head"}, input, bad);
}

TEST(ReadHead, Failures)
{
    expect_failure({"rv-read-head", "-"}, "", "usage: rv-read-head \n");
    expect_failure({"rv-read-head", "-h"}, "", "usage: rv-read-head \n");
    TempDir dir;
    expect_failure({"rv-read-head"}, RunOptions{.stdin_path = dir.path},
                   "rv-read-head: read <stdin>: Is a directory\n");
    expect_failure({"rv-read-head"},
                   RunOptions{.input = stream_head(1, 1, 1), .stdout_path = "/dev/full"},
                   "rv-read-head: write <stdout>: No space left on device\n");
}
