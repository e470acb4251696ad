// Copying a byte range of a stream file by position, for programs that jump
// to frames by offset instead of reading the stream in order.
#pragma once

#include "diagnostics.h"
#include "stream_format.h"

#include <cstdint>
#include <unistd.h>

// Fatal with "NAME: video is too large" unless the offset of frame `count`,
// headlen + count × frame_size, is a valid file offset (at most 2^63 - 1), so
// that no offset up to it wraps.
inline void require_frame_offset(int status, const Stream &stream, uint64_t count,
                                 size_t frame_size)
{
    if (count > (uint64_t(INT64_MAX) - stream.headlen) / frame_size)
        fail(status, "%s: video is too large\n", stream.file);
}

// Reads bytes [from, to) of the stream's file with pread through the
// stream's buffer and hands each piece to put(bytes, n).  Returns the number
// of bytes copied, fewer than asked when the file ends first; a failed read
// is fatal with "pread NAME:".  The buffer's earlier contents are lost.
template <class Put>
uint64_t stream_copy_range(int status, Stream &stream, uint64_t from, uint64_t to, Put &&put)
{
    stream.fill = 0;
    uint64_t offset = from;
    while (offset < to) {
        size_t want = to - offset < sizeof stream.buf ? size_t(to - offset) : sizeof stream.buf;
        ssize_t got = pread(stream.fd, stream.buf, want, off_t(offset));
        if (got < 0)
            fail(status, "pread %s:", stream.file);
        if (got == 0)
            break;
        put(stream.buf, size_t(got));
        offset += uint64_t(got);
    }
    return offset - from;
}
