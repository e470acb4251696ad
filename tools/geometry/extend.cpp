// rv-extend: margins around every frame, zero bytes or the frame tiled.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "tiling.h"

#include <cstdlib>
#include <cstring>

static const char synopsis[] = "[-l left] [-r right] [-a above] [-b below] [-t]";

struct Options {
    uint64_t left = 0, right = 0, above = 0, below = 0; // margins in pixels
    bool tiled = false; // -t: the margins tile the frame
};

// The input frame's place in the output frame, in bytes and rows.
struct Placement {
    size_t in_row;     // input row length
    size_t in_height;  // input rows
    size_t out_row;    // output row length
    size_t out_height; // output rows
    size_t left;       // bytes before the input in each row
    size_t above;      // rows above the input
};

// Zero margins: the output frame as pieces, each input row straight from the
// frame between margins taken from one row of zero bytes, and written at once.
static void place(iovec *pieces, unsigned char *frame, unsigned char *zeros, const Placement &m)
{
    size_t count = 0;
    const size_t right = m.out_row - m.left - m.in_row;
    for (size_t r = 0; r < m.out_height; r++) {
        if (r < m.above || r >= m.above + m.in_height) {
            pieces[count++] = iovec{zeros, m.out_row};
            continue;
        }
        if (m.left)
            pieces[count++] = iovec{zeros, m.left};
        pieces[count++] = iovec{frame + (r - m.above) * m.in_row, m.in_row};
        if (right)
            pieces[count++] = iovec{zeros, right};
    }
    writev_or_fail(1, standard_output, pieces, count);
}

// Zero margins around rows copied from the input's file by position: the
// zeros between two rows (the right margin of one, the left of the next) in
// one write.
static void place_by_position(Stream &stream, uint64_t at, const unsigned char *zeros,
                              const Placement &m)
{
    const size_t right = m.out_row - m.left - m.in_row;
    uint64_t gap = uint64_t(m.above) * m.out_row + m.left;
    for (size_t r = 0; r < m.in_height; r++, gap = right + m.left) {
        write_repeated_or_fail(1, standard_output, zeros, m.out_row, gap);
        stream_copy_frame_part(1, stream, at + r * m.in_row, at + (r + 1) * m.in_row,
                               standard_output);
    }
    gap = right + uint64_t(m.out_height - m.above - m.in_height) * m.out_row;
    write_repeated_or_fail(1, standard_output, zeros, m.out_row, gap);
}

// Room for the pieces of a frame: at most three a row.
static iovec *allocate_pieces(size_t out_height)
{
    size_t bytes;
    if (__builtin_mul_overflow(out_height, 3 * sizeof(iovec), &bytes))
        fail(1, "malloc: out of memory\n");
    return reinterpret_cast<iovec *>(allocate_or_fail(1, bytes));
}

// Tiled margins: output pixel (x, y) is input pixel ((x - left) mod W,
// (y - above) mod H).  The rows that hold the input are tiled across, the rows
// above and below are copies of them.
static void tile(unsigned char *out, const unsigned char *frame, const Placement &m)
{
    for (size_t r = 0; r < m.in_height; r++)
        tile_span(out + (m.above + r) * m.out_row, m.out_row, frame + r * m.in_row, m.in_row,
                  m.left);
    tile_rows(out, m.out_row, m.out_height, m.above, m.in_height);
}

static Options parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Options options;
    for (int letter; (letter = scan_option(cl, "l:r:a:b:t"));) {
        switch (letter) {
        case 'l': options.left = option_uint(1, 'l', cl.arg, 0, UINT64_MAX); break;
        case 'r': options.right = option_uint(1, 'r', cl.arg, 0, UINT64_MAX); break;
        case 'a': options.above = option_uint(1, 'a', cl.arg, 0, UINT64_MAX); break;
        case 'b': options.below = option_uint(1, 'b', cl.arg, 0, UINT64_MAX); break;
        case 't': options.tiled = true; break;
        }
    }
    if (operand_count(cl))
        usage(cl);
    return options;
}

// The output's head: the input's with the margins added, fatal when the
// output frame is too large.
static Stream output_head(const Stream &stream, const Options &o)
{
    Stream head = stream;
    if (__builtin_add_overflow(stream.width, o.left, &head.width) ||
        __builtin_add_overflow(head.width, o.right, &head.width))
        fail(1, "%s: output video is too wide\n", standard_output.name);
    if (__builtin_add_overflow(stream.height, o.above, &head.height) ||
        __builtin_add_overflow(head.height, o.below, &head.height))
        fail(1, "%s: output video is too tall\n", standard_output.name);
    require_frame_size(1, head.width, head.height, stream.pixel_size, "output",
                       standard_output.name);
    return head;
}

// Tiles are built in an output frame of their own; zero margins come from
// one row of zero bytes, between the input's rows as pieces of a frame.
struct Margins {
    unsigned char *out; // the output frame, or the row of zeros
    iovec *pieces;      // zero margins only
};

static Margins allocate_margins(const Placement &m, bool tiled)
{
    if (tiled)
        return Margins{allocate_or_fail(1, m.out_row * m.out_height), nullptr};
    unsigned char *zeros = allocate_zeroed_or_fail(1, m.out_row);
    return Margins{zeros, allocate_pieces(m.out_height)};
}

// Every frame with its margins: zero margins around rows copied by position
// when the input is a regular file that allows it, else frame by frame.
static void extend_frames(Stream &stream, unsigned char *frame, const Margins &margins,
                          const Placement &m, bool tiled)
{
    off_t start = tiled ? -1 : stream_file_offset(stream, m.in_row);
    if (start >= 0) {
        run_file_frames(1, stream, uint64_t(start),
                        [&](uint64_t at) { place_by_position(stream, at, margins.out, m); });
        return;
    }
    while (stream_read_frame(1, stream, frame, m.in_row * m.in_height)) {
        if (!tiled) {
            place(margins.pieces, frame, margins.out, m);
            continue;
        }
        tile(margins.out, frame, m);
        write_or_fail(1, standard_output, margins.out, m.out_row * m.out_height);
    }
}

int main(int argc, char **argv)
{
    const Options options = parse_command_line(argc, argv);
    Stream stream;
    stream_open(1, stream, nullptr);
    const size_t frame_size = stream_frame_size(1, stream);
    unsigned char *frame = allocate_or_fail(1, frame_size);
    const Stream head = output_head(stream, options);
    const size_t p = stream.pixel_size;
    const Placement m{stream.width * p, stream.height, head.width * p, head.height,
                      options.left * p, options.above};
    const Margins margins = allocate_margins(m, options.tiled);
    stream_print_and_flush_head(1, head);
    extend_frames(stream, frame, margins, m, options.tiled);
    free(margins.pieces);
    free(margins.out);
    free(frame);
    return 0;
}
