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
    expect_output({"rv-make-head", "2", "1", "xyza"}, data, stream_head(1, 2, 1) + data);

    // Frames larger than one buffer, arriving in small pieces.
    data = pattern(3 * 40 * 3 * 32);
    expect_output({"rv-make-head", "-f3", "40", "3", "xyza"},
                  RunOptions{.input = data, .input_chunk = 1000}, stream_head(3, 40, 3) + data);

    // Input beyond the promised bytes stays for the next reader, from a
    // file and from a pipe alike.
    TempDir dir;
    std::string rest = "the rest";
    write_file(dir.file("raw"), data + rest);
    expect_output(shell("{ rv-make-head -f 2 40 3 xyza; cat; }"),
                  RunOptions{.stdin_path = dir.file("raw")}, stream_head(2, 40, 3) + data + rest);
    expect_output(shell("cat " + dir.file("raw") + " | { rv-make-head -f 2 40 3 xyza; cat; }"), "",
                  stream_head(2, 40, 3) + data + rest);
}

TEST(MakeHead, ShortAndEmptyInput)
{
    RunResult r = expect_failure({"rv-make-head", "2", "1", "xyza"}, "", "");
    EXPECT_EQ(r.out, stream_head(1, 2, 1));

    std::string data = pattern(10);
    r = expect_failure({"rv-make-head", "2", "1", "xyza"}, data,
                       "rv-make-head: <stdin>: is shorted than expected\n", 2);
    EXPECT_EQ(r.out, stream_head(1, 2, 1) + data);

    // One whole frame of two is still short.
    data = pattern(64);
    r = expect_failure({"rv-make-head", "-f", "2", "2", "1", "xyza"}, data,
                       "rv-make-head: <stdin>: is shorted than expected\n", 2);
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
    const std::string usage = "usage: rv-make-head [-f frames] width height pixel-format ...\n";
    const std::string format = "rv-make-head: file <stdin> uses unsupported pixel format: ";
    const Case cases[] = {
        {{"2", "1"}, 1, usage},
        {{"-g", "2", "1", "xyza"}, 1, usage},
        {{"2", "1", "xyza", "-f"}, 2, format + "xyza -f\n"},
        {{"-f", "0", "2", "1", "xyza"}, 1, "rv-make-head: argument of -f must be an integer in " + range},
        {{"0", "1", "xyza"}, 2, "rv-make-head: the width must be an integer in " + range},
        {{"1", "1x", "xyza"}, 2, "rv-make-head: the height must be an integer in " + range},
        {{"2", "1", "xy", "za"}, 2, format + "xy za\n"},
        {{"2", "1", std::string(32, 'a')}, 2, format + "\n"},
        // Frames without a byte size are refused before the head.
        {{"4294967296", "4294967296", "xyza"}, 2, "rv-make-head: <stdin>: video frame is too large\n"},
        {{"576460752303423488", "1", "xyza"}, 2, "rv-make-head: <stdin>: video frame is too wide\n"},
        {{"1", "576460752303423488", "xyza"}, 2, "rv-make-head: <stdin>: video frame is too tall\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> argv = {"rv-make-head"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        EXPECT_EQ(expect_failure(argv, pattern(64), c.err, c.status).out, "") << c.argv[0];
    }
}

TEST(MakeHead, OutputFailures)
{
    expect_failure({"rv-make-head", "2", "1", "xyza"},
                   RunOptions{.input = pattern(64), .stdout_path = "/dev/full"},
                   "rv-make-head: <stdout>: No space left on device\n", 2);

    // The head fits under the file size limit, the frame does not.
    TempDir dir;
    write_file(dir.file("raw"), pattern(2048));
    expect_failure(shell("ulimit -f 1; trap '' XFSZ; exec rv-make-head 64 1 xyza > " +
                         dir.file("out")),
                   RunOptions{.stdin_path = dir.file("raw")},
                   "rv-make-head: write <stdout>: File too large\n", 2);
}
