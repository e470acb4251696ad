// Copying a byte range of a stream file by position, for programs that jump
// to frames by offset instead of reading the stream in order.
#pragma once

#include "byte_copy.h"
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

// Copies bytes [from, to) of the stream's file by position to out_fd, with
// zero-copy calls where the descriptors allow.  Returns the number of bytes
// copied, fewer than asked when the file ends first; fatal with "pread NAME:"
// or "write OUT_NAME:".  The stream's buffer is left as it was.
inline uint64_t stream_copy_range(int status, Stream &stream, uint64_t from, uint64_t to,
                                  int out_fd, const char *out_name)
{
    return copy_range_or_fail(status, stream.fd, stream.file, from, to, out_fd, out_name);
}
