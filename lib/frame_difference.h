// The frame-difference stream of rv-compress and rv-decompress: the head of
// the raw stream, then for every frame only the runs of bytes that differ
// from the frame before it (all zero bytes before the first frame).
//
// Body: records, each a header of two host-order 64-bit words, `unchanged`
// and `changed`, followed by its `changed` data bytes.  The records of a frame
// cover it exactly, from byte 0 on.
#pragma once

#include "stream_format.h"

#include <cstddef>
#include <cstdint>

struct RecordHeader {
    uint64_t unchanged; // bytes that stay as the frame before had them
    uint64_t changed;   // bytes that follow the header as data
};
constexpr size_t record_header_size = sizeof(RecordHeader);
static_assert(record_header_size == 2 * sizeof(uint64_t), "a header is two words");

// Opens standard input and passes its head on, the head of the raw stream
// and of the frame-difference stream alike.  Returns the frame size; fatal
// when it overflows.
inline size_t difference_stream_open(int status, Stream &stream)
{
    stream_open_and_pass_head(status, stream);
    return stream_frame_size(status, stream);
}
