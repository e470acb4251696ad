#include "number_text.h"

#include "buffers.h"
#include "diagnostics.h"

#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

// ---- Printing ----------------------------------------------------------------

static const char digit_pairs[] = "00010203040506070809101112131415161718192021222324"
                                  "25262728293031323334353637383940414243444546474849"
                                  "50515253545556575859606162636465666768697071727374"
                                  "75767778798081828384858687888990919293949596979899";

static char *put_pair(char *out, unsigned v)
{
    memcpy(out, digit_pairs + 2 * v, 2);
    return out + 2;
}

static char *put_decimal(char *out, uint64_t v)
{
    char digits[20];
    char *p = digits + sizeof digits;
    while (v >= 100) {
        p -= 2;
        memcpy(p, digit_pairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (v >= 10) {
        p -= 2;
        memcpy(p, digit_pairs + 2 * v, 2);
    } else {
        *--p = char('0' + v);
    }
    size_t length = size_t(digits + sizeof digits - p);
    memcpy(out, p, length);
    return out + length;
}

static char *put_text(char *out, const char *text)
{
    size_t length = strlen(text);
    memcpy(out, text, length);
    return out + length;
}

char *format_fixed(char *out, double v)
{
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    const bool negative = bits >> 63;
    const unsigned biased = unsigned(bits >> 52) & 0x7ff;
    const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
    if (biased == 0x7ff)
        return put_text(out, fraction ? (negative ? "-nan" : "nan") : (negative ? "-inf" : "inf"));
    // v = m * 2^-shift.  From 2^44 up the digits are left to the library.
    const uint64_t m = biased ? fraction | uint64_t(1) << 52 : fraction;
    const int exponent = biased ? int(biased) - 1075 : -1074;
    if (exponent > -9)
        return std::to_chars(out, out + fixed_text_max, v, std::chars_format::fixed, 6).ptr;
    const unsigned shift = unsigned(-exponent);

    // n = m * 10^6 / 2^shift rounded to nearest, ties to even; below 2^73 the
    // product is exact, and with shift >= 74 the value is under half a unit.
    uint64_t n = 0;
    if (shift < 74) {
        const unsigned __int128 product = (unsigned __int128)m * 1000000;
        const unsigned __int128 rest = product & (((unsigned __int128)1 << shift) - 1);
        const unsigned __int128 half = (unsigned __int128)1 << (shift - 1);
        n = uint64_t(product >> shift);
        if (rest > half || (rest == half && (n & 1)))
            n++;
    }
    if (negative)
        *out++ = '-';
    out = put_decimal(out, n / 1000000);
    *out++ = '.';
    const unsigned decimals = unsigned(n % 1000000);
    out = put_pair(out, decimals / 10000);
    out = put_pair(out, decimals / 100 % 100);
    return put_pair(out, decimals % 100);
}

// ---- Reading -----------------------------------------------------------------

TextInput::TextInput(int status, int fd, size_t capacity)
    : fd(fd), buf(allocate_or_fail(status, capacity)), capacity(capacity)
{
}

TextInput::~TextInput()
{
    free(buf);
    free(token);
}

size_t text_input_fill(TextInput &in)
{
    if (in.at_end)
        return 0;
    if (in.pos == in.end) {
        in.pos = in.end = 0;
    } else if (in.end == in.capacity) {
        memmove(in.buf, in.buf + in.pos, in.end - in.pos);
        in.end -= in.pos;
        in.pos = 0;
    }
    ssize_t got = read(in.fd, in.buf + in.end, in.capacity - in.end);
    if (got > 0) {
        in.end += size_t(got);
        return size_t(got);
    }
    if (got == 0)
        in.at_end = true;
    else
        in.failed = true;
    return 0;
}

// The white space of the C locale and its digits.
static bool is_space(int c) { return c == ' ' || unsigned(c - '\t') < 5; }
static bool is_digit(int c) { return unsigned(c - '0') < 10; }
static bool is_hex_digit(int c) { return is_digit(c) || unsigned((c | 0x20) - 'a') < 6; }
static int lower(int c) { return unsigned(c - 'A') < 26 ? c | 0x20 : c; }

// The powers of ten that are exact doubles.
static constexpr double exact_tens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t exact_integers = uint64_t(1) << 53;

// A plain decimal number at p: [sign] digits [. digits] [e [sign] digits], at
// least one digit before the exponent.  Returns its end and stores its value
// when the number is one that scanf would take whole and its end is known
// (a byte after it is at hand, or `final` says the input ends there); null
// for anything else, which the character-by-character scanner then reads.
static const unsigned char *scan_plain(const unsigned char *p, const unsigned char *end, bool final,
                                       double &value)
{
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    const unsigned char *start = p;
    if (p + 1 < end && p[0] == '0' && (p[1] | 0x20) == 'x')
        return nullptr; // hexadecimal
    // Up to 19 significant digits are kept in m, value = m * 10^exponent.
    uint64_t m = 0;
    int significant = 0;
    int exponent = 0;
    bool dropped = false;
    bool any = false;
    auto take = [&](int digit, int weight) {
        any = true;
        if (significant == 19) {
            dropped = true;
            return;
        }
        m = m * 10 + unsigned(digit);
        significant += m != 0;
        exponent -= weight;
    };
    for (; p < end && is_digit(*p); p++)
        take(*p - '0', 0);
    if (p < end && *p == '.')
        for (p++; p < end && is_digit(*p); p++)
            take(*p - '0', 1);
    if (!any)
        return nullptr;
    if (p < end && (*p | 0x20) == 'e') {
        const unsigned char *q = p + 1;
        bool down = false;
        if (q < end && (*q == '+' || *q == '-'))
            down = *q++ == '-';
        if (q == end || !is_digit(*q))
            return nullptr; // an exponent mark without digits, or not yet at hand
        int e = 0;
        for (; q < end && is_digit(*q); q++)
            if (e < 100000)
                e = e * 10 + (*q - '0');
        exponent += down ? -e : e;
        p = q;
    }
    if (p == end && !final)
        return nullptr;

    double v;
    if (!dropped && m == 0) {
        v = 0;
    } else if (!dropped && m <= exact_integers && exponent >= -22 && exponent <= 22) {
        // Both operands exact, so the one rounding is the correct one.
        v = exponent < 0 ? double(m) / exact_tens[-exponent] : double(m) * exact_tens[exponent];
    } else {
        // A correctly rounded conversion of the same text; results near the
        // ends of the range are left to strtod, which also sets errno there.
        auto [stop, error] = std::from_chars(reinterpret_cast<const char *>(start),
                                             reinterpret_cast<const char *>(p), v);
        if (error != std::errc() || stop != reinterpret_cast<const char *>(p) || !std::isnormal(v))
            return nullptr;
    }
    value = negative ? -v : v;
    return p;
}

namespace {
// One call of the scanner: like scanf, once a read has met the end of input or
// failed, it reads no further in this call.
struct ScanCall {
    int status;
    TextInput &in;
    bool stopped = false;
    size_t length = 0; // of the token collected

    int next()
    {
        if (in.pos == in.end && (stopped || !text_input_fill(in))) {
            stopped = true;
            return EOF;
        }
        return in.buf[in.pos++];
    }
    // Gives back the character next() returned last.
    void unget(int c)
    {
        if (c != EOF)
            in.pos--;
    }
    void add(int c)
    {
        if (length == in.token_capacity) {
            size_t capacity = in.token_capacity ? 2 * in.token_capacity : 256;
            void *grown = capacity > in.token_capacity ? realloc(in.token, capacity) : nullptr;
            if (!grown)
                fail(status, "malloc: out of memory\n");
            in.token = static_cast<char *>(grown);
            in.token_capacity = capacity;
        }
        in.token[length++] = char(c);
    }
    // Adds c if it is `letter` in either case and reads the next character.
    bool expect(int &c, int letter)
    {
        c = next();
        if (lower(c) != letter)
            return false;
        add(c);
        return true;
    }
};
} // namespace

// The number at the input position, character by character, as the standard
// I/O library scans "%lf": the longest text of the number's shape is consumed
// (one character of look-ahead is given back), then converted by strtod, which
// may use only a prefix of it.
static ScanResult scan_slowly(ScanCall &call, double &value)
{
    int c = call.next();
    bool signed_ = false;
    if (c == '-' || c == '+') {
        signed_ = true;
        call.add(c);
        c = call.next();
        if (c == EOF)
            return ScanResult::not_number;
    }
    if (lower(c) == 'n') {
        call.add(c);
        if (!call.expect(c, 'a') || !call.expect(c, 'n'))
            return ScanResult::not_number;
    } else if (lower(c) == 'i') {
        call.add(c);
        if (!call.expect(c, 'n') || !call.expect(c, 'f'))
            return ScanResult::not_number;
        c = call.next();
        if (lower(c) == 'i') {
            call.add(c);
            for (int letter : {'n', 'i', 't', 'y'})
                if (!call.expect(c, letter))
                    return ScanResult::not_number;
        } else {
            call.unget(c);
        }
    } else {
        int exponent_mark = 'e';
        bool hex = false, got_digit = false, got_dot = false, got_exponent = false;
        if (c == '0') {
            call.add(c);
            c = call.next();
            if (lower(c) == 'x') {
                call.add(c);
                hex = true;
                exponent_mark = 'p';
                c = call.next();
            } else {
                got_digit = true;
            }
        }
        for (;; c = call.next()) {
            if (is_digit(c) || (hex && !got_exponent && is_hex_digit(c))) {
                call.add(c);
                got_digit = true;
            } else if (got_exponent && call.in.token[call.length - 1] == exponent_mark &&
                       (c == '-' || c == '+')) {
                call.add(c);
            } else if (got_digit && !got_exponent && lower(c) == exponent_mark) {
                call.add(exponent_mark);
                got_exponent = got_dot = true;
            } else if (!got_dot && c == '.') {
                call.add(c);
                got_dot = true;
            } else {
                call.unget(c);
                break;
            }
        }
        if (call.length == size_t(signed_) || (hex && call.length == 2 + size_t(signed_)))
            return ScanResult::not_number;
    }
    call.add('\0');
    char *stop;
    double v = strtod(call.in.token, &stop);
    if (stop == call.in.token)
        return ScanResult::not_number;
    value = v;
    return ScanResult::number;
}

ScanResult scan_double(int status, TextInput &in, double &value)
{
    ScanCall call{status, in};
    for (;;) {
        while (in.pos < in.end && is_space(in.buf[in.pos]))
            in.pos++;
        if (in.pos < in.end)
            break;
        if (!text_input_fill(in)) {
            // scanf leaves errno as the read set it: the failure's, or 0 at
            // the end of input (it clears errno while skipping white space).
            if (in.at_end)
                errno = 0;
            return ScanResult::end;
        }
    }
    const unsigned char *start = in.buf + in.pos;
    if (const unsigned char *stop = scan_plain(start, in.buf + in.end, in.at_end, value)) {
        in.pos += size_t(stop - start);
        return ScanResult::number;
    }
    return scan_slowly(call, value);
}
