// rv-repeat: the frames of a stream written a number of times, or without
// end, under one head.  A named file is re-read for every copy; standard
// input is held in memory once.
#include "buffers.h"
#include "diagnostics.h"
#include "same_file.h"
#include "stream_input.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

static const char synopsis[] = "(count | 'inf') file";

static bool endless;

// A write to standard output has failed.  In endless mode a reader that has
// gone away ends the program successfully.
[[noreturn]] static void write_failed()
{
    if (endless && errno == EPIPE)
        exit(0);
    fail(1, "write %s:", standard_output.name);
}

// One copy's bytes to standard output.
static void put(const void *bytes, size_t length)
{
    if (write_all(1, bytes, length))
        write_failed();
}

// Copies the body of a named file once, by position; returns its length.
static uint64_t copy_file_body(Stream &stream)
{
    posix_fadvise(stream.fd, off_t(stream.headlen), 0, POSIX_FADV_SEQUENTIAL);
    uint64_t from = stream.headlen;
    CopyResult r = copy_bytes(stream.fd, 1, UINT64_MAX - from, &from);
    if (r.end == CopyEnd::read_failed)
        fail(1, "pread %s:", stream.file);
    if (r.end == CopyEnd::write_failed)
        write_failed();
    return r.copied;
}

// The whole body of standard input in one buffer that grows by doubling.
static unsigned char *read_body(Stream &stream, size_t &length)
{
    size_t capacity = stream_buffer_size;
    unsigned char *body = allocate_or_fail(1, capacity);
    memcpy(body, stream.buf, stream.fill);
    length = stream.fill;
    for (;;) {
        if (length == capacity) {
            void *grown = capacity > SIZE_MAX / 2 ? nullptr : realloc(body, capacity * 2);
            if (!grown)
                fail(1, "realloc: out of memory\n");
            body = static_cast<unsigned char *>(grown);
            capacity *= 2;
        }
        ssize_t got = read(stream.fd, body + length, capacity - length);
        if (got < 0)
            fail(1, "read %s:", stream.file);
        if (got == 0)
            return body;
        length += size_t(got);
    }
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    if (scan_option(cl, "") || operand_count(cl) != 2)
        usage(cl);
    char **words = operands(cl);
    endless = strcmp(words[0], "inf") == 0;
    uint64_t count = endless ? 0 : operand_uint(1, "the count", words[0], 0, UINT64_MAX);
    const bool from_stdin = strcmp(words[1], "-") == 0;

    if (endless)
        refuse_regular_output(1, 1, standard_output.name);
    Stream stream;
    stream_open(1, stream, from_stdin ? nullptr : words[1]);
    refuse_inputs_as_standard_output(1, &stream, 1);
    Stream head = stream;
    if (__builtin_mul_overflow(stream.frames, count, &head.frames))
        fail(1, "%s: video is too long\n", stream.file);
    stream_print_and_flush_head(1, head);

    // Copies stop early once a copy turns out empty: the rest would be
    // empty too, and an endless repetition of nothing ends here.
    if (from_stdin) {
        size_t length;
        unsigned char *body = read_body(stream, length);
        for (uint64_t k = 0; length && (endless || k < count); k++)
            put(body, length);
        free(body);
    } else {
        for (uint64_t k = 0; endless || k < count; k++)
            if (copy_file_body(stream) == 0)
                break;
        close(stream.fd);
    }
    return 0;
}
