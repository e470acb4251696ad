#include "harness.h"

#include <gtest/gtest.h>

TEST(SetAlpha, MaskValueScalesAlpha)
{
    // Input pixels: colour that must stay, alpha 0.8 each.
    const std::vector<double> input = {0.3, 0.4, 0.5, 0.8, -1, 2, 7, 0.8, 0.1, 0.2, 0.3, 0.8,
                                       0.1, 0.2, 0.3, 0.8};
    // Mask pixels: full, Y and alpha a half, transparent, over-bright.
    const std::vector<double> mask = {9, 1, 9, 1, 0, 0.5, 0, 0.5, 1, 1, 1, 0, 3, 2, 3, 1};
    TempDir dir;
    write_file(dir.file("mask"), make_stream(1, 2, 2, mask));

    RunResult r = run({"rv-set-alpha", dir.file("mask")}, make_stream(1, 2, 2, input));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, make_stream(1, 2, 2, {0.3, 0.4, 0.5, 0.8, -1, 2, 7, 0.2, 0.1, 0.2, 0.3, 0,
                                           0.1, 0.2, 0.3, 1.6}));

    // Complemented Y: 1 - Y, still weighted by the mask's alpha.
    r = run({"rv-set-alpha", "-ii", "--", dir.file("mask")}, make_stream(1, 2, 2, input));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(1, 2, 2, {0.3, 0.4, 0.5, 0, -1, 2, 7, 0.2, 0.1, 0.2, 0.3, 0,
                                           0.1, 0.2, 0.3, -0.8}));
}

TEST(SetAlpha, ShortMaskLeavesLaterFrames)
{
    TempDir dir;
    write_file(dir.file("mask"), make_stream(1, 1, 1, {0, 0.5, 0, 1}));
    RunResult r = run({"rv-set-alpha", dir.file("mask")},
                      make_stream(3, 1, 1, {1, 1, 1, 1, 2, 2, 2, 1, 3, 3, 3, 0.5}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(3, 1, 1, {1, 1, 1, 0.5, 2, 2, 2, 1, 3, 3, 3, 0.5}));
}

TEST(SetAlpha, Refusals)
{
    const std::string usage = "usage: rv-set-alpha [-i] alpha-stream\n";
    for (std::vector<std::string> argv :
         {std::vector<std::string>{"rv-set-alpha"}, {"rv-set-alpha", "a", "b"},
          {"rv-set-alpha", "-w", "a"}}) {
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, usage);
    }
}
