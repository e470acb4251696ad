// rv-reverse: the frames of a stream file in the opposite order, written to
// standard output or, with -i, swapped pairwise in the file itself.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "positional_copy.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char synopsis[] = "[-i] file";

// Copying way: frame by frame from the last, each copied by position.
static void copy_reversed(Stream &stream, size_t frame_size)
{
    for (size_t k = stream.frames; k-- > 0;) {
        uint64_t offset = stream.headlen + k * frame_size;
        if (stream_copy_range(1, stream, offset, offset + frame_size, 1, "<stdout>") <
            frame_size)
            fail(1, "%s: file is shorter than expected\n", stream.file);
    }
}

static void seek_frame(Stream &stream, off_t offset)
{
    off_t at = lseek(stream.fd, offset, SEEK_SET);
    if (at < 0)
        fail(1, "lseek %s:", stream.file);
    if (at != offset)
        fail(1, "%s: file is shorter than expected\n", stream.file);
}

static void read_frame_at(Stream &stream, off_t offset, unsigned char *frame, size_t size)
{
    stream_clear(stream);
    stream.frame_pos = 0;
    seek_frame(stream, offset);
    if (!stream_read_frame(1, stream, frame, size))
        fail(1, "%s: file is shorter than expected\n", stream.file);
}

static void write_frame_at(Stream &stream, off_t offset, const unsigned char *frame,
                           size_t size)
{
    seek_frame(stream, offset);
    write_or_fail(1, stream.fd, stream.file, frame, size);
}

// In-place way: two frames in memory, the pair i and N - 1 - i swapped once
// both have been read.
static void reverse_in_place(Stream &stream, size_t frame_size)
{
    const size_t n = stream.frames;
    if (n < 2)
        return;
    // A regular file too short for its head is refused before the first
    // swap, so that it is never left half reversed.
    struct stat st;
    if (fstat(stream.fd, &st) == 0 && S_ISREG(st.st_mode) &&
        uint64_t(st.st_size) < stream.headlen + n * frame_size)
        fail(1, "%s: file is shorter than expected\n", stream.file);
    unsigned char *a = allocate_bytes(1, frame_size);
    unsigned char *b = allocate_bytes(1, frame_size);
    for (size_t i = 0; i < n / 2; i++) {
        off_t front = off_t(stream.headlen + i * frame_size);
        off_t back = off_t(stream.headlen + (n - 1 - i) * frame_size);
        read_frame_at(stream, front, a, frame_size);
        read_frame_at(stream, back, b, frame_size);
        write_frame_at(stream, back, a, frame_size);
        write_frame_at(stream, front, b, frame_size);
    }
    free(a);
    free(b);
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    bool in_place = false;
    for (int letter; (letter = scan_option(cl, "i"));)
        in_place = true;
    if (operand_count(cl) != 1)
        usage(cl);
    const char *path = operands(cl)[0];

    Stream stream;
    stream.file = path;
    stream.fd = open_path(1, path, in_place ? O_RDWR : O_RDONLY, 0);
    stream_read_head(1, stream);
    if (!in_place)
        stream_emit_head(1, stream);
    const size_t frame_size = stream_frame_size(1, stream);
    require_frame_offset(1, stream, stream.frames, frame_size);
    posix_fadvise(stream.fd, 0, 0, POSIX_FADV_RANDOM);

    if (in_place)
        reverse_in_place(stream, frame_size);
    else
        copy_reversed(stream, frame_size);
    close(stream.fd);
    return 0;
}
