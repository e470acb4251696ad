// rv-to-video: encodes a stream into a video with ffmpeg, which reads the
// pixels as ayuv64le from a pipe; the user's arguments tell it where and how
// to write the video.
#include "buffers.h"
#include "child_process.h"
#include "colour.h"
#include "diagnostics.h"
#include "drivers.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static const char synopsis[] = "[-d] frame-rate ffmpeg-arguments ...";

// Converted pixels written to ffmpeg at a time.
constexpr size_t block_pixels = 256;
// Entries of ffmpeg's argument vector before the user's arguments.
constexpr int fixed_arguments = 11;

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool fast = false;
    while (scan_option(cl, "d"))
        fast = true;
    const int user_arguments = operand_count(cl) - 1;
    if (user_arguments < 1)
        usage(cl);
    const char *rate = operands(cl)[0];

    const char **ffmpeg = reinterpret_cast<const char **>(allocate_zeroed(
        1, (size_t(user_arguments) + fixed_arguments + 1) * sizeof(const char *)));

    Stream stream;
    stream_open(1, stream, nullptr);
    char size[48];
    snprintf(size, sizeof size, "%zux%zu", stream.width, stream.height);
    const char *fixed[fixed_arguments] = {"ffmpeg", "-f",   "rawvideo", "-pix_fmt", "ayuv64le",
                                          "-r",     rate,   "-s:v",     size,       "-i",
                                          "-"};
    for (int i = 0; i < fixed_arguments; i++)
        ffmpeg[i] = fixed[i];
    for (int i = 0; i < user_arguments; i++)
        ffmpeg[fixed_arguments + i] = operands(cl)[1 + i];

    Child encoder = start_child(1, ffmpeg, false, -1);
    free(ffmpeg);

    // Every chunk's pixels reach ffmpeg before the next chunk is read.
    static unsigned char block[block_pixels * ayuv_bytes];
    run_chunks(1, stream, [&](Stream &s, size_t n) {
        size_t held = 0;
        for (size_t i = 0; i < n; i += s.pixel_size) {
            store_ayuv(block + held, xyz_to_yuv(load_pixel(s.buf + i), fast));
            held += ayuv_bytes;
            if (held == sizeof block) {
                write_or_fail(1, encoder.fd, "<subprocess>", block, held);
                held = 0;
            }
        }
        write_or_fail(1, encoder.fd, "<subprocess>", block, held);
    });
    close(encoder.fd);
    finish_child(1, encoder.pid);
    return 0;
}
