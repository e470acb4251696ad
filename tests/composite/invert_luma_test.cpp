#include "control.h"

#include <gtest/gtest.h>

static const double wx = 0.9504705586542831, wz = 1.0888287363958842;

TEST(InvertLuma, LumaFlipsAlongTheWhitePoint)
{
    // Mask values 1, 0 (by Y), 0 (by alpha) and 0.5.
    const std::string mask =
        make_stream(1, 4, 1, {0, 1, 0, 1, 5, 0, 5, 1, 5, 1, 5, 0, 0, 1, 0, 0.5});
    const std::string input = make_stream(
        1, 4, 1, {0.2, 0.25, 0.3, 0.7, 0.2, 0.25, 0.3, 0.7, 0.2, 0.25, 0.3, 0.7, 1, 0.75, 2, 1});
    // m = 1: y 0.25 -> 0.75, X and Z up by 0.5 of the white; m = 0: as it was;
    // m = 0.5: every luma becomes 0.5, here a change of -0.25.
    expect_controlled({"rv-invert-luma"}, mask, input,
                      make_stream(1, 4, 1,
                                  {0.2 + 0.5 * wx, 0.75, 0.3 + 0.5 * wz, 0.7, 0.2, 0.25, 0.3, 0.7,
                                   0.2, 0.25, 0.3, 0.7, 1 - 0.25 * wx, 0.5, 2 - 0.25 * wz, 1}));

    // Complemented: mask Y 0 with alpha 1 inverts fully, Y 1 not at all.
    RunResult r = expect_controlled({"rv-invert-luma", "-i"}, mask, input);
    std::vector<double> out = to_doubles(r.out, stream_head(1, 4, 1).size());
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(std::vector<double>(out.begin(), out.begin() + 4),
              (std::vector<double>{0.2, 0.25, 0.3, 0.7}));
    EXPECT_EQ(std::vector<double>(out.begin() + 4, out.begin() + 8),
              (std::vector<double>{0.2 + 0.5 * wx, 0.75, 0.3 + 0.5 * wz, 0.7}));
}

TEST(InvertLuma, WhitePointFromTheMask)
{
    // Full masks with white X, Z of 0 and of 2, 4.
    const std::string mask = make_stream(1, 2, 1, {0, 1, 0, 1, 2, 1, 4, 1});
    const std::string input = make_stream(1, 2, 1, {0.5, 0.25, 0.75, 1, 0.5, 0.25, 0.75, 1});
    expect_controlled({"rv-invert-luma", "-w"}, mask, input,
                      make_stream(1, 2, 1, {0.5, 0.75, 0.75, 1, 1.5, 0.75, 2.75, 1}));
    // -iw: the complement of Y 1 is 0, nothing changes.
    expect_controlled({"rv-invert-luma", "-iw"}, mask, input, input);
}

TEST(InvertLuma, ShortMaskAndRefusals)
{
    expect_controlled({"rv-invert-luma"}, make_stream(1, 1, 1, {0, 1, 0, 1}),
                      make_stream(2, 1, 1, {0, 0, 0, 1, 0, 0, 0, 1}),
                      make_stream(2, 1, 1, {wx, 1, wz, 1, 0, 0, 0, 1}));
    expect_usage("usage: rv-invert-luma [-iw] mask-stream\n",
                 {{"rv-invert-luma"}, {"rv-invert-luma", "a", "b"}, {"rv-invert-luma", "-r", "a"}});
    TempDir dir;
    expect_failure({"rv-invert-luma", dir.file("missing")}, make_stream(1, 1, 1, {0, 0, 0, 1}),
                   "rv-invert-luma: open " + dir.file("missing") + ": No such file or directory\n");
}

TEST(InvertLuma, OperationsInTheWrittenOrder)
{
    // (1 - y)m + (1 - m)y as two products and a sum, then X and Z moved by
    // the change times the white; other orders round differently here.
    const double x = 0.84, y = 0.33, z = 0.68, ky = 0.58, ka = 0.57;
    const std::string mask = make_stream(1, 1, 1, {0.25, ky, 0.5, ka});
    const std::string input = make_stream(1, 1, 1, {x, y, z, 0.75});
    for (bool inverted : {false, true}) {
        const double m = (inverted ? 1 - ky : ky) * ka;
        const double luma = (1 - y) * m + (1 - m) * y, d = luma - y;
        if (!inverted) {
            ASSERT_NE(bits(luma), bits(y + m * (1 - 2 * y)));
            ASSERT_NE(bits(x + d * wx), bits(x + luma * wx - y * wx));
        }
        std::vector<std::string> argv = {"rv-invert-luma"};
        if (inverted)
            argv.push_back("-i");
        expect_controlled(argv, mask, input,
                          make_stream(1, 1, 1, {x + d * wx, luma, z + d * wz, 0.75}));
        argv.insert(argv.begin() + 1, "-w");
        expect_controlled(argv, mask, input,
                          make_stream(1, 1, 1, {x + d * 0.25, luma, z + d * 0.5, 0.75}));
    }
}
