#include "frames.h"

#include <gtest/gtest.h>

TEST(Flip, MirrorsTopToBottom)
{
    RunResult r = run({"rv-flip"}, labelled(1, 1, 3));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, stream_head(1, 1, 3) + doubles(label(0, 0, 2)) + doubles(label(0, 0, 1)) +
                         doubles(label(0, 0, 0)));

    const std::string in = labelled(3, 4, 3);
    r = run({"rv-flip"}, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(3, 4, 3, [](size_t, size_t x, size_t y) {
                  return Source{{x, 2 - y}};
              }));
    r = pipeline("rv-flip | rv-flip", in);
    EXPECT_EQ(r.out, in);
    EXPECT_EQ(run({"rv-flip"}, labelled(2, 1, 1)).out, labelled(2, 1, 1));
}

TEST(Flip, Failures)
{
    // Frames are the unit: an input ending at a row boundary is an incomplete frame.
    std::string in = labelled(2, 2, 3);
    in.resize(in.size() - 2 * 32);
    RunResult r = run({"rv-flip"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-flip: <stdin>: incomplete frame\n");
    EXPECT_EQ(r.out, stream_head(2, 2, 3) + mapped_pixels(1, 2, 3, [](size_t, size_t x, size_t y) {
                         return Source{{x, 2 - y}};
                     }));

    for (std::vector<std::string> argv : {std::vector<std::string>{"rv-flip", "-"}, {"rv-flip", "-h"}}) {
        r = run(argv, labelled(1, 1, 1));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: rv-flip \n");
    }
}

TEST(Flip, AgreesWithFfmpeg)
{
    if (!have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    RunResult r = run({"rv-flip"}, labelled(3, 37, 21));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(3, 37, 21) + ffmpeg_filtered(3, 37, 21, "vflip", 37, 21));
}

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
