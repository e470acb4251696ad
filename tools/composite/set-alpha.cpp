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
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool inverted = false;
    while (scan_option(cl, "i"))
        inverted = true;
    if (operand_count(cl) != 1)
        usage(cl);
    run_under_control(operands(cl)[0], inverted ? set_alpha<true> : set_alpha<false>);
    return 0;
}
