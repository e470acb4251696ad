// rv-stack: videos of one geometry laid over one another by their alpha, the
// first named at the bottom; with -b blended so that opaque layers contribute
// equal shares.  The output lasts as long as the longest input.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

#include <algorithm>

static const char synopsis[] = "[-b] bottom-stream ... top-stream";

// Lays the layers still running over the bottom one, pixel by pixel, into
// the bottom's buffer.  A layer covers what lies below by its alpha; blended,
// the layer at position i (0 at the bottom) covers by its alpha / (i + 1).
template <bool blend>
static void stack(Stream *layers, size_t count, size_t n)
{
    if (count < 2)
        return;
    for (size_t i = 0; i < n; i += pixel_bytes) {
        Pixel p = load_pixel(layers[0].buf + i);
        for (size_t k = 1; k < count; k++) {
            Pixel top = load_pixel(layers[k].buf + i);
            double x = blend ? top.a / double(k + 1) : top.a;
            p.x = p.x * p.a * (1 - x) + top.x * x;
            p.y = p.y * p.a * (1 - x) + top.y * x;
            p.z = p.z * p.a * (1 - x) + top.z * x;
            p.a = p.a * (1 - x) + x;
        }
        store_pixel(layers[0].buf + i, p);
    }
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool blend = false;
    while (scan_option(cl, "b"))
        blend = true;
    if (operand_count(cl) < 2)
        usage(cl);
    const size_t count = size_t(operand_count(cl));

    Stream *layers = allocate_streams_or_fail(1, count);
    // The output runs as long as the longest input; an input of unknown
    // length (frame count 0) makes the output's length unknown too.
    size_t frames = 0;
    bool endless = false;
    for (size_t i = 0; i < count; i++) {
        stream_open(1, layers[i], operands(cl)[i]);
        endless |= layers[i].frames == 0;
        frames = std::max(frames, layers[i].frames);
    }
    // Every layer agrees with the bottom one before the head is printed.
    for (size_t i = 1; i < count; i++)
        stream_check_compatible(1, layers[0], layers[i]);
    Stream head = layers[0];
    head.frames = endless ? 0 : frames;
    stream_print_and_flush_head(1, head);
    run_many_streams(1, layers, count, standard_output, blend ? stack<true> : stack<false>);
    free(layers);
    return 0;
}
