// Reading a stream after its head: filling and consuming the read buffer,
// whole frames, the rest of a stream, and byte ranges of a stream file by
// position for programs that jump to frames by offset.
#pragma once

#include "byte_copy.h"
#include "diagnostics.h"
#include "stream_format.h"

#include <cstdint>
#include <unistd.h>

// One read of at most min(max, room left) bytes behind the unread ones;
// returns the count.  The unread bytes may first move to the buffer's start.
size_t stream_fill(int status, Stream &stream, size_t max);
// Consumes n bytes from the front of buf.
inline void stream_drop(Stream &stream, size_t n)
{
    stream.fill -= n;
    stream.buf = stream.fill ? stream.buf + n : stream.base;
}
// Gives the unread bytes back to a seekable input by moving its file position
// back over them, so that the next reader of the descriptor finds them; forgets
// them either way.
void stream_give_back(Stream &stream);
// True when the stream holds or can read at least one more byte.
inline bool stream_holds_more(int status, Stream &stream)
{
    return stream.fill || stream_fill(status, stream, SIZE_MAX);
}

// Forgets the unread bytes: the whole buffer is free.
inline void stream_clear(Stream &stream)
{
    stream.fill = 0;
    stream.buf = stream.base;
}

// Reads exactly one frame of `size` bytes into `frame`: 1 for a frame, 0 at a
// clean end; fatal when the input ends inside a frame.
int stream_read_frame(int status, Stream &stream, unsigned char *frame, size_t size);

// Closes a stream's descriptor at end of input.
void stream_close(Stream &stream);
// Copies the rest of a stream (its buffered bytes, then the descriptor until
// end of input) to the output unchanged and closes it; returns the bytes copied.
uint64_t stream_copy_rest(int status, Stream &stream, const Output &out);

// The front n bytes of buf, already counted out of fill, leave the buffer.
inline void stream_advance(Stream &stream, size_t n)
{
    stream.buf = stream.fill ? stream.buf + n : stream.base;
}

// Rows shorter than this are cheaper to read with their frame than to copy
// by position one call each.
constexpr size_t positional_row_minimum = 16 * 1024;

// Where the stream's unread bytes begin in its file when its input is a
// regular file whose rows are at least `row` >= positional_row_minimum bytes
// long, or -1: its frames may then be copied by position with
// run_file_frames.
off_t stream_file_offset(const Stream &stream, size_t row);
// Copies bytes [from, to) of the stream's file to the output; fatal with
// "NAME: incomplete frame" when the file ends first.
void stream_copy_frame_part(int status, Stream &stream, uint64_t from, uint64_t to,
                            const Output &out);
// The size of the stream's file, fatal with "fstat NAME:".
uint64_t stream_file_size(int status, const Stream &stream);

// Fatal with "NAME: video is too large" unless the offset of frame `count`,
// headlen + count × frame_size, is a valid file offset (at most 2^63 - 1), so
// that no offset up to it wraps.
inline void require_frame_offset(int status, const Stream &stream, uint64_t count,
                                 size_t frame_size)
{
    if (count > (uint64_t(INT64_MAX) - stream.headlen) / frame_size)
        fail(status, "%s: video is too large\n", stream.file);
}

// Copies bytes [from, to) of the stream's file by position to `out`, with
// zero-copy calls where the descriptors allow.  Returns the number of bytes
// copied, fewer than asked when the file ends first; fatal with "pread NAME:"
// or "write NAME:".  The stream's buffer is left as it was.
inline uint64_t stream_copy_range(int status, Stream &stream, uint64_t from, uint64_t to,
                                  const Output &out)
{
    return copy_range_or_fail(status, stream.fd, stream.file, from, to, out);
}
