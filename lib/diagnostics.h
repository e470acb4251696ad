// Diagnostics: the one line on standard error that every failure prints, and
// the exit.  The chief header of the lowest layer of the stream library: it
// brings the command line, the numbers in it and the descriptor loops along.
//
// Naming: every library function that may end the program takes the exit
// status as its first argument.  Checks say what they demand or refuse
// (require_..., refuse_..., stream_check_...); actions with a twin that
// reports instead of ending the program end in _or_fail (write_all and
// write_or_fail, copy_bytes and copy_or_fail, malloc and allocate_or_fail).
#pragma once

#include "command_line.h"
#include "descriptors.h"
#include "numbers.h"

// The name every diagnostic starts with (argv[0]); may be null.
extern const char *program_name;

// One line on standard error: "name: message", and for a format ending in ':'
// a blank and the text of errno.  Formats beginning with "usage" get no prefix.
void print_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void fail(int status, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
