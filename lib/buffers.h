// Frame and row buffers: allocation that ends the program when memory runs
// out, and moves of whole pixels between buffers.
#pragma once

#include "diagnostics.h"
#include "stream_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

inline unsigned char *allocate_or_fail(int status, size_t size)
{
    void *p = malloc(size);
    if (!p)
        fail(status, "malloc: out of memory\n");
    return static_cast<unsigned char *>(p);
}

// Zero-filled, for buffers whose untouched parts must read as zero bytes.
inline unsigned char *allocate_zeroed_or_fail(int status, size_t size)
{
    void *p = calloc(size, 1);
    if (!p)
        fail(status, "calloc: out of memory\n");
    return static_cast<unsigned char *>(p);
}

// An array of `count` stream records, zero-filled, for programs that open a
// number of streams given on the command line.
inline Stream *allocate_streams_or_fail(int status, size_t count)
{
    if (count > SIZE_MAX / sizeof(Stream))
        fail(status, "calloc: out of memory\n");
    return reinterpret_cast<Stream *>(allocate_zeroed_or_fail(status, count * sizeof(Stream)));
}

// One pixel of p bytes.  For the xyza size the copy has a constant length, so
// it compiles to a few moves instead of a call.
inline void copy_pixel(unsigned char *to, const unsigned char *from, size_t p)
{
    if (p == pixel_bytes)
        memcpy(to, from, pixel_bytes);
    else
        memcpy(to, from, p);
}
