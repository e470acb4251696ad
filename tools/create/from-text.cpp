// rv-from-text: text back into a stream.  The first line is the head line;
// every number after it, separated by any white space, becomes one double of
// pixel data, four to a pixel.
#include "diagnostics.h"
#include "stream_format.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "";

// The longest head line: a stream buffer less the newline and the magic.  It
// stays at this value whatever size the read buffer is given.
constexpr size_t text_head_limit = 1018;
static_assert(text_head_limit + 1 + stream_magic_size <= stream_buffer_size,
              "the head built from the text must fit a stream buffer");

// Numbers are written in blocks of this many doubles.
constexpr size_t block_doubles = 128;

// Reads the first line into the stream's buffer and returns its length
// without the newline.  The line is read a character at a time and never
// beyond the limit, so a text without newlines cannot exhaust memory.
static size_t read_head_line(Stream &stream)
{
    size_t length = 0;
    int c;
    while ((c = getchar()) != EOF && c != '\n') {
        if (length == text_head_limit)
            fail(1, "%s: head is too long\n", "<stdin>");
        stream.buf[length++] = (unsigned char)c;
    }
    if (c == EOF && ferror(stdin))
        fail(1, "getline %s:", "<stdin>");
    if (c == EOF && length == 0)
        fail(1, "%s: no input\n", "<stdin>");
    return length;
}

int main(int argc, char **argv)
{
    scan_bare(argc, argv, synopsis);

    // The head is written as given, then checked as any reader would.
    Stream stream{};
    size_t length = read_head_line(stream);
    memcpy(stream.buf + length, "\n\0uivf", 1 + stream_magic_size);
    stream.fill = length + 1 + stream_magic_size;
    stream.fd = -1;
    stream.file = "<stdin>";
    write_or_fail(1, 1, "<stdout>", stream.buf, stream.fill);
    stream_read_head(1, stream);

    double block[block_doubles];
    size_t count = 0;
    for (;;) {
        int got = scanf("%lf", &block[count]);
        if (got == 1 && ++count < block_doubles)
            continue;
        write_or_fail(1, 1, "<stdout>", block, count * sizeof *block);
        count = 0;
        if (got == EOF)
            break;
        if (got == 0)
            fail(1, "%s: not a number\n", "<stdin>");
    }
    close_stdio(1, stdin, "<stdin>");
    return 0;
}
