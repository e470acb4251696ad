// rv-rewrite-head: the head of a stream file rewritten in place.  The frame
// count is taken from the file size (or checked against it); width, height
// and pixel format may change; the frame data move when the head changes
// length.  With -h the file is raw frame data without a head.
#include "diagnostics.h"
#include "output_file.h"
#include "stream_format.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char synopsis[] =
    "[-h] file [(frames | 'auto') [(width | 'same') (height | 'same') [format | 'same']]]";

static bool is(const char *operand, const char *word)
{
    return operand && strcmp(operand, word) == 0;
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool raw = false;
    while (scan_option(cl, "h"))
        raw = true;
    const int count = operand_count(cl);
    char **words = operands(cl);
    if (raw && count != 5)
        fail(1, "all positional arguments are mandatory unless -h is used\n");
    if (!raw && count != 1 && count != 2 && count != 4 && count != 5)
        usage(cl);
    const char *frames_word = count > 1 ? words[1] : nullptr;
    const char *width_word = count > 2 ? words[2] : nullptr;
    const char *height_word = count > 3 ? words[3] : nullptr;
    const char *format_word = count > 4 ? words[4] : nullptr;
    if (raw && (is(width_word, "same") || is(height_word, "same") || is(format_word, "same")))
        fail(1, "cannot use both 'same' and -h\n");

    Stream file{};
    file.file = words[0];
    file.fd = open_path(1, file.file, O_RDWR, 0);
    // Examined before its head is read: a FIFO opened for reading and writing
    // has this program as its writer, so a read from it would never end.
    struct stat st;
    if (fstat(file.fd, &st))
        fail(1, "fstat %s:", file.file);
    if (!S_ISREG(st.st_mode))
        fail(1, "%s: not a regular file\n", file.file);
    if (!raw)
        stream_read_head(1, file);

    const bool counting = !frames_word || is(frames_word, "auto");
    uint64_t frames = 0;
    if (!counting)
        frames = operand_uint(1, "the frame count", frames_word, 0, UINT64_MAX);
    if (width_word && !is(width_word, "same"))
        file.width = operand_uint(1, "the width", width_word, 1, UINT64_MAX);
    if (height_word && !is(height_word, "same"))
        file.height = operand_uint(1, "the height", height_word, 1, UINT64_MAX);
    if (format_word && !is(format_word, "same")) {
        if (strlen(format_word) >= sizeof file.pixfmt)
            fail(1, "choosen pixel format is unsupported\n");
        strcpy(file.pixfmt, format_word);
        if (stream_try_set_pixel_size(file))
            fail(1, "choosen pixel format is unsupported\n");
    }
    const size_t F = stream_frame_size(1, file);

    // A file shorter than its head (cut since the head was read) holds no
    // whole frames either.
    const size_t size = size_t(st.st_size);
    if (size < file.headlen || (size - file.headlen) % F)
        fail(1, "%s: given the select width and height, the file has an incomplete frame\n",
             file.file);
    const size_t D = size - file.headlen;
    if (counting)
        frames = D / F;
    else if (frames != D / F)
        fail(1, "%s: frame count mismatch\n", file.file);
    file.frames = frames;

    const HeadText head = stream_head_text(file);
    const size_t H = head.length;
    if (H + D > size_t(INT64_MAX))
        fail(1, "%s: video is too long\n", file.file);

    file_replace_head(1, file.fd, file.file, head, file.headlen, D);
    close(file.fd);
    return 0;
}
