// The sRGB bridge: transfer functions and matrices, checked to the bit against
// published values and against the formulas evaluated one rounding at a time.
#include "colour.h"
#include "harness.h"

#include <cmath>
#include <gtest/gtest.h>

#define EXPECT_BITS(actual, expected) EXPECT_EQ(bits(actual), bits(expected)) << (actual)

// The decoding threshold, where the linear piece ends.
constexpr double decode_knee = 0.040448236277380506;
constexpr double encode_knee = 0.0031306684425217108;

TEST(Colour, DecodeValues)
{
    EXPECT_BITS(srgb_decode(128 / 255.0), 0.21586050011389926);
    EXPECT_BITS(srgb_decode(1.0), 1.0);
    // Both zeros give +0: black is not -0.
    EXPECT_BITS(srgb_decode(0.0), 0.0);
    EXPECT_BITS(srgb_decode(-0.0), 0.0);
    EXPECT_BITS(srgb_decode(0.5), 0.21404114048223255);
    // The knee itself takes the linear piece; the power piece would give
    // 0.0031306684425220707 there.
    EXPECT_BITS(srgb_decode(decode_knee), 0.003130668442521711);
    EXPECT_BITS(srgb_decode(std::nextafter(decode_knee, 1.0)), 0.003130668442522072);
    EXPECT_BITS(srgb_decode(0.01), 0.01 / 12.92);
    // Odd symmetry, also for values outside [0, 1].
    for (double v : {0.001, decode_knee, 0.2, 0.5, 1.0, 1.5, 300.0})
        EXPECT_BITS(srgb_decode(-v), -srgb_decode(v));
    EXPECT_TRUE(std::isnan(srgb_decode(NAN)));
}

TEST(Colour, EncodeValues)
{
    EXPECT_BITS(srgb_encode(1.0), 0.9999999999999999);
    EXPECT_BITS(srgb_encode(0.0), 0.0);
    EXPECT_BITS(srgb_encode(-0.0), 0.0);
    EXPECT_BITS(srgb_encode(0.2158605001138993), 0.5019607843137255);
    EXPECT_BITS(srgb_encode(encode_knee), 0.040448236277380506);
    EXPECT_BITS(srgb_encode(std::nextafter(encode_knee, 1.0)), 0.04044823627737593);
    EXPECT_BITS(srgb_encode(0.001), 0.001 * 12.92);
    for (double v : {0.0001, encode_knee, 0.2, 0.5, 1.0, 2.0, 1e6})
        EXPECT_BITS(srgb_encode(-v), -srgb_encode(v));
    EXPECT_TRUE(std::isnan(srgb_encode(NAN)));
    // Encoding undoes decoding to within rounding over the whole range.
    for (int i = 0; i <= 1000; i++) {
        double v = i / 1000.0;
        EXPECT_NEAR(srgb_encode(srgb_decode(v)), v, 4e-16) << v;
    }
}

// a × p + b × q + c × r with every product and sum rounded on its own, left
// to right, whatever the compiler would otherwise fuse or reorder.
static double row(double a, double p, double b, double q, double c, double r)
{
    volatile double ap = a * p, bq = b * q, cr = c * r;
    volatile double sum = ap + bq;
    return sum + cr;
}

TEST(Colour, Matrices)
{
    // The columns are the published constants themselves.
    Xyz red = rgb_to_xyz(1, 0, 0), green = rgb_to_xyz(0, 1, 0), blue = rgb_to_xyz(0, 0, 1);
    EXPECT_BITS(red.x, 0.4124574455823676);
    EXPECT_BITS(red.y, 0.21267337037840828);
    EXPECT_BITS(red.z, 0.01933394276167346);
    EXPECT_BITS(green.x, 0.3575758652455159);
    EXPECT_BITS(green.y, 0.7151517304910318);
    EXPECT_BITS(green.z, 0.1191919550818386);
    EXPECT_BITS(blue.x, 0.18043724782639967);
    EXPECT_BITS(blue.y, 0.07217489913055987);
    EXPECT_BITS(blue.z, 0.9503028385523717);
    Rgb x = xyz_to_rgb(1, 0, 0), y = xyz_to_rgb(0, 1, 0), z = xyz_to_rgb(0, 0, 1);
    EXPECT_BITS(x.r, 3.2404462546477375);
    EXPECT_BITS(x.g, -0.9692666062446798);
    EXPECT_BITS(x.b, 0.05564350356435283);
    EXPECT_BITS(y.r, -1.5371347618200806);
    EXPECT_BITS(y.g, 1.8760119597883702);
    EXPECT_BITS(y.b, -0.20402617973596024);
    EXPECT_BITS(z.r, -0.4985301930227287);
    EXPECT_BITS(z.g, 0.041556042214430065);
    EXPECT_BITS(z.b, 1.0572265677227033);

    // White: summed right to left, X would be 0.9504705586542832.
    Xyz white = rgb_to_xyz(1, 1, 1);
    EXPECT_BITS(white.x, 0.9504705586542831);
    EXPECT_BITS(white.y, 0.9999999999999999);
    EXPECT_BITS(white.z, 1.0888287363958837);
    double g = 0.21586050011389926;
    Xyz grey = rgb_to_xyz(g, g, g);
    EXPECT_BITS(grey.x, 0.20516905013465075);
    EXPECT_BITS(grey.y, 0.21586050011389923);
    EXPECT_BITS(grey.z, 0.23503511557680049);
    EXPECT_BITS(xyz_to_rgb(grey.x, grey.y, grey.z).r, 0.2158605001138993);

    // Any values: each sum formed left to right, nothing fused.
    uint64_t state = 0x9e3779b97f4a7c15u;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return double(state >> 11) / double(uint64_t(1) << 53) * 4 - 1.5;
    };
    for (int i = 0; i < 20000; i++) {
        double a = next(), b = next(), c = next();
        Xyz v = rgb_to_xyz(a, b, c);
        ASSERT_EQ(bits(v.x), bits(row(a, 0.4124574455823676, b, 0.3575758652455159, c,
                                      0.18043724782639967)));
        ASSERT_EQ(bits(v.y), bits(row(a, 0.21267337037840828, b, 0.7151517304910318, c,
                                      0.07217489913055987)));
        ASSERT_EQ(bits(v.z), bits(row(a, 0.01933394276167346, b, 0.1191919550818386, c,
                                      0.9503028385523717)));
        Rgb w = xyz_to_rgb(a, b, c);
        ASSERT_EQ(bits(w.r), bits(row(a, 3.2404462546477375, b, -1.5371347618200806, c,
                                      -0.4985301930227287)));
        ASSERT_EQ(bits(w.g), bits(row(a, -0.9692666062446798, b, 1.8760119597883702, c,
                                      0.041556042214430065)));
        ASSERT_EQ(bits(w.b), bits(row(a, 0.05564350356435283, b, -0.20402617973596024, c,
                                      1.0572265677227033)));
        // The two matrices are inverse to each other.
        Xyz back = rgb_to_xyz(w.r, w.g, w.b);
        ASSERT_NEAR(back.x, a, 1e-14);
        ASSERT_NEAR(back.y, b, 1e-14);
        ASSERT_NEAR(back.z, c, 1e-14);
    }
}
