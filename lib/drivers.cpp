// The non-template parts of the processing drivers.
#include "drivers.h"

#include "byte_copy.h"

#include <sys/stat.h>
#include <unistd.h>

int stream_read_frame(int status, Stream &stream, unsigned char *frame, size_t size)
{
    size_t take = std::min(stream.fill, size - stream.frame_pos);
    memcpy(frame + stream.frame_pos, stream.buf, take);
    stream_drop(stream, take);
    stream.frame_pos += take;
    while (stream.frame_pos < size) {
        ssize_t r = read(stream.fd, frame + stream.frame_pos, size - stream.frame_pos);
        if (r < 0)
            fail(status, "read %s:", stream.file);
        if (r == 0) {
            if (stream.frame_pos == 0)
                return 0;
            fail(status, "%s: incomplete frame\n", stream.file);
        }
        stream.frame_pos += size_t(r);
    }
    stream.frame_pos = 0;
    return 1;
}

void stream_close(Stream &stream)
{
    close(stream.fd);
    stream.fd = -1;
}

uint64_t stream_copy_rest(int status, Stream &stream, int out_fd, const char *out_name)
{
    uint64_t copied = stream.fill;
    write_or_fail(status, out_fd, out_name, stream.buf, stream.fill);
    stream_clear(stream);
    if (stream.fd < 0)
        return copied;
    copied += copy_or_fail(status, stream.fd, stream.file, out_fd, out_name);
    stream_close(stream);
    return copied;
}

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

off_t stream_file_offset(const Stream &stream, size_t row)
{
    struct stat st;
    if (row < positional_row_minimum || fstat(stream.fd, &st) || !S_ISREG(st.st_mode))
        return -1;
    off_t here = lseek(stream.fd, 0, SEEK_CUR);
    return here < off_t(stream.fill) ? -1 : here - off_t(stream.fill);
}

void stream_copy_frame_part(int status, Stream &stream, uint64_t from, uint64_t to, int out_fd,
                            const char *out_name)
{
    if (copy_range_or_fail(status, stream.fd, stream.file, from, to, out_fd, out_name) < to - from)
        fail(status, "%s: incomplete frame\n", stream.file);
}

uint64_t stream_file_size(int status, const Stream &stream)
{
    struct stat st;
    if (fstat(stream.fd, &st))
        fail(status, "fstat %s:", stream.file);
    return uint64_t(st.st_size);
}
