// Text output in large blocks, and the end of a program that reads or writes
// through standard I/O.
#pragma once

#include <cstddef>
#include <cstdio>

// Text gathered in a block and written with write(2) when the block is full.
// As with a standard I/O stream, a failed write is remembered and reported
// when the output is closed, and what was gathered before the program exits
// on a fatal error is still written (by the destructor of a static record).
struct TextOutput {
    static constexpr size_t capacity = 256 * 1024;
    int fd;
    size_t fill = 0;
    int error = 0; // errno of the first failed write; nothing is written after it
    char buf[capacity];

    explicit TextOutput(int fd) : fd(fd) {}
    ~TextOutput();
    TextOutput(const TextOutput &) = delete;
    TextOutput &operator=(const TextOutput &) = delete;
};

// Writes the gathered text (unless a write has failed) and empties the block.
void text_output_flush(TextOutput &out);

// Room for `length` bytes (at most the capacity) at the end of the text,
// made by flushing when the block is too full.  Writing there and passing the
// end of what was written to text_output_advance adds it to the text.
inline char *text_output_room(TextOutput &out, size_t length)
{
    if (TextOutput::capacity - out.fill < length)
        text_output_flush(out);
    return out.buf + out.fill;
}

inline void text_output_advance(TextOutput &out, const char *end)
{
    out.fill = size_t(end - out.buf);
}

// Flushes and closes `file`.  A stream error after the flush prints
// "ferror NAME:" and exits with `status` (after closing the stream); a failed
// close prints "fclose NAME:" and exits with `status`.  A program that moved
// the stream's bytes with its own reads or writes passes `failed` when one of
// them failed, which then counts as the stream's error, with errno as it is.
void close_stdio(int status, FILE *file, const char *name, bool failed = false);

// Flushes `out` and closes `file`, the standard I/O stream of its descriptor,
// as close_stdio does.
void close_text_output(int status, TextOutput &out, FILE *file, const char *name);
