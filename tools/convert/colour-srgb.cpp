// rv-colour-srgb: the CIE XYZ of one sRGB colour, printed as a line of text
// that rv-single-colour takes as its colour.
#include "colour.h"
#include "diagnostics.h"
#include "numbers.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "[-d depth] [-l] red green blue";

constexpr int default_depth = 8;

struct Options {
    int depth = default_depth; // -d: bits per value, 1 to 64
    bool linear = false;       // -l: the values are linear, not sRGB-encoded
    double red, green, blue;
};

static Options parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Options options;
    for (int letter; (letter = scan_option(cl, "d:l"));) {
        if (letter == 'd')
            options.depth = option_depth(1, cl.arg);
        else
            options.linear = true;
    }
    if (operand_count(cl) != 3)
        usage(cl);
    char **words = operands(cl);
    options.red = operand_double(1, "the red value", words[0]);
    options.green = operand_double(1, "the green value", words[1]);
    options.blue = operand_double(1, "the blue value", words[2]);
    return options;
}

int main(int argc, char **argv)
{
    const Options options = parse_command_line(argc, argv);
    // The values run from 0 to 2^depth - 1; nothing is clamped.
    const double scale = double(depth_maxval(options.depth));
    double r = options.red / scale, g = options.green / scale, b = options.blue / scale;
    if (!options.linear) {
        r = srgb_decode(r);
        g = srgb_decode(g);
        b = srgb_decode(b);
    }
    Xyz c = rgb_to_xyz(r, g, b);
    printf("%lf %lf %lf\n", c.x, c.y, c.z);
    close_stdio(1, stdout, standard_output.name);
    return 0;
}
