// Moving bytes from one descriptor to another without looking at them: the
// kernel's zero-copy calls (copy_file_range, sendfile, splice) where the two
// descriptors allow one, and large reads and writes where none is allowed.
#pragma once

#include "descriptors.h"

#include <cstdint>

// How a copy ended: at the end of the input or after `limit` bytes, or on a
// failed read or write (errno set).
enum class CopyEnd { done, read_failed, write_failed };

struct CopyResult {
    uint64_t copied;
    CopyEnd end;
};

// Copies at most `limit` bytes from `in` to `out`: from the input's file
// position (which advances), or, when `from` is not null, from that offset
// of a file by position (*from advances, the file position stays).  Bytes
// reach the output in order and nothing read is held back, so after a
// failure the output holds exactly what was copied.  Never prints.
CopyResult copy_bytes(int in, int out, uint64_t limit, uint64_t *from = nullptr);

// copy_bytes from the file position until end of input or `limit` bytes;
// fatal with "read IN_NAME:" or "write NAME:".  Returns the count.
uint64_t copy_or_fail(int status, int in, const char *in_name, const Output &out,
                      uint64_t limit = UINT64_MAX);

// Bytes [from, to) of the file `in` by position; fatal with "pread IN_NAME:" or
// "write NAME:".  Returns the count, less than asked when the file ends.
uint64_t copy_range_or_fail(int status, int in, const char *in_name, uint64_t from, uint64_t to,
                            const Output &out);
