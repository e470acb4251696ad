// rv-flip: every frame mirrored top to bottom, written row by row from the
// last row up, straight from the frame.
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
    while (stream_read_frame(1, stream, frame, frame_size))
        for (size_t y = stream.height; y-- > 0;)
            write_or_fail(1, 1, "<stdout>", frame + y * row, row);
    free(frame);
    return 0;
}
