#include "frames.h"

#include <gtest/gtest.h>

TEST(Flop, MirrorsLeftToRight)
{
    RunResult r = run({"rv-flop"}, labelled(1, 3, 1));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, stream_head(1, 3, 1) + doubles(label(0, 2, 0)) + doubles(label(0, 1, 0)) +
                         doubles(label(0, 0, 0)));

    const std::string in = labelled(3, 4, 3);
    r = run({"rv-flop"}, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(3, 4, 3, [](size_t, size_t x, size_t y) {
                  return Source{{3 - x, y}};
              }));
    // Twice restores the input, and a 1 x 1 video passes unchanged.
    r = pipeline("rv-flop | rv-flop", in);
    EXPECT_EQ(r.out, in);
    EXPECT_EQ(run({"rv-flop"}, labelled(2, 1, 1)).out, labelled(2, 1, 1));
}

TEST(Flop, RowsAreTheUnit)
{
    // Input ending at a row boundary inside a frame: the output ends there too.
    std::string in = labelled(2, 2, 3);
    in.resize(in.size() - 2 * 32);
    RunResult r = run({"rv-flop"}, in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, mapped(2, 2, 3, [](size_t, size_t x, size_t y) {
                         return Source{{1 - x, y}};
                     }).substr(0, in.size()));
    in.resize(in.size() - 1);
    r = run({"rv-flop"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-flop: <stdin>: incomplete frame\n");

    for (std::vector<std::string> argv : {std::vector<std::string>{"rv-flop", "x"}, {"rv-flop", "-x"}}) {
        r = run(argv, labelled(1, 1, 1));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: rv-flop \n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(Flop, AgreesWithFfmpeg)
{
    if (!have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    RunResult r = run({"rv-flop"}, labelled(3, 37, 21));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(3, 37, 21) + ffmpeg_filtered(3, 37, 21, "hflip", 37, 21));
}
