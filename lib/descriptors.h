// Descriptors: opening paths and the names that stand for open descriptors,
// and loops that move whole buffers through read(2) and write(2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <sys/uio.h>

// Descriptor for a path: /dev/fd/N, /dev/stdin, /dev/stdout, /dev/stderr and
// "-" name descriptors that are already open; anything else is opened.
int open_path(int status, const char *path, int flags, mode_t mode);
// The descriptor such a name stands for, or -1 for a path that open_path
// would open.
int path_descriptor(const char *path, int flags);

// Pipes carry frames in blocks of this size: a larger pipe than the kernel's
// default (64 KiB) needs far fewer switches between writer and reader.
inline constexpr int pipe_capacity = 256 * 1024;
// Gives the pipe at fd at least pipe_capacity bytes.  Best effort: a
// descriptor that is not a pipe, or a refusal (the user's pipe allowance is
// spent), leaves it as it was; a pipe is never made smaller.
void enlarge_pipe(int fd);

// Whole-buffer loops.  They report (-1, errno set) and never print.
int write_all(int fd, const void *buffer, size_t length);
int pwrite_all(int fd, const void *buffer, size_t length, off_t offset);
int write_repeated(int fd, const void *buffer, size_t buffer_length, uint64_t total);
// The pieces, in order, with as few writev calls as IOV_MAX allows; the array
// is changed as pieces are written.
int writev_all(int fd, struct iovec *pieces, size_t count);
ssize_t read_all(int fd, void *buffer, size_t length);
// read_all from `offset` of a file by position (the file position stays);
// a negative offset reads from the file position as read_all does.
ssize_t pread_all(int fd, void *buffer, size_t length, off_t offset);

// An output descriptor and the name its messages give it.
struct Output {
    int fd;
    const char *name;
};
// Standard output, "<stdout>" in messages.
inline constexpr Output standard_output{1, "<stdout>"};

// write_all, writev_all and write_repeated, fatal with "write NAME:" on failure.
void write_or_fail(int status, const Output &out, const void *buffer, size_t length);
void writev_or_fail(int status, const Output &out, struct iovec *pieces, size_t count);
void write_repeated_or_fail(int status, const Output &out, const void *buffer,
                            size_t buffer_length, uint64_t total);

// Fatal unless fd is something other than a regular file.
void refuse_regular_output(int status, int fd, const char *display_name);
