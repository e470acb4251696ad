// rv-gauss-blur: blurs every frame by a Gaussian whose standard deviation is
// given pixel by pixel, channel by channel, by a second stream.  The blur
// scatters: each source pixel spreads its value over its row and then its
// column with a kernel built from its own deviation.  The work on a frame can
// be divided among forked worker processes.
//
// Every output sample is a sum, from +0, of the contributions of its sources
// in increasing position, each contribution p·w with w = a·exp(d²·e).  The
// program keeps that order and those operations, and saves work around them:
// a row's kernels are tabulated once and serve both passes; a source row is
// spread down its columns as soon as its horizontal pass is done; and where a
// weight is exactly +0 from some distance on, a finite source stops there, as
// adding ±0 to a sum that started at +0 changes no bit of it.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "workers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <sys/mman.h>

static const char synopsis[] = "[-j jobs] [-s spread | -s 'auto'] [-achvy] sd-stream";

static struct {
    bool no_alpha;      // -a: colour is not weighted by alpha; output alpha 1
    bool chroma;        // -c: blur X and Z relative to Y, keep Y
    bool horizontal;    // -h
    bool vertical;      // -v
    bool one_deviation; // -y: the deviation stream's Y for all channels
    bool auto_radius;   // -s auto
    uint64_t spread;    // -s N; 0 is no limit
    size_t jobs = 1;
} settings;

constexpr double pi = 3.141592653589793;

// X, Y, Z and alpha of a pixel as two pairs, so that the four channels of an
// addition go in two instructions, each lane the plain double operation.
typedef double Pair __attribute__((vector_size(16)));
struct Quad {
    Pair lo, hi;
};

[[gnu::always_inline]] inline Quad load_quad(const unsigned char *p)
{
    Quad v;
    memcpy(&v.lo, p, sizeof v.lo);
    memcpy(&v.hi, p + 16, sizeof v.hi);
    return v;
}

// Adds v·w to the pixel at `to`, channel by channel.
[[gnu::always_inline]] inline void add_quad(unsigned char *to, const Quad &v, double w)
{
    Quad o = load_quad(to);
    const Pair ww = {w, w};
    o.lo = o.lo + v.lo * ww;
    o.hi = o.hi + v.hi * ww;
    memcpy(to, &o.lo, sizeof o.lo);
    memcpy(to + 16, &o.hi, sizeof o.hi);
}

[[gnu::always_inline]] inline void add_double(unsigned char *p, double v)
{
    store_double(p, load_double(p) + v);
}

// Whether all four samples are finite: only such a source stops where its
// weights turn +0.
static bool all_finite(const Pixel &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(p.a);
}

// The same for a channel blurred with a kernel of its own: its sample c and
// the alpha that goes with it.
static bool channel_finite(double c, const Pixel &p)
{
    return std::isfinite(c) && std::isfinite(p.a);
}

// One channel's kernel w(d) = a·exp(d²·e), tabulated for d < length in a
// row's weight pool; from `zero` on (when zero < length) every weight is +0.
struct Kernel {
    double a, e;
    size_t offset; // of w(0) in the pool
    size_t length; // distances tabulated
    size_t zero;   // first distance of the all-zero tail, or `length`
};

// How a source pixel spreads.
enum Kind : unsigned char {
    keep,  // not blurred: added where it is
    same,  // three blurred channels with one kernel: one weight for all four
    mixed, // kernels by channel; an unblurred channel stays where it is
};

struct Source {
    Kind kind;
    unsigned char blurred; // bit k: colour channel k is blurred
    unsigned n;            // blurred colour channels
    size_t r;              // window radius before the ends of the line
    uint32_t kernel[3];    // by channel, into the row's kernels
};

// The kernels of one row of the deviation frame.
struct RowPlan {
    std::vector<Source> source; // by column, from the plan's first column
    std::vector<Kernel> kernel;
    std::vector<double> pool;
};

// The deviations of a deviation pixel by channel, and which are blurred.
[[gnu::always_inline]] inline unsigned deviations(const Pixel &q, double s[3], bool blurred[3])
{
    if (settings.one_deviation || settings.chroma)
        s[0] = s[1] = s[2] = q.y * q.a;
    else
        s[0] = q.x * q.a, s[1] = q.y * q.a, s[2] = q.z * q.a;
    // Zero, negative and NaN deviations leave a channel unblurred.
    unsigned n = 0;
    for (int k = 0; k < 3; k++)
        n += blurred[k] = s[k] > 0 && !(settings.chroma && k == 1);
    return q.a == 0 ? 0 : n;
}

// The window radius of a source; `most` bounds every line of the frame.
[[gnu::always_inline]] inline size_t radius(const double s[3], const bool blurred[3], size_t most)
{
    if (settings.auto_radius) {
        // floor of a positive v: below 2^52 the conversion truncates, above
        // it v is whole already.
        auto floor_positive = [](double v) { return v < 0x1p52 ? double(uint64_t(v)) : v; };
        double r = 0;
        for (int k = 0; k < 3; k++)
            if (blurred[k])
                r = std::max(r, floor_positive(3 * s[k] + 0.5));
        return r >= double(most) ? most : std::max(size_t(r), size_t(1));
    }
    return settings.spread ? std::min<uint64_t>(settings.spread, most) : most;
}

// The kernel a·exp(d²·e), with weights for the distances below `need`: one
// of the row's latest kernels when it is the same and long enough, else a
// new one.
static uint32_t kernel_for(RowPlan &plan, double a, double e, size_t need)
{
    const size_t count = plan.kernel.size();
    for (size_t k = count; k > count - std::min<size_t>(count, 3); k--) {
        const Kernel &old = plan.kernel[k - 1];
        if (old.a == a && old.e == e && (old.length >= need || old.zero < old.length))
            return uint32_t(k - 1);
    }
    Kernel kernel{a, e, plan.pool.size(), need, need};
    if (a == 0) {
        kernel.zero = 0;
    } else {
        plan.pool.resize(kernel.offset + need);
        double *w = plan.pool.data() + kernel.offset;
        for (size_t d = 0; d < need; d++) {
            // At d = 0 the argument is −0 where e is finite, and exp(−0) is 1.
            const double x = d == 0 && std::isfinite(e) ? 1 : exp(double(d) * double(d) * e);
            // exp only falls with its argument: once it is 0 it stays 0, and
            // a finite a times 0 is +0.
            if (x == 0 && std::isfinite(a)) {
                kernel.zero = d;
                break;
            }
            w[d] = a * x;
        }
        plan.pool.resize(kernel.offset + kernel.zero);
    }
    plan.kernel.push_back(kernel);
    return uint32_t(count);
}

// Plans the sources of deviation row `sd` from column `first` to `last`.
static void plan_row(RowPlan &plan, const unsigned char *sd, size_t first, size_t last,
                     size_t most)
{
    plan.source.resize(last - first);
    plan.kernel.clear();
    plan.pool.clear();
    for (size_t x = first; x < last; x++) {
        Source &src = plan.source[x - first];
        double s[3];
        bool blurred[3];
        src.n = deviations(load_pixel(sd + x * pixel_bytes), s, blurred);
        src.kind = keep;
        if (src.n == 0)
            continue;
        src.r = radius(s, blurred, most);
        const size_t need = std::min(src.r, most - 1) + 1;
        src.blurred = 0;
        double a[3], e[3];
        for (int k = 0; k < 3; k++) {
            src.blurred |= blurred[k] << k;
            if (k && s[k] == s[k - 1]) {
                a[k] = a[k - 1], e[k] = e[k - 1];
                continue;
            }
            a[k] = 1 / sqrt(((s[k] + s[k]) * s[k]) * pi);
            e[k] = -1 / (2 * (s[k] * s[k]));
        }
        const bool one = src.n == 3 && a[1] == a[0] && a[2] == a[0] && e[1] == e[0] && e[2] == e[0];
        src.kind = one ? same : mixed;
        for (int k = 0; k < 3; k++)
            if (blurred[k] && (k == 0 || !one))
                src.kernel[k] = kernel_for(plan, a[k], e[k], need);
    }
}

// Spreads source pixel p at column x of a row of `width` pixels with kernel
// k: adds p·w(|x − j|) to target j, through `add(target, w)`.  A finite
// source stops where the weights turn +0 for good.
template <class Add>
[[gnu::always_inline]] inline void spread(unsigned char *row, size_t width, size_t x, size_t r,
                                          const Kernel &k, const double *pool,
                                          bool source_finite, Add &&add)
{
    const double *w = pool + k.offset;
    if (source_finite) {
        if (k.zero == 0)
            return;
        r = std::min(r, k.zero - 1);
    }
    const size_t lo = x - std::min(x, r), hi = x + std::min(width - 1 - x, r) + 1;
    unsigned char *o = row + lo * pixel_bytes;
    if (source_finite) {
        for (size_t j = lo; j < x; j++, o += pixel_bytes)
            add(o, w[x - j]);
        for (size_t j = x; j < hi; j++, o += pixel_bytes)
            add(o, w[j - x]);
        return;
    }
    for (size_t j = lo; j < hi; j++, o += pixel_bytes) {
        const size_t d = j < x ? x - j : j - x;
        add(o, d < k.zero ? w[d] : 0.0);
    }
}

// Adds the contributions of source pixel p at column x to the row.
static void scatter(unsigned char *row, size_t width, size_t x, const unsigned char *pixel,
                    const Source &src, const RowPlan &plan)
{
    const Pixel p = load_pixel(pixel);
    unsigned char *const at = row + x * pixel_bytes;
    if (src.kind == keep) {
        Pixel o = load_pixel(at);
        o.x += p.x, o.y += p.y, o.z += p.z, o.a += p.a;
        store_pixel(at, o);
        return;
    }
    const double *pool = plan.pool.data();
    if (src.kind == same) {
        const Quad v = load_quad(pixel);
        spread(row, width, x, src.r, plan.kernel[src.kernel[0]], pool, all_finite(p),
               [&](unsigned char *o, double w) { add_quad(o, v, w); });
        return;
    }
    const double colour[3] = {p.x, p.y, p.z};
    const double n = src.n;
    for (int k = 0; k < 3; k++) {
        if (!(src.blurred >> k & 1)) {
            add_double(at + 8 * k, colour[k]);
            continue;
        }
        const double c = colour[k];
        spread(row, width, x, src.r, plan.kernel[src.kernel[k]], pool,
               channel_finite(c, p), [&](unsigned char *o, double w) {
                   add_double(o + 8 * k, c * w);
                   add_double(o + 24, p.a * w / n);
               });
    }
}

// Colour weighted by alpha and, with -c, made relative to Y.
static void prepare(unsigned char *to, const unsigned char *from)
{
    Pixel v = load_pixel(from);
    if (!settings.no_alpha)
        v.x *= v.a, v.y *= v.a, v.z *= v.a;
    if (settings.chroma)
        v.x = v.x / white_x - v.y, v.z = v.z / white_z - v.y;
    store_pixel(to, v);
}

// Colour back from the blurred form, normalised by the blurred alpha.
static void finish(unsigned char *p)
{
    Pixel v = load_pixel(p);
    if (settings.chroma)
        v.x = (v.x + v.y) * white_x, v.z = (v.z + v.y) * white_z;
    if (v.a != 0)
        v.x /= v.a, v.y /= v.a, v.z /= v.a;
    if (settings.no_alpha)
        v.a = 1;
    store_pixel(p, v);
}

// The frame and the scratch of one process.
struct Frame {
    unsigned char *out, *in;
    const unsigned char *sd;
    size_t width, height, row; // row: bytes
    size_t most;               // the longer side
};

// Source rows go down their columns a block at a time, strip by strip, so
// that the output rows they reach stay in cache while the block adds into
// them.  Within a strip the rows of a block go in increasing order, and the
// blocks go in increasing order, so every sample still receives its sources
// in increasing row.
constexpr size_t block_rows = 8;
constexpr size_t strip_pixels = 64;
// A block ends early once its kernels hold this many weights (long kernels
// of many different deviations), so that its memory stays bounded.
constexpr size_t block_weights = size_t(1) << 21;

struct Scratch {
    RowPlan plan[block_rows];
    const unsigned char *from[block_rows]; // the block's source rows
    std::vector<unsigned char> rows;       // room for them: block_rows rows
    std::vector<unsigned char> prepared;   // one row
    std::vector<double> table;             // weights across a strip
};
static Scratch scratch;

static bool prepared() { return settings.chroma || !settings.no_alpha; }

// Row y of the input as the blur reads it: prepared into `to`, or the input
// row itself.
static const unsigned char *source_row(const Frame &f, size_t y, unsigned char *to)
{
    const unsigned char *in = f.in + y * f.row;
    if (!prepared())
        return in;
    for (size_t x = 0; x < f.width; x++)
        prepare(to + x * pixel_bytes, in + x * pixel_bytes);
    return to;
}

// The horizontal pass of a row from `from` into `to` (zeroed first).
static void blur_row(const Frame &f, const RowPlan &plan, const unsigned char *from,
                     unsigned char *to)
{
    memset(to, 0, f.row);
    for (size_t x = 0; x < f.width; x++)
        scatter(to, f.width, x, from + x * pixel_bytes, plan.source[x], plan);
}

// The number of distances d from 0 at which a channel with kernel k adds to
// a line of `length`: all within the radius, or for a finite source those
// before the weights turn +0 for good.
static size_t distances(const Kernel &k, size_t r, bool source_finite, size_t length)
{
    if (source_finite && k.zero == 0)
        return 0;
    const size_t reach = source_finite ? std::min(r, k.zero - 1) : r;
    return std::min(reach, length - 1) + 1;
}

static double weight(const Kernel &k, const double *pool, size_t d)
{
    return d < k.zero ? pool[k.offset + d] : 0.0;
}

// How a source pixel goes down its column: to the distances below `count`,
// with one tabulated weight for all four channels when `simple`.
struct Down {
    size_t count;
    const double *w;
    bool simple;
};

static const double one = 1;

static Down down_of(const Source &src, const RowPlan &plan, const Pixel &p, size_t length)
{
    if (src.kind == keep) // p·1 is p, bit for bit
        return {1, &one, true};
    if (src.kind == same) {
        const Kernel &k = plan.kernel[src.kernel[0]];
        const size_t count = distances(k, src.r, all_finite(p), length);
        return {count, plan.pool.data() + k.offset, count <= k.zero};
    }
    const double colour[3] = {p.x, p.y, p.z};
    size_t count = 1;
    for (int k = 0; k < 3; k++)
        if (src.blurred >> k & 1)
            count = std::max(count, distances(plan.kernel[src.kernel[k]], src.r,
                                              channel_finite(colour[k], p), length));
    return {count, nullptr, false};
}

// What a source pixel that is not simple adds at distance d.
static void add_down(unsigned char *o, size_t d, const Pixel &p, const Source &src,
                     const RowPlan &plan, size_t length)
{
    const double *pool = plan.pool.data();
    if (src.kind == same) {
        const Quad v = {{p.x, p.y}, {p.z, p.a}};
        add_quad(o, v, weight(plan.kernel[src.kernel[0]], pool, d));
        return;
    }
    const double colour[3] = {p.x, p.y, p.z};
    const double n = src.n;
    for (int k = 0; k < 3; k++) {
        if (!(src.blurred >> k & 1)) {
            if (d == 0)
                add_double(o + 8 * k, colour[k]);
            continue;
        }
        const Kernel &kernel = plan.kernel[src.kernel[k]];
        if (d >= distances(kernel, src.r, channel_finite(colour[k], p), length))
            continue;
        const double w = weight(kernel, pool, d);
        add_double(o + 8 * k, colour[k] * w);
        add_double(o + 24, p.a * w / n);
    }
}

// The vertical pass of the block's `count` source rows from row y0, columns
// [first, last) (the columns of their plans), into output rows [top, bottom).
// Each source row walks the rows it reaches, distance by distance, along
// the columns of a strip: contiguous memory, where walking down a column
// would load from addresses just stored to a multiple of 4096 bytes away.
//
// The finite sources of one kernel for all channels go through the strip
// without a test: each has its weights by distance in a table across the
// strip, +0 beyond its reach, and a source of +0 stands in for every other
// pixel.  What they add beyond their reach is ±0, which changes no sum that
// began at +0.  The others (infinite or NaN samples, kernels by channel,
// reaches far beyond the strip's usual) follow one by one.
static void block_down(const Frame &f, size_t y0, size_t count, size_t first, size_t last,
                       size_t top, size_t bottom)
{
    Down down[strip_pixels];
    Pair source[strip_pixels][2];
    size_t odd[strip_pixels];
    std::vector<double> &table = scratch.table;
    for (size_t x0 = first; x0 < last; x0 += strip_pixels) {
        const size_t width = std::min(last - x0, strip_pixels);
        for (size_t i = 0; i < count; i++) {
            const size_t y = y0 + i;
            const RowPlan &plan = scratch.plan[i];
            const Source *src = &plan.source[x0 - first];
            const unsigned char *from = scratch.from[i] + x0 * pixel_bytes;
            bool plain[strip_pixels];
            size_t sum = 0;
            for (size_t x = 0; x < width; x++) {
                const Pixel p = load_pixel(from + x * pixel_bytes);
                down[x] = down_of(src[x], plan, p, f.height);
                plain[x] = down[x].simple && all_finite(p);
                sum += plain[x] ? down[x].count : 0;
            }
            const size_t cap = 2 * sum / width + 8;
            size_t rows = 0, odds = 0, most = 0;
            for (size_t x = 0; x < width; x++) {
                plain[x] = plain[x] && down[x].count <= cap;
                if (plain[x])
                    rows = std::max(rows, down[x].count);
                else if (down[x].count)
                    odd[odds++] = x;
                most = std::max(most, down[x].count);
            }
            table.resize(rows * width);
            for (size_t x = 0; x < width; x++) {
                Pair lo = {0, 0}, hi = {0, 0};
                if (plain[x]) {
                    memcpy(&lo, from + x * pixel_bytes, sizeof lo);
                    memcpy(&hi, from + x * pixel_bytes + 16, sizeof hi);
                }
                source[x][0] = lo, source[x][1] = hi;
            }
            for (size_t d = 0; d < rows; d++)
                for (size_t x = 0; x < width; x++)
                    table[d * width + x] = plain[x] && d < down[x].count ? down[x].w[d] : 0.0;
            for (size_t d = 0; d < most; d++)
                for (int side = 0; side < (d ? 2 : 1); side++) {
                    if (side ? d >= f.height - y : d > y)
                        continue;
                    const size_t t = side ? y + d : y - d;
                    if (t < top || t >= bottom)
                        continue;
                    unsigned char *const o = f.out + t * f.row + x0 * pixel_bytes;
                    if (d < rows) {
                        const double *w = &table[d * width];
                        for (size_t x = 0; x < width; x++) {
                            unsigned char *to = o + x * pixel_bytes;
                            Pair lo, hi;
                            memcpy(&lo, to, sizeof lo);
                            memcpy(&hi, to + 16, sizeof hi);
                            const Pair wx = {w[x], w[x]};
                            lo = lo + source[x][0] * wx;
                            hi = hi + source[x][1] * wx;
                            memcpy(to, &lo, sizeof lo);
                            memcpy(to + 16, &hi, sizeof hi);
                        }
                    }
                    for (size_t k = 0; k < odds; k++) {
                        const size_t x = odd[k];
                        if (d >= down[x].count)
                            continue;
                        const unsigned char *pixel = from + x * pixel_bytes;
                        unsigned char *to = o + x * pixel_bytes;
                        if (down[x].simple) {
                            add_quad(to, load_quad(pixel), down[x].w[d]);
                        } else {
                            add_down(to, d, load_pixel(pixel), src[x], plan, f.height);
                        }
                    }
                }
        }
    }
}

static void finish_rows(const Frame &f, size_t top, size_t bottom)
{
    for (size_t y = top; y < bottom; y++)
        for (size_t x = 0; x < f.width; x++)
            finish(f.out + y * f.row + x * pixel_bytes);
}

// Output rows [top, bottom) from start to end: every source row that reaches
// them (within `reach` rows) is prepared, blurred along itself and spread
// down its columns, with one plan for both passes.
static void blur_band(const Frame &f, size_t top, size_t bottom, size_t reach)
{
    if (top >= bottom)
        return;
    if (!settings.vertical) {
        for (size_t y = top; y < bottom; y++) {
            plan_row(scratch.plan[0], f.sd + y * f.row, 0, f.width, f.most);
            blur_row(f, scratch.plan[0], source_row(f, y, scratch.prepared.data()),
                     f.out + y * f.row);
        }
        finish_rows(f, top, bottom);
        return;
    }
    memset(f.out + top * f.row, 0, (bottom - top) * f.row);
    const size_t first = top - std::min(top, reach);
    const size_t last = bottom + std::min(f.height - bottom, reach);
    for (size_t y0 = first, count; y0 < last; y0 += count) {
        size_t weights = 0;
        for (count = 0; count < block_rows && y0 + count < last && weights < block_weights;
             count++) {
            const size_t i = count, y = y0 + i;
            unsigned char *room = scratch.rows.data() + i * f.row;
            plan_row(scratch.plan[i], f.sd + y * f.row, 0, f.width, f.most);
            weights += scratch.plan[i].pool.size();
            if (settings.horizontal) {
                blur_row(f, scratch.plan[i], source_row(f, y, scratch.prepared.data()), room);
                scratch.from[i] = room;
            } else {
                scratch.from[i] = source_row(f, y, room);
            }
        }
        block_down(f, y0, count, 0, f.width, top, bottom);
    }
    finish_rows(f, top, bottom);
}

// Rows [top, bottom) prepared and blurred along themselves, the result left
// in the input frame for the vertical pass.
static void rows_in_place(const Frame &f, size_t top, size_t bottom)
{
    for (size_t y = top; y < bottom; y++) {
        unsigned char *in = f.in + y * f.row;
        const unsigned char *from = source_row(f, y, scratch.prepared.data());
        if (settings.horizontal) {
            plan_row(scratch.plan[0], f.sd + y * f.row, 0, f.width, f.most);
            blur_row(f, scratch.plan[0], from, scratch.rows.data());
            from = scratch.rows.data();
        }
        if (from != in)
            memcpy(in, from, f.row);
    }
}

// The vertical pass and the finish of columns [first, last) over all rows.
static void columns(const Frame &f, size_t first, size_t last)
{
    if (first >= last)
        return;
    const size_t band = first * pixel_bytes, bytes = (last - first) * pixel_bytes;
    for (size_t y = 0; y < f.height; y++)
        memset(f.out + y * f.row + band, 0, bytes);
    for (size_t y0 = 0, count; y0 < f.height; y0 += count) {
        size_t weights = 0;
        for (count = 0; count < block_rows && y0 + count < f.height && weights < block_weights;
             count++) {
            plan_row(scratch.plan[count], f.sd + (y0 + count) * f.row, first, last, f.most);
            weights += scratch.plan[count].pool.size();
            scratch.from[count] = f.in + (y0 + count) * f.row;
        }
        block_down(f, y0, count, first, last, 0, f.height);
    }
    for (size_t y = 0; y < f.height; y++)
        for (size_t x = first; x < last; x++)
            finish(f.out + y * f.row + x * pixel_bytes);
}

// The processes and what they share besides the frames, in memory mapped
// before the workers are forked: the largest window radius of the frame, the
// bounds of the bands of output rows, and the cost of each row and the
// largest radius in each process's rows, from which those follow.
enum Round : unsigned char { scan = 1, bands, rows, cols, load };

static Crew crew;
static struct {
    size_t *reach;    // one
    size_t *bound;    // jobs + 1
    size_t *reach_of; // jobs
    double *cost;     // height + 1: cost[y + 1] is row y's
    // Reading two regular files by position: where the frames start, and how
    // each process's reads of the input (first) and deviation rows ended: 0,
    // an errno value, or -1 for a file that ended early.
    uint64_t *at;     // two
    int64_t *failure; // 2 × jobs
} shared;

// The input and deviation streams, for the processes that read their rows.
static const Stream *files[2];

// Process k's rows of both frames, read by position.
static void load_rows(const Frame &f, size_t k)
{
    const size_t first = f.height * k / settings.jobs, last = f.height * (k + 1) / settings.jobs;
    unsigned char *const frames[2] = {f.in, const_cast<unsigned char *>(f.sd)};
    for (int i = 0; i < 2; i++) {
        const size_t length = (last - first) * f.row;
        const ssize_t got = pread_all(files[i]->fd, frames[i] + first * f.row, length,
                                      off_t(shared.at[i] + first * f.row));
        shared.failure[2 * k + i] = got < 0 ? errno : size_t(got) < length ? -1 : 0;
    }
}

// The cost of each row of process k's share and the largest radius in it.
static void scan_rows(const Frame &f, size_t k)
{
    size_t reach = 0;
    for (size_t y = f.height * k / settings.jobs; y < f.height * (k + 1) / settings.jobs; y++) {
        double c = 0;
        for (size_t x = 0; x < f.width; x++) {
            double s[3];
            bool blurred[3];
            if (!deviations(load_pixel(f.sd + y * f.row + x * pixel_bytes), s, blurred)) {
                c += 1;
                continue;
            }
            const size_t r = radius(s, blurred, f.most);
            reach = std::max(reach, r);
            c += 2 + double(std::min<size_t>(r, f.width + f.height));
        }
        shared.cost[y + 1] = c;
    }
    shared.reach_of[k] = reach;
}

// Bands of output rows that cost about the same, from the scan.
static void divide(const Frame &f)
{
    const size_t jobs = settings.jobs;
    *shared.reach = std::min(*std::max_element(shared.reach_of, shared.reach_of + jobs),
                             f.height - 1);
    double *cost = shared.cost;
    cost[0] = 0;
    for (size_t y = 0; y < f.height; y++)
        cost[y + 1] += cost[y];
    shared.bound[0] = 0;
    for (size_t k = 1, y = 0; k < jobs; k++) {
        const double part = cost[f.height] * double(k) / double(jobs);
        while (y < f.height && cost[y + 1] <= part)
            y++;
        shared.bound[k] = y;
    }
    shared.bound[jobs] = f.height;
}

// Process k's part of a round.
static void work(const Frame &f, Round round, size_t k)
{
    const size_t *b = shared.bound, jobs = settings.jobs;
    switch (round) {
    case scan: scan_rows(f, k); break;
    case bands: blur_band(f, b[k], b[k + 1], *shared.reach); break;
    case rows: rows_in_place(f, b[k], b[k + 1]); break;
    case cols: columns(f, f.width * k / jobs, f.width * (k + 1) / jobs); break;
    case load: load_rows(f, k); break;
    }
}

static void round_in_crew(const Frame &f, Round round)
{
    crew_go(1, crew, round);
    work(f, round, 0);
    crew_wait(1, crew);
}

// The rows of one process's scratch for frames `row` bytes wide, made with
// the first frame: only once the driver has mapped the frames, so that a
// frame too large for memory fails at that mapping ("mmap:"), and an input
// without frames allocates nothing.
static void prepare_scratch(size_t row)
{
    if (!scratch.prepared.empty())
        return;
    scratch.rows.resize(block_rows * row);
    scratch.prepared.resize(row);
}

// The workers are forked at the first frame and stay: the frames lie at the
// same place in memory shared by all, and each round is a message.
static void start_crew(const Frame &f)
{
    prepare_scratch(f.row);
    const size_t jobs = settings.jobs,
                 words = 1 + (jobs + 1) + jobs + (f.height + 1) + 2 + 2 * jobs;
    void *map = mmap(nullptr, words * 8, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                     -1, 0);
    if (map == MAP_FAILED)
        fail(1, "mmap:");
    shared.reach = static_cast<size_t *>(map);
    shared.bound = shared.reach + 1;
    shared.reach_of = shared.bound + jobs + 1;
    shared.cost = reinterpret_cast<double *>(shared.reach_of + jobs);
    shared.at = reinterpret_cast<uint64_t *>(shared.cost + f.height + 1);
    shared.failure = reinterpret_cast<int64_t *>(shared.at + 2);
    const size_t k = crew_start(1, crew, jobs);
    if (k == 0)
        return;
    for (;;) {
        work(f, Round(crew_next(crew)), k);
        crew_report(crew);
    }
}

// One frame.  A single process blurs band by band at once.  Several share
// the rows by bands of about equal cost, each band also reading the source
// rows within reach of it, when that overlap is small; otherwise the rows
// are blurred along themselves first and the columns shared afterwards.
static void blur_frame(const Frame &f)
{
    if (settings.jobs == 1) {
        blur_band(f, 0, f.height, f.height);
        return;
    }
    if (!shared.reach)
        start_crew(f);
    round_in_crew(f, scan);
    divide(f);
    if (!settings.vertical || *shared.reach * (settings.jobs - 1) <= f.height / 16) {
        round_in_crew(f, bands);
        return;
    }
    round_in_crew(f, rows);
    round_in_crew(f, cols);
}

// Both frames read by position, each process reading its share of the rows;
// a failed read ends the program as reading the frames through the streams
// would, the input's failure first.
static void load_frames(const Frame &f, uint64_t at, uint64_t deviation_at)
{
    if (!shared.reach)
        start_crew(f);
    shared.at[0] = at, shared.at[1] = deviation_at;
    round_in_crew(f, load);
    for (int i = 0; i < 2; i++)
        for (size_t k = 0; k < settings.jobs; k++) {
            const int64_t failure = shared.failure[2 * k + i];
            if (failure > 0) {
                errno = int(failure);
                fail(1, "read %s:", files[i]->file);
            }
            if (failure < 0)
                fail(1, "%s: incomplete frame\n", files[i]->file);
        }
}

static const char *parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    for (int letter; (letter = scan_option(cl, "j:s:achvy"));) {
        switch (letter) {
        case 'j': settings.jobs = option_uint(1, 'j', cl.arg, 1, 32767); break;
        case 's':
            if (strcmp(cl.arg, "auto") == 0)
                settings.auto_radius = true;
            else
                settings.spread = option_uint(1, 's', cl.arg, 1, UINT64_MAX);
            break;
        case 'a': settings.no_alpha = true; break;
        case 'c': settings.chroma = true; break;
        case 'h': settings.horizontal = true; break;
        case 'v': settings.vertical = true; break;
        case 'y': settings.one_deviation = true; break;
        }
    }
    if (operand_count(cl) != 1)
        usage(cl);
    if (!settings.horizontal && !settings.vertical)
        settings.horizontal = settings.vertical = true;
    return operands(cl)[0];
}

static Frame frame_of(unsigned char *out, unsigned char *in, unsigned char *sd,
                      const Stream &stream)
{
    return Frame{out, in, sd, stream.width, stream.height, stream.width * pixel_bytes,
                 std::max(stream.width, stream.height)};
}

static void blur(unsigned char *out, unsigned char *in, unsigned char *sd, Stream &stream,
                 Stream &, size_t, size_t)
{
    prepare_scratch(stream.width * pixel_bytes);
    blur_frame(frame_of(out, in, sd, stream));
}

int main(int argc, char **argv)
{
    const char *deviation_path = parse_command_line(argc, argv);
    Stream input, deviation;
    stream_open_pair_and_pass_head(1, input, deviation, deviation_path);
    settings.jobs = std::min(settings.jobs, input.height);

    // Several processes read regular files by position, each its own rows.
    uint64_t at, deviation_at;
    if (settings.jobs > 1 && file_pair_offsets(input, deviation, at, deviation_at)) {
        files[0] = &input, files[1] = &deviation;
        run_file_frame_pairs(1, input, deviation, at, deviation_at, standard_output,
                             [&](unsigned char *out, unsigned char *in, unsigned char *sd,
                                 uint64_t from, uint64_t deviation_from) {
                                 load_frames(frame_of(out, in, sd, input), from, deviation_from);
                             },
                             blur);
    } else {
        run_frame_pairs(1, input, deviation, standard_output, blur);
    }
    crew_end(1, crew);
    return 0;
}
