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

struct Options {
    bool fast = false;                 // -d: the fast matrix, no transfer function
    bool quiet = false;                // -q: ffmpeg prints errors only
    const char *rate = nullptr;        // the frame rate, as ffmpeg reads it
    int user_arguments = 0;            // how many words for ffmpeg follow it
    char *const *user_words = nullptr; // those words
};

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
    static ConversionCache<pixel_bytes, Ayuv> cache;
    pass_conversion(
        cache, fast,
        [](const unsigned char *p, bool fast_matrix) {
            return xyz_to_yuv(load_pixel(p), fast_matrix);
        },
        [&](auto convert) { encode(stream, to, convert); });
}

static Options parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Options options;
    for (int letter; (letter = scan_option(cl, "dq"));) {
        if (letter == 'd')
            options.fast = true;
        else
            options.quiet = true;
    }
    options.user_arguments = operand_count(cl) - 1;
    if (options.user_arguments < 1)
        usage(cl);
    options.rate = operands(cl)[0];
    options.user_words = operands(cl) + 1;
    return options;
}

// Room for ffmpeg's argument vector and its terminating null.
static const char **allocate_arguments(const Options &options)
{
    return reinterpret_cast<const char **>(allocate_zeroed_or_fail(
        1, (size_t(options.user_arguments) + fixed_arguments + quiet_arguments + 1) *
               sizeof(const char *)));
}

// ffmpeg reading raw ayuv64le frames of `size` ("WxH") on its standard input,
// then the user's arguments.
static void fill_arguments(const char **ffmpeg, const Options &options, const char *size)
{
    int count = 0;
    ffmpeg[count++] = "ffmpeg";
    if (options.quiet)
        for (const char *word : {"-loglevel", "error", "-nostats"})
            ffmpeg[count++] = word;
    for (const char *word :
         {"-f", "rawvideo", "-pix_fmt", "ayuv64le", "-r", options.rate, "-s:v", size, "-i", "-"})
        ffmpeg[count++] = word;
    for (int i = 0; i < options.user_arguments; i++)
        ffmpeg[count++] = options.user_words[i];
}

int main(int argc, char **argv)
{
    const Options options = parse_command_line(argc, argv);
    const char **ffmpeg = allocate_arguments(options);
    Stream stream;
    stream_open(1, stream, nullptr);
    char size[48];
    snprintf(size, sizeof size, "%zux%zu", stream.width, stream.height);
    fill_arguments(ffmpeg, options, size);

    Child encoder = start_child(1, ffmpeg, false, -1);
    free(ffmpeg);
    encode_pixels(stream, encoder.fd, options.fast);
    close(encoder.fd);
    finish_child(1, encoder.pid);
    return 0;
}
