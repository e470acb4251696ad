#include "byte_copy.h"

#include "diagnostics.h"
#include "stream_format.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace {

// The ways of copying, in the order they are tried.
enum Way { by_copy_file_range, by_sendfile, by_splice, by_read_write };

// The most one zero-copy call is asked to move.
constexpr uint64_t call_limit = uint64_t(1) << 30;

// A refusal: these descriptors (or this kernel) do not allow the call, and
// nothing was moved, so the next way is tried.
bool refused(int error)
{
    return error == EINVAL || error == ENOSYS || error == EXDEV || error == EOPNOTSUPP ||
           error == EBADF || error == ESPIPE || error == ETXTBSY || error == EPERM;
}

ssize_t zero_copy(Way way, int in, int out, size_t length, uint64_t *from)
{
    off_t offset = from ? off_t(*from) : 0;
    off_t *at = from ? &offset : nullptr;
    ssize_t r;
    switch (way) {
    case by_copy_file_range:
        r = copy_file_range(in, at, out, nullptr, length, 0);
        break;
    case by_sendfile:
        r = sendfile(out, in, at, length);
        break;
    default:
        r = splice(in, at, out, nullptr, length, SPLICE_F_MOVE);
        break;
    }
    if (r > 0 && from)
        *from += uint64_t(r);
    return r;
}

// Plain reads and writes, one write per read, so that every byte read is
// written before the next read.
CopyResult read_write(int in, int out, uint64_t limit, uint64_t *from, uint64_t copied)
{
    static unsigned char buffer[stream_buffer_size];
    while (copied < limit) {
        size_t want = limit - copied < sizeof buffer ? size_t(limit - copied) : sizeof buffer;
        ssize_t got = from ? pread(in, buffer, want, off_t(*from)) : read(in, buffer, want);
        if (got < 0)
            return {copied, CopyEnd::read_failed};
        if (got == 0)
            break;
        if (from)
            *from += uint64_t(got);
        if (write_all(out, buffer, size_t(got)))
            return {copied, CopyEnd::write_failed};
        copied += uint64_t(got);
    }
    return {copied, CopyEnd::done};
}

} // namespace

CopyResult copy_bytes(int in, int out, uint64_t limit, uint64_t *from)
{
    uint64_t copied = 0;
    Way way = by_copy_file_range;
    bool moved = false; // the current way has moved bytes
    while (way != by_read_write && copied < limit) {
        uint64_t left = limit - copied;
        ssize_t r = zero_copy(way, in, out, size_t(left < call_limit ? left : call_limit), from);
        if (r > 0) {
            copied += uint64_t(r);
            moved = true;
            continue;
        }
        if (r < 0 && !moved && refused(errno)) {
            way = Way(way + 1);
            continue;
        }
        // The end of the input, or a failure: the plain calls confirm the
        // one or report the other with their own errno.
        break;
    }
    return read_write(in, out, limit, from, copied);
}

uint64_t copy_or_fail(int status, int in, const char *in_name, const Output &out, uint64_t limit)
{
    CopyResult r = copy_bytes(in, out.fd, limit);
    if (r.end == CopyEnd::read_failed)
        fail(status, "read %s:", in_name);
    if (r.end == CopyEnd::write_failed)
        fail(status, "write %s:", out.name);
    return r.copied;
}

uint64_t copy_range_or_fail(int status, int in, const char *in_name, uint64_t from, uint64_t to,
                            const Output &out)
{
    uint64_t at = from;
    CopyResult r = copy_bytes(in, out.fd, to > from ? to - from : 0, &at);
    if (r.end == CopyEnd::read_failed)
        fail(status, "pread %s:", in_name);
    if (r.end == CopyEnd::write_failed)
        fail(status, "write %s:", out.name);
    return r.copied;
}
