// Refusing standard output when it is the file an input reads: written
// there, the input would be truncated under its reader, or grow while it is
// read.  The check of programs that write their inputs to standard output.
#pragma once

#include "same_file.h"

#include <cstddef>
#include <sys/stat.h>

// Fatal with "NAME: input file is output file" when standard output is a
// regular file that one of the `count` inputs reads.  Started with
// descriptor 1 closed, an input holds it: there is no output file then.
inline void refuse_inputs_as_standard_output(int status, const Stream *inputs, size_t count)
{
    bool stdout_taken = false;
    for (size_t i = 0; i < count; i++)
        stdout_taken = stdout_taken || inputs[i].fd == 1;
    struct stat st;
    if (!stdout_taken && descriptor_file(status, 1, standard_output.name, st))
        for (size_t i = 0; i < count; i++)
            refuse_input_as_output(status, st, inputs[i]);
}
