// Frame and row buffers whose allocation ends the program when memory runs out.
#pragma once

#include "diagnostics.h"

#include <cstddef>
#include <cstdlib>

inline unsigned char *allocate_bytes(int status, size_t size)
{
    void *p = malloc(size);
    if (!p)
        fail(status, "malloc: out of memory\n");
    return static_cast<unsigned char *>(p);
}

// Zero-filled, for buffers whose untouched parts must read as zero bytes.
inline unsigned char *allocate_zeroed(int status, size_t size)
{
    void *p = calloc(size, 1);
    if (!p)
        fail(status, "calloc: out of memory\n");
    return static_cast<unsigned char *>(p);
}
