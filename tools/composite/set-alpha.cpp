// rv-set-alpha: the alpha of standard input multiplied by a mask video's
// value, Y weighted by the mask's alpha (with -i the complement of Y).
#include "control_stream.h"
#include "diagnostics.h"

static const char synopsis[] = "[-i] alpha-stream";

template <bool inverted>
static void set_alpha(Stream &input, Stream &mask, size_t n)
{
    change_pixels(input, mask, n, [](Pixel &p, const Pixel &m) {
        p.a = control_value<inverted>(m) * p.a;
    });
}

int main(int argc, char **argv)
{
    bool inverted = false;
    const char *alpha = scan_flags(argc, argv, synopsis, "i", {&inverted}, 1)[0];
    run_under_control(alpha, inverted ? set_alpha<true> : set_alpha<false>);
    return 0;
}
