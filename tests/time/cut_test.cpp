#include "numbered_frames.h"

#include <gtest/gtest.h>

// Frames of 40 pixels (1280 bytes) cross the 1024-byte copy buffer.
constexpr size_t W = 40, H = 1;

struct Cut : testing::Test {
    TempDir dir;
    const std::string in = dir.file("in.rv");
};

TEST_F(Cut, Ranges)
{
    write_file(in, numbered_video(5, W, H));
    const auto range = [](size_t first, size_t count) {
        return stream_head(count, W, H) + numbered_frames(frame_range(first, count), W, H);
    };
    // The end point may equal the frame count, not exceed it.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-cut", "0", "end", in}, numbered_video(5, W, H)},
        {{"rv-cut", "2", "3", in}, range(2, 1)},
        {{"rv-cut", "1", "5", in}, range(1, 4)},
        {{"rv-cut", "4", "end", in}, range(4, 1)},
    };
    for (const auto &[argv, out] : cases)
        expect_output(argv, "", out);
}

TEST_F(Cut, RefusedRanges)
{
    write_file(in, numbered_video(5, W, H));
    const std::string usage = "usage: rv-cut start-point (end-point | 'end') file\n";
    const std::string zero = "rv-cut: refusing to create video with zero frames\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-cut", "1", "6", in}, "rv-cut: end point is after end of video\n"},
        {{"rv-cut", "3", "3", in}, zero},
        {{"rv-cut", "5", "3", in}, "rv-cut: start point is after end point\n"},
        // "end" as the start point is refused before the file is opened.
        {{"rv-cut", "end", "3", dir.file("missing")}, zero},
        {{"rv-cut", "x", "3", in},
         "rv-cut: the start point must be an integer in [0, 18446744073709551615]\n"},
        {{"rv-cut", "0", "-1", in},
         "rv-cut: the end point must be an integer in [0, 18446744073709551615]\n"},
        {{"rv-cut", "0", "end"}, usage},
        {{"rv-cut", "-x", "0", "end", in}, usage},
    };
    for (const auto &[argv, message] : cases)
        EXPECT_EQ(expect_failure(argv, "", message).out, "") << command_line(argv);
}

TEST_F(Cut, ShortFilesAndPipes)
{
    // The head claims 4 frames, the body holds 2 and a half.
    std::string body = numbered_frames({0, 1, 2}, W, H);
    write_file(in, stream_head(4, W, H) + body.substr(0, body.size() - 100));
    expect_output({"rv-cut", "1", "2", in}, "", stream_head(1, W, H) + numbered_frame(1, W, H));
    EXPECT_EQ(expect_failure({"rv-cut", "1", "4", in}, "",
                             "rv-cut: " + in + ": file is shorter than expected\n")
                  .out,
              stream_head(3, W, H) + body.substr(W * H * 32, 2 * W * H * 32 - 100));

    // A pipe cannot be read by position: the head is out before the failure.
    EXPECT_EQ(expect_failure({"rv-cut", "0", "1", "-"}, numbered_video(2, W, H),
                             "rv-cut: pread -: Illegal seek\n")
                  .out,
              stream_head(1, W, H));
}

TEST_F(Cut, OffsetsBeyondAFileOffset)
{
    // 2^59 + 1 frames of 32 bytes: frame 2^59 would lie 2^64 bytes in, which
    // wraps to the first frame if the offset is not checked.
    write_file(in, numbered_video(1, 1, 1, 576460752303423489ull));
    EXPECT_EQ(expect_failure({"rv-cut", "576460752303423488", "end", in}, "",
                             "rv-cut: " + in + ": video is too large\n")
                  .out,
              stream_head(1, 1, 1));
}
