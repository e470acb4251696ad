// rv-invert-luma: the luma of standard input inverted where a mask video's
// value is high, X and Z moved along the white point by the same amount so
// that only the lightness flips.
#include "control_stream.h"
#include "diagnostics.h"

static const char synopsis[] = "[-iw] mask-stream";

// With mask value m, luma y becomes (1 - y)m + (1 - m)y: 1 - y where m is 1,
// y where m is 0.  The white point is D65, or with -w the mask's X and Z.
template <bool inverted, bool mask_white>
static void invert_luma(Stream &input, Stream &mask, size_t n)
{
    change_pixels(input, mask, n, [](Pixel &p, const Pixel &k) {
        double m = control_value<inverted>(k);
        double y = (1 - p.y) * m + (1 - m) * p.y;
        double d = y - p.y;
        p.x = p.x + d * (mask_white ? k.x : white_x);
        p.y = y;
        p.z = p.z + d * (mask_white ? k.z : white_z);
    });
}

int main(int argc, char **argv)
{
    bool inverted = false, mask_white = false;
    const char *mask = scan_flags(argc, argv, synopsis, "iw", {&inverted, &mask_white}, 1)[0];
    static void (*const routines[2][2])(Stream &, Stream &, size_t) = {
        {invert_luma<false, false>, invert_luma<false, true>},
        {invert_luma<true, false>, invert_luma<true, true>},
    };
    run_under_control(mask, routines[inverted][mask_white]);
    return 0;
}
