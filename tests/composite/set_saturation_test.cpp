#include "control.h"

#include <cmath>
#include <gtest/gtest.h>

static const double wx = 0.9504705586542831, wz = 1.0888287363958842;

TEST(SetSaturation, FactorScalesChroma)
{
    // Factors 0, 1 and 2 (Y 4 at alpha 0.5).
    const std::vector<double> pixel = {0.7, 0.5, 0.3, 0.25};
    std::vector<double> input;
    for (int i = 0; i < 3; i++)
        input.insert(input.end(), pixel.begin(), pixel.end());
    RunResult r = expect_controlled({"rv-set-saturation"},
                                    make_stream(1, 3, 1, {1, 0, 1, 1, 1, 1, 1, 1, 1, 4, 1, 0.5}),
                                    make_stream(1, 3, 1, input));
    std::vector<double> out = to_doubles(r.out, stream_head(1, 3, 1).size());
    ASSERT_EQ(out.size(), 12u);
    // 0: grey of the same luma.
    EXPECT_EQ(std::vector<double>(out.begin(), out.begin() + 4),
              (std::vector<double>{0.5 * wx, 0.5, 0.5 * wz, 0.25}));
    // 1: the pixel again, up to rounding; 2: the chroma doubled.
    for (int k = 1; k <= 2; k++) {
        const double *p = out.data() + 4 * k;
        EXPECT_EQ(p[1], 0.5);
        EXPECT_EQ(p[3], 0.25);
        EXPECT_NEAR(p[0] / wx - 0.5, k * (0.7 / wx - 0.5), 1e-15);
        EXPECT_NEAR(p[2] / wz - 0.5, k * (0.3 / wz - 0.5), 1e-15);
    }
}

TEST(SetSaturation, WhitePointFromTheControl)
{
    // Factor 0.5, white X 2 and Z 4.
    // X: ((1 / 2 - 0.25) 0.5 + 0.25) 2; Z: ((2 / 4 - 0.25) 0.5 + 0.25) 4.
    expect_controlled({"rv-set-saturation", "-ww"}, make_stream(1, 1, 1, {2, 0.5, 4, 1}),
                      make_stream(1, 1, 1, {1, 0.25, 2, 1}),
                      make_stream(1, 1, 1, {0.75, 0.25, 1.5, 1}));

    // A white component of 0 gives no number, written as it comes.
    RunResult r = expect_controlled({"rv-set-saturation", "-w"},
                                    make_stream(1, 1, 1, {0, 0.5, 4, 1}),
                                    make_stream(1, 1, 1, {1, 0.25, 2, 1}));
    std::vector<double> out = to_doubles(r.out, stream_head(1, 1, 1).size());
    ASSERT_EQ(out.size(), 4u);
    EXPECT_TRUE(std::isnan(out[0]));
}

TEST(SetSaturation, ShortControlAndRefusals)
{
    const std::string grey = make_stream(1, 1, 1, {0, 0, 0, 1});
    expect_controlled({"rv-set-saturation"}, grey, make_stream(2, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}),
                      make_stream(2, 1, 1, {wx, 1, wz, 1, 1, 1, 1, 1}));
    expect_usage("usage: rv-set-saturation [-w] saturation-stream\n",
                 {{"rv-set-saturation"}, {"rv-set-saturation", "a", "b"},
                  {"rv-set-saturation", "-i", "a"}});
    expect_controlled({"rv-set-saturation"}, grey, make_stream(1, 1, 1, {1, 1, 1}));
}

TEST(SetSaturation, OperationsInTheWrittenOrder)
{
    // Division, subtraction, the factor, Y added back, the white component:
    // for these samples other orders round differently.
    const double x = 0.82, y = 0.18, z = 0.49, cx = 0.3, cy = 0.6, cz = 0.4, ca = 0.68;
    const double m = cy * ca;
    const double ex = ((x / wx - y) * m + y) * wx, ez = ((z / wz - y) * m + y) * wz;
    ASSERT_NE(bits(ex), bits((x - y * wx) * m + y * wx));
    ASSERT_NE(bits(ez), bits((z - y * wz) * m + y * wz));
    const std::string control = make_stream(1, 1, 1, {cx, cy, cz, ca});
    const std::string input = make_stream(1, 1, 1, {x, y, z, 0.5});
    expect_controlled({"rv-set-saturation"}, control, input,
                      make_stream(1, 1, 1, {ex, y, ez, 0.5}));
    expect_controlled({"rv-set-saturation", "-w"}, control, input,
                      make_stream(1, 1, 1, {((x / cx - y) * m + y) * cx, y,
                                            ((z / cz - y) * m + y) * cz, 0.5}));
}
