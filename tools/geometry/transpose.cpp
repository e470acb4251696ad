// rv-transpose: rows and columns of every frame exchanged.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

#include <algorithm>

static const char synopsis[] = "";

// Output rows are made this many at a time into a small buffer and written
// while they are still in the cache.
constexpr size_t block = 16;

// Output rows [x0, x1) of the transpose of a width x height frame into `out`:
// input pixel (x, y) goes to output row x, column y.
static void transpose_rows(unsigned char *out, const unsigned char *in, size_t width,
                           size_t height, size_t x0, size_t x1, size_t p)
{
    for (size_t y = 0; y < height; y++)
        for (size_t x = x0; x < x1; x++)
            copy_pixel(out + ((x - x0) * height + y) * p, in + (y * width + x) * p, p);
}

// The transposed frame, written a block of output rows at a time.
static void write_transposed(const unsigned char *in, unsigned char *rows, const Stream &stream)
{
    const size_t p = stream.pixel_size, row = stream.height * p;
    for (size_t x0 = 0; x0 < stream.width; x0 += block) {
        const size_t x1 = std::min(stream.width, x0 + block);
        transpose_rows(rows, in, stream.width, stream.height, x0, x1, p);
        write_or_fail(1, standard_output, rows, (x1 - x0) * row);
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
    unsigned char *rows = allocate_or_fail(1, std::min(stream.width, block) * stream.height *
                                                  stream.pixel_size);
    while (stream_read_frame(1, stream, in, frame_size))
        write_transposed(in, rows, stream);
    free(rows);
    free(in);
    return 0;
}
