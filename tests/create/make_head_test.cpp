#include "harness.h"

#include <gtest/gtest.h>

// Raw bytes that differ from frame to frame, so a misplaced byte shows.
static std::string pattern(size_t n)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; i++)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

TEST(MakeHead, CopiesWhatTheHeadPromises)
{
    std::string data = pattern(64);
    RunResult r = run({"rv-make-head", "2", "1", "xyza"}, data);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, stream_head(1, 2, 1) + data);

    // Frames larger than one buffer, arriving in small pieces.
    data = pattern(3 * 40 * 3 * 32);
    RunOptions options;
    options.input = data;
    options.input_chunk = 1000;
    r = run({"rv-make-head", "-f3", "40", "3", "xyza"}, options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(3, 40, 3) + data);

    // Input beyond the promised bytes stays for the next reader, from a
    // file and from a pipe alike.
    TempDir dir;
    std::string rest = "the rest";
    write_file(dir.file("raw"), data + rest);
    options = {};
    options.stdin_path = dir.file("raw");
    r = run_shell("{ rv-make-head -f 2 40 3 xyza; cat; }", options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(2, 40, 3) + data + rest);
    r = run_shell("cat " + dir.file("raw") + " | { rv-make-head -f 2 40 3 xyza; cat; }");
    EXPECT_EQ(r.out, stream_head(2, 40, 3) + data + rest);
}

TEST(MakeHead, ShortAndEmptyInput)
{
    RunResult r = run({"rv-make-head", "2", "1", "xyza"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, stream_head(1, 2, 1));
    EXPECT_EQ(r.err, "");

    std::string data = pattern(10);
    r = run({"rv-make-head", "2", "1", "xyza"}, data);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, stream_head(1, 2, 1) + data);
    EXPECT_EQ(r.err, "rv-make-head: <stdin>: is shorted than expected\n");

    // One whole frame of two is still short.
    data = pattern(64);
    r = run({"rv-make-head", "-f", "2", "2", "1", "xyza"}, data);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, stream_head(2, 2, 1) + data);
}

TEST(MakeHead, Refusals)
{
    struct Case {
        std::vector<std::string> argv;
        int status;
        std::string err;
    };
    const std::string range = "[1, 18446744073709551615]\n";
    const Case cases[] = {
        {{"rv-make-head", "2", "1"}, 1, "usage: rv-make-head [-f frames] width height pixel-format ...\n"},
        {{"rv-make-head", "-g", "2", "1", "xyza"}, 1, "usage: rv-make-head [-f frames] width height pixel-format ...\n"},
        {{"rv-make-head", "2", "1", "xyza", "-f"}, 2, "rv-make-head: file <stdin> uses unsupported pixel format: xyza -f\n"},
        {{"rv-make-head", "-f", "0", "2", "1", "xyza"}, 1, "rv-make-head: argument of -f must be an integer in " + range},
        {{"rv-make-head", "0", "1", "xyza"}, 2, "rv-make-head: the width must be an integer in " + range},
        {{"rv-make-head", "1", "1x", "xyza"}, 2, "rv-make-head: the height must be an integer in " + range},
        {{"rv-make-head", "2", "1", "xy", "za"}, 2, "rv-make-head: file <stdin> uses unsupported pixel format: xy za\n"},
        {{"rv-make-head", "2", "1", std::string(32, 'a')}, 2, "rv-make-head: file <stdin> uses unsupported pixel format: \n"},
        // Frames without a byte size are refused before the head.
        {{"rv-make-head", "4294967296", "4294967296", "xyza"}, 2, "rv-make-head: <stdin>: video frame is too large\n"},
        {{"rv-make-head", "576460752303423488", "1", "xyza"}, 2, "rv-make-head: <stdin>: video frame is too wide\n"},
        {{"rv-make-head", "1", "576460752303423488", "xyza"}, 2, "rv-make-head: <stdin>: video frame is too tall\n"},
    };
    for (const Case &c : cases) {
        RunResult r = run(c.argv, pattern(64));
        EXPECT_EQ(r.status, c.status) << c.argv[1];
        EXPECT_EQ(r.out, "") << c.argv[1];
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(MakeHead, OutputFailures)
{
    RunOptions options;
    options.input = pattern(64);
    options.stdout_path = "/dev/full";
    RunResult r = run({"rv-make-head", "2", "1", "xyza"}, options);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "rv-make-head: <stdout>: No space left on device\n");

    // The head fits under the file size limit, the frame does not.
    TempDir dir;
    write_file(dir.file("raw"), pattern(2048));
    options = {};
    options.stdin_path = dir.file("raw");
    r = run_shell("ulimit -f 1; trap '' XFSZ; exec rv-make-head 64 1 xyza > " +
                  dir.file("out"), options);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "rv-make-head: write <stdout>: File too large\n");
}
