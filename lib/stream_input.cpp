// Reading a stream after its head.
#include "stream_input.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

size_t stream_fill(int status, Stream &stream, size_t max)
{
    // The unread bytes move to the start when that frees at least as much room
    // as it moves, or when there is no room behind them at all.
    size_t gap = size_t(stream.buf - stream.base);
    size_t room = stream_buffer_size - gap - stream.fill;
    if (gap && (gap >= stream.fill || !room)) {
        memmove(stream.base, stream.buf, stream.fill);
        stream.buf = stream.base;
        room += gap;
    }
    ssize_t r = read(stream.fd, stream.buf + stream.fill, max < room ? max : room);
    if (r < 0)
        fail(status, "read %s:", stream.file);
    stream.fill += size_t(r);
    return size_t(r);
}

void stream_give_back(Stream &stream)
{
    if (stream.fill && stream.fd >= 0)
        lseek(stream.fd, -off_t(stream.fill), SEEK_CUR);
    stream_clear(stream);
}

int stream_read_frame(int status, Stream &stream, unsigned char *frame, size_t size)
{
    size_t take = std::min(stream.fill, size - stream.frame_pos);
    memcpy(frame + stream.frame_pos, stream.buf, take);
    stream_drop(stream, take);
    stream.frame_pos += take;
    while (stream.frame_pos < size) {
        ssize_t r = read(stream.fd, frame + stream.frame_pos, size - stream.frame_pos);
        if (r < 0)
            fail(status, "read %s:", stream.file);
        if (r == 0) {
            if (stream.frame_pos == 0)
                return 0;
            fail(status, "%s: incomplete frame\n", stream.file);
        }
        stream.frame_pos += size_t(r);
    }
    stream.frame_pos = 0;
    return 1;
}

void stream_close(Stream &stream)
{
    close(stream.fd);
    stream.fd = -1;
}

uint64_t stream_copy_rest(int status, Stream &stream, const Output &out)
{
    uint64_t copied = stream.fill;
    write_or_fail(status, out, stream.buf, stream.fill);
    stream_clear(stream);
    if (stream.fd < 0)
        return copied;
    copied += copy_or_fail(status, stream.fd, stream.file, out);
    stream_close(stream);
    return copied;
}

off_t stream_file_offset(const Stream &stream, size_t row)
{
    struct stat st;
    if (row < positional_row_minimum || fstat(stream.fd, &st) || !S_ISREG(st.st_mode))
        return -1;
    off_t here = lseek(stream.fd, 0, SEEK_CUR);
    return here < off_t(stream.fill) ? -1 : here - off_t(stream.fill);
}

void stream_copy_frame_part(int status, Stream &stream, uint64_t from, uint64_t to,
                            const Output &out)
{
    if (stream_copy_range(status, stream, from, to, out) < to - from)
        fail(status, "%s: incomplete frame\n", stream.file);
}

uint64_t stream_file_size(int status, const Stream &stream)
{
    struct stat st;
    if (fstat(stream.fd, &st))
        fail(status, "fstat %s:", stream.file);
    return uint64_t(st.st_size);
}
