// Output files whose head is known only at the end: the frames are written
// first, and the head is put in front of them afterwards, in place.
#pragma once

#include "stream_format.h"

#include <cstddef>

// Through one shared mapping of the file `fd`: moves its `data_size` bytes of
// frames from offset `from` to just behind the head, and writes the head in
// front of them.  The file must already hold max(head, from) + data_size
// bytes.  Fatal with "mmap NAME:".
void file_place_head(int status, int fd, const char *name, const HeadText &head, size_t from,
                     size_t data_size);

// The output file `fd` holds `data_size` bytes of frames and its offset is at
// their end.  Writes the head there, then, through a shared mapping of the
// whole file, moves the frames forward by the head's length and copies the
// head to the start.  Fatal with "write NAME:" or "mmap NAME:".
void output_prepend_head(int status, int fd, const char *name, size_t data_size,
                         const HeadText &head);
