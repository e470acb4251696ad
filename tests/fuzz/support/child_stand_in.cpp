// Linked into a fuzz target in place of the library's child_process.cpp.
#include "child_stand_in.h"

#include "child_process.h"
#include "diagnostics.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

static std::span<const uint8_t> scripted;

void script_child_output(std::span<const uint8_t> bytes) { scripted = bytes; }

// A pid no child of this process has: the stand-in never waits for it.
constexpr pid_t stand_in_pid = 0x7ffffff0;

Child start_child(int status, const char *const[], bool parent_reads, int)
{
    if (!parent_reads) {
        int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            fail(status, "pipe:");
        return Child{stand_in_pid, fd};
    }
    int fd = memfd_create("child-output", MFD_CLOEXEC);
    if (fd < 0)
        fail(status, "pipe:");
    size_t done = 0;
    while (done < scripted.size()) {
        ssize_t n = write(fd, scripted.data() + done, scripted.size() - done);
        if (n <= 0)
            fail(status, "pipe:");
        done += size_t(n);
    }
    lseek(fd, 0, SEEK_SET);
    return Child{stand_in_pid, fd};
}

void finish_child(int, pid_t) {}
