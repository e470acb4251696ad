// rv-gauss-blur: blurs every frame by a Gaussian whose standard deviation is
// given pixel by pixel, channel by channel, by a second stream.  The blur
// scatters: each source pixel spreads its value over its row and then its
// column with a kernel built from its own deviation.  The work on a frame can
// be divided among forked worker processes.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "workers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

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

// Weights w(d) = a·exp(d²·e) of one kernel for the distances 0 … known−1.
// Neighbouring source pixels mostly share their kernels, so the weights are
// kept until the kernel changes: one exponential per distance at most, and
// the same bits as computing every weight afresh.
struct Kernel {
    double s = std::numeric_limits<double>::quiet_NaN(); // last deviation seen
    double a = std::numeric_limits<double>::quiet_NaN(); // NaN: holds nothing
    double e = 0;
    size_t known = 0;
    double *w = nullptr;
};
static Kernel kernels[3];

// The slot holding the kernel of deviation s > 0 with weights for the
// distances below `reach`; a new kernel takes a slot not marked in `busy`.
static unsigned kernel_slot(double s, size_t reach, unsigned busy)
{
    unsigned k = 0;
    while (k < 3 && kernels[k].s != s)
        k++;
    if (k == 3) {
        const double a = 1 / sqrt(((s + s) * s) * pi);
        const double e = -1 / (2 * (s * s));
        for (k = 0; k < 3 && !(kernels[k].a == a && kernels[k].e == e); k++)
            ;
        if (k == 3) {
            for (k = 0; busy & (1u << k); k++)
                ;
            kernels[k].a = a;
            kernels[k].e = e;
            kernels[k].known = 0;
        }
        kernels[k].s = s;
    }
    Kernel &kernel = kernels[k];
    for (; kernel.known < reach; kernel.known++) {
        const double d = double(kernel.known);
        kernel.w[kernel.known] = kernel.a * exp(d * d * kernel.e);
    }
    return k;
}

static void add_double(unsigned char *p, double v) { store_double(p, load_double(p) + v); }

// One row or column of the three frames.
struct Line {
    unsigned char *out;
    const unsigned char *in, *sd;
    size_t step;   // bytes from one position to the next
    size_t length; // positions
};

// Spreads the source pixel at position x of a line over the output line.
static void scatter(const Line &line, size_t x)
{
    const size_t at = x * line.step;
    const Pixel p = load_pixel(line.in + at);
    const Pixel q = load_pixel(line.sd + at);
    const double colour[3] = {p.x, p.y, p.z};
    double s[3];
    if (settings.one_deviation || settings.chroma)
        s[0] = s[1] = s[2] = q.y * q.a;
    else
        s[0] = q.x * q.a, s[1] = q.y * q.a, s[2] = q.z * q.a;
    // Zero, negative and NaN deviations leave a channel unblurred.
    bool blurred[3];
    unsigned n = 0;
    for (int k = 0; k < 3; k++)
        n += blurred[k] = s[k] > 0 && !(settings.chroma && k == 1);
    if (q.a == 0 || n == 0) {
        Pixel o = load_pixel(line.out + at);
        o.x += p.x, o.y += p.y, o.z += p.z, o.a += p.a;
        store_pixel(line.out + at, o);
        return;
    }

    // Radius, clamped to the line so that the window bounds never wrap.
    size_t r = line.length;
    if (settings.auto_radius) {
        double most = 0;
        for (int k = 0; k < 3; k++)
            if (blurred[k])
                most = std::max(most, floor(3 * s[k] + 0.5));
        r = most >= double(line.length) ? line.length : std::max(size_t(most), size_t(1));
    } else if (settings.spread) {
        r = std::min<uint64_t>(settings.spread, line.length);
    }
    const size_t lo = x > r ? x - r : 0;
    const size_t hi = r < line.length - x ? x + r + 1 : line.length;
    const size_t reach = std::max(x - lo, hi - 1 - x) + 1;

    unsigned char *const out = line.out;
    const size_t step = line.step;
    unsigned slot[3] = {0, 0, 0}, busy = 0;
    for (int k = 0; k < 3; k++)
        if (blurred[k]) {
            slot[k] = kernel_slot(s[k], reach, busy);
            busy |= 1u << slot[k];
        }

    if (n == 3 && slot[0] == slot[1] && slot[1] == slot[2]) {
        // Identical kernels: one weight per target for all four channels.
        const double *w = kernels[slot[0]].w;
        for (size_t j = lo; j < hi; j++) {
            const double wj = w[j < x ? x - j : j - x];
            unsigned char *o = out + j * step;
            add_double(o, p.x * wj);
            add_double(o + 8, p.y * wj);
            add_double(o + 16, p.z * wj);
            add_double(o + 24, p.a * wj);
        }
        return;
    }
    for (int k = 0; k < 3; k++) {
        if (!blurred[k]) {
            add_double(out + at + 8 * k, colour[k]);
            continue;
        }
        const double *w = kernels[slot[k]].w;
        for (size_t j = lo; j < hi; j++) {
            const double wj = w[j < x ? x - j : j - x];
            unsigned char *o = out + j * step;
            add_double(o + 8 * k, colour[k] * wj);
            add_double(o + 24, p.a * wj / n);
        }
    }
}

// Runs work(start, end) on shares of [0, count) in `jobs` processes and
// returns in the parent once all of them are done.
template <class Work>
static void phase(size_t count, Work &&work)
{
    size_t start = 0, end = count;
    pid_t *workers;
    const int parent = fork_workers(1, &start, &end, settings.jobs, &workers);
    work(start, end);
    join_workers(1, parent, workers);
}

// Colour weighted by alpha and, with -c, made relative to Y.
static void prepare(unsigned char *p)
{
    Pixel v = load_pixel(p);
    if (!settings.no_alpha)
        v.x *= v.a, v.y *= v.a, v.z *= v.a;
    if (settings.chroma)
        v.x = v.x / white_x - v.y, v.z = v.z / white_z - v.y;
    store_pixel(p, v);
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

// A frame in at most two rounds of processes: by rows the preparation and the
// horizontal pass (each row needs only itself), by columns the vertical pass
// (a source row reaches every row of its column, so each process owns whole
// columns and no two add into the same sample).  The finish goes with the
// last pass.
static void blur_frame(unsigned char *out, unsigned char *in, const unsigned char *sd,
                       size_t width, size_t height)
{
    const size_t row = width * pixel_bytes;
    const bool prepared = settings.chroma || !settings.no_alpha;

    if (prepared || settings.horizontal)
        phase(height, [&](size_t start, size_t end) {
            for (size_t y = start; y < end; y++) {
                unsigned char *in_row = in + y * row, *out_row = out + y * row;
                if (prepared)
                    for (size_t x = 0; x < width; x++)
                        prepare(in_row + x * pixel_bytes);
                if (!settings.horizontal)
                    continue;
                memset(out_row, 0, row);
                const Line line{out_row, in_row, sd + y * row, pixel_bytes, width};
                for (size_t x = 0; x < width; x++)
                    scatter(line, x);
                if (settings.vertical)
                    memcpy(in_row, out_row, row);
                else
                    for (size_t x = 0; x < width; x++)
                        finish(out_row + x * pixel_bytes);
            }
        });

    if (settings.vertical)
        phase(width, [&](size_t start, size_t end) {
            const size_t band = start * pixel_bytes, bytes = (end - start) * pixel_bytes;
            for (size_t y = 0; y < height; y++)
                memset(out + y * row + band, 0, bytes);
            for (size_t y = 0; y < height; y++)
                for (size_t x = start; x < end; x++)
                    scatter(Line{out + x * pixel_bytes, in + x * pixel_bytes,
                                 sd + x * pixel_bytes, row, height},
                            y);
            for (size_t y = 0; y < height; y++)
                for (size_t x = start; x < end; x++)
                    finish(out + y * row + x * pixel_bytes);
        });
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    for (int letter; (letter = scan_option(cl, "j:s:achvy"));) {
        switch (letter) {
        case 'j': settings.jobs = option_uint('j', cl.arg, 1, 32767); break;
        case 's':
            if (strcmp(cl.arg, "auto") == 0)
                settings.auto_radius = true;
            else
                settings.spread = option_uint('s', cl.arg, 1, UINT64_MAX);
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

    Stream input, deviation;
    stream_open(1, input, nullptr);
    stream_open(1, deviation, operands(cl)[0]);
    stream_check_compatible(1, input, deviation);
    settings.jobs = std::min(settings.jobs, input.height);
    stream_emit_head(1, input);

    run_frame_pairs(1, input, deviation, 1, "<stdout>",
                    [](unsigned char *out, unsigned char *in, unsigned char *sd,
                       Stream &stream, Stream &, size_t, size_t) {
                        // The weight tables, once the frame size is known to fit.
                        if (!kernels[0].w) {
                            const size_t most = std::max(stream.width, stream.height);
                            for (Kernel &kernel : kernels)
                                kernel.w = reinterpret_cast<double *>(
                                    allocate_bytes(1, most * sizeof *kernel.w));
                        }
                        blur_frame(out, in, sd, stream.width, stream.height);
                    });
    return 0;
}
