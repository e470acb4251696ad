// rv-read-head: the head line of the stream on standard input, printed as
// text.  The input is read a byte at a time, so exactly the head is consumed
// and the frames stay for the next reader of the same input:
//     { rv-read-head; cat; } < file
#include "diagnostics.h"
#include "stream_format.h"

#include <unistd.h>

static const char synopsis[] = "";

// The head line may hold this many characters before its newline.
constexpr size_t line_limit = 112;

[[noreturn]] static void not_supported()
{
    fail(1, "%s: file format not supported\n", "<stdin>");
}

// The next byte of standard input; end of input is a malformed head.
static unsigned char next_byte()
{
    unsigned char c;
    ssize_t r = read(0, &c, 1);
    if (r < 0)
        fail(1, "read %s:", "<stdin>");
    if (r == 0)
        not_supported();
    return c;
}

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

static bool is_alnum(char c)
{
    return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Three numbers, each followed by one blank, then a pixel format of words
// separated by single blanks, then the newline.
static bool well_formed(const char *p)
{
    for (int field = 0; field < 3; field++) {
        if (!is_digit(*p))
            return false;
        while (is_digit(*p))
            p++;
        if (*p++ != ' ')
            return false;
    }
    for (;;) {
        if (!is_alnum(*p))
            return false;
        while (is_alnum(*p))
            p++;
        if (*p == '\n')
            return true;
        if (*p++ != ' ')
            return false;
    }
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);

    char line[line_limit + 1];
    size_t length = 0;
    do {
        if (length == sizeof line)
            not_supported();
        line[length] = char(next_byte());
    } while (line[length++] != '\n');
    for (size_t i = 0; i < stream_magic_size; i++)
        if (next_byte() != (unsigned char)"\0uivf"[i])
            not_supported();
    if (!well_formed(line))
        not_supported();

    write_or_fail(1, standard_output, line, length);
    return 0;
}
