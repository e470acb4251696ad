// Output files whose head is known only at the end: the frames are written
// first, and the head is put in front of them afterwards, in place.
#pragma once

#include "stream_format.h"

#include <cstddef>

// A head as bytes: the line, the NUL and "uivf".
struct HeadText {
    char bytes[stream_head_limit + stream_magic_size];
    size_t length;
};

// The head of `stream` (its frames, width, height and pixfmt).
HeadText stream_head_text(const Stream &stream);

// The output file `fd` holds `data_size` bytes of frames and its offset is at
// their end.  Writes the head there, then, through a shared mapping of the
// whole file, moves the frames forward by the head's length and copies the
// head to the start.  Fatal with "write NAME:" or "mmap NAME:".
void output_prepend_head(int status, int fd, const char *name, size_t data_size,
                         const HeadText &head);
