#include "control.h"

#include <gtest/gtest.h>

TEST(SetAlpha, MaskValueScalesAlpha)
{
    // Input pixels: colour that must stay, alpha 0.8 each.
    const std::string input = make_stream(
        1, 2, 2, {0.3, 0.4, 0.5, 0.8, -1, 2, 7, 0.8, 0.1, 0.2, 0.3, 0.8, 0.1, 0.2, 0.3, 0.8});
    // Mask pixels: full, Y and alpha a half, transparent, over-bright.
    const std::string mask =
        make_stream(1, 2, 2, {9, 1, 9, 1, 0, 0.5, 0, 0.5, 1, 1, 1, 0, 3, 2, 3, 1});
    expect_controlled({"rv-set-alpha"}, mask, input,
                      make_stream(1, 2, 2, {0.3, 0.4, 0.5, 0.8, -1, 2, 7, 0.2, 0.1, 0.2, 0.3, 0,
                                            0.1, 0.2, 0.3, 1.6}));
    // Complemented Y: 1 - Y, still weighted by the mask's alpha.
    expect_controlled({"rv-set-alpha", "-ii", "--"}, mask, input,
                      make_stream(1, 2, 2, {0.3, 0.4, 0.5, 0, -1, 2, 7, 0.2, 0.1, 0.2, 0.3, 0,
                                            0.1, 0.2, 0.3, -0.8}));
}

TEST(SetAlpha, ShortMaskLeavesLaterFrames)
{
    expect_controlled({"rv-set-alpha"}, make_stream(1, 1, 1, {0, 0.5, 0, 1}),
                      make_stream(3, 1, 1, {1, 1, 1, 1, 2, 2, 2, 1, 3, 3, 3, 0.5}),
                      make_stream(3, 1, 1, {1, 1, 1, 0.5, 2, 2, 2, 1, 3, 3, 3, 0.5}));
}

TEST(SetAlpha, Refusals)
{
    expect_usage("usage: rv-set-alpha [-i] alpha-stream\n",
                 {{"rv-set-alpha"}, {"rv-set-alpha", "a", "b"}, {"rv-set-alpha", "-w", "a"}});
}
