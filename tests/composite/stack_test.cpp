#include "control.h"

#include <cmath>
#include <optional>
#include <gtest/gtest.h>

// Runs rv-stack over streams written to files, which succeeds with the
// output `expected`, or when none is given, an output for the caller to check.
static RunResult stack(const std::vector<std::string> &flags,
                       const std::vector<std::string> &streams,
                       const std::optional<std::string> &expected = {},
                       std::source_location loc = std::source_location::current())
{
    TempDir dir;
    std::vector<std::string> argv = {"rv-stack"};
    argv.insert(argv.end(), flags.begin(), flags.end());
    for (size_t i = 0; i < streams.size(); i++) {
        std::string path = dir.file(std::to_string(i));
        write_file(path, streams[i]);
        argv.push_back(path);
    }
    return expected ? expect_output(argv, "", *expected, loc) : expect_success(argv, "", loc);
}

static std::string pixel(double x, double y, double z, double a)
{
    return make_stream(1, 1, 1, {x, y, z, a});
}

TEST(Stack, LayersCoverByAlpha)
{
    const std::string bottom = pixel(4, 8, 12, 1);
    // Opaque top: only the top shows; transparent top: only the bottom.
    stack({}, {bottom, pixel(1, 2, 3, 1)}, pixel(1, 2, 3, 1));
    stack({}, {bottom, pixel(7, 7, 7, 0)}, bottom);
    // A quarter-covering top: 0.75 bottom + 0.25 top, opaque.
    stack({}, {bottom, pixel(8, 16, 0, 0.25)}, pixel(5, 10, 9, 1));
    // And a half-covering third layer over that.
    stack({"--"}, {bottom, pixel(8, 16, 0, 0.25), pixel(1, 2, 3, 0.5)}, pixel(3, 6, 6, 1));
    // Below a translucent running result the colour is weighted by its alpha
    // and not divided again: (2 * 0.5) * 0.5 + 4 * 0.5, alpha 0.25 + 0.5.
    stack({}, {pixel(2, 2, 2, 0.5), pixel(4, 4, 4, 0.5)}, pixel(2.5, 2.5, 2.5, 0.75));
}

TEST(Stack, BlendGivesEqualShares)
{
    stack({"-b"}, {pixel(1, 2, 3, 1), pixel(4, 5, 6, 1)}, pixel(2.5, 3.5, 4.5, 1));

    // Three opaque layers: the second covers a half, the third a third.
    const double a[] = {3, 6, 9.5}, b[] = {6, 12, 0.25}, c[] = {9, 0.1, 3};
    RunResult r = stack({"-bb"}, {pixel(a[0], a[1], a[2], 1), pixel(b[0], b[1], b[2], 1),
                                  pixel(c[0], c[1], c[2], 1)});
    std::vector<double> out = to_doubles(r.out, stream_head(1, 1, 1).size());
    ASSERT_EQ(out.size(), 4u);
    for (int i = 0; i < 3; i++) {
        double half = a[i] * 0.5 + b[i] * 0.5;
        EXPECT_EQ(bits(out[i]), bits(half * (1 - 1.0 / 3) + c[i] * (1.0 / 3)));
        EXPECT_NEAR(out[i], (a[i] + b[i] + c[i]) / 3, 1e-15);
    }
    EXPECT_EQ(out[3], 1);

    // A translucent layer shares by its alpha: x = 0.5 / 2.
    stack({"-b"}, {pixel(4, 8, 12, 1), pixel(8, 16, 0, 0.5)}, pixel(5, 10, 9, 1));
}

TEST(Stack, StreamsOfDifferentLengths)
{
    // Frames 2, 1 and 3: the head shows 3, each frame is made of the streams
    // still running, and the last frame is the longest stream's own.
    const std::string s0 = make_stream(2, 1, 1, {1, 1, 1, 1, 2, 2, 2, 1});
    const std::string s1 = make_stream(1, 1, 1, {3, 3, 3, 0.5});
    const std::string s2 =
        make_stream(3, 1, 1, {5, 5, 5, 0.75, 6, 6, 6, 0.75, 7, 7, 7, 0.75});
    stack({}, {s0, s1, s2},
          make_stream(3, 1, 1, {4.25, 4.25, 4.25, 1, 5, 5, 5, 1, 7, 7, 7, 0.75}));

    // Blended: after the middle stream ends, the top one moves down to
    // position 1 and covers by alpha / 2.
    stack({"-b"}, {s0, s1, s2},
          make_stream(3, 1, 1, {2.375, 2.375, 2.375, 1, 3.5, 3.5, 3.5, 1, 7, 7, 7, 0.75}));

    // The bottom ends first: the next stream up becomes the bottom.
    const std::string t1 = make_stream(2, 1, 1, {0, 0, 0, 1, 4, 4, 4, 1});
    const std::string t2 = make_stream(2, 1, 1, {0, 0, 0, 1, 8, 8, 8, 0.5});
    RunResult r = stack({"-b"}, {pixel(9, 9, 9, 1), t1, t2});
    std::vector<double> out = to_doubles(r.out, stream_head(2, 1, 1).size());
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(std::vector<double>(out.begin() + 4, out.end()), (std::vector<double>{5, 5, 5, 1}));
    EXPECT_EQ(r.out.substr(0, stream_head(2, 1, 1).size()), stream_head(2, 1, 1));

    // A stream of unknown length (count 0) makes the output's length unknown.
    stack({}, {make_stream(0, 1, 1, {1, 1, 1, 1}), s0},
          make_stream(0, 1, 1, {1, 1, 1, 1, 2, 2, 2, 1}));
}

TEST(Stack, Refusals)
{
    expect_usage("usage: rv-stack [-b] bottom-stream ... top-stream\n",
                 {{"rv-stack"}, {"rv-stack", "-b", "a"}, {"rv-stack", "a"},
                  {"rv-stack", "-x", "a", "b"}, {"rv-stack", "-bx", "a", "b"}});
    TempDir dir;
    write_file(dir.file("one"), pixel(1, 1, 1, 1));
    write_file(dir.file("wide"), make_stream(1, 2, 1, {1, 1, 1, 1, 1, 1, 1, 1}));
    expect_failure({"rv-stack", dir.file("one"), dir.file("wide")}, "",
                   "rv-stack: videos do not have the same geometry\n");
    // Standard input only where it is named.
    expect_failure({"rv-stack", "-", "/dev/stdin"}, pixel(1, 1, 1, 1),
                   "rv-stack: /dev/stdin: file format not supported\n");
}

TEST(Stack, OperationsInTheWrittenOrder)
{
    // (K A)(1 - x) + Ki x and A(1 - x) + x, with x = ai or, blended, ai / 2:
    // grouping K (A (1 - x)) instead rounds differently for these samples.
    const double k[] = {0.18, 0.57, 0.93}, a = 0.34, t[] = {0.07, 0.41, 0.66}, ai = 0.26;
    for (bool blend : {false, true}) {
        const double x = blend ? ai / 2 : ai;
        ASSERT_NE(bits(k[0] * a * (1 - x) + t[0] * x), bits(k[0] * (a * (1 - x)) + t[0] * x));
        stack(blend ? std::vector<std::string>{"-b"} : std::vector<std::string>{},
              {pixel(k[0], k[1], k[2], a), pixel(t[0], t[1], t[2], ai)},
              pixel(k[0] * a * (1 - x) + t[0] * x, k[1] * a * (1 - x) + t[1] * x,
                    k[2] * a * (1 - x) + t[2] * x, a * (1 - x) + x));
    }
}
