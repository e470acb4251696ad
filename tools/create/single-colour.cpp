// rv-single-colour: a stream of frames of one colour, finite or endless.
#include "diagnostics.h"
#include "numbers.h"
#include "stream_format.h"

#include <cstring>

static const char synopsis[] = "[-f frames | -f 'inf'] -w width -h height (X Y Z | Y) [alpha]";

// One prepared buffer of pixels, written again and again.
constexpr size_t colour_pixels = 32768;

// What the command line asks for.
struct Settings {
    uint64_t frames = 1;
    bool endless = false; // -f inf
    uint64_t width = 0, height = 0;
    Pixel colour{};
};

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

static Settings parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Settings settings;
    for (int letter; (letter = scan_option(cl, "f:w:h:"));) {
        switch (letter) {
        case 'f':
            settings.endless = strcmp(cl.arg, "inf") == 0;
            if (!settings.endless)
                settings.frames = option_uint(1, 'f', cl.arg, 1, UINT64_MAX);
            break;
        case 'w': settings.width = option_uint(1, 'w', cl.arg, 1, UINT64_MAX); break;
        case 'h': settings.height = option_uint(1, 'h', cl.arg, 1, UINT64_MAX); break;
        }
    }
    int count = operand_count(cl);
    if (!settings.width || !settings.height || count < 1 || count > 4)
        usage(cl);
    settings.colour = parse_colour(operands(cl), count);
    return settings;
}

static void print_head(const Settings &settings)
{
    Stream head{};
    head.frames = settings.endless ? 0 : settings.frames;
    head.width = settings.width;
    head.height = settings.height;
    strcpy(head.pixfmt, "xyza");
    stream_print_and_flush_head(1, head);
}

// Every pixel is the same, so a frame is one buffer written again and again.
static void write_frames(const Settings &settings, uint64_t frame_bytes)
{
    static Pixel buffer[colour_pixels];
    for (Pixel &p : buffer)
        p = settings.colour;
    for (uint64_t f = 0; settings.endless || f < settings.frames; f++)
        write_repeated_or_fail(1, standard_output, buffer, sizeof buffer, frame_bytes);
}

int main(int argc, char **argv)
{
    const Settings settings = parse_command_line(argc, argv);
    // Rows and frames must have a byte size before anything is written.
    require_frame_size(1, settings.width, settings.height, pixel_bytes, nullptr,
                       standard_output.name);
    if (settings.endless)
        refuse_regular_output(1, 1, standard_output.name);
    print_head(settings);
    write_frames(settings, settings.width * pixel_bytes * settings.height);
    return 0;
}
