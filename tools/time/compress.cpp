// rv-compress: a stream as a frame-difference stream, which keeps the head and
// stores for every frame only the runs of bytes that differ from the frame
// before it (all zero bytes before the first frame).
//
// Body: records of two host-order 64-bit words, `unchanged` and `changed`,
// each followed by its `changed` data bytes.  The records of a frame cover it
// exactly, from byte 0 on.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"

#include <cstdlib>
#include <utility>
#include <vector>

static const char synopsis[] = "";

// An equal gap of at most this many bytes between two differing runs travels
// as data: a new record header (16 bytes) would cost more than it saves.
constexpr size_t merge_gap = 15;
// The record list grows by this many words (64 records) at a time.
constexpr size_t list_step = 128;

// The records of one frame, two words each; the storage is kept from frame
// to frame and only grows.
struct RecordList {
    uint64_t *words = nullptr;
    size_t count = 0;    // words in use
    size_t capacity = 0; // words allocated
};

static void append_record(RecordList &list, uint64_t unchanged, uint64_t changed)
{
    if (list.count + 2 > list.capacity) {
        void *grown = realloc(list.words, (list.capacity + list_step) * sizeof *list.words);
        if (!grown)
            fail(1, "realloc: out of memory\n");
        list.words = static_cast<uint64_t *>(grown);
        list.capacity += list_step;
    }
    list.words[list.count++] = unchanged;
    list.words[list.count++] = changed;
}

// The two frames are compared a word at a time where the answer is the same
// as byte by byte; the byte loops then settle the exact position.
static uint64_t load_word(const unsigned char *p)
{
    uint64_t w;
    memcpy(&w, p, sizeof w);
    return w;
}

// First position at or after p where a and b differ, or size.
static size_t skip_equal(const unsigned char *a, const unsigned char *b, size_t p, size_t size)
{
    while (size - p >= 32 && ((load_word(a + p) ^ load_word(b + p)) |
                              (load_word(a + p + 8) ^ load_word(b + p + 8)) |
                              (load_word(a + p + 16) ^ load_word(b + p + 16)) |
                              (load_word(a + p + 24) ^ load_word(b + p + 24))) == 0)
        p += 32;
    while (size - p >= 8 && load_word(a + p) == load_word(b + p))
        p += 8;
    while (p < size && a[p] == b[p])
        p++;
    return p;
}

// Whether some byte of the word is zero (exact: no false answers either way).
static bool has_zero_byte(uint64_t v)
{
    return ((v - 0x0101010101010101u) & ~v & 0x8080808080808080u) != 0;
}

// First position at or after p where a and b are equal, or size.
static size_t skip_different(const unsigned char *a, const unsigned char *b, size_t p,
                             size_t size)
{
    while (size - p >= 8 && !has_zero_byte(load_word(a + p) ^ load_word(b + p)))
        p += 8;
    while (p < size && a[p] != b[p])
        p++;
    return p;
}

// Builds the records of frame against reference in one pass.
static void compress_frame(RecordList &list, const unsigned char *frame,
                           const unsigned char *reference, size_t size)
{
    list.count = 0;
    for (size_t p = 0; p < size;) {
        size_t i = skip_equal(frame, reference, p, size);
        size_t j = skip_different(frame, reference, i, size);
        if (list.count && i - p <= merge_gap)
            list.words[list.count - 1] += j - p;
        else
            append_record(list, i - p, j - i);
        p = j;
    }
}

// Each record as two pieces, its header and its data from the frame, all of
// them in gathered writes.
static void write_records(const RecordList &list, unsigned char *frame, std::vector<iovec> &pieces)
{
    pieces.clear();
    size_t offset = 0;
    for (size_t k = 0; k < list.count; k += 2) {
        const uint64_t unchanged = list.words[k], changed = list.words[k + 1];
        offset += unchanged;
        pieces.push_back(iovec{list.words + k, 2 * sizeof *list.words});
        pieces.push_back(iovec{frame + offset, changed});
        offset += changed;
    }
    writev_or_fail(1, standard_output, pieces.data(), pieces.size());
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    stream_open_and_pass_head(1, stream);
    const size_t size = stream_frame_size(1, stream);

    unsigned char *frame = allocate_or_fail(1, size);
    unsigned char *reference = allocate_zeroed_or_fail(1, size);
    RecordList list;
    std::vector<iovec> pieces;
    while (stream_read_frame(1, stream, frame, size)) {
        compress_frame(list, frame, reference, size);
        write_records(list, frame, pieces);
        std::swap(frame, reference);
    }
    free(list.words);
    free(reference);
    free(frame);
    return 0;
}
