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

TEST(Colour, TransferValues)
{
    const struct {
        double (*transfer)(double);
        double value, expected;
    } cases[] = {
        {srgb_decode, 128 / 255.0, 0.21586050011389926},
        {srgb_decode, 1.0, 1.0},
        {srgb_decode, 0.5, 0.21404114048223255},
        // The knee itself takes the linear piece; the power piece would give
        // 0.0031306684425220707 there.
        {srgb_decode, decode_knee, 0.003130668442521711},
        {srgb_decode, std::nextafter(decode_knee, 1.0), 0.003130668442522072},
        {srgb_decode, 0.01, 0.01 / 12.92},
        {srgb_encode, 1.0, 0.9999999999999999},
        {srgb_encode, 0.2158605001138993, 0.5019607843137255},
        {srgb_encode, encode_knee, 0.040448236277380506},
        {srgb_encode, std::nextafter(encode_knee, 1.0), 0.04044823627737593},
        {srgb_encode, 0.001, 0.001 * 12.92},
    };
    for (const auto &c : cases)
        EXPECT_BITS(c.transfer(c.value), c.expected);
    // Both zeros give +0: black is not -0.  NaN stays NaN.
    for (auto transfer : {srgb_decode, srgb_encode}) {
        EXPECT_BITS(transfer(0.0), 0.0);
        EXPECT_BITS(transfer(-0.0), 0.0);
        EXPECT_TRUE(std::isnan(transfer(NAN)));
    }
    // Odd symmetry, also for values outside [0, 1].
    for (double v : {0.001, decode_knee, 0.2, 0.5, 1.0, 1.5, 300.0})
        EXPECT_BITS(srgb_decode(-v), -srgb_decode(v));
    for (double v : {0.0001, encode_knee, 0.2, 0.5, 1.0, 2.0, 1e6})
        EXPECT_BITS(srgb_encode(-v), -srgb_encode(v));
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

// Samples at video levels: A, Y, U, V.
static Ayuv samples(unsigned a, unsigned y, unsigned u, unsigned v)
{
    return Ayuv{uint16_t(a), uint16_t(y), uint16_t(u), uint16_t(v)};
}

TEST(Colour, VideoLevels)
{
    // Black, white and the grey of encoded 0.5 are what the sRGB bridge gives
    // for linear 0, 1 and the decoded 0.5, bit for bit.
    const double g = srgb_decode(0.5);
    struct Card {
        unsigned luma;
        Xyz xyz;
    };
    for (Card card : {Card{4096, rgb_to_xyz(0, 0, 0)}, Card{60160, rgb_to_xyz(1, 1, 1)},
                      Card{4096 + 56064 / 2, rgb_to_xyz(g, g, g)}}) {
        Pixel p = yuv_to_xyz(samples(65535, card.luma, 32768, 32768), false);
        EXPECT_BITS(p.x, card.xyz.x);
        EXPECT_BITS(p.y, card.xyz.y);
        EXPECT_BITS(p.z, card.xyz.z);
        EXPECT_BITS(p.a, 1.0);
    }
    // The fast matrix has no transfer function, but agrees at white.
    Pixel fast = yuv_to_xyz(samples(0, 60160, 32768, 32768), true);
    EXPECT_NEAR(fast.x, 0.9504705586542831, 1e-15);
    EXPECT_NEAR(fast.y, 1.0, 1e-15);
    EXPECT_NEAR(fast.z, 1.0888287363958837, 1e-15);
    EXPECT_BITS(fast.a, 1.0);
    // Chroma 61440 is half a unit: with black luma, the encoded values are
    // half the matrix's chroma column, which halving gives exactly.
    Pixel blue = yuv_to_xyz(samples(65535, 4096, 61440, 32768), false);
    Xyz want = rgb_to_xyz(srgb_decode(0.5 * 0.000283280104858212),
                          srgb_decode(0.5 * -0.3963088666949721),
                          srgb_decode(0.5 * 2.039900035075413));
    EXPECT_BITS(blue.x, want.x);
    EXPECT_BITS(blue.y, want.y);
    EXPECT_BITS(blue.z, want.z);
    // Above white and below black nothing is clamped.
    EXPECT_GT(yuv_to_xyz(samples(65535, 65535, 32768, 32768), false).y, 1.2);
    EXPECT_LT(yuv_to_xyz(samples(65535, 0, 32768, 32768), false).y, 0);

    // White and black come back as the same samples; alpha is truncated.
    EXPECT_EQ(xyz_to_yuv(Pixel{0, 0, 0, 0.5}, false).a, 32767);
    for (bool fast : {false, true}) {
        Ayuv black = xyz_to_yuv(Pixel{0, 0, 0, 1}, fast);
        EXPECT_EQ(black.y, 4096);
        EXPECT_EQ(black.u, 32768);
        EXPECT_EQ(black.v, 32768);
    }
}

// Every luma sample between black and white, with chroma on a grid, comes
// back through XYZ at most one step lower (the samples are truncated), in both
// modes.
TEST(Colour, VideoRoundTrip)
{
    for (bool fast : {false, true})
        for (unsigned u = 4096; u <= 61440; u += 7168)
            for (unsigned v = 4096; v <= 61440; v += 7168)
                for (unsigned y = 4096; y <= 60160; y += (u == 32768 && v == 32768 ? 1 : 97)) {
                    Ayuv out = xyz_to_yuv(yuv_to_xyz(samples(65535, y, u, v), fast), fast);
                    auto near = [](int a, int b) { return a - b <= 1 && b - a <= 1; };
                    ASSERT_TRUE(out.a == 65535 && near(out.y, y) && near(out.u, u) &&
                                near(out.v, v))
                        << fast << " " << y << " " << u << " " << v;
                }
}

// The cache gives what converting gives, also for keys that share a slot, and
// converts a run of equal pixels once.
TEST(Colour, ConversionCache)
{
    static ConversionCache<8, Pixel> cache;
    size_t conversions = 0;
    auto convert = [&conversions](const unsigned char *p) {
        conversions++;
        return yuv_to_xyz(load_ayuv(p), false);
    };
    cache_start(cache, convert);
    EXPECT_EQ(conversions, 1u);
    uint64_t state = 12345;
    for (int i = 0; i < 200000; i++) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        // Few distinct values, so that keys repeat and collide.
        unsigned char key[8];
        for (int k = 0; k < 8; k++)
            key[k] = (state >> (40 + k)) & 3 ? 0 : uint8_t(state >> (8 * k));
        Pixel want = yuv_to_xyz(load_ayuv(key), false);
        Pixel got = cache_convert(cache, key, convert);
        ASSERT_EQ(memcmp(&got, &want, sizeof got), 0) << i;
    }
    unsigned char same[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    conversions = 0;
    for (int i = 0; i < 100; i++)
        cache_convert(cache, same, convert);
    EXPECT_EQ(conversions, 1u);
}
