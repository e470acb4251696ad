#include "child_process.h"

#include "diagnostics.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// Failures in the child: one line and status 1, without flushing any standard
// I/O buffers copied from the parent.
[[noreturn]] static void child_fail(const char *format, const char *name = nullptr)
{
    print_error(format, name);
    _exit(1);
}

// Puts `fd` at descriptor `target` and closes it there.  A descriptor
// already in place stays, but must then survive the exec (a failure here
// means it is not open at all, which exec would not change).
static void move_descriptor(int fd, int target)
{
    if (fd == target) {
        fcntl(fd, F_SETFD, 0);
        return;
    }
    if (dup2(fd, target) < 0)
        child_fail("dup2:");
    close(fd);
}

Child start_child(int status, const char *const argv[], bool parent_reads, int input_fd)
{
    int ends[2];
    if (pipe(ends))
        fail(status, "pipe:");
    int ours = parent_reads ? ends[0] : ends[1];
    int theirs = parent_reads ? ends[1] : ends[0];
    pid_t pid = fork();
    if (pid < 0)
        fail(status, "fork:");
    if (pid == 0) {
        close(ours);
        if (parent_reads && input_fd >= 0)
            move_descriptor(input_fd, 0);
        move_descriptor(theirs, parent_reads ? 1 : 0);
        execvp(argv[0], const_cast<char *const *>(argv));
        child_fail("exec %s:", argv[0]);
    }
    close(theirs);
    return Child{pid, ours};
}

void finish_child(int status, pid_t pid)
{
    int wait_status;
    if (waitpid(pid, &wait_status, 0) < 0)
        fail(status, "waitpid:");
    if (wait_status != 0)
        exit(status);
}
