// rv-single-colour: a stream of frames of one colour, finite or endless.
#include "diagnostics.h"
#include "numbers.h"
#include "stream_format.h"

#include <cstring>

static const char synopsis[] = "[-f frames | -f 'inf'] -w width -h height (X Y Z | Y) [alpha]";

// One prepared buffer of pixels, written again and again.
constexpr size_t colour_pixels = 32768;

static Pixel parse_colour(char **words, int count)
{
    Pixel colour;
    if (count >= 3) {
        colour.x = operand_double(1, "the X value", words[0]);
        colour.y = operand_double(1, "the Y value", words[1]);
        colour.z = operand_double(1, "the Z value", words[2]);
    } else {
        colour.y = operand_double(1, "the Y value", words[0]);
        colour.x = colour.y * white_x;
        colour.z = colour.y * white_z;
    }
    colour.a = count % 2 == 0 ? operand_double(1, "the alpha value", words[count - 1]) : 1.0;
    return colour;
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    uint64_t frames = 1, width = 0, height = 0;
    bool endless = false;
    for (int letter; (letter = scan_option(cl, "f:w:h:"));) {
        switch (letter) {
        case 'f':
            endless = strcmp(cl.arg, "inf") == 0;
            if (!endless)
                frames = option_uint(1, 'f', cl.arg, 1, UINT64_MAX);
            break;
        case 'w': width = option_uint(1, 'w', cl.arg, 1, UINT64_MAX); break;
        case 'h': height = option_uint(1, 'h', cl.arg, 1, UINT64_MAX); break;
        }
    }
    int count = operand_count(cl);
    if (!width || !height || count < 1 || count > 4)
        usage(cl);
    Pixel colour = parse_colour(operands(cl), count);

    // Rows and frames must have a byte size before anything is written.
    require_frame_size(1, width, height, pixel_bytes, nullptr, standard_output.name);
    const uint64_t row_bytes = width * pixel_bytes;

    if (endless)
        refuse_regular_output(1, 1, standard_output.name);
    Stream head{};
    head.frames = endless ? 0 : frames;
    head.width = width;
    head.height = height;
    strcpy(head.pixfmt, "xyza");
    stream_print_and_flush_head(1, head);

    static Pixel buffer[colour_pixels];
    for (Pixel &p : buffer)
        p = colour;
    // Every pixel is the same, so a frame is the buffer written again and again.
    const uint64_t frame_bytes = row_bytes * height;
    for (uint64_t f = 0; endless || f < frames; f++)
        write_repeated_or_fail(1, standard_output, buffer, sizeof buffer, frame_bytes);
    return 0;
}
