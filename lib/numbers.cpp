// Numbers in the command line.
#include "numbers.h"

#include "diagnostics.h"

#include <cerrno>
#include <cstdlib>

int parse_uint(const char *text, uint64_t min, uint64_t max, uint64_t *out)
{
    errno = 0;
    if (text[0] == '-') {
        errno = ERANGE;
        return -1;
    }
    int base = 10;
    const char *digits = text;
    if (text[0] == 'x' || text[0] == 'X' || text[0] == '#') {
        base = 16;
        digits = text + 1;
    } else if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        digits = text + 2;
    } else if (text[0] == '0' && (text[1] == 'o' || text[1] == 'O')) {
        base = 8;
        digits = text + 2;
    } else if (text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) {
        base = 2;
        digits = text + 2;
    }
    char *end;
    unsigned long long value = strtoull(digits, &end, base);
    *out = value;
    if (errno)
        return -1;
    // The C library does not report "no digits" through errno everywhere.
    if (end == digits || *end) {
        errno = EINVAL;
        return -1;
    }
    if (value < min || value > max) {
        errno = ERANGE;
        return -1;
    }
    return 0;
}

int parse_int(const char *text, int64_t min, int64_t max, int64_t *out)
{
    errno = 0;
    bool negative = text[0] == '-';
    uint64_t magnitude;
    if (parse_uint(negative ? text + 1 : text, 0, UINT64_MAX, &magnitude))
        return -1;
    const uint64_t limit = uint64_t(1) << 63;
    if (negative) {
        if (magnitude > limit) {
            errno = ERANGE;
            return -1;
        }
        int64_t value = magnitude == limit ? INT64_MIN : -int64_t(magnitude);
        *out = value;
        if (value < min || value > max) {
            errno = ERANGE;
            return -1;
        }
        return 0;
    }
    if (max < 0 || magnitude > uint64_t(max)) {
        errno = ERANGE;
        return -1;
    }
    *out = int64_t(magnitude);
    if (int64_t(magnitude) < min) {
        errno = ERANGE;
        return -1;
    }
    return 0;
}

uint64_t option_uint(int status, int letter, const char *text, uint64_t min, uint64_t max)
{
    uint64_t value;
    if (parse_uint(text, min, max, &value))
        fail(status, "argument of -%c must be an integer in [%lu, %lu]\n", letter,
             (unsigned long)min, (unsigned long)max);
    return value;
}

int option_int(int status, int letter, const char *text, int min, int max)
{
    int64_t value;
    if (parse_int(text, min, max, &value))
        fail(status, "argument of -%c must be an integer in [%i, %i]\n", letter, min, max);
    return int(value);
}

uint64_t operand_uint(int status, const char *phrase, const char *text, uint64_t min,
                      uint64_t max)
{
    uint64_t value;
    if (parse_uint(text, min, max, &value))
        fail(status, "%s must be an integer in [%lu, %lu]\n", phrase, (unsigned long)min,
             (unsigned long)max);
    return value;
}

double operand_double(int status, const char *phrase, const char *text)
{
    errno = 0;
    char *end;
    double value = strtod(text, &end);
    if (errno || end == text || *end)
        fail(status, "%s must be floating-point value\n", phrase);
    return value;
}
