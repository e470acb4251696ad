// Opening paths and moving whole buffers through descriptors.
#include "descriptors.h"

#include "diagnostics.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int path_descriptor(const char *path, int flags)
{
    if (strncmp(path, "/dev/fd/", 8) == 0) {
        const char *number = path + 8;
        bool negative = number[0] == '-';
        uint64_t value;
        if (parse_uint(negative ? number + 1 : number, 0, UINT64_MAX, &value) == 0) {
            if (!negative && value <= INT_MAX)
                return int(value);
            if (negative && value == 0)
                return 0;
        }
    } else if (strcmp(path, "/dev/stdin") == 0) {
        return 0;
    } else if (strcmp(path, "/dev/stdout") == 0) {
        return 1;
    } else if (strcmp(path, "/dev/stderr") == 0) {
        return 2;
    } else if (strcmp(path, "-") == 0) {
        return (flags & O_ACCMODE) == O_WRONLY ? 1 : 0;
    }
    return -1;
}

int open_path(int status, const char *path, int flags, mode_t mode)
{
    int fd = path_descriptor(path, flags);
    if (fd < 0) {
        fd = open(path, flags, mode);
        if (fd < 0)
            fail(status, "open %s:", path);
    }
    enlarge_pipe(fd);
    return fd;
}

void enlarge_pipe(int fd)
{
    int saved = errno;
    int size = fcntl(fd, F_GETPIPE_SZ);
    if (size >= 0 && size < pipe_capacity)
        fcntl(fd, F_SETPIPE_SZ, pipe_capacity);
    errno = saved;
}

int write_all(int fd, const void *buffer, size_t length)
{
    const char *p = static_cast<const char *>(buffer);
    while (length) {
        ssize_t r = write(fd, p, length);
        if (r < 0)
            return -1;
        p += r;
        length -= size_t(r);
    }
    return 0;
}

int pwrite_all(int fd, const void *buffer, size_t length, off_t offset)
{
    const char *p = static_cast<const char *>(buffer);
    while (length) {
        ssize_t r = pwrite(fd, p, length, offset);
        if (r < 0)
            return -1;
        p += r;
        length -= size_t(r);
        offset += r;
    }
    return 0;
}

int writev_all(int fd, struct iovec *pieces, size_t count)
{
    while (count) {
        int n = count < IOV_MAX ? int(count) : IOV_MAX;
        ssize_t r = writev(fd, pieces, n);
        if (r < 0)
            return -1;
        size_t done = size_t(r);
        while (count && done >= pieces->iov_len) {
            done -= pieces->iov_len;
            pieces++, count--;
        }
        if (count) {
            pieces->iov_base = static_cast<char *>(pieces->iov_base) + done;
            pieces->iov_len -= done;
        }
    }
    return 0;
}

void writev_or_fail(int status, const Output &out, struct iovec *pieces, size_t count)
{
    if (writev_all(out.fd, pieces, count))
        fail(status, "write %s:", out.name);
}

int write_repeated(int fd, const void *buffer, size_t buffer_length, uint64_t total)
{
    while (total) {
        size_t piece = total < buffer_length ? size_t(total) : buffer_length;
        if (write_all(fd, buffer, piece))
            return -1;
        total -= piece;
    }
    return 0;
}

void write_or_fail(int status, const Output &out, const void *buffer, size_t length)
{
    if (write_all(out.fd, buffer, length))
        fail(status, "write %s:", out.name);
}

void write_repeated_or_fail(int status, const Output &out, const void *buffer,
                            size_t buffer_length, uint64_t total)
{
    if (write_repeated(out.fd, buffer, buffer_length, total))
        fail(status, "write %s:", out.name);
}

ssize_t read_all(int fd, void *buffer, size_t length) { return pread_all(fd, buffer, length, -1); }

ssize_t pread_all(int fd, void *buffer, size_t length, off_t offset)
{
    char *p = static_cast<char *>(buffer);
    size_t got = 0;
    while (got < length) {
        ssize_t r = offset < 0 ? read(fd, p + got, length - got)
                               : pread(fd, p + got, length - got, offset + off_t(got));
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += size_t(r);
    }
    return ssize_t(got);
}

void refuse_regular_output(int status, int fd, const char *display_name)
{
    struct stat st;
    if (fstat(fd, &st))
        fail(status, "fstat %s:", display_name);
    if ((st.st_mode & S_IFMT) == S_IFREG)
        fail(status, "%s is a regular file, refusing infinite write\n", display_name);
}
