// rv-fade: the alpha of every frame scaled by a factor that falls linearly
// from 1 at the first frame to 0 at the last (with -r rises from 0 to 1).
// The head's frame count sets the length of the fade.
#include "diagnostics.h"
#include "drivers.h"

static const char synopsis[] = "[-r]";

// Index of the last frame, frames - 1, as an integer and as a double.
static size_t last;
static double last_value;

// Frame i's alpha becomes (alpha * (last - i)) / last, fading in alpha * i
// over last.  A video of one frame keeps its alpha: it is both the first
// frame and the last.
template <bool fade_in>
static void fade(Stream &stream, size_t n, size_t frame)
{
    if (last == 0)
        return;
    double factor = fade_in ? double(frame) : double(last - frame);
    for (size_t i = 0; i < n; i += pixel_bytes) {
        unsigned char *alpha = stream.buf + i + offsetof(Pixel, a);
        store_double(alpha, load_double(alpha) * factor / last_value);
    }
}

int main(int argc, char **argv)
{
    bool fade_in = false;
    scan_flags(argc, argv, synopsis, "r", {&fade_in}, 0);
    Stream stream{};
    stream_open(1, stream, nullptr);
    // A fade needs the length of the video; a head of 0 frames gives none.
    if (stream.frames == 0)
        fail(1, "%s: frame count is zero\n", stream.file);
    stream_print_and_flush_head(1, stream);
    last = stream.frames - 1;
    last_value = double(last);
    run_frames(1, stream, standard_output, fade_in ? fade<true> : fade<false>);
    return 0;
}
