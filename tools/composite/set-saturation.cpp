// rv-set-saturation: the chroma of standard input, measured against a white
// point, multiplied by a control video's value (Y weighted by alpha); the
// luma stays.  0 gives grey, 1 leaves the pixel, above 1 saturates.
#include "control_stream.h"
#include "diagnostics.h"

static const char synopsis[] = "[-w] saturation-stream";

// The white point is D65, or with -w the control pixel's X and Z.
template <bool control_white>
static void set_saturation(Stream &input, Stream &control, size_t n)
{
    change_pixels(input, control, n, [](Pixel &p, const Pixel &k) {
        double m = control_value(k);
        double wx = control_white ? k.x : white_x;
        double wz = control_white ? k.z : white_z;
        p.x = ((p.x / wx - p.y) * m + p.y) * wx;
        p.z = ((p.z / wz - p.y) * m + p.y) * wz;
    });
}

int main(int argc, char **argv)
{
    bool control_white = false;
    const char *control = scan_flags(argc, argv, synopsis, "w", {&control_white}, 1)[0];
    run_under_control(control, control_white ? set_saturation<true> : set_saturation<false>);
    return 0;
}
