#include "real_operand.h"

#include "diagnostics.h"

#include <cerrno>
#include <cstdlib>

double operand_double(const char *phrase, const char *text)
{
    errno = 0;
    char *end;
    double value = strtod(text, &end);
    if (errno || end == text || *end)
        fail(1, "%s must be floating-point value\n", phrase);
    return value;
}
