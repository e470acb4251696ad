// Refusing to write a file that is being read: an output that is also an
// input would be truncated under its reader, or grow while it is read.
#pragma once

#include "diagnostics.h"
#include "stream_format.h"

#include <sys/stat.h>

// Fatal with "NAME: input file is output file" when `output` (from stat or
// fstat) is a regular file and the stream reads that very file.
inline void refuse_input_as_output(int status, const struct stat &output, const Stream &input)
{
    struct stat st;
    if (S_ISREG(output.st_mode) && fstat(input.fd, &st) == 0 && st.st_dev == output.st_dev &&
        st.st_ino == output.st_ino)
        fail(status, "%s: input file is output file\n", input.file);
}
