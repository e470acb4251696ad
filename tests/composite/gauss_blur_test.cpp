#include "harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double nan_ = std::numeric_limits<double>::quiet_NaN();
const double inf_ = std::numeric_limits<double>::infinity();

struct Options {
    bool a = false, c = false, h = false, v = false, y = false, autor = false;
    uint64_t spread = 0; // 0: whole line
};

// A way of calling the blur and what it means to the models.
struct Mode {
    std::vector<std::string> args;
    Options o;
};

const Mode plain{{}, {}}, autor{{"-s", "auto"}, {.autor = true}};

// rv-gauss-blur [-j jobs] args... sd
std::vector<std::string> blur_command(const std::vector<std::string> &args, const std::string &sd,
                                      const char *jobs = nullptr)
{
    std::vector<std::string> argv{"rv-gauss-blur"};
    if (jobs)
        argv.insert(argv.end(), {"-j", jobs});
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(sd);
    return argv;
}

// What both models share: the colour weighted by alpha (unless -a), with -c
// the chroma against the white point; a horizontal and a vertical pass (or the
// one asked for); the chroma back to X and Z, the colour divided by the blurred
// alpha.  In a pass every source pixel p at position x of a line of length len,
// with the deviations s of which blur[k] tells the n channels to blur, stays
// where it is when there is nothing to blur (deviation alpha 0, or n = 0); else
// its other channels stay and scatter(p, s, blur, n, x, len, add) spreads the
// blurred ones by add(j, k, value) into target j of the line.
template <typename Scatter>
std::vector<double> blur_model(std::vector<double> in, const std::vector<double> &sd, size_t w,
                               size_t h, Options o, const Scatter &scatter)
{
    const double xn = 0.9504705586542831, zn = 1.0888287363958842;
    if (!o.h && !o.v)
        o.h = o.v = true;
    const size_t count = w * h;
    for (size_t i = 0; i < count; i++) {
        double *p = &in[4 * i];
        if (!o.a)
            p[0] *= p[3], p[1] *= p[3], p[2] *= p[3];
        if (o.c)
            p[0] = p[0] / xn - p[1], p[2] = p[2] / zn - p[1];
    }
    std::vector<double> out(4 * count, 0.0);
    auto pass = [&](bool horizontal) {
        std::fill(out.begin(), out.end(), 0.0);
        const size_t lines = horizontal ? h : w, len = horizontal ? w : h;
        for (size_t line = 0; line < lines; line++)
            for (size_t x = 0; x < len; x++) {
                auto add = [&](size_t j, int k, double v) {
                    out[4 * (horizontal ? line * w + j : j * w + line) + k] += v;
                };
                const size_t i = 4 * (horizontal ? line * w + x : x * w + line);
                const double *p = &in[i], *q = &sd[i];
                double s[3];
                bool blur[3];
                unsigned n = 0;
                for (int k = 0; k < 3; k++) {
                    s[k] = (o.y || o.c ? q[1] : q[k]) * q[3];
                    n += blur[k] = s[k] > 0 && !(o.c && k == 1);
                }
                for (int k = 0; k < 4; k++)
                    if (q[3] == 0 || n == 0 || (k < 3 && !blur[k]))
                        add(x, k, p[k]);
                if (q[3] != 0 && n != 0)
                    scatter(p, s, blur, n, x, len, add);
            }
    };
    if (o.h)
        pass(true);
    if (o.h && o.v)
        in = out;
    if (o.v)
        pass(false);
    for (size_t i = 0; i < count; i++) {
        double *p = &out[4 * i];
        if (o.c)
            p[0] = (p[0] + p[1]) * xn, p[2] = (p[2] + p[1]) * zn;
        if (p[3] != 0)
            p[0] /= p[3], p[1] /= p[3], p[2] /= p[3];
        if (o.a)
            p[3] = 1;
    }
    return out;
}

// A plain reference of the scatter blur of one frame: every source pixel
// adds its weighted value into every target of its window, channel by
// channel, with exp called afresh for every weight.
std::vector<double> reference(const std::vector<double> &in, const std::vector<double> &sd,
                              size_t w, size_t h, const Options &o)
{
    return blur_model(in, sd, w, h, o, [&](const double *p, const double *s, const bool *blur,
                                            unsigned n, size_t x, size_t len, auto add) {
        double radius = inf_;
        if (o.autor) {
            radius = 0;
            for (int k = 0; k < 3; k++)
                if (blur[k])
                    radius = std::max(radius, std::floor(3 * s[k] + 0.5));
            radius = std::max(radius, 1.0);
        } else if (o.spread) {
            radius = double(o.spread);
        }
        for (int k = 0; k < 3; k++) {
            if (!blur[k])
                continue;
            const double amp = 1 / std::sqrt(2 * 3.141592653589793 * s[k] * s[k]);
            const double ex = -1 / (2 * s[k] * s[k]);
            for (size_t j = 0; j < len; j++) {
                const double d = double(j) - double(x);
                if (std::fabs(d) > radius)
                    continue;
                const double wt = amp * std::exp(d * d * ex);
                add(j, k, p[k] * wt);
                add(j, 3, p[3] * wt / n);
            }
        }
    });
}

// Deterministic values in [lo, hi).
std::vector<double> pattern(size_t n, double lo, double hi, unsigned seed)
{
    std::vector<double> v(n);
    uint32_t state = seed * 2654435761u + 1;
    for (double &x : v) {
        state = state * 1664525u + 1013904223u;
        x = lo + (hi - lo) * (state >> 8) / double(1u << 24);
    }
    return v;
}

// Input pixels: colour in [0, 1.2), alpha in [0.2, 1).
std::vector<double> input_frame(size_t pixels, unsigned seed)
{
    std::vector<double> v = pattern(4 * pixels, 0, 1.2, seed);
    for (size_t i = 3; i < v.size(); i += 4)
        v[i] = 0.2 + v[i] * 0.66;
    return v;
}

// Deviations in [lo, hi), all of deviation alpha `alpha`.
std::vector<double> deviations(size_t pixels, double lo, double hi, unsigned seed, double alpha)
{
    std::vector<double> v = pattern(4 * pixels, lo, hi, seed);
    for (size_t i = 3; i < v.size(); i += 4)
        v[i] = alpha;
    return v;
}

// The blur as it was first written, kept as the measure of every output bit:
// each source pixel scatters, line by line in increasing position, with the
// weight a·exp(d²·e) of every target computed afresh; one weight serves all
// four channels when the three kernels are the same (equal a and e).
std::vector<double> exact_blur(const std::vector<double> &in, const std::vector<double> &sd,
                               size_t w, size_t h, const Options &o)
{
    return blur_model(in, sd, w, h, o, [&](const double *p, const double *s, const bool *blur,
                                            unsigned n, size_t x, size_t len, auto add) {
        const double pi = 3.141592653589793;
        double a[3], e[3];
        for (int k = 0; k < 3; k++) {
            a[k] = 1 / std::sqrt(((s[k] + s[k]) * s[k]) * pi);
            e[k] = -1 / (2 * (s[k] * s[k]));
        }
        size_t r = len;
        if (o.autor) {
            double most = 0;
            for (int k = 0; k < 3; k++)
                if (blur[k])
                    most = std::max(most, std::floor(3 * s[k] + 0.5));
            r = most >= double(len) ? len : std::max(size_t(most), size_t(1));
        } else if (o.spread) {
            r = std::min<uint64_t>(o.spread, len);
        }
        const size_t lo = x > r ? x - r : 0, hi = r < len - x ? x + r + 1 : len;
        auto weight = [&](int k, size_t j) {
            const double d = double(j < x ? x - j : j - x);
            return a[k] * std::exp(d * d * e[k]);
        };
        if (n == 3 && a[0] == a[1] && a[1] == a[2] && e[0] == e[1] && e[1] == e[2]) {
            for (size_t j = lo; j < hi; j++)
                for (int k = 0; k < 4; k++)
                    add(j, k, p[k] * weight(0, j));
            return;
        }
        for (int k = 0; k < 3; k++)
            if (blur[k])
                for (size_t j = lo; j < hi; j++) {
                    add(j, k, p[k] * weight(k, j));
                    add(j, 3, p[3] * weight(k, j) / n);
                }
    });
}

// Random samples, drawn from ordinary values and from the values that end
// or bend arithmetic: zeros of both signs, NaN, infinities, tiny and huge.
struct Draw {
    uint64_t state;
    bool nans = true; // false: no NaN among the values drawn
    uint64_t next()
    {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return state >> 33;
    }
    double uniform(double lo, double hi) { return lo + (hi - lo) * double(next() % 1000003) / 1000003; }
    double pick(std::initializer_list<double> values)
    {
        const double v = values.begin()[next() % values.size()];
        return std::isnan(v) && !nans ? 0.5 : v;
    }
    // A deviation: mostly ordinary, often repeated, sometimes strange.
    double deviation()
    {
        const uint64_t r = next() % 10;
        return r == 0 ? pick({0.0, -0.0, nan_, -nan_, -1.5, inf_, -inf_, 1e-170, 1e-300, 5e-324,
                              1e200, 1e300, 1e154, 40.0, 2e-154})
               : r < 3 ? pick({0.75, 1.5, 3.0})
                       : uniform(0.05, 6);
    }
    double colour()
    {
        return next() % 40 ? uniform(-0.1, 1.2) : pick({0.0, -0.0, nan_, inf_, -inf_, 1e300, 1e-310});
    }
    double alpha() { return next() % 12 ? uniform(0.2, 1) : pick({0.0, -0.0, 1.0, 2.0, nan_}); }
};

std::vector<double> random_input(size_t pixels, Draw &draw)
{
    std::vector<double> v(4 * pixels);
    for (size_t i = 0; i < pixels; i++)
        v[4 * i] = draw.colour(), v[4 * i + 1] = draw.colour(), v[4 * i + 2] = draw.colour(),
              v[4 * i + 3] = draw.alpha();
    return v;
}

// Deviations by pixel: one value for all channels or one for each, with
// deviation alpha mostly 1.
std::vector<double> random_deviation(size_t pixels, Draw &draw)
{
    std::vector<double> v(4 * pixels);
    for (size_t i = 0; i < pixels; i++) {
        const double s = draw.deviation();
        const bool one = draw.next() % 2;
        v[4 * i] = one ? s : draw.deviation();
        v[4 * i + 1] = s;
        v[4 * i + 2] = one ? s : draw.deviation();
        v[4 * i + 3] = draw.next() % 10 ? 1.0 : draw.pick({0.0, -0.0, 0.5, -1.0, nan_, inf_, 3.0});
    }
    return v;
}

// Output samples of a run against a model's: bit for bit if `exact` (a NaN
// matches any NaN, since which of two NaNs an addition passes on depends on
// the order its operands were compiled in), else within 1e-12 relative
// (absolute below 1e-2), NaN where NaN.  The first difference is reported.
void compare(const RunResult &r, const std::string &head, const std::vector<double> &want,
             bool exact, const std::string &what)
{
    ASSERT_TRUE(r.status == 0 && r.err.empty()) << what << ": status " << r.status << ", " << r.err;
    ASSERT_EQ(r.out.substr(0, head.size()), head) << what;
    ASSERT_EQ(r.out.size(), head.size() + 8 * want.size()) << what;
    const std::vector<double> got = to_doubles(r.out, head.size());
    for (size_t i = 0; i < got.size(); i++) {
        const double g = got[i], x = want[i];
        const bool near = g == x || std::fabs(g - x) <= 1e-12 * std::max(std::fabs(x), 1e-2);
        const bool same = std::isnan(x) ? std::isnan(g) : exact ? bits(g) == bits(x) : near;
        ASSERT_TRUE(same) << what << ": sample " << i << " is " << g << ", not " << x;
    }
}

// Runs the blur in mode `m` (with `jobs` processes if given) on the frames of
// `in`, with the frames of `sd` in a file; the output must be exact_blur's bits
// if `exact`, else close to the reference's, frame by frame (the frames beyond
// those of `sd` unchanged).  Returns the output.
std::string check(const Mode &m, const std::vector<double> &in, const std::vector<double> &sd,
                  size_t w, size_t h, bool exact = false, const char *jobs = nullptr)
{
    const size_t n = 4 * w * h, frames = in.size() / n;
    std::vector<double> want;
    for (size_t f = 0; f < frames; f++) {
        std::vector<double> frame(in.begin() + f * n, in.begin() + (f + 1) * n);
        if ((f + 1) * n <= sd.size()) {
            const std::vector<double> fsd(sd.begin() + f * n, sd.begin() + (f + 1) * n);
            frame = exact ? exact_blur(frame, fsd, w, h, m.o) : reference(frame, fsd, w, h, m.o);
        }
        want.insert(want.end(), frame.begin(), frame.end());
    }
    TempDir dir;
    write_file(dir.file("sd"), make_stream(sd.size() / n, w, h, sd));
    const auto argv = blur_command(m.args, dir.file("sd"), jobs);
    const RunResult r = run(argv, make_stream(frames, w, h, in));
    compare(r, stream_head(frames, w, h), want, exact,
            std::to_string(w) + "x" + std::to_string(h) + ", " + std::to_string(sd.size() / n) +
                " sd frames: " + command_line(argv));
    return r.out;
}

// One opaque white source pixel in column `from` of a transparent black row;
// returns the output alpha along the row.
std::vector<double> reach_of(size_t width, size_t from, double deviation,
                             const std::vector<std::string> &args)
{
    std::vector<double> in(4 * width, 0.0), sd(4 * width, 0.0);
    for (int k = 0; k < 4; k++)
        in[4 * from + k] = 1, sd[4 * from + k] = k < 3 ? deviation : 1;
    TempDir dir;
    write_file(dir.file("sd"), make_stream(1, width, 1, sd));
    const auto r = expect_success(blur_command(args, dir.file("sd")), make_stream(1, width, 1, in));
    const std::vector<double> out = to_doubles(r.out, stream_head(1, width, 1).size());
    std::vector<double> alpha;
    for (size_t i = 3; i < out.size(); i += 4)
        alpha.push_back(out[i]);
    return alpha;
}

} // namespace

TEST(GaussBlur, AgreesWithReference)
{
    const size_t w = 7, h = 5, n = w * h;
    const std::vector<double> in = input_frame(n, 1);
    // Deviations from 0.05 to 2.5 pixels, different in every channel, with
    // deviation alpha between 0.5 and 1.
    std::vector<double> sd = pattern(4 * n, 0.05, 2.5, 2);
    for (size_t i = 3; i < sd.size(); i += 4)
        sd[i] = 0.5 + sd[i] / 5;
    const Mode modes[] = {
        plain, {{"-h"}, {.h = true}}, {{"-v"}, {.v = true}}, {{"-vh"}, {}}, {{"-a"}, {.a = true}},
        {{"-c"}, {.c = true}}, {{"-y"}, {.y = true}}, {{"-s", "2"}, {.spread = 2}}, autor,
        {{"-a", "-c", "-h"}, {.a = true, .c = true, .h = true}},
        {{"-s1", "-y"}, {.y = true, .spread = 1}}, {{"-s", "auto", "-s", "3"}, {.autor = true}},
        {{"-yv", "-s", "auto", "-j", "2"}, {.v = true, .y = true, .autor = true}},
    };
    for (const Mode &m : modes)
        check(m, in, sd, w, h);

    // The same kernel in all three channels, constant and varying.
    std::vector<double> same(4 * n, 1.0);
    for (size_t i = 0; i < n; i++)
        same[4 * i] = same[4 * i + 1] = same[4 * i + 2] = i % 3 ? 1.3 : 0.7 + 0.1 * double(i % 5);
    check(plain, in, same, w, h);
    check(autor, in, same, w, h);

    // Transparent input pixels, and zero, negative and NaN deviations in
    // single channels, and deviation alpha 0.
    std::vector<double> holes = in;
    holes[3] = holes[4 * 9 + 3] = holes[4 * 20 + 3] = 0;
    std::vector<double> odd = sd;
    odd[0] = 0, odd[4 * 3 + 1] = -1, odd[4 * 5 + 2] = nan_;
    odd[4 * 6 + 0] = odd[4 * 6 + 1] = odd[4 * 6 + 2] = -0.5;
    odd[4 * 11 + 3] = 0, odd[4 * 12 + 3] = -0.0, odd[4 * 13 + 1] = nan_;
    odd[4 * 14 + 3] = -1; // negative alpha: negative deviations, unblurred
    check(plain, holes, odd, w, h);
    check({{"-c"}, {.c = true}}, holes, odd, w, h);
    check({{"-y", "-s", "auto"}, {.y = true, .autor = true}}, holes, odd, w, h);
    check({{"-a", "-s", "2"}, {.a = true, .spread = 2}}, holes, odd, w, h);
}

TEST(GaussBlur, ZeroDeviationAlphaKeepsPixels)
{
    // Every pixel stays, bit for bit as its colour weighted by alpha and
    // divided again gives it (black where transparent, unless -a).
    std::vector<double> in = input_frame(6, 3);
    in[4 * 2 + 3] = 0;
    for (const Mode &m : {plain, Mode{{"-a"}, {.a = true}}})
        check(m, in, deviations(6, 0.5, 2, 4, 0), 3, 2, true);
}

TEST(GaussBlur, Radius)
{
    // The columns lo to hi the source reaches, and no others: a spread of 2
    // from column 0, from the last of eight and from the middle; "auto" with
    // a deviation of 0.1 (a radius of 1) and 1.5 (5); without -s, the row.
    const struct {
        size_t width, from;
        double deviation;
        std::vector<std::string> args;
        size_t lo, hi;
    } cases[] = {
        {8, 0, 2, {"-s", "2"}, 0, 2},       {8, 7, 2, {"-s2", "-h"}, 5, 7},
        {8, 4, 2, {"-s", "2"}, 2, 6},       {8, 0, 0.1, {"-s", "auto"}, 0, 1},
        {12, 0, 1.5, {"-s", "auto"}, 0, 5}, {12, 6, 1.5, {"-s", "auto"}, 1, 11},
        {6, 0, 0.9, {}, 0, 5},
    };
    for (const auto &c : cases) {
        const std::vector<double> alpha = reach_of(c.width, c.from, c.deviation, c.args);
        ASSERT_EQ(alpha.size(), c.width);
        for (size_t i = 0; i < c.width; i++)
            EXPECT_EQ(alpha[i] != 0, i >= c.lo && i <= c.hi)
                << c.from << " " << command_line(c.args) << ": column " << i;
    }
    // The peak of the kernel is 1 / sqrt(2 pi s^2); on a one-row frame the
    // vertical pass multiplies by it once more.  The alpha at the source
    // exceeds 1 for a deviation of 0.3 (the amplitude exceeds 1).
    const double peak = 1 / std::sqrt(8 * 3.141592653589793);
    EXPECT_NEAR(reach_of(8, 4, 2, {"-s", "2", "-h"})[4], peak, 1e-15);
    EXPECT_NEAR(reach_of(8, 4, 2, {"-s", "2"})[4], peak * peak, 1e-15);
    EXPECT_GT(reach_of(3, 1, 0.3, {})[1], 1);
}

TEST(GaussBlur, HugeValuesNeitherWrapNorCrash)
{
    const size_t w = 5, h = 3, n = w * h;
    const std::vector<double> in = input_frame(n, 5);
    std::vector<double> sd = deviations(n, 0.2, 1.5, 6, 1);
    // The largest spread is no limit at all.
    const std::string whole = check(plain, in, sd, w, h);
    EXPECT_EQ(check({{"-s", "18446744073709551615"}, {}}, in, sd, w, h), whole);
    EXPECT_EQ(check({{"-s", "18446744073709551614"}, {.spread = ~1ull}}, in, sd, w, h), whole);

    // Huge, infinite and tiny deviations with "auto": the radius stops at the
    // line; results as the reference gives them (infinities and NaN included).
    sd[4 * 1] = 1e300, sd[4 * 2 + 1] = inf_;
    sd[4 * 7] = sd[4 * 7 + 1] = sd[4 * 7 + 2] = 1e200;
    sd[4 * 8 + 2] = 1e-170, sd[4 * 9 + 3] = inf_;
    for (const Mode &m : {autor, plain, Mode{{"-y", "-s", "auto"}, {.y = true, .autor = true}}})
        check(m, in, sd, w, h);
}

TEST(GaussBlur, FramesJobsAndShortDeviationStream)
{
    // Each of the first two frames with its own deviation frame; the third
    // passes unchanged, byte for byte.
    const size_t w = 9, h = 7, n = w * h;
    std::vector<double> frames;
    for (unsigned seed : {10, 11, 12})
        for (double v : input_frame(n, seed))
            frames.push_back(v);
    const std::vector<double> sd = deviations(2 * n, 0.1, 3, 7, 1);
    const std::string one = check(autor, frames, sd, w, h);
    EXPECT_EQ(one.substr(one.size() - 32 * n), doubles({frames.end() - 4 * n, frames.end()}));

    // Any number of processes gives the same bytes.
    for (const char *jobs : {"1", "2", "3", "7", "8", "32767"})
        EXPECT_EQ(check(autor, frames, sd, w, h, false, jobs), one) << jobs;
    EXPECT_EQ(check({{"-j3", "-c"}, {.c = true}}, frames, sd, w, h),
              check({{"-c"}, {.c = true}}, frames, sd, w, h));

    // A one-row frame with more jobs than rows.
    check(plain, input_frame(w, 20), {sd.begin(), sd.begin() + 4 * w}, w, 1, false, "4");
}

TEST(GaussBlur, Errors)
{
    TempDir dir;
    const std::string sd = dir.file("sd"), in = make_stream(1, 2, 2, std::vector<double>(16, 1.0));
    write_file(sd, in);
    write_file(dir.file("wide"), make_stream(1, 4, 1, std::vector<double>(16, 1.0)));
    const std::string use =
        "usage: rv-gauss-blur [-j jobs] [-s spread | -s 'auto'] [-achvy] sd-stream\n";
    const std::string jobs = "rv-gauss-blur: argument of -j must be an integer in [1, 32767]\n";
    const std::string spread =
        "rv-gauss-blur: argument of -s must be an integer in [1, 18446744073709551615]\n";
    const struct {
        std::vector<std::string> args;
        std::string message, input = {}, out = {}; // input: `in` when empty
    } cases[] = {
        {{}, use}, {{sd, sd}, use}, {{"-x", sd}, use}, {{sd, "-j"}, use},
        {{"-j", "0", sd}, jobs}, {{"-j32768", sd}, jobs}, {{"-j", "two", sd}, jobs},
        {{"-s", "0", sd}, spread}, {{"-s", "18446744073709551616", sd}, spread},
        {{"-s", "AUTO", sd}, spread}, {{"-s", "automatic", sd}, spread},
        {{"-s", "auto", "-s", "0", sd}, spread},
        {{dir.file("missing")},
         "rv-gauss-blur: open " + dir.file("missing") + ": No such file or directory\n"},
        {{dir.file("wide")}, "rv-gauss-blur: videos do not have the same geometry\n"},
        {{sd}, "rv-gauss-blur: <stdin>: incomplete frame\n", in.substr(0, in.size() - 1),
         stream_head(1, 2, 2)},
    };
    for (const auto &c : cases) {
        std::vector<std::string> argv{"rv-gauss-blur"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(expect_failure(argv, c.input.empty() ? in : c.input, c.message).out, c.out)
            << command_line(argv);
    }
}

TEST(GaussBlur, SameBitsAsFirstWritten)
{
    const Mode modes[] = {
        plain, autor, {{"-s", "3"}, {.spread = 3}}, {{"-s", "1", "-y"}, {.y = true, .spread = 1}},
        {{"-h", "-s", "auto"}, {.h = true, .autor = true}}, {{"-ac"}, {.a = true, .c = true}},
        {{"-a", "-s", "auto"}, {.a = true, .autor = true}},
        {{"-v", "-s", "2"}, {.v = true, .spread = 2}}, {{"-hv", "-s", "18446744073709551615"}, {}},
        {{"-c", "-s", "auto"}, {.c = true, .autor = true}},
        {{"-y", "-s", "auto", "-s", "2"}, {.y = true, .autor = true}},
        {{"-cy", "-s", "5"}, {.c = true, .y = true, .spread = 5}},
    };
    Draw draw{7};
    const std::pair<size_t, size_t> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {7, 5}, {13, 11}};
    for (const auto &[w, h] : sizes) {
        // Two frames of input; the deviation stream has 2 frames or 1.
        const size_t n = w * h;
        const std::vector<double> in = random_input(2 * n, draw);
        const std::vector<double> sd = random_deviation(2 * n, draw);
        for (size_t sd_frames : {2, 1})
            for (const Mode &mode : modes)
                for (const char *jobs : {"1", "2", "3", "8"})
                    check(mode, in, {sd.begin(), sd.begin() + 4 * n * sd_frames}, w, h, true, jobs);
    }
}

// FNV-1a of a byte string.
static uint64_t fnv(const std::string &bytes)
{
    uint64_t h = 14695981039346656037u;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211u;
    return h;
}

TEST(GaussBlur, SameBytesAsFirstBuild)
{
    // Output bytes as the first build of the program wrote them for these
    // inputs (kept as hashes).  The inputs hold no NaN, so that every NaN of
    // the output is the one the arithmetic makes, sign included.
    const std::pair<std::vector<std::string>, uint64_t> cases[] = {
        {{}, 13160649462372986344u},         {{"-s", "auto"}, 18276110310756058608u},
        {{"-s", "2", "-y"}, 7363193120638704919u},  {{"-c", "-s", "auto"}, 4355533880976899935u},
        {{"-a", "-v", "-s", "4"}, 400352513687748046u}, {{"-h"}, 7343950077989615011u},
    };
    Draw draw{11, false};
    const size_t w = 17, h = 12, n = w * h;
    const std::string input = make_stream(2, w, h, random_input(2 * n, draw));
    TempDir dir;
    write_file(dir.file("sd"), make_stream(2, w, h, random_deviation(2 * n, draw)));
    for (const auto &[args, hash] : cases)
        for (const char *jobs : {"1", "3"}) {
            const auto argv = blur_command(args, dir.file("sd"), jobs);
            EXPECT_EQ(fnv(expect_success(argv, input).out), hash) << command_line(argv);
        }
}

TEST(GaussBlur, TallFramesInBandsSameBits)
{
    // Frames tall enough for the processes to share them by bands of rows
    // that each read the source rows within reach: small radii, sources
    // infinite and NaN at times, deviations repeated and varied.
    const Mode modes[] = {
        {{"-s", "1"}, {.spread = 1}}, {{"-s", "2", "-y"}, {.y = true, .spread = 2}}, autor,
        {{"-v", "-s", "auto"}, {.v = true, .autor = true}},
        {{"-c", "-s", "auto"}, {.c = true, .autor = true}}, {{"-h"}, {.h = true}}, plain,
    };
    Draw draw{23};
    for (const auto &[w, h] : std::vector<std::pair<size_t, size_t>>{{6, 70}, {2, 131}}) {
        const size_t n = w * h;
        const std::vector<double> in = random_input(n, draw);
        std::vector<double> sd(4 * n);
        for (size_t i = 0; i < n; i++) {
            const double s = draw.next() % 3 ? draw.uniform(0.05, 1.2) : 0.5;
            sd[4 * i] = draw.next() % 2 ? s : draw.uniform(0.05, 1.2);
            sd[4 * i + 1] = sd[4 * i + 2] = s;
            sd[4 * i + 3] = draw.next() % 20 ? 1.0 : 0.0;
        }
        for (const Mode &mode : modes)
            for (const char *jobs : {"1", "2", "3", "5"})
                check(mode, in, sd, w, h, true, jobs);
    }
}

TEST(GaussBlur, LongKernelsSameBits)
{
    // Deviations far beyond the frame, each different: every source reaches
    // the whole row with weights that never turn 0, far more weights than
    // one block of rows keeps at once.
    const size_t w = 2048, h = 2, n = w * h;
    Draw draw{31, false};
    const std::vector<double> in = random_input(n, draw);
    std::vector<double> sd(4 * n, 1.0);
    for (size_t i = 0; i < n; i++)
        sd[4 * i] = sd[4 * i + 1] = sd[4 * i + 2] = 1000 + double(i);
    for (const char *jobs : {"1", "2"})
        check(plain, in, sd, w, h, true, jobs);
}

// Several processes read regular files by position, each its own rows; the
// bytes, messages, statuses and the input's position after the run (what a
// later reader of the file finds) are those of one process reading through
// the streams, with whole and cut frames in either file.
TEST(GaussBlur, FilesByPositionAsStreams)
{
    const size_t w = 512, h = 17; // rows and frames long enough to be read by position
    auto stream = [&](size_t frames, size_t cut, double lo, double hi) {
        std::string s = make_stream(frames, w, h, deviations(frames * w * h, lo, hi, 5, 1));
        return s.substr(0, s.size() - cut);
    };
    struct Case {
        size_t in_frames, in_cut, sd_frames, sd_cut;
    } cases[] = {{3, 0, 2, 0}, {2, 0, 3, 0}, {3, 100, 3, 0}, {3, 0, 2, 40}, {3, 100, 1, 0}};
    TempDir dir;
    for (const Case &c : cases) {
        write_file(dir.file("in"), stream(c.in_frames, c.in_cut, 0, 1));
        write_file(dir.file("sd"), stream(c.sd_frames, c.sd_cut, 0.5, 4));
        auto blur = [&](const char *jobs) {
            return run(shell("cd " + dir.path + " && { rv-gauss-blur -j " + jobs +
                             " -s auto sd; s=$?; wc -c; exit $s; } < in"));
        };
        RunResult by_position = blur("2"), by_stream = blur("1");
        SCOPED_TRACE(testing::Message() << c.in_frames << " " << c.in_cut << " " << c.sd_frames);
        EXPECT_EQ(by_position.status, by_stream.status);
        EXPECT_EQ(by_position.err, by_stream.err);
        EXPECT_TRUE(same_bytes(by_position.out, by_stream.out));
    }
}
