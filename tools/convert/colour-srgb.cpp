// rv-colour-srgb: the CIE XYZ of one sRGB colour, printed as a line of text
// that rv-single-colour takes as its colour.
#include "colour.h"
#include "diagnostics.h"
#include "numbers.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "[-d depth] [-l] red green blue";

constexpr int default_depth = 8;

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    int depth = default_depth;
    bool linear = false;
    for (int letter; (letter = scan_option(cl, "d:l"));) {
        switch (letter) {
        case 'd': depth = option_int(1, 'd', cl.arg, 1, 64); break;
        case 'l': linear = true; break;
        }
    }
    if (operand_count(cl) != 3)
        usage(cl);
    char **words = operands(cl);
    double r = operand_double(1, "the red value", words[0]);
    double g = operand_double(1, "the green value", words[1]);
    double b = operand_double(1, "the blue value", words[2]);

    // The values run from 0 to 2^depth - 1; nothing is clamped.
    const double scale = double(UINT64_MAX >> (64 - depth));
    r /= scale;
    g /= scale;
    b /= scale;
    if (!linear) {
        r = srgb_decode(r);
        g = srgb_decode(g);
        b = srgb_decode(b);
    }
    Xyz c = rgb_to_xyz(r, g, b);
    printf("%lf %lf %lf\n", c.x, c.y, c.z);
    close_stdio(1, stdout, standard_output.name);
    return 0;
}
