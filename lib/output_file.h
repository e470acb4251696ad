// Output files whose head is known only at the end: the frames are written
// first, and the head is put in front of them afterwards, in place.  And
// stream files whose head is replaced in place.
#pragma once

#include "stream_format.h"

#include <cstddef>

// The file `fd` holds a head of `old_length` bytes and then `data_size`
// bytes of frames.  Puts `head` in place of the old one, with the frames
// moved just behind it, through one shared mapping, and makes the file
// exactly head + frames long.  A failure leaves the file as it was: it is
// mapped before it grows, the blocks the move writes are taken before it
// starts, and when the file cannot shrink the frames and the old head go
// back.  `old_length` is at most a head's length.  Fatal with "mmap NAME:",
// "ftruncate NAME:" or "posix_fallocate NAME:".
void file_replace_head(int status, int fd, const char *name, const HeadText &head,
                       size_t old_length, size_t data_size);

// The output file `fd` holds `data_size` bytes of frames and its offset is at
// their end.  Writes the head there, then, through a shared mapping of the
// whole file, moves the frames forward by the head's length and copies the
// head to the start.  Fatal with "write NAME:" or "mmap NAME:".
void file_prepend_head(int status, int fd, const char *name, size_t data_size,
                         const HeadText &head);
