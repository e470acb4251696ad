// Numbers in the command line: integer and floating-point option arguments
// and operands.
#pragma once

#include <cstdint>

// Text to integer in [min, max]: 0 on success, -1 with errno EINVAL or ERANGE.
// Prefixes x, #, 0x, 0o and 0b choose the base; the value is stored even when
// the range check fails.
int parse_uint(const char *text, uint64_t min, uint64_t max, uint64_t *out);
int parse_int(const char *text, int64_t min, int64_t max, int64_t *out);

// Integer option arguments and operands, fatal with the usual messages when
// out of range ("argument of -L must be an integer in [MIN, MAX]", "PHRASE
// must be an integer in [MIN, MAX]").
uint64_t option_uint(int status, int letter, const char *text, uint64_t min, uint64_t max);
int option_int(int status, int letter, const char *text, int min, int max);
uint64_t operand_uint(int status, const char *phrase, const char *text, uint64_t min,
                      uint64_t max);

// The text as a double in the notation strtod reads; fatal with "PHRASE must
// be floating-point value" when it holds no number, has characters after it,
// or is out of range.
double operand_double(int status, const char *phrase, const char *text);
