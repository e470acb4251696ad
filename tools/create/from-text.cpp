// rv-from-text: text back into a stream.  The first line is the head line;
// every number after it, separated by any white space, becomes one double of
// pixel data, four to a pixel.  Numbers are read as scanf's "%lf" reads them.
#include "diagnostics.h"
#include "number_text.h"
#include "stream_format.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "";

// The longest head line: the head limit less the newline and the magic.
constexpr size_t text_head_limit = 1018;
static_assert(text_head_limit + 1 + stream_magic_size <= stream_head_limit,
              "the head built from the text must fit the head limit");
static_assert(text_head_limit < stream_buffer_size, "the head line must fit the read buffer");

// Numbers are written in blocks of this many doubles (256 KiB).
constexpr size_t block_doubles = 32768;

// Copies the first line into `line` and returns its length without the
// newline.  Nothing beyond the limit is looked for, so a text without
// newlines cannot exhaust memory.
static size_t read_head_line(TextInput &in, unsigned char *line)
{
    for (;;) {
        const unsigned char *start = in.buf + in.pos;
        size_t held = in.end - in.pos;
        size_t searched = held < text_head_limit + 1 ? held : text_head_limit + 1;
        if (auto *newline = static_cast<const unsigned char *>(memchr(start, '\n', searched))) {
            size_t length = size_t(newline - start);
            memcpy(line, start, length);
            in.pos += length + 1;
            return length;
        }
        if (held > text_head_limit)
            fail(1, "%s: head is too long\n", "<stdin>");
        if (!text_input_fill(in)) {
            if (in.failed)
                fail(1, "getline %s:", "<stdin>");
            if (!held)
                fail(1, "%s: no input\n", "<stdin>");
            memcpy(line, start, held);
            in.pos += held;
            return held;
        }
    }
}

// Writes every number of the input, a block at a time; the numbers before a
// word that is no number are written before the program fails.
static void convert_numbers(TextInput &in)
{
    static double block[block_doubles];
    size_t count = 0;
    for (;;) {
        ScanResult got = scan_double(1, in, block[count]);
        if (got == ScanResult::number && ++count < block_doubles)
            continue;
        write_or_fail(1, standard_output, block, count * sizeof *block);
        count = 0;
        if (got == ScanResult::end)
            return;
        if (got == ScanResult::not_number)
            fail(1, "%s: not a number\n", "<stdin>");
    }
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    TextInput in(1, 0, stream_buffer_size);

    // The head is written as given, then checked as any reader would.
    unsigned char head[text_head_limit + 1 + stream_magic_size];
    size_t length = read_head_line(in, head);
    memcpy(head + length, "\n\0uivf", 1 + stream_magic_size);
    length += 1 + stream_magic_size;
    write_or_fail(1, standard_output, head, length);
    Stream stream{};
    stream.file = "<stdin>";
    stream_parse_head(1, stream, head, length);

    convert_numbers(in);
    // After a failed read errno is what scanf would have left.
    close_stdio(1, stdin, "<stdin>", in.failed);
    return 0;
}
