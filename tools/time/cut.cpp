// rv-cut: frames start-point to end-point - 1 of a stream file, read by
// position so that nothing before the start point is touched.
#include "diagnostics.h"
#include "drivers.h"
#include "stream_input.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

static const char synopsis[] = "start-point (end-point | 'end') file";

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    if (scan_option(cl, "") || operand_count(cl) != 3)
        usage(cl);
    char **words = operands(cl);
    if (strcmp(words[0], "end") == 0)
        fail(1, "refusing to create video with zero frames\n");
    uint64_t start = operand_uint(1, "the start point", words[0], 0, UINT64_MAX);
    bool to_end = strcmp(words[1], "end") == 0;
    uint64_t end = to_end ? 0 : operand_uint(1, "the end point", words[1], 0, UINT64_MAX);

    Stream stream;
    stream_open(1, stream, words[2]);
    if (to_end)
        end = stream.frames;
    else if (end > stream.frames)
        fail(1, "end point is after end of video\n");
    if (start > end)
        fail(1, "start point is after end point\n");
    if (start == end)
        fail(1, "refusing to create video with zero frames\n");

    Stream head = stream;
    head.frames = end - start;
    stream_print_and_flush_head(1, head);

    const size_t frame_size = stream_frame_size(1, stream);
    // Testing the end of the range (not only its length) keeps every offset
    // up to it from wrapping.
    require_frame_offset(1, stream, end, frame_size);
    const uint64_t offset = stream.headlen + start * frame_size;
    const uint64_t stop = stream.headlen + end * frame_size;
    posix_fadvise(stream.fd, off_t(offset), off_t(stop - offset), POSIX_FADV_SEQUENTIAL);

    if (stream_copy_range(1, stream, offset, stop, standard_output) < stop - offset)
        fail(1, "%s: file is shorter than expected\n", stream.file);
    close(stream.fd);
    return 0;
}
