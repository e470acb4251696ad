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

// The command line of rv-translate, the flags first when given, with the
// given offsets written to the translation stream "t".
struct Translate : ::testing::Test {
    TempDir dir;
    std::vector<std::string> translate(const std::vector<std::pair<double, double>> &xy,
                                       const char *flags = nullptr)
    {
        const std::string t = dir.file("t");
        write_file(t, offsets(xy));
        if (flags)
            return {"rv-translate", flags, t};
        return {"rv-translate", t};
    }
};

TEST_F(Translate, ByOnePixel)
{
    const std::string in = labelled(1, 3, 3);
    for (auto [dx, dy] : {std::pair<long long, long long>{0, 0}, {1, 0}, {-1, 0}, {0, 1},
                          {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}}) {
        expect_output(translate({{double(dx), double(dy)}}), in,
                      mapped(1, 3, 3, filled(3, 3, {{dx, dy}})));
        expect_output(translate({{double(dx), double(dy)}}, "-w"), in,
                      mapped(1, 3, 3, wrapped(3, 3, {{dx, dy}})));
    }
    // dy = 1 on rows R0, R1, R2: a zero row, R0, R1.
    expect_output(translate({{0, 1}}), labelled(1, 1, 3),
                  stream_head(1, 1, 3) + std::string(32, '\0') + doubles(label(0, 0, 0)) +
                      doubles(label(0, 0, 1)));
    // -p negates: X = 1 acts as X = -1.
    expect_output(translate({{1, -1}}, "-p"), in, mapped(1, 3, 3, filled(3, 3, {{-1, 1}})));
    expect_output(translate({{1, 2}}, "-wp"), in, mapped(1, 3, 3, wrapped(3, 3, {{-1, -2}})));
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
    std::string expected = stream_head(5, 7, 5);
    for (size_t f = 0; f < 5; f++)
        expected += mapped_pixels(1, 7, 5, [&](size_t, size_t x, size_t y) {
            return filled(7, 5, {d[f]})(0, x, y);
        });
    expect_output(translate(xy), inputs, expected);
}

TEST_F(Translate, WholeFrameOffsets)
{
    const std::string in = labelled(2, 3, 2);
    const std::string zeros = stream_head(2, 3, 2) + std::string(2 * 6 * 32, '\0');
    // dx = W wraps to the frame itself, and without -w leaves only zeros.
    expect_output(translate({{3, 0}}, "-w"), in, in);
    expect_output(translate({{3, 0}}), in, zeros);
    expect_output(translate({{0, -2}}), in, zeros);

    // NaN means no shift; offsets beyond 64 bits saturate.
    expect_output(translate({{NAN, -NAN}}), in, in);
    expect_output(translate({{NAN, 1}}, "-w"), in, mapped(2, 3, 2, wrapped(3, 2, {{0, 1}})));
    for (auto [x, y] : {std::pair<double, double>{1e300, 0}, {-1e300, 0}, {0, INFINITY},
                        {0, -INFINITY}, {-9223372036854775808.0, 0}})
        expect_output(translate({{x, y}}), in, zeros);
    // Saturated offsets wrap as the ends of the 64-bit range: 2^63 - 1 and
    // -2^63 modulo 3 and 2.
    const __int128 hi = INT64_MAX, lo = INT64_MIN;
    const long long hx = (long long)(hi % 3), hy = (long long)(hi % 2);
    const long long lx = (long long)((lo % 3 + 3) % 3), ly = (long long)((lo % 2 + 2) % 2);
    expect_output(translate({{1e300, 1e300}, {-1e300, -INFINITY}}, "-w"), in,
                  mapped(2, 3, 2, wrapped(3, 2, {{hx, hy}, {lx, ly}})));
    expect_output(translate({{-1e300, -1e300}}, "-wp"), in,
                  mapped(2, 3, 2, wrapped(3, 2, {{hx, hy}})));
}

TEST_F(Translate, TranslationStreamLength)
{
    const std::string in = labelled(5, 3, 2);
    // Two offsets for five frames: the second stays in force.
    expect_output(translate({{1, 0}, {0, -1}}), in,
                  mapped(5, 3, 2, filled(3, 2, {{1, 0}, {0, -1}})));
    expect_output(translate({{1, 0}, {-1, 1}}, "-w"), in,
                  mapped(5, 3, 2, wrapped(3, 2, {{1, 0}, {-1, 1}})));
    // No offsets at all: every frame unchanged.
    expect_output(translate({}, "-w"), in, in);
    expect_output(translate({}, "-p"), in, in);
    // A trailing partial pixel of the translation stream is no offset.
    std::string t = offsets({{1, 0}, {2, 0}});
    t.resize(t.size() - 1);
    write_file(dir.file("t"), t);
    expect_output({"rv-translate", dir.file("t")}, in, mapped(5, 3, 2, filled(3, 2, {{1, 0}})));
}

TEST_F(Translate, Failures)
{
    const std::string in = labelled(2, 3, 2);
    const std::string t = translate({{1, 0}}).back();
    const std::string use = "usage: rv-translate [-wp] translation-stream\n";
    // The filling way reads rows: an input ending between two rows is short,
    // one ending inside a row an incomplete frame.
    std::string short_row = in, cut = in;
    short_row.resize(in.size() - 3 * 32);
    cut.resize(in.size() - 3 * 32 - 1);
    write_file(dir.file("big"), make_stream(1, 1, 2, std::vector<double>(8, 0.0)));
    const struct {
        std::vector<std::string> argv;
        std::string input, message;
    } cases[] = {
        {{"rv-translate"}, in, use},
        {{"rv-translate", t, t}, in, use},
        {{"rv-translate", "-x", t}, in, use},
        {{"rv-translate", dir.file("big")}, in,
         "rv-translate: translation-stream does not have 1x1 geometry\n"},
        {{"rv-translate", dir.file("none")}, in,
         "rv-translate: open " + dir.file("none") + ": No such file or directory\n"},
        {{"rv-translate", t}, short_row, "rv-translate: <stdin>: file is shorter than expected\n"},
        {{"rv-translate", t}, cut, "rv-translate: <stdin>: incomplete frame\n"},
        {{"rv-translate", "-w", t}, cut, "rv-translate: <stdin>: incomplete frame\n"},
    };
    // Refused before the head: nothing is written.
    for (const auto &c : cases) {
        const RunResult r = expect_failure(c.argv, c.input, c.message);
        if (c.input == in) {
            EXPECT_EQ(r.out, "") << command_line(c.argv);
        }
    }
}
