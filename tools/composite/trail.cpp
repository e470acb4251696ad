// rv-trail: every frame of standard input laid over the previous output frame
// with a coverage that an alpha video gives per pixel, so that moving things
// leave fading trails.  A recursive blend over time.
#include "diagnostics.h"
#include "drivers.h"

#include <cstring>

static const char synopsis[] = "alpha-stream";

// Lays n bytes of frame number k over the same place of the composite out,
// which still holds the previous output frame; the first frame starts the
// composite as it is.  Coverage b is the frame's alpha times the alpha
// pixel's Y times its alpha; the composite keeps the weight (1 - b) times its
// own alpha.  The colour is not divided by the new alpha.
static void lay_over(unsigned char *out, const unsigned char *frame, const unsigned char *alpha,
                     size_t size, size_t k)
{
    if (k == 0) {
        memcpy(out, frame, size);
        return;
    }
    for (size_t i = 0; i < size; i += pixel_bytes) {
        Pixel o = load_pixel(out + i);
        Pixel f = load_pixel(frame + i);
        Pixel m = load_pixel(alpha + i);
        double b = f.a * m.y * m.a;
        double r = (1 - b) * o.a;
        o.x = r * o.x + b * f.x;
        o.y = r * o.y + b * f.y;
        o.z = r * o.z + b * f.z;
        o.a = b + r;
        store_pixel(out + i, o);
    }
}

int main(int argc, char **argv)
{
    const char *alpha_path = scan_flags(argc, argv, synopsis, "", {}, 1)[0];
    Stream input{}, alpha{};
    stream_open_pair_and_pass_head(1, input, alpha, alpha_path);
    run_frame_pixels(1, input, alpha, standard_output, lay_over);
    return 0;
}
