// rv-split: the stream on standard input cut into consecutive parts, each
// written with its own head to a named file, in one pass over the input.
#include "byte_copy.h"
#include "diagnostics.h"
#include "same_file.h"
#include "stream_format.h"
#include "stream_input.h"

#include <cstring>
#include <fcntl.h>
#include <vector>

static const char synopsis[] = "[-L] (file (end-point | 'end')) ...";

// The operands: the file of every part and its end point.
struct Settings {
    bool unlimited = false; // -L
    char **words = nullptr;
    size_t parts = 0;
};

static Settings parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Settings settings;
    for (int letter; (letter = scan_option(cl, "L"));)
        settings.unlimited = true;
    int count = operand_count(cl);
    if (count == 0 || count % 2)
        usage(cl);
    settings.words = operands(cl);
    settings.parts = size_t(count / 2);
    return settings;
}

constexpr uint64_t offset_max = INT64_MAX;

struct Part {
    const char *path;
    uint64_t end;  // end point: the frame after the part's last
    bool to_input_end; // "end" with -L: no limit but the input's end
};

// Copies input body bytes to fd until `position` reaches `limit` or the
// input ends; returns false at the end of input.  Never reads past the limit.
static bool copy_until(Stream &stream, uint64_t &position, uint64_t limit, int fd,
                       const char *path)
{
    uint64_t missing = limit - position;
    size_t n = stream.fill < missing ? stream.fill : size_t(missing);
    write_or_fail(1, Output{fd, path}, stream.buf, n);
    stream_drop(stream, n);
    position += n;
    if (position < limit)
        position += copy_or_fail(1, stream.fd, stream.file, Output{fd, path}, limit - position);
    return position == limit;
}

// The parts, their end points checked against each other and, without -L,
// against the input's frame count.
static std::vector<Part> read_parts(const Settings &settings, const Stream &stream)
{
    std::vector<Part> parts(settings.parts);
    for (size_t k = 0; k < parts.size(); k++) {
        Part &part = parts[k];
        part.path = settings.words[2 * k];
        const char *text = settings.words[2 * k + 1];
        bool is_end = strcmp(text, "end") == 0;
        part.to_input_end = is_end && settings.unlimited;
        part.end = !is_end ? operand_uint(1, "the end point", text, 0, UINT64_MAX)
                   : settings.unlimited ? UINT64_MAX
                                        : stream.frames;
        if (k > 0 && part.end <= parts[k - 1].end)
            fail(1, "the end points must be in strictly ascending order\n");
        if (!settings.unlimited && part.end > stream.frames)
            fail(1, "frame %zu is beyond the end of the video\n", size_t(part.end));
    }
    return parts;
}

// No part may be written over the input: all are checked before the first
// is opened, so that a refusal costs no file its contents.
static void refuse_input_as_parts(const std::vector<Part> &parts, const Stream &stream)
{
    for (const Part &part : parts) {
        struct stat st;
        if (output_file(1, part.path, O_WRONLY, st))
            refuse_input_as_output(1, st, stream);
    }
}

// Writes one part, frames `begin` to its end point, with its head;
// `position` counts the input's body bytes read so far.
static void write_part(Stream &stream, const Part &part, uint64_t begin, uint64_t &position,
                       size_t frame_size)
{
    int fd = open_path(1, part.path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    FILE *file = fdopen(fd, "wb");
    if (!file)
        fail(1, "fdopen %s:", part.path);
    Stream head = stream;
    head.frames = part.end - begin;
    stream_print_and_flush_head(1, file, part.path, head);
    // With -L an end point may count more bytes than 64 bits hold; no input
    // is that long, so such a limit is as good as none.
    uint64_t limit;
    if (part.to_input_end || __builtin_mul_overflow(part.end, frame_size, &limit))
        limit = UINT64_MAX;
    if (!copy_until(stream, position, limit, fd, part.path)) {
        if (position % frame_size)
            fail(1, "%s: incomplete frame\n", stream.file);
        if (!part.to_input_end)
            fail(1, "%s: file is shorter than expected\n", stream.file);
    }
    if (fclose(file))
        fail(1, "%s:", part.path);
}

int main(int argc, char **argv)
{
    const Settings settings = parse_command_line(argc, argv);
    Stream stream;
    stream_open(1, stream, nullptr);
    const size_t frame_size = stream_frame_size(1, stream);
    if (stream.frames > offset_max / frame_size)
        fail(1, "%s: video is too large\n", stream.file);

    const std::vector<Part> parts = read_parts(settings, stream);
    refuse_input_as_parts(parts, stream);
    uint64_t position = 0, begin = 0;
    for (const Part &part : parts) {
        write_part(stream, part, begin, position, frame_size);
        begin = part.end;
    }
    stream_give_back(stream);
    return 0;
}
