// Reading, checking and printing stream heads.
#include "stream_format.h"

#include "diagnostics.h"

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

void stream_read_head(int status, Stream &stream)
{
    posix_fadvise(stream.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (stream.fd >= 0)
        stream.fill = 0;
    char *newline;
    for (;;) {
        size_t searched = stream.fill < stream_head_limit ? stream.fill : stream_head_limit;
        newline = static_cast<char *>(memchr(stream.buf, '\n', searched));
        if (newline)
            break;
        if (stream.fd < 0 || stream.fill >= stream_head_limit || read_into(status, stream) == 0)
            fail(status, "%s: file format not supported\n", stream.file);
    }
    *newline = '\0';
    char *line = reinterpret_cast<char *>(stream.buf);
    size_t linelen = size_t(newline - line);

    char *fields[4];
    fields[0] = line;
    for (int i = 1; i < 4; i++) {
        char *blank = strchr(fields[i - 1], ' ');
        if (!blank)
            fail(status, "%s: file format not supported\n", stream.file);
        *blank = '\0';
        fields[i] = blank + 1;
    }
    if (strlen(fields[3]) > 31)
        fail(status, "%s: file format not supported\n", stream.file);
    strcpy(stream.pixfmt, fields[3]);
    stream.frames = parse_field(status, stream, fields[0], "long");
    stream.width = parse_field(status, stream, fields[1], "wide");
    stream.height = parse_field(status, stream, fields[2], "tall");
    if (!stream.width)
        fail(1, "%s: width is zero\n", stream.file);
    if (!stream.height)
        fail(1, "%s: height is zero\n", stream.file);

    stream_drop(stream, linelen + 1);
    while (stream.fill < stream_magic_size)
        if (stream.fd < 0 || read_into(status, stream) == 0)
            fail(status, "%s: file format not supported\n", stream.file);
    if (memcmp(stream.buf, "\0uivf", stream_magic_size) != 0)
        fail(status, "%s: file format not supported\n", stream.file);
    stream_drop(stream, stream_magic_size);
    stream.headlen = linelen + 1 + stream_magic_size;
    stream_set_pixel_size(status, stream);
    stream.frame_pos = 0;
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

void stream_emit_head_to(int status, FILE *out, const char *name, const Stream &stream)
{
    stream_print_head(out, stream);
    if (fflush(out) || ferror(out))
        fail(status, "%s:", name);
}

void stream_emit_head(int status, const Stream &stream)
{
    stream_emit_head_to(status, stdout, "<stdout>", stream);
}

size_t stream_fill(int status, Stream &stream, size_t max)
{
    size_t room = stream_buffer_size - stream.fill;
    ssize_t r = read(stream.fd, stream.buf + stream.fill, max < room ? max : room);
    if (r < 0)
        fail(status, "read %s:", stream.file);
    stream.fill += size_t(r);
    return size_t(r);
}

void stream_drop(Stream &stream, size_t n)
{
    stream.fill -= n;
    memmove(stream.buf, stream.buf + n, stream.fill);
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
