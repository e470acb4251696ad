// rv-skip-pattern: frames of standard input kept or dropped by a repeating
// pattern of entries, each keeping (+n) or dropping (n) n frames.
#include "buffers.h"
#include "byte_copy.h"
#include "diagnostics.h"
#include "stream_format.h"
#include "stream_input.h"

#include <cstdlib>

static const char synopsis[] = "(skipped-frames | +included-frames) ...";

struct Pattern {
    unsigned char *included; // 1 keeps the entry's frames, 0 drops them
    uint64_t *counts;
    size_t entries;
};

// The pattern the operands give; fatal when it drops and keeps nothing.
static Pattern parse_pattern(char **words, size_t entries)
{
    Pattern pattern;
    pattern.entries = entries;
    pattern.included = allocate_or_fail(1, entries);
    pattern.counts =
        reinterpret_cast<uint64_t *>(allocate_zeroed_or_fail(1, entries * sizeof *pattern.counts));
    bool null_pattern = true;
    for (size_t e = 0; e < entries; e++) {
        const char *word = words[e];
        pattern.included[e] = word[0] == '+';
        pattern.counts[e] = pattern.included[e]
                                ? operand_uint(1, "included frame count", word + 1, 0, UINT64_MAX)
                                : operand_uint(1, "skipped frame count", word, 0, UINT64_MAX);
        null_pattern = null_pattern && pattern.counts[e] == 0;
    }
    if (null_pattern)
        fail(1, "null pattern is not allowed\n");
    return pattern;
}

// Frames the pattern keeps of the first `frames` frames: whole cycles, then
// the entries the last, partial cycle reaches.  Counts are summed in 128
// bits, so no pattern wraps.
static uint64_t kept_frames(const Pattern &pattern, uint64_t frames)
{
    unsigned __int128 cycle = 0, kept_per_cycle = 0;
    for (size_t e = 0; e < pattern.entries; e++) {
        cycle += pattern.counts[e];
        if (pattern.included[e])
            kept_per_cycle += pattern.counts[e];
    }
    unsigned __int128 kept = frames / cycle * kept_per_cycle;
    unsigned __int128 rest = frames % cycle;
    for (size_t e = 0; e < pattern.entries && rest; e++) {
        uint64_t taken = rest < pattern.counts[e] ? uint64_t(rest) : pattern.counts[e];
        if (pattern.included[e])
            kept += taken;
        rest -= taken;
    }
    return uint64_t(kept);
}

// Passes up to `count` bytes of the input on: written when `keep`, read and
// dropped otherwise.  Returns the number passed, fewer at the end of input;
// never reads past them.
static uint64_t pass_bytes(Stream &stream, uint64_t count, bool keep)
{
    uint64_t passed = 0;
    while (passed < count) {
        if (!stream.fill) {
            if (keep)
                return passed + copy_or_fail(1, stream.fd, stream.file, standard_output,
                                             count - passed);
            if (!stream_fill(1, stream, count - passed))
                return passed;
        }
        size_t n = stream.fill < count - passed ? stream.fill : size_t(count - passed);
        if (keep)
            write_or_fail(1, standard_output, stream.buf, n);
        stream_drop(stream, n);
        passed += n;
    }
    return passed;
}

// Passes one frame on, as many whole rows at a time as a byte count holds.
// Returns false at a clean end of input.
static bool pass_frame(Stream &stream, uint64_t row_size, bool keep)
{
    const uint64_t most_rows = UINT64_MAX / row_size;
    bool started = false;
    for (uint64_t rows_left = stream.height; rows_left;) {
        uint64_t rows = rows_left < most_rows ? rows_left : most_rows;
        uint64_t passed = pass_bytes(stream, rows * row_size, keep);
        if (passed < rows * row_size) {
            if (!started && passed == 0)
                return false;
            // Scripts match the message as it is written, "shorted" and all.
            fail(1, "%s: is shorted than expected\n", stream.file);
        }
        started = true;
        rows_left -= rows;
    }
    return true;
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    if (scan_option(cl, "") || operand_count(cl) == 0)
        usage(cl);
    Stream stream;
    stream_open(1, stream, nullptr);
    const Pattern pattern = parse_pattern(operands(cl), size_t(operand_count(cl)));

    require_frame_size(1, stream.width, 1, stream.pixel_size, nullptr, stream.file);
    const uint64_t row_size = stream.width * stream.pixel_size;
    Stream head = stream;
    head.frames = kept_frames(pattern, stream.frames);
    stream_print_and_flush_head(1, head);

    for (size_t e = 0;; e = (e + 1) % pattern.entries)
        for (uint64_t f = 0; f < pattern.counts[e]; f++)
            if (!pass_frame(stream, row_size, pattern.included[e])) {
                free(pattern.included);
                free(pattern.counts);
                return 0;
            }
}
