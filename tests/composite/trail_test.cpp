#include "control.h"

#include <gtest/gtest.h>
#include <limits>

// Three opaque frames of two pixels.
static const std::vector<double> input = {4, 8, 12, 1, 1, 2, 3, 1, 8, 0, 4, 1,
                                          5, 6, 7, 1, 0, 16, 8, 1, 9, 10, 11, 1};

// An alpha stream of three frames of two pixels, all of one Y and alpha.
static std::string coverage(size_t frames, double y, double a)
{
    std::vector<double> v;
    for (size_t i = 0; i < frames * 2; i++)
        v.insert(v.end(), {7, y, 7, a});
    return make_stream(frames, 2, 1, v);
}

static void expect_trail(const std::string &alpha, const std::string &in,
                         const std::string &expected,
                         std::source_location loc = std::source_location::current())
{
    expect_controlled({"rv-trail"}, alpha, in, expected, loc);
}

TEST(Trail, BlendsEachFrameOverTheLastOutput)
{
    // Full coverage reproduces the input.
    expect_trail(coverage(3, 1, 1), make_stream(3, 2, 1, input), make_stream(3, 2, 1, input));

    // No coverage, by Y or by alpha: the first frame stays.
    std::vector<double> first(input.begin(), input.begin() + 8);
    std::vector<double> still = first;
    still.insert(still.end(), first.begin(), first.end());
    still.insert(still.end(), first.begin(), first.end());
    expect_trail(coverage(3, 0, 1), make_stream(3, 2, 1, input), make_stream(3, 2, 1, still));
    expect_trail(coverage(3, 1, 0), make_stream(3, 2, 1, input), make_stream(3, 2, 1, still));

    // Half coverage: frame 1 = f0/2 + f1/2, frame 2 = f0/4 + f1/4 + f2/2.
    // The alpha stream's first frame plays no part.
    std::string alpha = coverage(3, 0.5, 1);
    const std::string nan_frame = coverage(1, std::numeric_limits<double>::quiet_NaN(), 1);
    alpha.replace(stream_head(3, 2, 1).size(), 64, nan_frame.substr(stream_head(1, 2, 1).size()));
    std::vector<double> expected(input.begin(), input.begin() + 8);
    for (size_t i = 0; i < 8; i++)
        expected.push_back(i % 4 == 3 ? 1 : input[i] / 2 + input[8 + i] / 2);
    for (size_t i = 0; i < 8; i++)
        expected.push_back(i % 4 == 3 ? 1
                                      : input[i] / 4 + input[8 + i] / 4 + input[16 + i] / 2);
    expect_trail(alpha, make_stream(3, 2, 1, input), make_stream(3, 2, 1, expected));
}

TEST(Trail, TranslucentFrames)
{
    // Coverage is the frame's alpha times the alpha pixel's Y and alpha; the
    // composite keeps (1 - b) of its own alpha and is not divided by it.
    const std::string in = make_stream(2, 1, 1, {4, 8, 16, 0.5, 2, 2, 2, 0.5});
    // b = 0.5 * 0.5 * 0.5 = 0.125; r = 0.875 * 0.5 = 0.4375.
    expect_trail(make_stream(2, 1, 1, {0, 0, 0, 0, 0, 0.5, 0, 0.5}), in,
                 make_stream(2, 1, 1,
                             {4, 8, 16, 0.5, 0.4375 * 4 + 0.25, 0.4375 * 8 + 0.25,
                              0.4375 * 16 + 0.25, 0.5625}));
}

TEST(Trail, ShortAlphaStreamAndRefusals)
{
    // The alpha stream ends after two frames: the third passes unchanged.
    std::vector<double> expected(input.begin(), input.begin() + 8);
    expected.insert(expected.end(), input.begin(), input.begin() + 8);
    expected.insert(expected.end(), input.begin() + 16, input.end());
    expect_trail(coverage(2, 0, 1), make_stream(3, 2, 1, input), make_stream(3, 2, 1, expected));

    expect_usage("usage: rv-trail alpha-stream\n",
                 {{"rv-trail"}, {"rv-trail", "a", "b"}, {"rv-trail", "-r", "a"}});
    // Geometry is checked before the head is printed.
    TempDir dir;
    write_file(dir.file("alpha"), coverage(1, 1, 1));
    EXPECT_EQ(expect_failure({"rv-trail", dir.file("alpha")},
                             make_stream(1, 1, 2, {1, 1, 1, 1, 1, 1, 1, 1}),
                             "rv-trail: videos do not have the same geometry\n")
                  .out,
              "");
    std::string cut = make_stream(3, 2, 1, input);
    cut.resize(cut.size() - 8);
    write_file(dir.file("alpha"), coverage(3, 1, 1));
    expect_failure({"rv-trail", dir.file("alpha")}, cut, "rv-trail: <stdin>: incomplete frame\n");
}

TEST(Trail, OperationsInTheWrittenOrder)
{
    // b = (F.alpha M.Y) M.alpha, r = (1 - b) O.alpha, O = r O + b F: other
    // orders round differently for these samples.
    const double o[] = {0.34, 0.21, 0.62, 0.17}, f[] = {0.48, 0.93, 0.11, 0.79};
    const double my = 0.49, ma = 0.46;
    const double b = f[3] * my * ma, r = (1 - b) * o[3];
    ASSERT_NE(bits(b), bits(f[3] * (my * ma)));
    ASSERT_NE(bits(r * o[0] + b * f[0]), bits((1 - b) * (o[3] * o[0]) + b * f[0]));
    expect_trail(make_stream(2, 1, 1, {1, 1, 1, 1, 0.5, my, 0.5, ma}),
                 make_stream(2, 1, 1, {o[0], o[1], o[2], o[3], f[0], f[1], f[2], f[3]}),
                 make_stream(2, 1, 1,
                             {o[0], o[1], o[2], o[3], r * o[0] + b * f[0], r * o[1] + b * f[1],
                              r * o[2] + b * f[2], b + r}));
}
