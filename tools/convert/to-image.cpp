// rv-to-image: a stream as images, PAM with four samples of 1 to 64 bits per
// pixel, one image a frame, or farbfeld, which holds a single frame.  Colour
// is clamped to sRGB's range and encoded; alpha is clamped and stored linearly.
#include "colour.h"
#include "diagnostics.h"
#include "drivers.h"

#include <cstdio>
#include <cstring>

static const char synopsis[] = "[-d depth | -f]";

constexpr int default_depth = 16;
// farbfeld samples are 16 bits.
constexpr int farbfeld_depth = 16;

struct Options {
    int depth = default_depth; // -d: bits per sample, 1 to 64
    bool farbfeld = false;     // -f: farbfeld instead of PAM
};

struct Quantiser {
    uint64_t maxval; // 2^depth - 1
    double scale;    // maxval as a double (2^64 at depth 64)
    size_t bytes;    // bytes per sample
};

// Into [0, 1]; NaN counts as 0.
static double clamp_unit(double v) { return v > 0 ? (v < 1 ? v : 1) : 0; }

// A value in [0, 1] as a sample.  Above depth 52 the scale rounds up, so the
// product may pass maxval (or 2^64): such samples saturate.
static uint64_t quantise(double v, const Quantiser &q)
{
    double s = v * q.scale + 0.5;
    if (!(s < 18446744073709551616.0))
        return q.maxval;
    uint64_t sample = uint64_t(s);
    return sample < q.maxval ? sample : q.maxval;
}

// The low `bytes` bytes of a sample, most significant first.
static void store_sample(unsigned char *p, uint64_t sample, size_t bytes)
{
    for (size_t i = bytes; i-- > 0; sample >>= 8)
        p[i] = static_cast<unsigned char>(sample);
}

// The four samples of one pixel, R, G, B and A, at `out`.
static void convert_pixel(const unsigned char *in, unsigned char *out, const Quantiser &q)
{
    Pixel p = load_pixel(in);
    Rgb c = xyz_to_rgb(p.x, p.y, p.z);
    const uint64_t samples[4] = {
        quantise(srgb_encode(clamp_unit(c.r)), q),
        quantise(srgb_encode(clamp_unit(c.g)), q),
        quantise(srgb_encode(clamp_unit(c.b)), q),
        quantise(clamp_unit(p.a), q),
    };
    for (uint64_t sample : samples) {
        store_sample(out, sample, q.bytes);
        out += q.bytes;
    }
}

static void store_be32(unsigned char *p, uint32_t v)
{
    for (int i = 3; i >= 0; i--, v >>= 8)
        p[i] = static_cast<unsigned char>(v);
}

static void print_farbfeld_head(const Stream &stream)
{
    if (stream.width > UINT32_MAX)
        fail(1, "%s: frame is too wide\n", stream.file);
    if (stream.height > UINT32_MAX)
        fail(1, "%s: frame is too tall\n", stream.file);
    unsigned char head[16] = {'f', 'a', 'r', 'b', 'f', 'e', 'l', 'd'};
    store_be32(head + 8, uint32_t(stream.width));
    store_be32(head + 12, uint32_t(stream.height));
    fwrite(head, 1, sizeof head, stdout);
}

// The head of every PAM image, one for each frame.
struct PamHead {
    char text[128];
    size_t length;
};

static PamHead pam_head(const Stream &stream, uint64_t maxval)
{
    PamHead head;
    int n = snprintf(head.text, sizeof head.text,
                     "P7\nWIDTH %zu\nHEIGHT %zu\nDEPTH 4\nMAXVAL %llu\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                     stream.width, stream.height, (unsigned long long)maxval);
    head.length = size_t(n);
    return head;
}

static Options parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Options options;
    for (int letter; (letter = scan_option(cl, "d:f"));) {
        if (letter == 'd')
            options.depth = option_depth(1, cl.arg);
        else
            options.farbfeld = true;
    }
    if ((options.farbfeld && options.depth != farbfeld_depth) || operand_count(cl))
        usage(cl);
    return options;
}

static Quantiser quantiser_for(int depth)
{
    const uint64_t maxval = depth_maxval(depth);
    return Quantiser{maxval, double(maxval), size_t(depth + 7) / 8};
}

// The first image's head comes at once, even for a stream without pixels.
static void print_first_head(const Stream &stream, bool farbfeld, const PamHead &head)
{
    if (farbfeld)
        print_farbfeld_head(stream);
    else
        fwrite(head.text, 1, head.length, stdout);
    if (fflush(stdout) || ferror(stdout))
        fail(1, "%s:", standard_output.name);
}

// Frames go by the pixels that arrive, whatever the head's frame count says:
// the first pixel after a whole frame begins the next image, with a head of
// its own.
static void convert_frames(Stream &stream, const Quantiser &q, bool farbfeld,
                           const PamHead &head)
{
    uint64_t frame_pixels, left;
    if (__builtin_mul_overflow(stream.width, stream.height, &frame_pixels))
        frame_pixels = UINT64_MAX; // more than any input holds
    left = frame_pixels;
    // A pixel equal to the one before it (flat areas) is not converted again.
    unsigned char last[pixel_bytes], last_samples[4 * sizeof(uint64_t)];
    bool have_last = false;
    run_chunks(1, stream, [&](Stream &s, size_t n) {
        // 32 bytes in give at most 32 bytes out.
        unsigned char out[stream_buffer_size];
        const size_t size = 4 * q.bytes;
        size_t length = 0;
        for (size_t i = 0; i < n; i += s.pixel_size, length += size) {
            if (!left) {
                write_or_fail(1, standard_output, out, length);
                length = 0;
                if (farbfeld)
                    fail(1, "%s: farbfeld holds one image, the stream has more frames\n",
                         s.file);
                write_or_fail(1, standard_output, head.text, head.length);
                left = frame_pixels;
            }
            left--;
            if (!have_last || memcmp(s.buf + i, last, pixel_bytes) != 0) {
                memcpy(last, s.buf + i, pixel_bytes);
                convert_pixel(last, last_samples, q);
                have_last = true;
            }
            memcpy(out + length, last_samples, size);
        }
        write_or_fail(1, standard_output, out, length);
    });
}

int main(int argc, char **argv)
{
    const Options options = parse_command_line(argc, argv);
    Stream stream;
    stream_open(1, stream, nullptr);
    const Quantiser q = quantiser_for(options.depth);
    const PamHead head = pam_head(stream, q.maxval);
    print_first_head(stream, options.farbfeld, head);
    convert_frames(stream, q, options.farbfeld, head);
    return 0;
}
