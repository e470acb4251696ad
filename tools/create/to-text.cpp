// rv-to-text: a stream as text, the head line and then one line per pixel.
#include "diagnostics.h"
#include "drivers.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "";

static void print_pixels(Stream &stream, size_t n)
{
    for (size_t i = 0; i < n; i += stream.pixel_size) {
        const unsigned char *p = stream.buf + i;
        printf("%lf %lf %lf %lf\n", load_double(p), load_double(p + 8), load_double(p + 16),
               load_double(p + 24));
    }
}

int main(int argc, char **argv)
{
    scan_bare(argc, argv, synopsis);
    Stream stream;
    stream_open(1, stream, nullptr);
    printf("%zu %zu %zu %s\n", stream.frames, stream.width, stream.height, stream.pixfmt);
    run_chunks(1, stream, print_pixels);
    close_stdio(1, stdout, "<stdout>");
    return 0;
}
