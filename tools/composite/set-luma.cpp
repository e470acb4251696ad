// rv-set-luma: the luma of standard input multiplied by a control video's
// value (Y weighted by alpha), X and Z moved by the same amount as Y.
#include "control_stream.h"
#include "diagnostics.h"

static const char synopsis[] = "luma-stream";

static void set_luma(Stream &input, Stream &control, size_t n)
{
    change_pixels(input, control, n, [](Pixel &p, const Pixel &k) {
        double y = control_value(k) * p.y;
        double d = y - p.y;
        p.x = p.x + d;
        p.y = y;
        p.z = p.z + d;
    });
}

int main(int argc, char **argv)
{
    run_under_control(scan_flags(argc, argv, synopsis, "", {}, 1)[0], set_luma);
    return 0;
}
