// rv-from-video: decodes a video with ffmpeg into a stream.  The frame count is
// known only at the end, so the head is normally written last and then moved
// in front of the frames; with -L it is written first, with a count of 0.
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

static const char synopsis[] =
    "[-r frame-rate] [-w width -h height] [-dL] input-file output-file";

// Converted pixels written at a time, and bytes read from ffmpeg at a time:
// a read can fill the output buffer, so that both calls move large blocks.
constexpr size_t output_pixels = 1024;
constexpr size_t input_bytes = output_pixels * ayuv_bytes;
// width × height must stay below this, so that a frame's byte size fits.
constexpr uint64_t area_limit = uint64_t(1) << 59;

// Asks ffprobe for the frame size: the last "width=" and "height=" lines of
// what it prints about the video stream.
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
    for (ssize_t n; (n = getline(&line, &room, lines)) >= 0;) {
        if (n > 0 && line[n - 1] == '\n')
            line[n - 1] = '\0';
        if (strncmp(line, "width=", 6) == 0 && parse_uint(line + 6, 1, UINT64_MAX, &width))
            fail(1, "invalid width: %s\n", line + 6);
        if (strncmp(line, "height=", 7) == 0 && parse_uint(line + 7, 1, UINT64_MAX, &height))
            fail(1, "invalid height: %s\n", line + 7);
    }
    if (ferror(lines))
        fail(1, "getline %s:", input);
    free(line);
    if (!width || !height)
        fail(1, "could not get all required metadata\n");
    fclose(lines);
    finish_child(1, probe.pid);
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    const char *rate = nullptr;
    uint64_t width = 0, height = 0;
    bool fast = false, head_first = false;
    for (int letter; (letter = scan_option(cl, "r:w:h:dL"));) {
        switch (letter) {
        case 'r': rate = cl.arg; break;
        case 'w': width = option_uint('w', cl.arg, 1, UINT64_MAX); break;
        case 'h': height = option_uint('h', cl.arg, 1, UINT64_MAX); break;
        case 'd': fast = true; break;
        case 'L': head_first = true; break;
        }
    }
    if (operand_count(cl) != 2 || !width != !height)
        usage(cl);
    const char *input = operands(cl)[0];
    const char *output = operands(cl)[1];

    if (!width)
        probe_size(input, width, height);
    uint64_t area;
    if (__builtin_mul_overflow(width, height, &area) || area >= area_limit)
        fail(1, "video frame too large\n");
    const uint64_t frame_bytes = area * pixel_bytes;

    int out_fd = 1;
    const char *out_name = "<stdout>";
    if (strcmp(output, "-") == 0) {
        if (!head_first)
            fail(1, "standard out as output file is only allowed with -L\n");
    } else {
        out_fd = open_path(1, output, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        out_name = output;
    }
    Stream head{};
    head.width = width;
    head.height = height;
    strcpy(head.pixfmt, "xyza");
    if (head_first) {
        HeadText text = stream_head_text(head);
        write_or_fail(1, out_fd, out_name, text.bytes, text.length);
    }

    char size[48];
    snprintf(size, sizeof size, "%zux%zu", size_t(width), size_t(height));
    const char *ffmpeg[14] = {"ffmpeg", "-i", input, "-f", "rawvideo", "-pix_fmt",
                              "ayuv64le", "-s:v", size};
    int count = 9;
    if (rate) {
        ffmpeg[count++] = "-r";
        ffmpeg[count++] = rate;
    }
    ffmpeg[count] = "-";
    Child decoder = start_child(1, ffmpeg, true, -1);

    // Whole pixels are converted as they come; 0 to 7 bytes of a pixel that
    // is not yet complete are carried to the next read.
    static unsigned char in[input_bytes];
    static Pixel out[output_pixels];
    size_t carried = 0;
    for (;;) {
        ssize_t r = read(decoder.fd, in + carried, sizeof in - carried);
        if (r < 0)
            fail(1, "read %s:", "<subprocess>");
        if (r == 0)
            break;
        size_t held = carried + size_t(r), used = 0, converted = 0;
        for (; held - used >= ayuv_bytes; used += ayuv_bytes) {
            out[converted++] = yuv_to_xyz(load_ayuv(in + used), fast);
            if (converted == output_pixels) {
                write_or_fail(1, out_fd, out_name, out, sizeof out);
                converted = 0;
            }
        }
        write_or_fail(1, out_fd, out_name, out, converted * sizeof *out);
        carried = held - used;
        memmove(in, in + used, carried);
    }
    if (carried)
        fail(1, "%s: incomplete frame\n", "<subprocess>");
    close(decoder.fd);
    finish_child(1, decoder.pid);

    if (!head_first) {
        struct stat st;
        if (fstat(out_fd, &st))
            fail(1, "fstat %s:", output);
        const uint64_t data = uint64_t(st.st_size);
        if (data % frame_bytes)
            fail(1, "%s: incomplete frame\n", "<subprocess>");
        head.frames = data / frame_bytes;
        output_prepend_head(1, out_fd, out_name, data, stream_head_text(head));
    }
    close(out_fd);
    return 0;
}
