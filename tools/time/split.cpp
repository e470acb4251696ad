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

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool unlimited = false;
    for (int letter; (letter = scan_option(cl, "L"));)
        unlimited = true;
    int count = operand_count(cl);
    if (count == 0 || count % 2)
        usage(cl);
    char **words = operands(cl);

    Stream stream;
    stream_open(1, stream, nullptr);
    const size_t frame_size = stream_frame_size(1, stream);
    if (stream.frames > offset_max / frame_size)
        fail(1, "%s: video is too large\n", stream.file);

    std::vector<Part> parts(size_t(count / 2));
    for (size_t k = 0; k < parts.size(); k++) {
        Part &part = parts[k];
        part.path = words[2 * k];
        const char *text = words[2 * k + 1];
        bool is_end = strcmp(text, "end") == 0;
        part.to_input_end = is_end && unlimited;
        part.end = !is_end ? operand_uint(1, "the end point", text, 0, UINT64_MAX)
                   : unlimited ? UINT64_MAX
                               : stream.frames;
        if (k > 0 && part.end <= parts[k - 1].end)
            fail(1, "the end points must be in strictly ascending order\n");
        if (!unlimited && part.end > stream.frames)
            fail(1, "frame %zu is beyond the end of the video\n", size_t(part.end));
    }

    // No part may be written over the input: all are checked before the
    // first is opened, so that a refusal costs no file its contents.
    for (const Part &part : parts) {
        struct stat st;
        if (output_file(1, part.path, O_WRONLY, st))
            refuse_input_as_output(1, st, stream);
    }

    uint64_t position = 0, begin = 0;
    for (const Part &part : parts) {
        int fd = open_path(1, part.path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        FILE *file = fdopen(fd, "wb");
        if (!file)
            fail(1, "fdopen %s:", part.path);
        Stream head = stream;
        head.frames = part.end - begin;
        stream_print_and_flush_head(1, file, part.path, head);
        // With -L an end point may count more bytes than 64 bits hold; no
        // input is that long, so such a limit is as good as none.
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
        begin = part.end;
    }
    stream_give_back(stream);
    return 0;
}
