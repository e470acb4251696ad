// rv-flop: every frame mirrored left to right, one row at a time.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

static const char synopsis[] = "";

// Input pixel k goes to output position width - 1 - k.
static void mirror_row(unsigned char *out, const unsigned char *in, size_t width, size_t p)
{
    for (size_t k = 0; k < width; k++)
        copy_pixel(out + (width - 1 - k) * p, in + k * p, p);
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    stream_open_and_pass_head(1, stream);

    // Rows are the unit: an input that ends between two rows ends the output there.
    require_frame_size(1, stream.width, 1, stream.pixel_size, nullptr, stream.file);
    const size_t row = stream.width * stream.pixel_size;
    unsigned char *in = allocate_or_fail(1, row);
    unsigned char *out = allocate_or_fail(1, row);
    while (stream_read_frame(1, stream, in, row)) {
        mirror_row(out, in, stream.width, stream.pixel_size);
        write_or_fail(1, standard_output, out, row);
    }
    free(out);
    free(in);
    return 0;
}
