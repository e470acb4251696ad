// The non-template parts of the processing drivers.
#include "drivers.h"

#include <unistd.h>

FramePairMemory map_frame_pairs(int status, size_t left_size, size_t right_size)
{
    size_t length;
    if (__builtin_mul_overflow(left_size, size_t(2), &length) ||
        __builtin_add_overflow(length, right_size, &length))
        fail(status, "video frame is too large\n");
    void *base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        fail(status, "mmap:");
    return FramePairMemory{static_cast<unsigned char *>(base), length};
}

void unmap_frame_pairs(FramePairMemory memory) { munmap(memory.base, memory.length); }

bool file_holds_frame(int status, const Stream &stream, uint64_t at, size_t size)
{
    const uint64_t file = stream_file_size(status, stream);
    if (file <= at)
        return false;
    if (file - at < size)
        fail(status, "%s: incomplete frame\n", stream.file);
    return true;
}
