#include "output_file.h"

#include "diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

// The first `length` bytes of the file, shared for reading and writing;
// the file may still be shorter.  Fatal with "mmap NAME:".
static unsigned char *map_file(int status, int fd, const char *name, size_t length)
{
    void *map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED)
        fail(status, "mmap %s:", name);
    return static_cast<unsigned char *>(map);
}

// Moves `data_size` bytes from offset `from` to just behind the head, and
// writes the head in front of them.
static void place_head(unsigned char *bytes, const char *head, size_t head_length, size_t from,
                       size_t data_size)
{
    if (head_length != from)
        memmove(bytes + head_length, bytes + from, data_size);
    memcpy(bytes, head, head_length);
}

void file_prepend_head(int status, int fd, const char *name, size_t data_size,
                         const HeadText &head)
{
    // Written at the end first, so that the file is long enough to map.
    write_or_fail(status, Output{fd, name}, head.bytes, head.length);
    const size_t length = head.length + data_size;
    unsigned char *bytes = map_file(status, fd, name, length);
    place_head(bytes, head.bytes, head.length, 0, data_size);
    munmap(bytes, length);
}

void file_replace_head(int status, int fd, const char *name, const HeadText &head,
                       size_t old_length, size_t data_size)
{
    // The mapping covers both the old and the new place of the frames.
    const size_t length = std::max(head.length, old_length) + data_size;
    const off_t old_size = off_t(old_length + data_size);
    const off_t new_size = off_t(head.length + data_size);
    unsigned char *bytes = map_file(status, fd, name, length);
    auto give_up = [&](const char *format) {
        int error = errno;
        munmap(bytes, length);
        errno = error;
        fail(status, format, name);
    };
    if (head.length > old_length && ftruncate(fd, new_size))
        give_up("ftruncate %s:");
    // Every block the move writes is taken first, so that a full file system
    // fails here, not by a signal from the mapping in the middle of the move.
    // Where the file system cannot take blocks ahead, the move goes without.
    if (head.length != old_length) {
        int error = posix_fallocate(fd, 0, off_t(length));
        if (error && error != EINVAL && error != EOPNOTSUPP) {
            if (head.length > old_length && ftruncate(fd, old_size))
                give_up("ftruncate %s:");
            errno = error;
            give_up("posix_fallocate %s:");
        }
    }
    HeadText old;
    memcpy(old.bytes, bytes, old_length);
    old.length = old_length;
    place_head(bytes, head.bytes, head.length, old_length, data_size);
    if (head.length < old_length && ftruncate(fd, new_size)) {
        place_head(bytes, old.bytes, old.length, head.length, data_size);
        give_up("ftruncate %s:");
    }
    munmap(bytes, length);
}
