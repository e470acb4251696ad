// rv-flip: every frame mirrored top to bottom, written from the last row up.
// From a regular file with long rows, each row goes from the file straight
// into the output by position; otherwise a frame is read and its rows leave
// in one gathered write.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

static const char synopsis[] = "";

static void flip_read_frames(Stream &stream, size_t frame_size, size_t row)
{
    unsigned char *frame = allocate_or_fail(1, frame_size);
    iovec *rows = reinterpret_cast<iovec *>(allocate_or_fail(1, stream.height * sizeof(iovec)));
    while (stream_read_frame(1, stream, frame, frame_size)) {
        for (size_t y = 0; y < stream.height; y++)
            rows[y] = iovec{frame + (stream.height - 1 - y) * row, row};
        writev_or_fail(1, standard_output, rows, stream.height);
    }
    free(rows);
    free(frame);
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    stream_open_and_pass_head(1, stream);

    const size_t frame_size = stream_frame_size(1, stream);
    const size_t row = stream.width * stream.pixel_size;
    off_t start = stream_file_offset(stream, row);
    if (start < 0) {
        flip_read_frames(stream, frame_size, row);
        return 0;
    }
    run_file_frames(1, stream, uint64_t(start), [&](uint64_t at) {
        for (size_t y = stream.height; y-- > 0;)
            stream_copy_frame_part(1, stream, at + y * row, at + (y + 1) * row, standard_output);
    });
    return 0;
}
