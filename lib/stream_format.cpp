// Reading, checking and printing stream heads.
#include "stream_format.h"

#include "diagnostics.h"
#include "stream_input.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

void stream_open(int status, Stream &stream, const char *path)
{
    stream.file = path ? path : "<stdin>";
    stream.fd = path ? open_path(status, path, O_RDONLY, 0) : 0;
    stream_read_head(status, stream);
}

static size_t read_into(int status, Stream &stream)
{
    ssize_t r = read(stream.fd, stream.buf + stream.fill, stream_buffer_size - stream.fill);
    if (r < 0)
        fail(status, "read %s:", stream.file);
    stream.fill += size_t(r);
    return size_t(r);
}

static size_t parse_field(int status, const Stream &stream, const char *text,
                          const char *too)
{
    errno = 0;
    char *end;
    unsigned long value = strtoul(text, &end, 10);
    if (errno == ERANGE && text[0] != '-')
        fail(status, "%s: video is too %s\n", stream.file, too);
    if (errno || end == text || *end)
        fail(status, "%s: file format not supported\n", stream.file);
    return value;
}

[[noreturn]] static void unsupported(int status, const Stream &stream)
{
    fail(status, "%s: file format not supported\n", stream.file);
}

// The newline ending a head line within the first `length` bytes, or null.
static const unsigned char *find_head_end(const unsigned char *bytes, size_t length)
{
    size_t searched = length < stream_head_limit ? length : stream_head_limit;
    return static_cast<const unsigned char *>(memchr(bytes, '\n', searched));
}

// Parses the head line bytes[0, length) (without its newline) into the fields.
static void parse_head_line(int status, Stream &stream, const unsigned char *bytes,
                            size_t length)
{
    char line[stream_head_limit];
    memcpy(line, bytes, length);
    line[length] = '\0';
    char *fields[4];
    fields[0] = line;
    for (int i = 1; i < 4; i++) {
        char *blank = strchr(fields[i - 1], ' ');
        if (!blank)
            unsupported(status, stream);
        *blank = '\0';
        fields[i] = blank + 1;
    }
    if (strlen(fields[3]) > 31)
        unsupported(status, stream);
    strcpy(stream.pixfmt, fields[3]);
    stream.frames = parse_field(status, stream, fields[0], "long");
    stream.width = parse_field(status, stream, fields[1], "wide");
    stream.height = parse_field(status, stream, fields[2], "tall");
    if (!stream.width)
        fail(1, "%s: width is zero\n", stream.file);
    if (!stream.height)
        fail(1, "%s: height is zero\n", stream.file);
}

static void finish_head(int status, Stream &stream, size_t linelen)
{
    stream.headlen = linelen + 1 + stream_magic_size;
    stream_set_pixel_size(status, stream);
    stream.frame_pos = 0;
}

static void give_buffer(int status, Stream &stream)
{
    stream.base = static_cast<unsigned char *>(malloc(stream_buffer_size));
    if (!stream.base)
        fail(status, "malloc: out of memory\n");
    stream_clear(stream);
}

void stream_attach(int status, Stream &stream, int fd, const char *file)
{
    stream.fd = fd;
    stream.file = file;
    stream.frame_pos = 0;
    give_buffer(status, stream);
}

void stream_read_head(int status, Stream &stream)
{
    posix_fadvise(stream.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    give_buffer(status, stream);
    const unsigned char *newline;
    while (!(newline = find_head_end(stream.buf, stream.fill)))
        if (stream.fill >= stream_head_limit || read_into(status, stream) == 0)
            unsupported(status, stream);
    size_t linelen = size_t(newline - stream.buf);
    parse_head_line(status, stream, stream.buf, linelen);

    stream_drop(stream, linelen + 1);
    while (stream.fill < stream_magic_size)
        if (read_into(status, stream) == 0)
            unsupported(status, stream);
    if (memcmp(stream.buf, "\0uivf", stream_magic_size) != 0)
        unsupported(status, stream);
    stream_drop(stream, stream_magic_size);
    finish_head(status, stream, linelen);
}

void stream_parse_head(int status, Stream &stream, const unsigned char *bytes, size_t length)
{
    const unsigned char *newline = find_head_end(bytes, length);
    if (!newline)
        unsupported(status, stream);
    size_t linelen = size_t(newline - bytes);
    parse_head_line(status, stream, bytes, linelen);
    if (length - linelen - 1 < stream_magic_size ||
        memcmp(newline + 1, "\0uivf", stream_magic_size) != 0)
        unsupported(status, stream);
    finish_head(status, stream, linelen);
}

int stream_try_set_pixel_size(Stream &stream)
{
    if (strcmp(stream.pixfmt, "xyza") != 0)
        return -1;
    stream.pixel_size = pixel_bytes;
    return 0;
}

void stream_set_pixel_size(int status, Stream &stream)
{
    if (stream_try_set_pixel_size(stream))
        fail(status, "file %s uses unsupported pixel format: %s\n", stream.file,
             stream.pixfmt);
}

HeadText stream_head_text(const Stream &stream)
{
    HeadText head;
    int n = snprintf(head.bytes, sizeof head.bytes, "%zu %zu %zu %s\n%cuivf", stream.frames,
                     stream.width, stream.height, stream.pixfmt, 0);
    // The format name holds at most 31 characters, so the head always fits.
    head.length = n < 0 ? 0 : size_t(n) < sizeof head.bytes ? size_t(n) : sizeof head.bytes - 1;
    return head;
}

void stream_print_head(FILE *out, const Stream &stream)
{
    HeadText head = stream_head_text(stream);
    fwrite(head.bytes, 1, head.length, out);
}

void stream_print_and_flush_head(int status, FILE *out, const char *name, const Stream &stream)
{
    stream_print_head(out, stream);
    if (fflush(out) || ferror(out))
        fail(status, "%s:", name);
}

void stream_print_and_flush_head(int status, const Stream &stream)
{
    stream_print_and_flush_head(status, stdout, standard_output.name, stream);
}

void stream_open_and_pass_head(int status, Stream &stream)
{
    stream_open(status, stream, nullptr);
    stream_print_and_flush_head(status, stream);
}

void stream_open_pair_and_pass_head(int status, Stream &input, Stream &other, const char *path)
{
    stream_open(status, input, nullptr);
    stream_open(status, other, path);
    stream_check_compatible(status, input, other);
    stream_print_and_flush_head(status, input);
}

bool frame_size_fits(size_t width, size_t height, size_t pixel_size)
{
    if (!pixel_size)
        return true;
    // A zero dimension must not hide an oversized other one.
    size_t product;
    if (width && height) {
        if (__builtin_mul_overflow(width, height, &product))
            return false;
    } else {
        product = width ? width : height;
    }
    return !product || !__builtin_mul_overflow(product, pixel_size, &product);
}

void require_frame_size(int status, size_t width, size_t height, size_t pixel_size,
                        const char *prefix, const char *name)
{
    if (frame_size_fits(width, height, pixel_size))
        return;
    fail(status, "%s: %s%svideo frame is too %s\n", name, prefix ? prefix : "",
         prefix && *prefix ? " " : "", width < 2 ? "tall" : height < 2 ? "wide" : "large");
}

size_t stream_frame_size(int status, const Stream &stream)
{
    require_frame_size(status, stream.width, stream.height, stream.pixel_size, nullptr,
                       stream.file);
    return stream.width * stream.height * stream.pixel_size;
}

void stream_check_compatible(int status, const Stream &a, const Stream &b)
{
    if (a.width != b.width || a.height != b.height)
        fail(status, "videos do not have the same geometry\n");
    if (strcmp(a.pixfmt, b.pixfmt) != 0)
        fail(status, "videos use incompatible pixel formats\n");
}
