#include "text_output.h"

#include "diagnostics.h"

#include <cerrno>
#include <cstdlib>

TextOutput::~TextOutput() { text_output_flush(*this); }

void text_output_flush(TextOutput &out)
{
    if (!out.error && write_all(out.fd, out.buf, out.fill))
        out.error = errno;
    out.fill = 0;
}

void close_stdio(int status, FILE *file, const char *name, bool failed)
{
    if (fflush(file) || ferror(file) || failed) {
        print_error("ferror %s:", name);
        fclose(file);
        exit(status);
    }
    if (fclose(file))
        fail(status, "fclose %s:", name);
}

void close_text_output(int status, TextOutput &out, FILE *file, const char *name)
{
    text_output_flush(out);
    if (out.error)
        errno = out.error;
    close_stdio(status, file, name, out.error != 0);
}
