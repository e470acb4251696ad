#include "diagnostics.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
