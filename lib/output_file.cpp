#include "output_file.h"

#include "diagnostics.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>

HeadText stream_head_text(const Stream &stream)
{
    HeadText head;
    int n = snprintf(head.bytes, sizeof head.bytes, "%zu %zu %zu %s\n%cuivf", stream.frames,
                     stream.width, stream.height, stream.pixfmt, 0);
    // The format name holds at most 31 characters, so the head always fits.
    head.length = n < 0 ? 0 : size_t(n) < sizeof head.bytes ? size_t(n) : sizeof head.bytes - 1;
    return head;
}

void output_prepend_head(int status, int fd, const char *name, size_t data_size,
                         const HeadText &head)
{
    if (write_all(fd, head.bytes, head.length))
        fail(status, "write %s:", name);
    size_t length = data_size + head.length;
    void *map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED)
        fail(status, "mmap %s:", name);
    unsigned char *bytes = static_cast<unsigned char *>(map);
    memmove(bytes + head.length, bytes, data_size);
    memcpy(bytes, head.bytes, head.length);
    munmap(map, length);
}
