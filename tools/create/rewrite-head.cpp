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

// The operands; a word not given is null.
struct Settings {
    bool raw = false; // -h: the file has no head
    const char *path = nullptr;
    const char *frames = nullptr;
    const char *width = nullptr;
    const char *height = nullptr;
    const char *format = nullptr;
};

static bool is(const char *operand, const char *word)
{
    return operand && strcmp(operand, word) == 0;
}

// Given and not 'same': the word replaces what the head says.
static bool changes(const char *operand)
{
    return operand && !is(operand, "same");
}

static Settings parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Settings settings;
    while (scan_option(cl, "h"))
        settings.raw = true;
    const int count = operand_count(cl);
    char **words = operands(cl);
    if (settings.raw && count != 5)
        fail(1, "all positional arguments are mandatory unless -h is used\n");
    if (!settings.raw && count != 1 && count != 2 && count != 4 && count != 5)
        usage(cl);
    settings.path = words[0];
    settings.frames = count > 1 ? words[1] : nullptr;
    settings.width = count > 2 ? words[2] : nullptr;
    settings.height = count > 3 ? words[3] : nullptr;
    settings.format = count > 4 ? words[4] : nullptr;
    if (settings.raw && (is(settings.width, "same") || is(settings.height, "same") ||
                         is(settings.format, "same")))
        fail(1, "cannot use both 'same' and -h\n");
    return settings;
}

// Opens the file and reads its head, unless it has none.  The file is
// examined before its head is read: a FIFO opened for reading and writing
// has this program as its writer, so a read from it would never end.
static Stream open_file(const Settings &settings, struct stat &st)
{
    Stream file{};
    file.file = settings.path;
    file.fd = open_path(1, file.file, O_RDWR, 0);
    if (fstat(file.fd, &st))
        fail(1, "fstat %s:", file.file);
    if (!S_ISREG(st.st_mode))
        fail(1, "%s: not a regular file\n", file.file);
    if (!settings.raw)
        stream_read_head(1, file);
    return file;
}

[[noreturn]] static void unsupported_format()
{
    // Scripts match the message as it is written, "choosen" and all.
    fail(1, "choosen pixel format is unsupported\n");
}

// Width, height and pixel format as the operands change them.
static void change_geometry(const Settings &settings, Stream &file)
{
    if (changes(settings.width))
        file.width = operand_uint(1, "the width", settings.width, 1, UINT64_MAX);
    if (changes(settings.height))
        file.height = operand_uint(1, "the height", settings.height, 1, UINT64_MAX);
    if (changes(settings.format)) {
        if (strlen(settings.format) >= sizeof file.pixfmt)
            unsupported_format();
        strcpy(file.pixfmt, settings.format);
        if (stream_try_set_pixel_size(file))
            unsupported_format();
    }
}

// The frame count the file's size gives: its frame data, from the end of
// the head, must be whole frames, as many as the operand says (if it does).
// Returns the size of the frame data.
static size_t count_frames(const Stream &file, const struct stat &st, bool counting,
                           uint64_t &frames)
{
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
    return D;
}

int main(int argc, char **argv)
{
    const Settings settings = parse_command_line(argc, argv);
    struct stat st;
    Stream file = open_file(settings, st);

    const bool counting = !settings.frames || is(settings.frames, "auto");
    uint64_t frames = 0;
    if (!counting)
        frames = operand_uint(1, "the frame count", settings.frames, 0, UINT64_MAX);
    change_geometry(settings, file);
    const size_t D = count_frames(file, st, counting, frames);
    file.frames = frames;

    const HeadText head = stream_head_text(file);
    if (head.length + D > size_t(INT64_MAX))
        fail(1, "%s: video is too long\n", file.file);
    file_replace_head(1, file.fd, file.file, head, file.headlen, D);
    close(file.fd);
    return 0;
}
