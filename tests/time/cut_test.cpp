#include "numbered_frames.h"

#include <gtest/gtest.h>

// Frames of 40 pixels (1280 bytes) cross the 1024-byte copy buffer.
constexpr size_t W = 40, H = 1;

TEST(Cut, Ranges)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    write_file(in, numbered_video(5, W, H));

    RunResult all = run({"rv-cut", "0", "end", in});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, numbered_video(5, W, H));

    RunResult one = run({"rv-cut", "2", "3", in});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, stream_head(1, W, H) + numbered_frame(2, W, H));

    // The end point may equal the frame count, not exceed it.
    RunResult tail = run({"rv-cut", "1", "5", in});
    ASSERT_EQ(tail.status, 0) << tail.err;
    EXPECT_EQ(tail.out, stream_head(4, W, H) + numbered_frames({1, 2, 3, 4}, W, H));
    RunResult beyond = run({"rv-cut", "1", "6", in});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(beyond.out, "");
    EXPECT_EQ(beyond.err, "rv-cut: end point is after end of video\n");

    RunResult last = run({"rv-cut", "4", "end", in});
    EXPECT_EQ(last.out, stream_head(1, W, H) + numbered_frame(4, W, H));
}

TEST(Cut, RefusedRanges)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    write_file(in, numbered_video(5, W, H));
    RunResult empty = run({"rv-cut", "3", "3", in});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "rv-cut: refusing to create video with zero frames\n");
    RunResult backwards = run({"rv-cut", "5", "3", in});
    EXPECT_EQ(backwards.status, 1);
    EXPECT_EQ(backwards.out, "");
    EXPECT_EQ(backwards.err, "rv-cut: start point is after end point\n");
    // "end" as the start point is refused before the file is opened.
    RunResult start_end = run({"rv-cut", "end", "3", dir.file("missing")});
    EXPECT_EQ(start_end.status, 1);
    EXPECT_EQ(start_end.err, "rv-cut: refusing to create video with zero frames\n");

    RunResult bad_start = run({"rv-cut", "x", "3", in});
    EXPECT_EQ(bad_start.err,
              "rv-cut: the start point must be an integer in [0, 18446744073709551615]\n");
    RunResult bad_end = run({"rv-cut", "0", "-1", in});
    EXPECT_EQ(bad_end.err,
              "rv-cut: the end point must be an integer in [0, 18446744073709551615]\n");
    for (auto argv : {std::vector<std::string>{"rv-cut", "0", "end"},
                      std::vector<std::string>{"rv-cut", "-x", "0", "end", in}}) {
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: rv-cut start-point (end-point | 'end') file\n");
    }
}

TEST(Cut, ShortFilesAndPipes)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    // The head claims 4 frames, the body holds 2 and a half.
    std::string body = numbered_frames({0, 1, 2}, W, H);
    write_file(in, stream_head(4, W, H) + body.substr(0, body.size() - 100));
    RunResult inside = run({"rv-cut", "1", "2", in});
    ASSERT_EQ(inside.status, 0) << inside.err;
    EXPECT_EQ(inside.out, stream_head(1, W, H) + numbered_frame(1, W, H));
    RunResult past = run({"rv-cut", "1", "4", in});
    EXPECT_EQ(past.status, 1);
    EXPECT_EQ(past.err, "rv-cut: " + in + ": file is shorter than expected\n");
    EXPECT_EQ(past.out, stream_head(3, W, H) + body.substr(numbered_frame(0, W, H).size(),
                                                          2 * W * H * 32 - 100));

    // A pipe cannot be read by position: the head is out before the failure.
    RunResult pipe = run({"rv-cut", "0", "1", "-"}, numbered_video(2, W, H));
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.out, stream_head(1, W, H));
    EXPECT_EQ(pipe.err, "rv-cut: pread -: Illegal seek\n");
}

TEST(Cut, OffsetsBeyondAFileOffset)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    // 2^59 + 1 frames of 32 bytes: frame 2^59 would lie 2^64 bytes in, which
    // wraps to the first frame if the offset is not checked.
    write_file(in, numbered_video(1, 1, 1, 576460752303423489ull));
    RunResult r = run({"rv-cut", "576460752303423488", "end", in});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, stream_head(1, 1, 1));
    EXPECT_EQ(r.err, "rv-cut: " + in + ": video is too large\n");
}
