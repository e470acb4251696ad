#include "diagnostics.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

const char *program_name;

static void vprint_error(int saved, const char *format, va_list ap)
{
    if (program_name && strncmp(format, "usage", 5) != 0)
        fprintf(stderr, "%s: ", program_name);
    vfprintf(stderr, format, ap);
    size_t length = strlen(format);
    if (length && format[length - 1] == ':')
        fprintf(stderr, " %s\n", strerror(saved));
}

void print_error(const char *format, ...)
{
    int saved = errno;
    va_list ap;
    va_start(ap, format);
    vprint_error(saved, format, ap);
    va_end(ap);
}

void fail(int status, const char *format, ...)
{
    int saved = errno;
    va_list ap;
    va_start(ap, format);
    vprint_error(saved, format, ap);
    va_end(ap);
    exit(status);
}

// A C++ allocation that fails (a std::vector growing, say) ends the program
// as a failed malloc does, with one line and status 1, instead of aborting on
// an uncaught std::bad_alloc.
static void out_of_memory() { fail(1, "malloc: out of memory\n"); }
[[maybe_unused]] static const bool new_handler_installed =
    (std::set_new_handler(out_of_memory), true);
