#include "child_process.h"

#include "diagnostics.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// Failures in the child before it becomes the external program: one line,
// a word to the parent through the report pipe, and status 1, without
// flushing any standard I/O buffers copied from the parent.
[[noreturn]] static void child_fail(int report, const char *format, const char *name = nullptr)
{
    int error = errno;
    print_error(format, name);
    if (write(report, &error, sizeof error) < 0) {
        // The parent then takes the child for started and waits for it.
    }
    _exit(1);
}

// Puts `fd` at descriptor `target` and closes it there.  A descriptor
// already in place stays, but must then survive the exec (a failure here
// means it is not open at all, which exec would not change).
static void move_descriptor(int report, int fd, int target)
{
    if (fd == target) {
        fcntl(fd, F_SETFD, 0);
        return;
    }
    if (dup2(fd, target) < 0)
        child_fail(report, "dup2:");
    close(fd);
}

// The report pipe: closed by a successful exec, written to by a child that
// could not get there.  Its ends lie above the standard descriptors, so
// that the child's own moves onto 0 and 1 leave them alone.
static void open_report_pipe(int status, int ends[2])
{
    if (pipe2(ends, O_CLOEXEC))
        fail(status, "pipe:");
    for (int i = 0; i < 2; i++) {
        if (ends[i] > 2)
            continue;
        int moved = fcntl(ends[i], F_DUPFD_CLOEXEC, 3);
        if (moved < 0)
            fail(status, "dup:");
        close(ends[i]);
        ends[i] = moved;
    }
}

// Waits until the child has become the external program or has failed to.
// A child that failed has printed its line; the program ends without one.
static void await_exec(int status, pid_t pid, int report)
{
    int error;
    ssize_t got = read(report, &error, sizeof error);
    if (got < 0)
        fail(status, "read %s:", "<subprocess>");
    close(report);
    if (got > 0) {
        int wait_status;
        waitpid(pid, &wait_status, 0);
        exit(status);
    }
}

Child start_child(int status, const char *const argv[], bool parent_reads, int input_fd)
{
    int ends[2];
    if (pipe(ends))
        fail(status, "pipe:");
    enlarge_pipe(ends[0]);
    int ours = parent_reads ? ends[0] : ends[1];
    int theirs = parent_reads ? ends[1] : ends[0];
    int report[2];
    open_report_pipe(status, report);
    pid_t pid = fork();
    if (pid < 0)
        fail(status, "fork:");
    if (pid == 0) {
        close(ours);
        close(report[0]);
        if (parent_reads && input_fd >= 0)
            move_descriptor(report[1], input_fd, 0);
        move_descriptor(report[1], theirs, parent_reads ? 1 : 0);
        execvp(argv[0], const_cast<char *const *>(argv));
        child_fail(report[1], "exec %s:", argv[0]);
    }
    close(theirs);
    close(report[1]);
    await_exec(status, pid, report[0]);
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
