// A library for LD_PRELOAD in tests only: makes calls of one system
// function fail, so that a program's failure paths can be run for real.
//
//   RV_FAULT="NAME ERRNO FIRST [COUNT [ON]]"
//
// The calls of NAME numbered FIRST to FIRST + COUNT - 1 (from 1; COUNT 1 if
// absent, 0 for every later call) return -1 with errno ERRNO instead of
// doing anything.  With ON, only calls on that descriptor number, or on a
// file of that name, count.  The count is per process; a forked child goes on from its
// parent's count.
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
    char on[256] = ""; // the descriptor or path, or empty for any
    int error = 0;
    unsigned long first = 0, count = 1;
    unsigned long calls = 0;
};

Fault &fault()
{
    static Fault f = [] {
        Fault parsed;
        const char *setting = getenv("RV_FAULT");
        if (!setting || sscanf(setting, "%31s %d %lu %lu %255s", parsed.name, &parsed.error,
                            &parsed.first, &parsed.count, parsed.on) < 3)
            parsed.name[0] = '\0';
        return parsed;
    }();
    return f;
}

// Whether `on` names this call's target: a path named by its last
// component, or a descriptor by its number or the last component of the path
// it was opened by.
bool names(const char *on, const char *path)
{
    const char *slash = strrchr(path, '/');
    return strcmp(on, path) == 0 || (slash && strcmp(on, slash + 1) == 0);
}

bool names(const char *on, int fd)
{
    char text[32], link[4096];
    snprintf(text, sizeof text, "%d", fd);
    if (strcmp(on, text) == 0)
        return true;
    snprintf(text, sizeof text, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(text, link, sizeof link - 1);
    if (n < 0)
        return false;
    link[n] = '\0';
    return names(on, link);
}

// Whether this call of `name` on `target` is one that fails; sets errno if so.
template <class Target>
bool failing(const char *name, Target target)
{
    Fault &f = fault();
    if (strcmp(f.name, name) != 0 || (f.on[0] && !names(f.on, target)))
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
#define RV_WRAP(result, name, params, args, on)                                                    \
    extern "C" result name params                                                                \
    {                                                                                            \
        static auto real = next<result(*) params>(#name);                                       \
        if (failing(#name, on))                                                                  \
            return result(-1);                                                                   \
        return real args;                                                                        \
    }

RV_WRAP(int, stat, (const char *path, struct stat *st), (path, st), path)
RV_WRAP(int, fstat, (int fd, struct stat *st), (fd, st), fd)
RV_WRAP(ssize_t, write, (int fd, const void *buf, size_t n), (fd, buf, n), fd)
RV_WRAP(off_t, lseek, (int fd, off_t offset, int whence), (fd, offset, whence), fd)
RV_WRAP(int, ftruncate, (int fd, off_t length), (fd, length), fd)
RV_WRAP(int, dup2, (int fd, int target), (fd, target), fd)

// posix_fallocate reports its error as its result, not in errno.
extern "C" int posix_fallocate(int fd, off_t offset, off_t length)
{
    static auto real = next<int (*)(int, off_t, off_t)>("posix_fallocate");
    if (failing("posix_fallocate", fd))
        return errno;
    return real(fd, offset, length);
}
