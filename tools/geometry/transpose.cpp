// rv-transpose: rows and columns of every frame exchanged.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

#include <algorithm>

static const char synopsis[] = "";

// Pixels per side of the blocks the frame is walked in, so that the rows of
// both frames a block touches stay in the cache.
constexpr size_t block = 16;

// Input pixel (x, y) of a width x height frame goes to output row x, column y.
static void transpose(unsigned char *out, const unsigned char *in, size_t width,
                      size_t height, size_t p)
{
    for (size_t y0 = 0; y0 < height; y0 += block) {
        const size_t y1 = std::min(height, y0 + block);
        for (size_t x0 = 0; x0 < width; x0 += block) {
            const size_t x1 = std::min(width, x0 + block);
            for (size_t y = y0; y < y1; y++)
                for (size_t x = x0; x < x1; x++)
                    copy_pixel(out + (x * height + y) * p, in + (y * width + x) * p, p);
        }
    }
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    stream_open(1, stream, nullptr);
    Stream head = stream;
    std::swap(head.width, head.height);
    stream_print_and_flush_head(1, head);

    require_frame_size(1, head.width, head.height, stream.pixel_size, nullptr, stream.file);
    const size_t frame_size = stream.width * stream.height * stream.pixel_size;
    unsigned char *in = allocate_or_fail(1, frame_size);
    unsigned char *out = allocate_or_fail(1, frame_size);
    while (stream_read_frame(1, stream, in, frame_size)) {
        transpose(out, in, stream.width, stream.height, stream.pixel_size);
        write_or_fail(1, standard_output, out, frame_size);
    }
    free(out);
    free(in);
    return 0;
}
