// rv-to-text: a stream as text, the head line and then one line per pixel,
// its four values as "%lf %lf %lf %lf\n" prints them.
#include "diagnostics.h"
#include "drivers.h"
#include "number_text.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "";

// Standard output, gathered in large blocks.  Static, so that the lines of the
// pixels already read still reach standard output when a read fails.
static TextOutput out(1);

// The longest line: four numbers, three blanks and the newline.
constexpr size_t line_max = 4 * fixed_text_max + 4;

static void print_head(const Stream &stream)
{
    constexpr size_t head_max = 3 * 20 + 3 + sizeof stream.pixfmt + 1;
    char *line = text_output_room(out, head_max);
    int length = snprintf(line, head_max, "%zu %zu %zu %s\n", stream.frames, stream.width,
                          stream.height, stream.pixfmt);
    text_output_advance(out, line + length);
}

static void print_pixels(Stream &stream, size_t n)
{
    if (out.error)
        return; // nothing more can be written; the input is still read to its end
    for (size_t i = 0; i < n; i += stream.pixel_size) {
        const unsigned char *p = stream.buf + i;
        char *line = text_output_room(out, line_max);
        line = format_fixed(line, load_double(p));
        *line++ = ' ';
        line = format_fixed(line, load_double(p + 8));
        *line++ = ' ';
        line = format_fixed(line, load_double(p + 16));
        *line++ = ' ';
        line = format_fixed(line, load_double(p + 24));
        *line++ = '\n';
        text_output_advance(out, line);
    }
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    stream_open(1, stream, nullptr);
    print_head(stream);
    run_chunks(1, stream, print_pixels);
    close_text_output(1, out, stdout, standard_output.name);
    return 0;
}
