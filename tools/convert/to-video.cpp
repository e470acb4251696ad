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
#include <cstring>
#include <unistd.h>

static const char synopsis[] = "[-dq] frame-rate ffmpeg-arguments ...";

// Pixels converted at a time: 4 MiB read, 1 MiB written to ffmpeg.
constexpr size_t block_pixels = size_t(1) << 17;
// Entries of ffmpeg's argument vector before the user's arguments, and the
// words -q adds to them.
constexpr int fixed_arguments = 11;
constexpr int quiet_arguments = 3;

// The bytes left in the stream's buffer after its head, then everything
// else, a block at a time, through `convert` from a pixel's 32 bytes to its
// samples.  A trailing part of a pixel is dropped.
template <class Convert> static void encode(Stream &stream, int to, Convert convert)
{
    static unsigned char in[block_pixels * pixel_bytes];
    static unsigned char out[block_pixels * ayuv_bytes];
    static_assert(sizeof in >= stream_buffer_size);
    memcpy(in, stream.buf, stream.fill);
    size_t carried = stream.fill, room, got;
    stream.fill = 0;
    do {
        room = sizeof in - carried;
        ssize_t r = read_all(stream.fd, in + carried, room);
        if (r < 0)
            fail(1, "read %s:", stream.file);
        got = size_t(r);
        const size_t held = carried + got, pixels = held / pixel_bytes;
        for (size_t i = 0; i < pixels; i++)
            store_ayuv(out + i * ayuv_bytes, convert(in + i * pixel_bytes));
        write_or_fail(1, Output{to, "<subprocess>"}, out, pixels * ayuv_bytes);
        carried = held % pixel_bytes;
        memmove(in, in + pixels * pixel_bytes, carried);
    } while (got == room);
}

// The conversion of a run: the fast matrix, or the exact one through a cache
// of the pixels seen lately.
static void encode_pixels(Stream &stream, int to, bool fast)
{
    if (fast) {
        encode(stream, to,
               [](const unsigned char *p) { return xyz_to_yuv(load_pixel(p), true); });
        return;
    }
    static ConversionCache<pixel_bytes, Ayuv> cache;
    const auto exact = [](const unsigned char *p) { return xyz_to_yuv(load_pixel(p), false); };
    cache_start(cache, exact);
    encode(stream, to, [&](const unsigned char *p) { return cache_convert(cache, p, exact); });
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool fast = false, quiet = false;
    for (int letter; (letter = scan_option(cl, "dq"));) {
        if (letter == 'd')
            fast = true;
        else
            quiet = true;
    }
    const int user_arguments = operand_count(cl) - 1;
    if (user_arguments < 1)
        usage(cl);
    const char *rate = operands(cl)[0];

    const char **ffmpeg = reinterpret_cast<const char **>(allocate_zeroed_or_fail(
        1, (size_t(user_arguments) + fixed_arguments + quiet_arguments + 1) *
               sizeof(const char *)));

    Stream stream;
    stream_open(1, stream, nullptr);
    char size[48];
    snprintf(size, sizeof size, "%zux%zu", stream.width, stream.height);
    int count = 0;
    ffmpeg[count++] = "ffmpeg";
    if (quiet)
        for (const char *word : {"-loglevel", "error", "-nostats"})
            ffmpeg[count++] = word;
    for (const char *word : {"-f", "rawvideo", "-pix_fmt", "ayuv64le", "-r", rate, "-s:v",
                             static_cast<const char *>(size), "-i", "-"})
        ffmpeg[count++] = word;
    for (int i = 0; i < user_arguments; i++)
        ffmpeg[count++] = operands(cl)[1 + i];

    Child encoder = start_child(1, ffmpeg, false, -1);
    free(ffmpeg);
    encode_pixels(stream, encoder.fd, fast);
    close(encoder.fd);
    finish_child(1, encoder.pid);
    return 0;
}
