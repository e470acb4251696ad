// rv-reverse: the frames of a stream file in the opposite order, written to
// standard output or, with -i, swapped pairwise in the file itself.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "stream_input.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char synopsis[] = "[-i] file";

// Copying way: frame by frame from the last, each copied by position.
static void copy_reversed(Stream &stream, size_t frame_size)
{
    for (size_t k = stream.frames; k-- > 0;) {
        uint64_t offset = stream.headlen + k * frame_size;
        if (stream_copy_range(1, stream, offset, offset + frame_size, standard_output) <
            frame_size)
            fail(1, "%s: file is shorter than expected\n", stream.file);
    }
}

// How a seek, or a frame's write, ended: only a frame whose write was begun
// may have changed.
enum class Put { done, seek_failed, seek_short, write_failed };

static Put seek_to(Stream &stream, off_t offset)
{
    off_t at = lseek(stream.fd, offset, SEEK_SET);
    return at < 0 ? Put::seek_failed : at != offset ? Put::seek_short : Put::done;
}

static void read_frame_at(Stream &stream, off_t offset, unsigned char *frame, size_t size)
{
    stream_clear(stream);
    stream.frame_pos = 0;
    Put seek = seek_to(stream, offset);
    if (seek == Put::seek_failed)
        fail(1, "lseek %s:", stream.file);
    if (seek == Put::seek_short || !stream_read_frame(1, stream, frame, size))
        fail(1, "%s: file is shorter than expected\n", stream.file);
}

static Put put_frame_at(Stream &stream, off_t offset, const unsigned char *frame, size_t size)
{
    Put seek = seek_to(stream, offset);
    if (seek != Put::done)
        return seek;
    return write_all(stream.fd, frame, size) ? Put::write_failed : Put::done;
}

// A pair's frames as read: the front one goes to the back and the back one
// to the front.
struct Pair {
    off_t front, back;
    const unsigned char *a, *b;
};

// After a failed seek or write in the middle of a pair, the frames it has
// changed get their own bytes back, so that the file is as it was when the
// pair was reached; then the failure's line.  A frame that cannot be put
// back is named in that line by its byte offset.  `at_front`: the failure
// came at the front frame, after the back one was written.
[[noreturn]] static void undo_pair(Stream &stream, size_t size, const Pair &pair, Put failure,
                                   bool at_front)
{
    const int error = errno;
    const bool front_begun = at_front && failure == Put::write_failed;
    const bool back_begun = at_front || failure == Put::write_failed;
    const bool front_lost =
        front_begun && put_frame_at(stream, pair.front, pair.a, size) != Put::done;
    const bool back_lost =
        back_begun && put_frame_at(stream, pair.back, pair.b, size) != Put::done;
    char what[PATH_MAX + 128];
    if (failure == Put::seek_short)
        snprintf(what, sizeof what, "%s: file is shorter than expected", stream.file);
    else
        snprintf(what, sizeof what, "%s %s: %s", failure == Put::seek_failed ? "lseek" : "write",
                 stream.file, strerror(error));
    if (front_lost && back_lost)
        fail(1, "%s; the frames at byte offsets %jd and %jd may be damaged\n", what,
             intmax_t(pair.front), intmax_t(pair.back));
    if (front_lost || back_lost)
        fail(1, "%s; the frame at byte offset %jd may be damaged\n", what,
             intmax_t(front_lost ? pair.front : pair.back));
    fail(1, "%s\n", what);
}

// Writes the front frame at the back, then the back frame at the front.
static void swap_pair(Stream &stream, size_t size, const Pair &pair)
{
    Put put = put_frame_at(stream, pair.back, pair.a, size);
    if (put != Put::done)
        undo_pair(stream, size, pair, put, false);
    put = put_frame_at(stream, pair.front, pair.b, size);
    if (put != Put::done)
        undo_pair(stream, size, pair, put, true);
}

// In-place way: two frames in memory, the pair i and N - 1 - i swapped once
// both have been read.  Every failure leaves the file as it was when the
// failing pair was reached.
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
    unsigned char *a = allocate_or_fail(1, frame_size);
    unsigned char *b = allocate_or_fail(1, frame_size);
    for (size_t i = 0; i < n / 2; i++) {
        const Pair pair = {off_t(stream.headlen + i * frame_size),
                           off_t(stream.headlen + (n - 1 - i) * frame_size), a, b};
        read_frame_at(stream, pair.front, a, frame_size);
        read_frame_at(stream, pair.back, b, frame_size);
        swap_pair(stream, frame_size, pair);
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
        stream_print_and_flush_head(1, stream);
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
