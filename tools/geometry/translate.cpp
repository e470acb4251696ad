// rv-translate: every frame shifted by whole pixels, by offsets read per frame
// from a stream of 1x1 frames; uncovered areas become zero bytes, or with -w
// the frame wraps around.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

#include <cmath>
#include <cstdint>

static const char synopsis[] = "[-wp] translation-stream";

// Zero bytes for the uncovered areas, written again and again.
static const unsigned char zeros[256 * 1024] = {};

struct Offsets {
    int64_t dx = 0; // columns to the right
    int64_t dy = 0; // rows down
};

// Rounded to the nearest integer, halves away from zero.  NaN means no shift,
// and values beyond the 64-bit range stop at its ends.
static int64_t whole_offset(double value)
{
    double r = std::round(value);
    if (r != r)
        return 0;
    if (r >= 9223372036854775808.0)
        return INT64_MAX;
    if (r <= -9223372036854775808.0)
        return INT64_MIN;
    return int64_t(r);
}

// The translation stream, read one pixel per frame straight from its buffer.
// When it runs out, the last offsets stay in force.
struct Translation {
    Stream stream;
    bool negate;
    bool ended = false;
    Offsets offsets;
};

static void next_offsets(Translation &t)
{
    Stream &s = t.stream;
    while (!t.ended && s.fill < s.pixel_size)
        t.ended = stream_fill(1, s, SIZE_MAX) == 0;
    if (t.ended)
        return;
    double x = load_double(s.buf), y = load_double(s.buf + sizeof(double));
    if (t.negate) {
        x = -x;
        y = -y;
    }
    t.offsets = Offsets{whole_offset(x), whole_offset(y)};
    stream_drop(s, s.pixel_size);
}

// d mod n in [0, n), for any signed d.
static size_t wrap(int64_t d, size_t n)
{
    if (d >= 0)
        return uint64_t(d) % n;
    size_t back = (0 - uint64_t(d)) % n;
    return back ? n - back : 0;
}

// min(max(d, 0), n): how far a positive offset reaches into n rows or columns.
static size_t reach(int64_t d, size_t n)
{
    return d > 0 && uint64_t(d) < n ? size_t(d) : d > 0 ? n : 0;
}

// min(max(-d, 0), n).
static size_t reach_back(int64_t d, size_t n)
{
    return d < 0 && 0 - uint64_t(d) < n ? size_t(0 - uint64_t(d)) : d < 0 ? n : 0;
}

static void write_zeros(uint64_t count)
{
    write_repeated_or_fail(1, standard_output, zeros, sizeof zeros, count);
}

// -w: whole frames.  Output pixel (x, y) is input pixel ((x - dx) mod W,
// (y - dy) mod H); each output row is written in two pieces straight from the
// frame.
static void run_wrapping(Stream &in, Translation &t)
{
    const size_t frame_size = stream_frame_size(1, in);
    const size_t p = in.pixel_size, row = in.width * p, H = in.height;
    unsigned char *frame = allocate_or_fail(1, frame_size);
    // Two pieces a row; a row is at least one pixel of 32 bytes.
    iovec *pieces = reinterpret_cast<iovec *>(allocate_or_fail(1, 2 * H * sizeof(iovec)));
    while (stream_read_frame(1, in, frame, frame_size)) {
        next_offsets(t);
        const size_t sx = (in.width - wrap(t.offsets.dx, in.width)) % in.width * p;
        const size_t sy = wrap(t.offsets.dy, H);
        for (size_t y = 0; y < H; y++) {
            unsigned char *src = frame + (y + H - sy) % H * row;
            pieces[2 * y] = iovec{src + sx, row - sx};
            pieces[2 * y + 1] = iovec{src, sx};
        }
        writev_or_fail(1, standard_output, pieces, 2 * H);
    }
    free(pieces);
    free(frame);
}

// Without -w: one row at a time.  Output pixel (x, y) is input pixel
// (x - dx, y - dy) where that lies inside the frame, zero bytes elsewhere;
// exactly H input rows are consumed per frame.
static void run_filling(Stream &in, Translation &t)
{
    require_frame_size(1, in.width, 1, in.pixel_size, nullptr, in.file);
    const size_t p = in.pixel_size, row = in.width * p, H = in.height;
    unsigned char *buffer = allocate_or_fail(1, row);
    while (stream_read_frame(1, in, buffer, row)) {
        next_offsets(t);
        const size_t top = reach(t.offsets.dy, H);        // zero rows above
        const size_t skip = reach_back(t.offsets.dy, H);  // input rows dropped above
        const size_t zl = reach(t.offsets.dx, in.width) * p;
        const size_t sl = reach_back(t.offsets.dx, in.width) * p;
        const size_t kept_end = H - top; // input rows [skip, kept_end) are shown
        for (size_t r = 0; r < top; r++)
            write_zeros(row);
        for (size_t i = 0; i < H; i++) {
            if (i > 0 && !stream_read_frame(1, in, buffer, row))
                fail(1, "%s: file is shorter than expected\n", in.file);
            if (i >= skip && i < kept_end) {
                write_zeros(zl);
                write_or_fail(1, standard_output, buffer + sl, row - zl - sl);
                write_zeros(sl);
            }
            if (i + 1 == kept_end)
                for (size_t r = 0; r < skip; r++)
                    write_zeros(row);
        }
    }
    free(buffer);
}

int main(int argc, char **argv)
{
    bool wrapping = false, negate = false;
    const char *translation = scan_flags(argc, argv, synopsis, "wp", {&wrapping, &negate}, 1)[0];
    Stream in;
    stream_open(1, in, nullptr);
    Translation t{{}, negate, false, {}};
    stream_open(1, t.stream, translation);
    if (t.stream.width != 1 || t.stream.height != 1)
        fail(1, "translation-stream does not have 1x1 geometry\n");
    stream_print_and_flush_head(1, in);

    if (wrapping)
        run_wrapping(in, t);
    else
        run_filling(in, t);
    if (t.stream.fd >= 0)
        stream_close(t.stream);
    return 0;
}
