// A library for LD_PRELOAD in tests only: makes calls of one system
// function fail, so that a program's failure paths can be run for real.
//
//   RV_FAULT="NAME ERRNO FIRST [COUNT]"
//
// The calls of NAME numbered FIRST to FIRST + COUNT - 1 (from 1; COUNT 1 if
// absent, 0 for every later call) return -1 with errno ERRNO instead of
// doing anything.  The count is per process; a forked child goes on from
// its parent's count.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

struct Fault {
    char name[32] = "";
    int error = 0;
    unsigned long first = 0, count = 1;
    unsigned long calls = 0;
};

Fault &fault()
{
    static Fault f = [] {
        Fault parsed;
        const char *spec = getenv("RV_FAULT");
        if (!spec || sscanf(spec, "%31s %d %lu %lu", parsed.name, &parsed.error, &parsed.first,
                            &parsed.count) < 3)
            parsed.name[0] = '\0';
        return parsed;
    }();
    return f;
}

// Whether this call of `name` is one that fails; sets errno if so.
bool failing(const char *name)
{
    Fault &f = fault();
    if (strcmp(f.name, name) != 0)
        return false;
    unsigned long call = ++f.calls;
    if (call < f.first || (f.count && call - f.first >= f.count))
        return false;
    errno = f.error;
    return true;
}

template <class Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

// Each wrapper fails or hands the call on to the next definition.
#define RV_WRAP(result, name, params, args)                                                        \
    extern "C" result name params                                                                \
    {                                                                                            \
        static auto real = next<result(*) params>(#name);                                       \
        if (failing(#name))                                                                      \
            return result(-1);                                                                   \
        return real args;                                                                        \
    }

RV_WRAP(int, stat, (const char *path, struct stat *st), (path, st))
RV_WRAP(int, fstat, (int fd, struct stat *st), (fd, st))
RV_WRAP(ssize_t, write, (int fd, const void *buf, size_t n), (fd, buf, n))
RV_WRAP(off_t, lseek, (int fd, off_t offset, int whence), (fd, offset, whence))
RV_WRAP(int, ftruncate, (int fd, off_t length), (fd, length))
RV_WRAP(int, dup2, (int fd, int target), (fd, target))

// posix_fallocate reports its error as its result, not in errno.
extern "C" int posix_fallocate(int fd, off_t offset, off_t length)
{
    static auto real = next<int (*)(int, off_t, off_t)>("posix_fallocate");
    if (failing("posix_fallocate"))
        return errno;
    return real(fd, offset, length);
}
