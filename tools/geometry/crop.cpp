// rv-crop: a rectangle of every frame, alone, as a mask, as a hole or tiled.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "tiling.h"

#include <cstdlib>
#include <cstring>

static const char synopsis[] = "[-s | -S | -t] width height left top";

// The rectangle alone, or the whole frame with -s, -S or -t.
enum class Mode { plain, keep, cut, tile };

struct Options {
    Mode mode = Mode::plain;
    uint64_t width, height; // of the rectangle
    uint64_t left, top;     // its place in the frame
};

// The rectangle in bytes and rows of a frame of `row` bytes per row.
struct Area {
    size_t row;    // input row length
    size_t left;   // first byte of the rectangle in a row
    size_t width;  // rectangle row length
    size_t top;    // first row
    size_t height; // rows
};

// Plain crop: the rectangle's rows, one piece each, written straight from
// the frame.
static void crop(iovec *rows, unsigned char *frame, const Area &a)
{
    for (size_t r = 0; r < a.height; r++)
        rows[r] = iovec{frame + (a.top + r) * a.row + a.left, a.width};
    writev_or_fail(1, standard_output, rows, a.height);
}

// -s: every byte outside the rectangle becomes 0.
static void keep(unsigned char *frame, size_t frame_height, const Area &a)
{
    memset(frame, 0, a.top * a.row);
    for (size_t r = a.top; r < a.top + a.height; r++) {
        memset(frame + r * a.row, 0, a.left);
        memset(frame + r * a.row + a.left + a.width, 0, a.row - a.left - a.width);
    }
    memset(frame + (a.top + a.height) * a.row, 0, (frame_height - a.top - a.height) * a.row);
}

// -S: every byte inside the rectangle becomes 0.
static void cut(unsigned char *frame, const Area &a)
{
    for (size_t r = a.top; r < a.top + a.height; r++)
        memset(frame + r * a.row + a.left, 0, a.width);
}

// -t: output pixel (x, y) is input pixel (left + ((x - left) mod width),
// top + ((y - top) mod height)).  The rectangle's rows are tiled across, then
// the other rows copied from them.
static void tile(unsigned char *out, const unsigned char *frame, size_t frame_height,
                 const Area &a)
{
    for (size_t r = a.top; r < a.top + a.height; r++)
        tile_span(out + r * a.row, a.row, frame + r * a.row + a.left, a.width, a.left);
    tile_rows(out, a.row, frame_height, a.top, a.height);
}

static Options parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Options options;
    bool conflict = false;
    for (int letter; (letter = scan_option(cl, "sSt"));) {
        Mode chosen = letter == 's' ? Mode::keep : letter == 'S' ? Mode::cut : Mode::tile;
        conflict |= options.mode != Mode::plain && options.mode != chosen;
        options.mode = chosen;
    }
    if (conflict || operand_count(cl) != 4)
        usage(cl);
    char **words = operands(cl);
    options.width = operand_uint(1, "the width", words[0], 1, UINT64_MAX);
    options.height = operand_uint(1, "the height", words[1], 1, UINT64_MAX);
    options.left = operand_uint(1, "the left position", words[2], 0, UINT64_MAX);
    options.top = operand_uint(1, "the top position", words[3], 0, UINT64_MAX);
    return options;
}

static void require_area_inside(const Stream &stream, const Options &o)
{
    uint64_t right, bottom;
    if (__builtin_add_overflow(o.left, o.width, &right) || right > stream.width ||
        __builtin_add_overflow(o.top, o.height, &bottom) || bottom > stream.height)
        fail(1, "crop area extends beyond original image\n");
}

// The plain crop has the rectangle's size; the other ways keep the frame's.
static void print_head(const Stream &stream, const Options &o)
{
    Stream head = stream;
    if (o.mode == Mode::plain) {
        head.width = o.width;
        head.height = o.height;
    }
    stream_print_and_flush_head(1, head);
}

static void crop_frames(Stream &stream, const Options &o)
{
    const size_t frame_size = stream_frame_size(1, stream);
    const size_t p = stream.pixel_size;
    const Area area{stream.width * p, o.left * p, o.width * p, o.top, o.height};
    unsigned char *frame = allocate_or_fail(1, frame_size);
    // The tiles are built in a second buffer; -s and -S change the input frame
    // in place; the rectangle alone is written from the frame.
    unsigned char *out = o.mode == Mode::tile ? allocate_or_fail(1, frame_size) : nullptr;
    iovec *rows = o.mode == Mode::plain
                      ? reinterpret_cast<iovec *>(allocate_or_fail(1, o.height * sizeof(iovec)))
                      : nullptr;

    while (stream_read_frame(1, stream, frame, frame_size)) {
        switch (o.mode) {
        case Mode::plain: crop(rows, frame, area); continue;
        case Mode::keep: keep(frame, stream.height, area); break;
        case Mode::cut: cut(frame, area); break;
        case Mode::tile: tile(out, frame, stream.height, area); break;
        }
        write_or_fail(1, standard_output, out ? out : frame, frame_size);
    }
    free(rows);
    free(out);
    free(frame);
}

int main(int argc, char **argv)
{
    const Options options = parse_command_line(argc, argv);
    Stream stream;
    stream_open(1, stream, nullptr);
    require_area_inside(stream, options);
    print_head(stream, options);
    crop_frames(stream, options);
    return 0;
}
