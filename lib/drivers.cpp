// The non-template parts of the processing drivers.
#include "drivers.h"

#include <sys/stat.h>
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
    if (file - at < size) {
        lseek(stream.fd, 0, SEEK_END);
        fail(status, "%s: incomplete frame\n", stream.file);
    }
    return true;
}

bool file_pair_offsets(const Stream &left, const Stream &right, uint64_t &at, uint64_t &right_at)
{
    if (!frame_size_fits(left.width, left.height, left.pixel_size) ||
        left.width * left.height * left.pixel_size < stream_buffer_size)
        return false;
    const off_t l = stream_file_offset(left, left.width * left.pixel_size);
    const off_t r = stream_file_offset(right, right.width * right.pixel_size);
    struct stat a, b;
    if (l < 0 || r < 0 || fstat(left.fd, &a) || fstat(right.fd, &b) ||
        (a.st_dev == b.st_dev && a.st_ino == b.st_ino))
        return false;
    at = uint64_t(l), right_at = uint64_t(r);
    return true;
}
