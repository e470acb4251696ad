// Numbers as text, printed as printf's "%lf" prints them and scanned as
// scanf's "%lf" scans them, bit for bit and byte for byte, without the cost of
// a standard I/O call per number.
#pragma once

#include <cstddef>
#include <sys/types.h>

// The longest text of format_fixed: a sign, the 309 integer digits of the
// largest double, the point and six decimals.
constexpr size_t fixed_text_max = 1 + 309 + 1 + 6;

// Writes v as "%lf" does (fixed point, six decimals, rounded to nearest with
// ties to even on the exact binary value; "inf", "-inf", "nan", "-nan") at
// `out`, which has room for fixed_text_max bytes, and returns the end.  No NUL.
char *format_fixed(char *out, double v);

// Text read from a descriptor in large blocks.  The indicators behave as those
// of a standard I/O stream: the end of input, once met, is never read past;
// a failed read is remembered (errno says why) but a later read is tried.
struct TextInput {
    int fd;
    unsigned char *buf;
    size_t capacity;
    size_t pos = 0; // the unread bytes are buf[pos, end)
    size_t end = 0;
    bool at_end = false;
    bool failed = false;
    char *token = nullptr; // a number being collected across reads
    size_t token_capacity = 0;

    TextInput(int status, int fd, size_t capacity);
    ~TextInput();
    TextInput(const TextInput &) = delete;
    TextInput &operator=(const TextInput &) = delete;
};

// One read behind the unread bytes (moved to the front when the buffer has no
// room after them; fewer than `capacity` bytes may be unread).  Returns the
// count, 0 at the end of input or after a failed read.
size_t text_input_fill(TextInput &in);

enum class ScanResult { number, end, not_number };

// Scans the next number as one call of scanf("%lf") does: white space is
// skipped; `end` when the input ends (or a read fails) before a number starts;
// `not_number` when the text there is no number, after consuming what scanf
// consumes; otherwise the value is stored and the number consumed, with at
// most the one character after it looked at.  Fatal with `status` only when
// memory runs out for a number longer than the buffer.
ScanResult scan_double(int status, TextInput &in, double &value);
