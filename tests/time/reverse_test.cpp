#include "numbered_frames.h"

#include <algorithm>
#include <gtest/gtest.h>

constexpr size_t W = 40, H = 1;

TEST(Reverse, BothWays)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    for (size_t n : {0, 1, 2, 3, 4}) {
        std::vector<size_t> backwards = frame_range(0, n);
        std::reverse(backwards.begin(), backwards.end());
        const std::string expected = stream_head(n, W, H) + numbered_frames(backwards, W, H);

        write_file(in, numbered_video(n, W, H));
        RunResult copied = run({"rv-reverse", in});
        ASSERT_EQ(copied.status, 0) << copied.err;
        EXPECT_EQ(copied.out, expected) << n << " frames";

        RunResult once = run({"rv-reverse", "-i", in});
        ASSERT_EQ(once.status, 0) << once.err;
        EXPECT_EQ(once.out, "");
        EXPECT_EQ(read_file(in), expected) << n << " frames";
        RunResult twice = run({"rv-reverse", "-i", in});
        ASSERT_EQ(twice.status, 0) << twice.err;
        EXPECT_EQ(read_file(in), numbered_video(n, W, H)) << n << " frames";
    }
}

TEST(Reverse, ShortFilesAndPipes)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    // The head claims 5 frames, the body holds 4.
    const std::string short_video = numbered_video(4, W, H, 5);
    write_file(in, short_video);
    RunResult copied = run({"rv-reverse", in});
    EXPECT_EQ(copied.status, 1);
    EXPECT_EQ(copied.out, stream_head(5, W, H));
    EXPECT_EQ(copied.err, "rv-reverse: " + in + ": file is shorter than expected\n");
    // In place the shortage is found before the first swap.
    RunResult in_place = run({"rv-reverse", "-i", in});
    EXPECT_EQ(in_place.status, 1);
    EXPECT_EQ(in_place.err, "rv-reverse: " + in + ": file is shorter than expected\n");
    EXPECT_EQ(read_file(in), short_video);

    RunResult pipe = run({"rv-reverse", "-"}, numbered_video(2, W, H));
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.out, stream_head(2, W, H));
    EXPECT_EQ(pipe.err, "rv-reverse: pread -: Illegal seek\n");
    RunResult pipe_in_place = run({"rv-reverse", "-i", "-"}, numbered_video(2, W, H));
    EXPECT_EQ(pipe_in_place.status, 1);
    EXPECT_EQ(pipe_in_place.err, "rv-reverse: lseek -: Illegal seek\n");

    write_file(in, stream_head(288230376151711744ull, 1, 1));
    RunResult large = run({"rv-reverse", in});
    EXPECT_EQ(large.status, 1);
    EXPECT_EQ(large.err, "rv-reverse: " + in + ": video is too large\n");

    for (auto argv : {std::vector<std::string>{"rv-reverse"},
                      std::vector<std::string>{"rv-reverse", in, in},
                      std::vector<std::string>{"rv-reverse", "-x", in}}) {
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: rv-reverse [-i] file\n");
    }
}
