#include "diagnostics.h"
#include "harness.h"
#include "positional_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>

// Copies [from, to) of a descriptor's file to standard output in a child;
// prints the count returned and the sizes of the pieces after the bytes.
static RunResult copy(int fd, uint64_t from, uint64_t to)
{
    return run_function([&] {
        program_name = "p";
        Stream s;
        s.file = "<in>";
        s.fd = fd;
        s.fill = 7;
        std::string pieces;
        uint64_t n = stream_copy_range(1, s, from, to, [&](const unsigned char *b, size_t k) {
            fwrite(b, 1, k, stdout);
            pieces += ' ';
            pieces += std::to_string(k);
        });
        printf("|%lu%s|%zu", (unsigned long)n, pieces.c_str(), s.fill);
    });
}

TEST(PositionalCopy, Ranges)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 3000; i++)
        bytes += char('a' + i % 26);
    write_file(dir.file("f"), bytes);
    int fd = open(dir.file("f").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);

    RunResult r = copy(fd, 5, 2500);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, bytes.substr(5, 2495) + "|2495 1024 1024 447|0");
    // The file ends first: fewer bytes than asked.
    r = copy(fd, 2990, 5000);
    EXPECT_EQ(r.out, bytes.substr(2990) + "|10 10|0");
    r = copy(fd, 100, 100);
    EXPECT_EQ(r.out, "|0|0");
    close(fd);

    r = copy(feed_pipe(bytes), 0, 10);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: pread <in>: Illegal seek\n");
}
