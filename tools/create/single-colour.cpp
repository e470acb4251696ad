// rv-single-colour: a stream of frames of one colour, finite or endless.
#include "diagnostics.h"
#include "real_operand.h"
#include "stream_format.h"

#include <cstring>

static const char synopsis[] = "[-f frames | -f 'inf'] -w width -h height (X Y Z | Y) [alpha]";

// One prepared buffer of pixels, written again and again.
constexpr size_t colour_pixels = 32768;

static Pixel parse_colour(char **words, int count)
{
    Pixel colour;
    if (count >= 3) {
        colour.x = operand_double("the X value", words[0]);
        colour.y = operand_double("the Y value", words[1]);
        colour.z = operand_double("the Z value", words[2]);
    } else {
        colour.y = operand_double("the Y value", words[0]);
        colour.x = colour.y * white_x;
        colour.z = colour.y * white_z;
    }
    colour.a = count % 2 == 0 ? operand_double("the alpha value", words[count - 1]) : 1.0;
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
                frames = option_uint('f', cl.arg, 1, UINT64_MAX);
            break;
        case 'w': width = option_uint('w', cl.arg, 1, UINT64_MAX); break;
        case 'h': height = option_uint('h', cl.arg, 1, UINT64_MAX); break;
        }
    }
    int count = operand_count(cl);
    if (!width || !height || count < 1 || count > 4)
        usage(cl);
    Pixel colour = parse_colour(operands(cl), count);

    // Rows and frames must have a byte size before anything is written.
    require_frame_size(1, width, height, pixel_bytes, nullptr, "<stdout>");
    const uint64_t row_bytes = width * pixel_bytes;

    if (endless)
        refuse_regular_output(1, 1, "<stdout>");
    Stream head{};
    head.frames = endless ? 0 : frames;
    head.width = width;
    head.height = height;
    strcpy(head.pixfmt, "xyza");
    stream_emit_head(1, head);

    static Pixel buffer[colour_pixels];
    for (Pixel &p : buffer)
        p = colour;
    // Every pixel is the same, so a frame is the buffer written again and again.
    const uint64_t frame_bytes = row_bytes * height;
    for (uint64_t f = 0; endless || f < frames; f++)
        if (write_repeated(1, buffer, sizeof buffer, frame_bytes))
            fail(1, "write %s:", "<stdout>");
    return 0;
}
