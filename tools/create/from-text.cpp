// rv-from-text: text back into a stream.  The first line is the head line;
// every number after it, separated by any white space, becomes one double of
// pixel data, four to a pixel.
#include "diagnostics.h"
#include "stream_format.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "";

// The longest head line: the head limit less the newline and the magic.
constexpr size_t text_head_limit = 1018;
static_assert(text_head_limit + 1 + stream_magic_size <= stream_head_limit,
              "the head built from the text must fit the head limit");

// Numbers are written in blocks of this many doubles.
constexpr size_t block_doubles = 128;

// Reads the first line into `line` and returns its length without the
// newline.  The line is read a character at a time and never beyond the
// limit, so a text without newlines cannot exhaust memory.
static size_t read_head_line(unsigned char *line)
{
    size_t length = 0;
    int c;
    while ((c = getchar()) != EOF && c != '\n') {
        if (length == text_head_limit)
            fail(1, "%s: head is too long\n", "<stdin>");
        line[length++] = (unsigned char)c;
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
    unsigned char head[text_head_limit + 1 + stream_magic_size];
    size_t length = read_head_line(head);
    memcpy(head + length, "\n\0uivf", 1 + stream_magic_size);
    length += 1 + stream_magic_size;
    write_or_fail(1, 1, "<stdout>", head, length);
    Stream stream{};
    stream.file = "<stdin>";
    stream_parse_head(1, stream, head, length);

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
