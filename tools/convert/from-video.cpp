// rv-from-video: decodes a video with ffmpeg into a stream.  The frame count is
// known only at the end, so the head is normally written last and then moved
// in front of the frames; with -L it is written first, with a count of 0.
// The frame size is the one the video is shown at: ffmpeg turns a video that
// is stored rotated by a quarter turn upright.
#include "child_process.h"
#include "colour.h"
#include "diagnostics.h"
#include "drivers.h"
#include "output_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

static const char synopsis[] =
    "[-r frame-rate] [-w width -h height] [-dLq] input-file output-file";

// Pixels converted at a time: 1 MiB read from ffmpeg, 4 MiB written.
constexpr size_t block_pixels = size_t(1) << 17;
// width × height must stay below this, so that a frame's byte size fits.
constexpr uint64_t area_limit = uint64_t(1) << 59;

// The settings of a run.
struct Settings {
    const char *rate = nullptr;
    uint64_t width = 0, height = 0;
    bool fast = false, head_first = false, quiet = false;
    const char *input = nullptr, *output = nullptr;
};

// Whether a rotation in degrees that ffprobe printed (a stream's rotate tag,
// or the rotation of its display matrix) is a quarter turn either way.  Text
// that is not a whole number of degrees turns nothing.
static bool quarter_turn(const char *degrees)
{
    int64_t angle;
    if (parse_int(degrees, -3600, 3600, &angle))
        return false;
    return angle % 180 != 0 && angle % 90 == 0;
}

// Asks ffprobe for the frame size: the last "width=" and "height=" lines of
// what it prints about the video stream, swapped when the last rotation it
// names is a quarter turn.
static void probe_size(const char *input, uint64_t &width, uint64_t &height)
{
    int input_fd = open_path(1, input, O_RDONLY | O_CLOEXEC, 0);
    const char *argv[] = {"ffprobe", "-v", "quiet", "-show_streams",
                          "-select_streams", "v", "-", nullptr};
    Child probe = start_child(1, argv, true, input_fd);
    FILE *lines = fdopen(probe.fd, "r");
    if (!lines)
        fail(1, "fdopen %s:", "<subprocess>");
    char *line = nullptr;
    size_t room = 0;
    bool turned = false;
    for (ssize_t n; (n = getline(&line, &room, lines)) >= 0;) {
        if (n > 0 && line[n - 1] == '\n')
            line[n - 1] = '\0';
        if (strncmp(line, "width=", 6) == 0 && parse_uint(line + 6, 1, UINT64_MAX, &width))
            fail(1, "invalid width: %s\n", line + 6);
        if (strncmp(line, "height=", 7) == 0 && parse_uint(line + 7, 1, UINT64_MAX, &height))
            fail(1, "invalid height: %s\n", line + 7);
        if (strncmp(line, "TAG:rotate=", 11) == 0)
            turned = quarter_turn(line + 11);
        if (strncmp(line, "rotation=", 9) == 0)
            turned = quarter_turn(line + 9);
    }
    if (ferror(lines))
        fail(1, "getline %s:", input);
    free(line);
    if (!width || !height)
        fail(1, "could not get all required metadata\n");
    fclose(lines);
    finish_child(1, probe.pid);
    if (turned)
        std::swap(width, height);
}

// Without -L the head is put in front of the frames through a mapping of the
// output, so the output must be a regular file (or one not yet made): a pipe,
// FIFO, device or socket is refused before anything is decoded.  (Opening a
// directory fails anyway.)
static void refuse_unmappable_output(const char *output)
{
    struct stat st;
    if (stat(output, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        fail(1, "%s: not a regular file; an output of another kind needs -L\n", output);
}

// Starts ffmpeg decoding the video into ayuv64le pixels of the frame size.
static Child start_decoder(const Settings &set)
{
    char size[48];
    snprintf(size, sizeof size, "%zux%zu", size_t(set.width), size_t(set.height));
    const char *argv[17] = {"ffmpeg"};
    int count = 1;
    if (set.quiet)
        for (const char *word : {"-loglevel", "error", "-nostats"})
            argv[count++] = word;
    for (const char *word : {"-i", set.input, "-f", "rawvideo", "-pix_fmt", "ayuv64le", "-s:v",
                             static_cast<const char *>(size)})
        argv[count++] = word;
    if (set.rate) {
        argv[count++] = "-r";
        argv[count++] = set.rate;
    }
    argv[count] = "-";
    return start_child(1, argv, true, -1);
}

// Reads from ffmpeg until `room` bytes have come or its output has ended.
static size_t read_block(int fd, unsigned char *to, size_t room)
{
    ssize_t got = read_all(fd, to, room);
    if (got < 0)
        fail(1, "read %s:", "<subprocess>");
    return size_t(got);
}

// Decodes everything ffmpeg writes, a block at a time, through `convert` from
// the 8 bytes of a pixel to its xyza values.  0 to 7 bytes of a pixel that is
// not yet complete are carried to the next block.
template <class Convert>
static void decode(int from, const Output &output, Convert convert)
{
    static unsigned char in[block_pixels * ayuv_bytes];
    static Pixel out[block_pixels];
    size_t carried = 0, room, got;
    do {
        room = sizeof in - carried;
        got = read_block(from, in + carried, room);
        const size_t held = carried + got, pixels = held / ayuv_bytes;
        for (size_t i = 0; i < pixels; i++)
            out[i] = convert(in + i * ayuv_bytes);
        write_or_fail(1, output, out, pixels * sizeof *out);
        carried = held % ayuv_bytes;
        memmove(in, in + pixels * ayuv_bytes, carried);
    } while (got == room);
    if (carried)
        fail(1, "%s: incomplete frame\n", "<subprocess>");
}

// The conversion of a run: the fast matrix, or the exact one through a cache
// of the pixels seen lately.
static void decode_pixels(int from, const Output &output, bool fast)
{
    static ConversionCache<ayuv_bytes, Pixel> cache;
    pass_conversion(
        cache, fast,
        [](const unsigned char *p, bool fast_matrix) {
            return yuv_to_xyz(load_ayuv(p), fast_matrix);
        },
        [&](auto convert) { decode(from, output, convert); });
}

static Settings scan_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Settings set;
    for (int letter; (letter = scan_option(cl, "r:w:h:dLq"));) {
        switch (letter) {
        case 'r': set.rate = cl.arg; break;
        case 'w': set.width = option_uint(1, 'w', cl.arg, 1, UINT64_MAX); break;
        case 'h': set.height = option_uint(1, 'h', cl.arg, 1, UINT64_MAX); break;
        case 'd': set.fast = true; break;
        case 'L': set.head_first = true; break;
        case 'q': set.quiet = true; break;
        }
    }
    if (operand_count(cl) != 2 || !set.width != !set.height)
        usage(cl);
    set.input = operands(cl)[0];
    set.output = operands(cl)[1];
    return set;
}

// The output: standard output ("-", only with -L) or a file opened for
// reading and writing, as the mapping that puts the head in front needs.
static Output open_output(const Settings &set)
{
    if (strcmp(set.output, "-") == 0) {
        if (!set.head_first)
            fail(1, "standard out as output file is only allowed with -L\n");
        return standard_output;
    }
    return Output{open_path(1, set.output, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666),
                  set.output};
}

// Without -L: the frame count from the output's size, and the head put in
// front of the frames.
static void place_head_last(const Output &out, Stream &head, uint64_t frame_bytes)
{
    struct stat st;
    if (fstat(out.fd, &st))
        fail(1, "fstat %s:", out.name);
    const uint64_t data = uint64_t(st.st_size);
    if (data % frame_bytes)
        fail(1, "%s: incomplete frame\n", "<subprocess>");
    head.frames = data / frame_bytes;
    file_prepend_head(1, out.fd, out.name, data, stream_head_text(head));
}

int main(int argc, char **argv)
{
    Settings set = scan_command_line(argc, argv);
    if (!set.head_first && strcmp(set.output, "-") != 0)
        refuse_unmappable_output(set.output);
    if (!set.width)
        probe_size(set.input, set.width, set.height);
    uint64_t area;
    if (__builtin_mul_overflow(set.width, set.height, &area) || area >= area_limit)
        fail(1, "video frame too large\n");

    Output out = open_output(set);
    Stream head{};
    head.width = set.width;
    head.height = set.height;
    strcpy(head.pixfmt, "xyza");
    if (set.head_first) {
        HeadText text = stream_head_text(head);
        write_or_fail(1, out, text.bytes, text.length);
    }

    Child decoder = start_decoder(set);
    decode_pixels(decoder.fd, out, set.fast);
    close(decoder.fd);
    finish_child(1, decoder.pid);

    if (!set.head_first)
        place_head_last(out, head, area * pixel_bytes);
    close(out.fd);
    return 0;
}
