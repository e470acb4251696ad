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
    const struct {
        std::vector<std::string> argv;
        size_t frames;
        std::vector<size_t> kept;
    } cases[] = {
        {{"rv-skip-pattern", "+1"}, 4, {0, 1, 2, 3}},
        {{"rv-skip-pattern", "+1", "1"}, 5, {0, 2, 4}},
        // The last cycle stops inside the skipped entry.
        {{"rv-skip-pattern", "+2", "3"}, 11, {0, 1, 5, 6, 10}},
        // Entries of 0 do nothing; a skip first.
        {{"rv-skip-pattern", "2", "+0", "+1"}, 8, {2, 5}},
    };
    for (const auto &c : cases)
        expect_output(c.argv, numbered_video(c.frames, W, H), kept(c.kept));

    // Skipping everything still reads the whole input.
    TempDir dir;
    std::string in = dir.file("in.rv");
    write_file(in, numbered_video(6, W, H));
    expect_output(shell("{ rv-skip-pattern 1 && cat; } < " + in), "", stream_head(0, W, H));
}

TEST(SkipPattern, CountsFromTheHead)
{
    // The head's count is answered at once, also for the largest count and
    // for a cycle longer than 64 bits count.
    std::string one = stream_head(18446744073709551615ull, W, H) + numbered_frame(0, W, H);
    expect_output({"rv-skip-pattern", "+1", "1"}, one,
                  stream_head(9223372036854775808ull, W, H) + numbered_frame(0, W, H));
    expect_output({"rv-skip-pattern", "+18446744073709551615", "1"}, one, one);
    expect_output({"rv-skip-pattern", "1", "+18446744073709551615"}, one,
                  stream_head(18446744073709551614ull, W, H));
}

TEST(SkipPattern, Failures)
{
    // The input ends after the first row of frame 1.
    std::string cut = numbered_video(2, W, H);
    cut.resize(cut.size() - W * 32);
    EXPECT_EQ(expect_failure({"rv-skip-pattern", "+1"}, cut,
                             "rv-skip-pattern: <stdin>: is shorted than expected\n")
                  .out,
              cut);

    const std::string usage = "usage: rv-skip-pattern (skipped-frames | +included-frames) ...\n";
    const std::string count = " frame count must be an integer in [0, 18446744073709551615]\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-skip-pattern", "0", "+0"}, "rv-skip-pattern: null pattern is not allowed\n"},
        {{"rv-skip-pattern", "+x"}, "rv-skip-pattern: included" + count},
        {{"rv-skip-pattern", "--", "-1"}, "rv-skip-pattern: skipped" + count},
        {{"rv-skip-pattern"}, usage},
        {{"rv-skip-pattern", "-1"}, usage},
    };
    for (const auto &[argv, message] : cases)
        EXPECT_EQ(expect_failure(argv, numbered_video(2, W, H), message).out, "")
            << command_line(argv);
}
