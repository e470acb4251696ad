#include "frames.h"

#include <gtest/gtest.h>

TEST(Flip, MirrorsTopToBottom)
{
    expect_output({"rv-flip"}, labelled(1, 1, 3),
                  stream_head(1, 1, 3) + doubles(label(0, 0, 2)) + doubles(label(0, 0, 1)) +
                      doubles(label(0, 0, 0)));
    expect_rearranged("rv-flip", 4, 3, 4, 3, [](size_t, size_t x, size_t y) {
        return Source{{x, 2 - y}};
    });
}

TEST(Flip, Failures)
{
    // Frames are the unit: an input ending at a row boundary is an incomplete frame.
    std::string in = labelled(2, 2, 3);
    in.resize(in.size() - 2 * 32);
    EXPECT_EQ(expect_failure({"rv-flip"}, in, "rv-flip: <stdin>: incomplete frame\n").out,
              stream_head(2, 2, 3) + mapped_pixels(1, 2, 3, [](size_t, size_t x, size_t y) {
                  return Source{{x, 2 - y}};
              }));
    expect_failure({"rv-flip", "-"}, labelled(1, 1, 1), "usage: rv-flip \n");
    expect_failure({"rv-flip", "-h"}, labelled(1, 1, 1), "usage: rv-flip \n");
}

TEST(Flip, AgreesWithFfmpeg) { expect_as_ffmpeg({"rv-flip"}, "vflip", 37, 21); }

// Rows long enough to be copied from a regular file by position.
TEST(Flip, FromFilesAsFromPipes)
{
    std::string in = labelled(3, 600, 4);
    expect_same_from_files("rv-flip", in);
    EXPECT_EQ(pipeline("rv-flip", in).out, mapped(3, 600, 4, [](size_t, size_t x, size_t y) {
                  return Source{{x, 3 - y}};
              }));
    in.resize(in.size() - 600 * 32); // the last frame is a row short
    expect_same_from_files("rv-flip", in);
}
