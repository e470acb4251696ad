// rv-flip: every frame mirrored top to bottom, written from the last row up,
// straight from the frame in one gathered write.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

static const char synopsis[] = "";

int main(int argc, char **argv)
{
    scan_bare(argc, argv, synopsis);
    Stream stream;
    stream_open(1, stream, nullptr);
    stream_emit_head(1, stream);

    const size_t frame_size = stream_frame_size(1, stream);
    const size_t row = stream.width * stream.pixel_size;
    unsigned char *frame = allocate_bytes(1, frame_size);
    iovec *rows = reinterpret_cast<iovec *>(allocate_bytes(1, stream.height * sizeof(iovec)));
    while (stream_read_frame(1, stream, frame, frame_size)) {
        for (size_t y = 0; y < stream.height; y++)
            rows[y] = iovec{frame + (stream.height - 1 - y) * row, row};
        writev_or_fail(1, 1, "<stdout>", rows, stream.height);
    }
    free(rows);
    free(frame);
    return 0;
}
