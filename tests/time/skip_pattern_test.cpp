#include "numbered_frames.h"

#include <gtest/gtest.h>

// Two rows of 20 pixels: 640-byte rows, 1280-byte frames.
constexpr size_t W = 20, H = 2;

static std::string kept(const std::vector<size_t> &order)
{
    return stream_head(order.size(), W, H) + numbered_frames(order, W, H);
}

TEST(SkipPattern, Patterns)
{
    RunResult r = run({"rv-skip-pattern", "+1"}, numbered_video(4, W, H));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, numbered_video(4, W, H));

    r = run({"rv-skip-pattern", "+1", "1"}, numbered_video(5, W, H));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kept({0, 2, 4}));

    // The last cycle stops inside the skipped entry.
    r = run({"rv-skip-pattern", "+2", "3"}, numbered_video(11, W, H));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kept({0, 1, 5, 6, 10}));

    // Entries of 0 do nothing; a skip first.
    r = run({"rv-skip-pattern", "2", "+0", "+1"}, numbered_video(8, W, H));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kept({2, 5}));

    // Skipping everything still reads the whole input.
    TempDir dir;
    std::string in = dir.file("in.rv");
    write_file(in, numbered_video(6, W, H));
    r = run_shell("{ rv-skip-pattern 1 && cat; } < " + in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(0, W, H));
}

TEST(SkipPattern, CountsFromTheHead)
{
    // The head's count is answered at once, also for the largest count and
    // for a cycle longer than 64 bits count.
    std::string one = stream_head(18446744073709551615ull, W, H) + numbered_frame(0, W, H);
    RunResult r = run({"rv-skip-pattern", "+1", "1"}, one);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(9223372036854775808ull, W, H) + numbered_frame(0, W, H));
    r = run({"rv-skip-pattern", "+18446744073709551615", "1"}, one);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, one);
    r = run({"rv-skip-pattern", "1", "+18446744073709551615"}, one);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(18446744073709551614ull, W, H));
}

TEST(SkipPattern, Failures)
{
    RunResult r = run({"rv-skip-pattern", "0", "+0"}, numbered_video(2, W, H));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-skip-pattern: null pattern is not allowed\n");

    // The input ends after the first row of frame 1.
    std::string cut = numbered_video(2, W, H);
    cut.resize(cut.size() - W * 32);
    r = run({"rv-skip-pattern", "+1"}, cut);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, cut);
    EXPECT_EQ(r.err, "rv-skip-pattern: <stdin>: is shorted than expected\n");

    r = run({"rv-skip-pattern", "+x"}, numbered_video(1, W, H));
    EXPECT_EQ(r.err, "rv-skip-pattern: included frame count must be an integer in "
                     "[0, 18446744073709551615]\n");
    r = run({"rv-skip-pattern", "--", "-1"}, numbered_video(1, W, H));
    EXPECT_EQ(r.err, "rv-skip-pattern: skipped frame count must be an integer in "
                     "[0, 18446744073709551615]\n");
    for (auto argv : {std::vector<std::string>{"rv-skip-pattern"},
                      std::vector<std::string>{"rv-skip-pattern", "-1"}}) {
        r = run(argv, numbered_video(1, W, H));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: rv-skip-pattern (skipped-frames | +included-frames) ...\n");
    }
}
