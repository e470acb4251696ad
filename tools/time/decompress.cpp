// rv-decompress: a frame-difference stream made by rv-compress back into the
// raw stream, byte for byte.
//
// The reader keeps one frame, the last byte decoded at every position, and a
// position in it that wraps at the frame's end: records need not end where
// frames do.  Every piece is written as soon as it is decoded.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "frame_difference.h"

#include <cstdlib>
#include <unistd.h>

static const char synopsis[] = "";

// The frame and the position in it where the next decoded byte goes.
struct Decoder {
    unsigned char *frame;
    size_t size;
    size_t pos;
};

// Writes the n bytes of the frame at the position and moves past them.
static void emit(Decoder &d, size_t n)
{
    write_or_fail(1, standard_output, d.frame + d.pos, n);
    d.pos += n;
    if (d.pos == d.size)
        d.pos = 0;
}

// Repeats what the frame before held at the next `count` positions.
static void serve_unchanged(Decoder &d, uint64_t count)
{
    while (count) {
        size_t n = std::min<uint64_t>(count, d.size - d.pos);
        emit(d, n);
        count -= n;
    }
}

// Takes `count` new bytes from the input into the frame, writing them as they
// arrive; fatal when the input ends first.  Once the read buffer is drained,
// long runs are read straight into the frame, as frame reads do.
static void serve_changed(Decoder &d, Stream &stream, uint64_t count)
{
    while (count) {
        if (!stream.fill && count >= stream_buffer_size) {
            ssize_t r = read(stream.fd, d.frame + d.pos, std::min<uint64_t>(count, d.size - d.pos));
            if (r < 0)
                fail(1, "read %s:", stream.file);
            if (r == 0)
                fail(1, "%s: corrupt input\n", stream.file);
            emit(d, size_t(r));
            count -= size_t(r);
            continue;
        }
        if (!stream.fill && !stream_fill(1, stream, SIZE_MAX))
            fail(1, "%s: corrupt input\n", stream.file);
        size_t n = std::min<uint64_t>({count, d.size - d.pos, stream.fill});
        memcpy(d.frame + d.pos, stream.buf, n);
        stream_drop(stream, n);
        emit(d, n);
        count -= n;
    }
}

// The next record header from the input; false when the input ends before a
// whole header (stray bytes at the end are ignored).
static bool read_header(Stream &stream, RecordHeader &header)
{
    while (stream.fill < record_header_size)
        if (!stream_fill(1, stream, SIZE_MAX))
            return false;
    memcpy(&header, stream.buf, record_header_size);
    stream_drop(stream, record_header_size);
    return true;
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    const size_t size = difference_stream_open(1, stream);

    Decoder d{allocate_zeroed_or_fail(1, size), size, 0};
    for (RecordHeader header; read_header(stream, header);) {
        serve_unchanged(d, header.unchanged);
        serve_changed(d, stream, header.changed);
    }
    free(d.frame);
    return 0;
}
