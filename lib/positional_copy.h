// Copying a byte range of a stream file by position, for programs that jump
// to frames by offset instead of reading the stream in order.
#pragma once

#include "diagnostics.h"
#include "stream_format.h"

#include <cstdint>
#include <unistd.h>

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
