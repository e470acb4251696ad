#include "text_output.h"

#include "diagnostics.h"

#include <cstdlib>

void close_stdio(int status, FILE *file, const char *name)
{
    if (fflush(file) || ferror(file)) {
        print_error("ferror %s:", name);
        fclose(file);
        exit(status);
    }
    if (fclose(file))
        fail(status, "fclose %s:", name);
}
