// rv-compress: a stream as a frame-difference stream (frame_difference.h),
// which keeps the head and stores for every frame only the runs of bytes that
// differ from the frame before it.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "frame_difference.h"

#include <cstdlib>
#include <utility>
#include <vector>

static const char synopsis[] = "";

// An equal gap of at most this many bytes between two differing runs travels
// as data: a new record header (16 bytes) would cost more than it saves.
constexpr size_t merge_gap = 15;
// The record list grows by this many records at a time.
constexpr size_t list_step = 64;

// The record headers of one frame; the storage is kept from frame to frame
// and only grows.
struct RecordList {
    RecordHeader *records = nullptr;
    size_t count = 0;    // records in use
    size_t capacity = 0; // records allocated
};

static void append_record(RecordList &list, uint64_t unchanged, uint64_t changed)
{
    if (list.count == list.capacity) {
        void *grown = realloc(list.records, (list.capacity + list_step) * sizeof *list.records);
        if (!grown)
            fail(1, "realloc: out of memory\n");
        list.records = static_cast<RecordHeader *>(grown);
        list.capacity += list_step;
    }
    list.records[list.count++] = RecordHeader{unchanged, changed};
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
            list.records[list.count - 1].changed += j - p;
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
    for (size_t k = 0; k < list.count; k++) {
        const RecordHeader &record = list.records[k];
        offset += record.unchanged;
        pieces.push_back(iovec{list.records + k, record_header_size});
        pieces.push_back(iovec{frame + offset, record.changed});
        offset += record.changed;
    }
    writev_or_fail(1, standard_output, pieces.data(), pieces.size());
}

int main(int argc, char **argv)
{
    scan_no_arguments(argc, argv, synopsis);
    Stream stream;
    const size_t size = difference_stream_open(1, stream);

    unsigned char *frame = allocate_or_fail(1, size);
    unsigned char *reference = allocate_zeroed_or_fail(1, size);
    RecordList list;
    std::vector<iovec> pieces;
    while (stream_read_frame(1, stream, frame, size)) {
        compress_frame(list, frame, reference, size);
        write_records(list, frame, pieces);
        std::swap(frame, reference);
    }
    free(list.records);
    free(reference);
    free(frame);
    return 0;
}
