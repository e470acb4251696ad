#include "frames.h"

#include <gtest/gtest.h>

TEST(Transpose, ExchangesRowsAndColumns)
{
    // Rows p q r and s t u become rows p s, q t, r u.
    auto px = [](size_t x, size_t y) { return doubles(label(0, x, y)); };
    expect_output({"rv-transpose"}, labelled(1, 3, 2),
                  stream_head(1, 2, 3) + px(0, 0) + px(0, 1) + px(1, 0) + px(1, 1) + px(2, 0) +
                      px(2, 1));
    // Larger than one block of the walk, in both directions.
    expect_rearranged("rv-transpose", 37, 21, 21, 37, [](size_t, size_t x, size_t y) {
        return Source{{y, x}};
    });
}

TEST(Transpose, Failures)
{
    std::string in = labelled(2, 3, 2);
    in.resize(in.size() - 3 * 32);
    expect_failure({"rv-transpose"}, in, "rv-transpose: <stdin>: incomplete frame\n");
    expect_failure({"rv-transpose", "--", "x"}, labelled(1, 1, 1), "usage: rv-transpose \n");
}

// ffmpeg's default transpose turns counter-clockwise and flips vertically:
// the exchange of rows and columns.
TEST(Transpose, AgreesWithFfmpeg) { expect_as_ffmpeg({"rv-transpose"}, "transpose", 21, 37); }
