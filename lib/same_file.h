// Refusing to write a file that is being read: an output that is also an
// input would be truncated under its reader, or grow while it is read.
// The checks run before any output is opened, and a file that cannot be
// examined is a failure, never taken for a different file.
#pragma once

#include "diagnostics.h"
#include "stream_format.h"

#include <cerrno>
#include <cstddef>
#include <sys/stat.h>

// The file behind descriptor `fd`, for a later refuse_input_as_output: false
// when the descriptor is not open (no file, so no input's).  Fatal with
// "fstat NAME:" on any other failure.
inline bool descriptor_file(int status, int fd, const char *name, struct stat &st)
{
    if (fstat(fd, &st) == 0)
        return true;
    if (errno != EBADF)
        fail(status, "fstat %s:", name);
    return false;
}

// The file an output path names, as open_path with `flags` takes the path:
// false when there is none yet.  Fatal with "stat PATH:" (or "fstat PATH:"
// for a descriptor name) on any failure but a missing file.
inline bool output_file(int status, const char *path, int flags, struct stat &st)
{
    int fd = path_descriptor(path, flags);
    if (fd >= 0)
        return descriptor_file(status, fd, path, st);
    if (stat(path, &st) == 0)
        return true;
    if (errno != ENOENT)
        fail(status, "stat %s:", path);
    return false;
}

// Fatal with "NAME: input file is output file" when `output` is a regular
// file and the stream reads that very file; with "fstat NAME:" when the
// input cannot be examined.
inline void refuse_input_as_output(int status, const struct stat &output, const Stream &input)
{
    if (!S_ISREG(output.st_mode))
        return;
    struct stat st;
    if (fstat(input.fd, &st))
        fail(status, "fstat %s:", input.file);
    if (st.st_dev == output.st_dev && st.st_ino == output.st_ino)
        fail(status, "%s: input file is output file\n", input.file);
}

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
