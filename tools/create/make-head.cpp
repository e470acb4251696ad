// rv-make-head: raw pixel data on standard input made into a stream.  The head
// comes from the operands; then exactly the bytes it promises are copied.
//
// Exit status 1 is for command-line errors and for an input that is empty
// from the start; every other failure exits with status 2.
#include "byte_copy.h"
#include "diagnostics.h"
#include "stream_format.h"

#include <cstdlib>

static const char synopsis[] = "[-f frames] width height pixel-format ...";

constexpr int failure = 2;

static size_t dimension(const char *phrase, const char *text)
{
    uint64_t value;
    if (parse_uint(text, 1, UINT64_MAX, &value))
        fail(failure, "%s must be an integer in [%lu, %lu]\n", phrase, 1UL,
             (unsigned long)UINT64_MAX);
    return value;
}

// The remaining operands joined by single blanks; empty when too long.
static void join_format(Stream &stream, char **words, int count)
{
    size_t length = 0;
    for (int i = 0; i < count; i++)
        length += (i ? 1 : 0) + strlen(words[i]);
    stream.pixfmt[0] = '\0';
    if (length >= sizeof stream.pixfmt)
        return;
    for (int i = 0; i < count; i++) {
        if (i)
            strcat(stream.pixfmt, " ");
        strcat(stream.pixfmt, words[i]);
    }
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Stream stream{};
    stream.frames = 1;
    for (int letter; (letter = scan_option(cl, "f:"));)
        stream.frames = option_uint(1, letter, cl.arg, 1, UINT64_MAX);
    if (operand_count(cl) < 3)
        usage(cl);
    char **words = operands(cl);
    stream.file = "<stdin>";
    stream.width = dimension("the width", words[0]);
    stream.height = dimension("the height", words[1]);
    join_format(stream, words + 2, operand_count(cl) - 2);
    stream_set_pixel_size(failure, stream);
    // A frame that has no byte size is refused before anything is written.
    const size_t frame_size = stream_frame_size(failure, stream);
    stream_print_and_flush_head(failure, stream);

    bool copied = false;
    for (size_t frame = 0; frame < stream.frames; frame++) {
        uint64_t n = copy_or_fail(failure, 0, stream.file, standard_output, frame_size);
        if (n < frame_size) {
            if (!copied && n == 0)
                exit(1);
            // Scripts match the message as it is written, "shorted" and all.
            fail(failure, "%s: is shorted than expected\n", stream.file);
        }
        copied = true;
    }
    return 0;
}
