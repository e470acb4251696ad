#include "child_process.h"
#include "diagnostics.h"
#include "harness.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(ChildProcess, PipesAndStatus)
{
    TempDir dir;
    write_file(dir.file("in"), "from the file");
    // A reading parent: the child's output arrives, its input is the file.
    RunResult r = run_function([&] {
        program_name = "p";
        const char *argv[] = {"sh", "-c", "echo \"$0\"; cat", "word", nullptr};
        Child c = start_child(1, argv, true, open(dir.file("in").c_str(), O_RDONLY));
        char buf[100];
        ssize_t n;
        while ((n = read(c.fd, buf, sizeof buf)) > 0)
            fwrite(buf, 1, size_t(n), stdout);
        close(c.fd);
        finish_child(1, c.pid);
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "word\nfrom the file");

    // A writing parent: the child reads the pipe and sees its end.  (Failing
    // children are tested through rv-from-video and rv-to-video.)
    r = run_function([&] {
        program_name = "p";
        const char *argv[] = {"sh", "-c", "tr a-z A-Z; exit 0", nullptr};
        Child c = start_child(1, argv, false, -1);
        if (write_all(c.fd, "shout", 5))
            _exit(9);
        close(c.fd);
        finish_child(1, c.pid);
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SHOUT");
}

TEST(ChildProcess, FailingAtOnceIsStarted)
{
    // A program that starts and fails at once is still started: the caller
    // goes on, and learns of the failure when it waits.  (Programs that
    // cannot be started are tested through the converters.)
    RunResult r = run_function([] {
        program_name = "p";
        const char *argv[] = {"sh", "-c", "echo 'sh: gave up' >&2; exit 1", nullptr};
        Child c = start_child(1, argv, true, -1);
        printf("started\n");
        fflush(stdout);
        close(c.fd);
        finish_child(1, c.pid);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "started\n");
    EXPECT_EQ(r.err, "sh: gave up\n");
}
