#include "numbered_frames.h"

#include <gtest/gtest.h>
#include <unistd.h>

constexpr size_t W = 40, H = 1;

static std::string part(uint64_t claimed, size_t first, size_t count)
{
    return stream_head(claimed, W, H) + numbered_frames(frame_range(first, count), W, H);
}

TEST(Split, Parts)
{
    TempDir dir;
    std::string a = dir.file("a"), b = dir.file("b");
    expect_output({"rv-split", a, "4", b, "end"}, numbered_video(10, W, H), "");
    EXPECT_EQ(read_file(a), part(4, 0, 4));
    EXPECT_EQ(read_file(b), part(6, 4, 6));

    expect_output({"rv-split", a, "0", b, "end"}, numbered_video(10, W, H), "");
    EXPECT_EQ(read_file(a), stream_head(0, W, H));
    EXPECT_EQ(read_file(b), part(10, 0, 10));

    // A part ends where asked: what follows stays unread for the next reader.
    std::string in = dir.file("in");
    write_file(in, numbered_video(10, W, H));
    expect_output(shell("{ rv-split " + a + " 3 && cat; } < " + in), "",
                  numbered_frames(frame_range(3, 7), W, H));
    EXPECT_EQ(read_file(a), part(3, 0, 3));
}

TEST(Split, EndPointsChecked)
{
    TempDir dir;
    std::string a = dir.file("a"), b = dir.file("b");
    const std::string usage = "usage: rv-split [-L] (file (end-point | 'end')) ...\n";
    // No part is opened.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-split", a, "5", b, "5"},
         "rv-split: the end points must be in strictly ascending order\n"},
        {{"rv-split", a, "11"}, "rv-split: frame 11 is beyond the end of the video\n"},
        {{"rv-split", a, "x"},
         "rv-split: the end point must be an integer in [0, 18446744073709551615]\n"},
        {{"rv-split"}, usage},
        {{"rv-split", a, "1", b}, usage},
        {{"rv-split", "-x", a, "1"}, usage},
    };
    for (const auto &[argv, message] : cases) {
        expect_failure(argv, numbered_video(10, W, H), message);
        EXPECT_NE(access(a.c_str(), F_OK), 0) << command_line(argv);
    }

    // A part written over the input itself would truncate it under the
    // reader; it is refused before any part is opened.
    std::string in = dir.file("in");
    write_file(in, numbered_video(4, W, H));
    RunOptions from_file;
    from_file.stdin_path = in;
    expect_failure({"rv-split", a, "1", in, "end"}, from_file,
                   "rv-split: <stdin>: input file is output file\n");
    EXPECT_NE(access(a.c_str(), F_OK), 0);
    EXPECT_EQ(read_file(in), numbered_video(4, W, H));

    // 2^58 frames of 32 bytes are 2^63 bytes, one more than a file offset holds.
    expect_failure({"rv-split", a, "end"}, stream_head(288230376151711744ull, 1, 1),
                   "rv-split: <stdin>: video is too large\n");
}

TEST(Split, WithoutTheHeadsCount)
{
    TempDir dir;
    std::string a = dir.file("a"), b = dir.file("b");
    const std::string shorter = "rv-split: <stdin>: file is shorter than expected\n";
    expect_failure({"rv-split", "-L", a, "11"}, numbered_video(10, W, H), shorter);
    EXPECT_EQ(read_file(a), part(11, 0, 10));

    // The head says 2 frames, the input holds 7.
    expect_output({"rv-split", "-L", a, "3", b, "end"}, numbered_video(7, W, H, 2), "");
    EXPECT_EQ(read_file(a), part(3, 0, 3));
    EXPECT_EQ(read_file(b), part(18446744073709551612ull, 3, 4));

    // An end point whose byte count does not fit 64 bits is no limit at all:
    // the input ends first.
    expect_failure({"rv-split", "-L", a, "576460752303423488"}, numbered_video(3, 1, 1), shorter);
    EXPECT_EQ(read_file(a), stream_head(576460752303423488ull, 1, 1) +
                                numbered_frames({0, 1, 2}, 1, 1));

    std::string cut = numbered_video(3, W, H);
    cut.resize(cut.size() - 8);
    expect_failure({"rv-split", "-L", a, "1", b, "end"}, cut,
                   "rv-split: <stdin>: incomplete frame\n");
    EXPECT_EQ(read_file(a), part(1, 0, 1));
}
