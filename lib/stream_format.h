// The stream format: a text head line ("%zu %zu %zu %s\n": frames, width,
// height, pixel format), a NUL and "uivf", then the frames back to back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// Size of a stream's read buffer; the build may set it (-DRV_STREAM_BUFFER_SIZE=N,
// at least 1024).  Output never depends on it, only the number of system calls.
#ifndef RV_STREAM_BUFFER_SIZE
#define RV_STREAM_BUFFER_SIZE (256 * 1024)
#endif
constexpr size_t stream_buffer_size = RV_STREAM_BUFFER_SIZE;
// The drivers read into a stream once fewer bytes than this are buffered.
constexpr size_t stream_refill_level = stream_buffer_size / 2;
// The head line with its newline lies within this many bytes of the start.
constexpr size_t stream_head_limit = 1024;
// The magic after the head line: a NUL and the letters "uivf".
constexpr size_t stream_magic_size = 5;
static_assert(stream_buffer_size >= stream_head_limit, "a head must fit the read buffer");

struct Stream {
    size_t frames;
    size_t width;
    size_t height;
    size_t pixel_size;
    char pixfmt[32];
    int fd;           // -1 once a driver has closed it at end of input
    size_t fill;      // unread bytes at buf
    size_t frame_pos; // bytes of a partly read frame
    unsigned char *buf;  // the unread bytes, inside base
    unsigned char *base; // the read buffer, stream_buffer_size bytes, made by the head reader
    const char *file; // display name, not copied
    size_t headlen;   // offset of the first frame
};

// Opens path (standard input when null) and reads its head.  The reading
// of what follows the head is in stream_input.h.
void stream_open(int status, Stream &stream, const char *path);
// Gives the stream the descriptor fd, the display name `file` and an empty
// read buffer of its own, for raw bytes that have no head.
void stream_attach(int status, Stream &stream, int fd, const char *file);
// Gives the stream a read buffer of its own and reads its head from fd.
void stream_read_head(int status, Stream &stream);
// Parses a whole head held in memory (the line, the NUL and "uivf", nothing
// after it) into the stream's fields, with the messages of stream_read_head.
void stream_parse_head(int status, Stream &stream, const unsigned char *bytes, size_t length);
void stream_set_pixel_size(int status, Stream &stream);
int stream_try_set_pixel_size(Stream &stream);
// A head as bytes: the line, the NUL and "uivf".
struct HeadText {
    char bytes[stream_head_limit + stream_magic_size];
    size_t length;
};

// The head of `stream` (its frames, width, height and pixfmt).
HeadText stream_head_text(const Stream &stream);
// Prints the head to `out` through stdio; no flush, no test.
void stream_print_head(FILE *out, const Stream &stream);
// Prints the head to `out` and flushes it; fatal with "NAME:" on a stdio error.
void stream_print_and_flush_head(int status, FILE *out, const char *name, const Stream &stream);
// The same on standard output ("<stdout>").
void stream_print_and_flush_head(int status, const Stream &stream);
// Opens standard input and passes its head on unchanged: the start of every
// program whose output has the geometry of its input.
void stream_open_and_pass_head(int status, Stream &stream);
// Opens standard input and the stream at `path`, which must agree with it in
// geometry and pixel format, and passes the input's head on unchanged.
void stream_open_pair_and_pass_head(int status, Stream &input, Stream &other, const char *path);
bool frame_size_fits(size_t width, size_t height, size_t pixel_size);
void require_frame_size(int status, size_t width, size_t height, size_t pixel_size,
                        const char *prefix, const char *name);
// Frame size of a stream, fatal (with the stream's name) when it overflows.
size_t stream_frame_size(int status, const Stream &stream);
void stream_check_compatible(int status, const Stream &a, const Stream &b);

// A pixel of the only format, xyza: four native doubles.
struct Pixel {
    double x, y, z, a;
};
constexpr size_t pixel_bytes = sizeof(Pixel);
static_assert(pixel_bytes == 32);

inline Pixel load_pixel(const unsigned char *p)
{
    Pixel v;
    memcpy(&v, p, sizeof v);
    return v;
}

inline void store_pixel(unsigned char *p, const Pixel &v) { memcpy(p, &v, sizeof v); }

inline double load_double(const unsigned char *p)
{
    double v;
    memcpy(&v, p, sizeof v);
    return v;
}

inline void store_double(unsigned char *p, double v) { memcpy(p, &v, sizeof v); }

// The X and Z of the D65 white with Y = 1.
constexpr double white_x = 0.9504705586542831;
constexpr double white_z = 1.0888287363958842;
