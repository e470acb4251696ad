#include "frames.h"

#include <cmath>
#include <gtest/gtest.h>

// A translation stream of 1 x 1 frames with the given X and Y values.
static std::string offsets(const std::vector<std::pair<double, double>> &xy)
{
    std::string s = stream_head(xy.size(), 1, 1);
    for (auto [x, y] : xy)
        s += doubles({x, y, 7.0, 0.5});
    return s;
}

// Output pixel (x, y) shown from input (x - dx, y - dy), or zero outside.
static SourceMap filled(size_t w, size_t h, const std::vector<std::pair<long long, long long>> &d)
{
    return [=](size_t f, size_t x, size_t y) -> Source {
        auto [dx, dy] = d[std::min(f, d.size() - 1)];
        long long sx = (long long)x - dx, sy = (long long)y - dy;
        if (sx < 0 || sy < 0 || sx >= (long long)w || sy >= (long long)h)
            return {};
        return {{sx, sy}};
    };
}

static SourceMap wrapped(size_t w, size_t h, const std::vector<std::pair<long long, long long>> &d)
{
    return [=](size_t f, size_t x, size_t y) -> Source {
        auto [dx, dy] = d[std::min(f, d.size() - 1)];
        return {{modulo((long long)x - dx, w), modulo((long long)y - dy, h)}};
    };
}

struct Translate : ::testing::Test {
    TempDir dir;
    RunResult translate(const std::vector<std::pair<double, double>> &xy,
                        const std::string &in, const char *flags = nullptr)
    {
        write_file(dir.file("t"), offsets(xy));
        std::vector<std::string> argv = {"rv-translate"};
        if (flags)
            argv.push_back(flags);
        argv.push_back(dir.file("t"));
        return run(argv, in);
    }
};

TEST_F(Translate, ByOnePixel)
{
    const std::string in = labelled(1, 3, 3);
    for (auto [dx, dy] : {std::pair<long long, long long>{0, 0}, {1, 0}, {-1, 0}, {0, 1},
                          {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}}) {
        RunResult r = translate({{double(dx), double(dy)}}, in);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, mapped(1, 3, 3, filled(3, 3, {{dx, dy}}))) << dx << "," << dy;
        r = translate({{double(dx), double(dy)}}, in, "-w");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, mapped(1, 3, 3, wrapped(3, 3, {{dx, dy}}))) << dx << "," << dy << " -w";
    }
    // dy = 1 on rows R0, R1, R2: a zero row, R0, R1.
    RunResult r = translate({{0, 1}}, labelled(1, 1, 3));
    EXPECT_EQ(r.out, stream_head(1, 1, 3) + std::string(32, '\0') + doubles(label(0, 0, 0)) +
                         doubles(label(0, 0, 1)));
    // -p negates: X = 1 acts as X = -1.
    r = translate({{1, -1}}, in, "-p");
    EXPECT_EQ(r.out, mapped(1, 3, 3, filled(3, 3, {{-1, 1}})));
    r = translate({{1, 2}}, in, "-wp");
    EXPECT_EQ(r.out, mapped(1, 3, 3, wrapped(3, 3, {{-1, -2}})));
}

TEST_F(Translate, Rounding)
{
    const std::string in = labelled(1, 7, 5);
    const std::vector<std::pair<double, double>> xy = {
        {1.5, 0.49}, {-1.5, -0.5}, {0.49, 1.5}, {-0.49, -1.5}, {2.5, 0.5}};
    std::string pixels(in.begin() + stream_head(1, 7, 5).size(), in.end());
    std::string inputs = stream_head(5, 7, 5);
    for (int i = 0; i < 5; i++)
        inputs += pixels;
    // Every input frame is labelled frame 0; halves go away from zero.
    const std::vector<std::pair<long long, long long>> d = {{2, 0}, {-2, -1}, {0, 2}, {0, -2},
                                                            {3, 1}};
    RunResult r = translate(xy, inputs);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected = stream_head(5, 7, 5);
    for (size_t f = 0; f < 5; f++)
        expected += mapped_pixels(1, 7, 5, [&](size_t, size_t x, size_t y) {
            return filled(7, 5, {d[f]})(0, x, y);
        });
    EXPECT_EQ(r.out, expected);
}

TEST_F(Translate, WholeFrameOffsets)
{
    const std::string in = labelled(2, 3, 2);
    // dx = W wraps to the frame itself, and without -w leaves only zeros.
    RunResult r = translate({{3, 0}}, in, "-w");
    EXPECT_EQ(r.out, in);
    r = translate({{3, 0}}, in);
    EXPECT_EQ(r.out, stream_head(2, 3, 2) + std::string(2 * 6 * 32, '\0'));
    r = translate({{0, -2}}, in);
    EXPECT_EQ(r.out, stream_head(2, 3, 2) + std::string(2 * 6 * 32, '\0'));

    // NaN means no shift; offsets beyond 64 bits saturate.
    r = translate({{NAN, -NAN}}, in);
    EXPECT_EQ(r.out, in);
    r = translate({{NAN, 1}}, in, "-w");
    EXPECT_EQ(r.out, mapped(2, 3, 2, wrapped(3, 2, {{0, 1}})));
    for (auto [x, y] : {std::pair<double, double>{1e300, 0}, {-1e300, 0}, {0, INFINITY},
                        {0, -INFINITY}, {-9223372036854775808.0, 0}}) {
        r = translate({{x, y}}, in);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, stream_head(2, 3, 2) + std::string(2 * 6 * 32, '\0')) << x << "," << y;
    }
    // Saturated offsets wrap as the ends of the 64-bit range: 2^63 - 1 and
    // -2^63 modulo 3 and 2.
    const __int128 hi = INT64_MAX, lo = INT64_MIN;
    const long long hx = (long long)(hi % 3), hy = (long long)(hi % 2);
    const long long lx = (long long)((lo % 3 + 3) % 3), ly = (long long)((lo % 2 + 2) % 2);
    r = translate({{1e300, 1e300}, {-1e300, -INFINITY}}, in, "-w");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(2, 3, 2, wrapped(3, 2, {{hx, hy}, {lx, ly}})));
    r = translate({{-1e300, -1e300}}, in, "-wp");
    EXPECT_EQ(r.out, mapped(2, 3, 2, wrapped(3, 2, {{hx, hy}})));
}

TEST_F(Translate, TranslationStreamLength)
{
    const std::string in = labelled(5, 3, 2);
    // Two offsets for five frames: the second stays in force.
    RunResult r = translate({{1, 0}, {0, -1}}, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(5, 3, 2, filled(3, 2, {{1, 0}, {0, -1}})));
    r = translate({{1, 0}, {-1, 1}}, in, "-w");
    EXPECT_EQ(r.out, mapped(5, 3, 2, wrapped(3, 2, {{1, 0}, {-1, 1}})));
    // No offsets at all: every frame unchanged.
    for (const char *flag : {"-w", "-p"}) {
        r = translate({}, in, flag);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, in);
    }
    // A trailing partial pixel of the translation stream is no offset.
    std::string t = offsets({{1, 0}, {2, 0}});
    t.resize(t.size() - 1);
    write_file(dir.file("t"), t);
    r = run({"rv-translate", dir.file("t")}, in);
    EXPECT_EQ(r.out, mapped(5, 3, 2, filled(3, 2, {{1, 0}})));
}

TEST_F(Translate, Failures)
{
    const std::string in = labelled(2, 3, 2);
    const std::string use = "usage: rv-translate [-wp] translation-stream\n";
    write_file(dir.file("t"), offsets({{1, 0}}));
    for (std::vector<std::string> argv : {
             std::vector<std::string>{"rv-translate"},
             {"rv-translate", dir.file("t"), dir.file("t")},
             {"rv-translate", "-x", dir.file("t")},
         }) {
        RunResult r = run(argv, in);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, use);
    }

    write_file(dir.file("big"), make_stream(1, 1, 2, std::vector<double>(8, 0.0)));
    RunResult r = run({"rv-translate", dir.file("big")}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-translate: translation-stream does not have 1x1 geometry\n");
    EXPECT_EQ(r.out, "");

    r = run({"rv-translate", dir.file("none")}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-translate: open " + dir.file("none") + ": No such file or directory\n");

    // The filling way reads rows: an input ending between two rows is short,
    // one ending inside a row an incomplete frame.
    std::string cut = labelled(2, 3, 2);
    cut.resize(cut.size() - 3 * 32);
    r = run({"rv-translate", dir.file("t")}, cut);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-translate: <stdin>: file is shorter than expected\n");
    cut.resize(cut.size() - 1);
    r = run({"rv-translate", dir.file("t")}, cut);
    EXPECT_EQ(r.err, "rv-translate: <stdin>: incomplete frame\n");
    r = run({"rv-translate", "-w", dir.file("t")}, cut);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-translate: <stdin>: incomplete frame\n");
}
