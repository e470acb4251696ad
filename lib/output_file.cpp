#include "output_file.h"

#include "diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>

void output_prepend_head(int status, int fd, const char *name, size_t data_size,
                         const HeadText &head)
{
    // Written at the end first, so that the file is long enough to map.
    write_or_fail(status, fd, name, head.bytes, head.length);
    file_place_head(status, fd, name, head, 0, data_size);
}

void file_place_head(int status, int fd, const char *name, const HeadText &head, size_t from,
                     size_t data_size)
{
    const size_t length = std::max(head.length, from) + data_size;
    void *map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED)
        fail(status, "mmap %s:", name);
    unsigned char *bytes = static_cast<unsigned char *>(map);
    if (head.length != from)
        memmove(bytes + head.length, bytes + from, data_size);
    memcpy(bytes, head.bytes, head.length);
    munmap(map, length);
}
