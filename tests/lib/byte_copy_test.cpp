#include "byte_copy.h"
#include "diagnostics.h"
#include "harness.h"
#include "stream_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string letters(size_t n)
{
    std::string bytes;
    for (size_t i = 0; i < n; i++)
        bytes += char('a' + i % 26);
    return bytes;
}

// Where the copied bytes go: each kind of descriptor takes another way of
// copying (a file, a file opened for appending, which no zero-copy call
// accepts, a pipe, a socket).
enum class To { file, append, pipe, socket };

// Runs copy(out) in a child with out of the given kind, then prints what
// reached it after the child's own output.
RunResult copy_to(To to, const std::string &dir, const std::function<void(int)> &copy)
{
    return run_function([&] {
        program_name = "p";
        std::string path = dir + "/out";
        int out = 1, sockets[2];
        pid_t reader = -1;
        if (to == To::file || to == To::append)
            out = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | (to == To::append ? O_APPEND : 0),
                       0666);
        if (to == To::socket && socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) == 0) {
            if ((reader = fork()) == 0) {
                close(sockets[1]);
                char b[4096];
                for (ssize_t n; (n = read(sockets[0], b, sizeof b)) > 0;)
                    fwrite(b, 1, size_t(n), stdout);
                fflush(stdout);
                _exit(0);
            }
            close(sockets[0]);
            out = sockets[1];
        }
        copy(out);
        fflush(stdout);
        if (reader > 0) {
            close(out);
            waitpid(reader, nullptr, 0);
        }
        if (to == To::file || to == To::append)
            printf("%s", read_file(path).c_str());
    });
}

} // namespace

TEST(ByteCopy, EveryWayGivesTheSameBytes)
{
    TempDir dir;
    const std::string bytes = letters(3000000);
    write_file(dir.file("in"), bytes);
    struct Case {
        uint64_t from, to;
        std::string expect;
    } cases[] = {
        {5, 2500005, bytes.substr(5, 2500000) + "|2500000"},
        {2999990, 5000000, bytes.substr(2999990) + "|10"}, // the file ends first
        {100, 100, "|0"},
    };
    for (To to : {To::file, To::append, To::pipe, To::socket}) {
        for (const Case &c : cases) {
            // By position from a file, then the same bytes from a pipe.
            RunResult r = copy_to(to, dir.path, [&](int out) {
                int in = open(dir.file("in").c_str(), O_RDONLY);
                Stream s{};
                s.fd = in, s.file = "<in>";
                uint64_t n = stream_copy_range(1, s, c.from, c.to, Output{out, "<out>"});
                fprintf(stderr, "|%lu", (unsigned long)n);
            });
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out + r.err, c.expect) << int(to) << " from " << c.from;
            r = copy_to(to, dir.path, [&](int out) {
                int in = feed_pipe(bytes.substr(c.from, c.to - c.from), 4096);
                uint64_t n = copy_or_fail(1, in, "<in>", Output{out, "<out>"}, c.to - c.from);
                fprintf(stderr, "|%lu", (unsigned long)n);
            });
            EXPECT_EQ(r.out + r.err, c.expect) << int(to) << " piped from " << c.from;
        }
    }
}

TEST(ByteCopy, Failures)
{
    TempDir dir;
    write_file(dir.file("in"), letters(100));
    struct Case {
        std::function<void()> body;
        std::string err;
    } cases[] = {
        {[] {
             Stream s{};
             s.fd = feed_pipe("abc"), s.file = "<in>";
             stream_copy_range(1, s, 0, 10, standard_output);
         },
         "p: pread <in>: Illegal seek\n"},
        {[&] {
             int in = open(dir.file("in").c_str(), O_RDONLY);
             copy_or_fail(3, in, "<in>", Output{99, "<out>"});
         },
         "p: write <out>: Bad file descriptor\n"},
        {[&] {
             int out = open(dir.file("in").c_str(), O_RDONLY);
             copy_or_fail(3, 99, "<in>", Output{out, "<out>"});
         },
         "p: read <in>: Bad file descriptor\n"},
    };
    for (const Case &c : cases) {
        RunResult r = run_function([&] {
            program_name = "p";
            c.body();
        });
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.err, c.err);
    }
}
