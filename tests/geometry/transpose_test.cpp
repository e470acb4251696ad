#include "frames.h"

#include <gtest/gtest.h>

TEST(Transpose, ExchangesRowsAndColumns)
{
    // Rows p q r and s t u become rows p s, q t, r u.
    RunResult r = run({"rv-transpose"}, labelled(1, 3, 2));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto px = [](size_t x, size_t y) { return doubles(label(0, x, y)); };
    EXPECT_EQ(r.out, stream_head(1, 2, 3) + px(0, 0) + px(0, 1) + px(1, 0) + px(1, 1) +
                         px(2, 0) + px(2, 1));

    // Larger than one block of the walk, in both directions.
    const std::string in = labelled(2, 37, 21);
    r = run({"rv-transpose"}, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(2, 21, 37, [](size_t, size_t x, size_t y) {
                  return Source{{y, x}};
              }));
    r = pipeline("rv-transpose | rv-transpose", in);
    EXPECT_EQ(r.out, in);
    EXPECT_EQ(run({"rv-transpose"}, labelled(2, 1, 1)).out, labelled(2, 1, 1));
}

TEST(Transpose, Failures)
{
    std::string in = labelled(2, 3, 2);
    in.resize(in.size() - 3 * 32);
    RunResult r = run({"rv-transpose"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-transpose: <stdin>: incomplete frame\n");

    r = run({"rv-transpose", "--", "x"}, labelled(1, 1, 1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "usage: rv-transpose \n");
}

TEST(Transpose, AgreesWithFfmpeg)
{
    if (!have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    RunResult r = run({"rv-transpose"}, labelled(3, 37, 21));
    ASSERT_EQ(r.status, 0) << r.err;
    // ffmpeg's default transpose turns counter-clockwise and flips vertically:
    // the exchange of rows and columns.
    EXPECT_EQ(r.out, stream_head(3, 21, 37) + ffmpeg_filtered(3, 37, 21, "transpose", 21, 37));
}
