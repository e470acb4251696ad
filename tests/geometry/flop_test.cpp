#include "frames.h"

#include <gtest/gtest.h>

TEST(Flop, MirrorsLeftToRight)
{
    expect_output({"rv-flop"}, labelled(1, 3, 1),
                  stream_head(1, 3, 1) + doubles(label(0, 2, 0)) + doubles(label(0, 1, 0)) +
                      doubles(label(0, 0, 0)));
    expect_rearranged("rv-flop", 4, 3, 4, 3, [](size_t, size_t x, size_t y) {
        return Source{{3 - x, y}};
    });
}

TEST(Flop, RowsAreTheUnit)
{
    // Input ending at a row boundary inside a frame: the output ends there too.
    std::string in = labelled(2, 2, 3);
    in.resize(in.size() - 2 * 32);
    expect_output({"rv-flop"}, in, mapped(2, 2, 3, [](size_t, size_t x, size_t y) {
                                       return Source{{1 - x, y}};
                                   }).substr(0, in.size()));
    in.resize(in.size() - 1);
    expect_failure({"rv-flop"}, in, "rv-flop: <stdin>: incomplete frame\n");

    EXPECT_EQ(expect_failure({"rv-flop", "x"}, labelled(1, 1, 1), "usage: rv-flop \n").out, "");
    EXPECT_EQ(expect_failure({"rv-flop", "-x"}, labelled(1, 1, 1), "usage: rv-flop \n").out, "");
}

TEST(Flop, AgreesWithFfmpeg) { expect_as_ffmpeg({"rv-flop"}, "hflip", 37, 21); }
