#include "fault.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// n frames of one pixel each, every double different.
static std::string pixels(size_t n)
{
    std::vector<double> values;
    for (size_t i = 0; i < 4 * n; i++)
        values.push_back(double(i) + 0.5);
    return doubles(values);
}

static std::string raw_head(const std::string &line)
{
    return line + "\n" + std::string(1, '\0') + "uivf";
}

struct Rewrite {
    int status;
    std::string err;
    std::string file; // the file's bytes after the run
};

static Rewrite rewrite(const std::string &bytes, std::vector<std::string> operands)
{
    TempDir dir;
    std::string path = dir.file("v.rv");
    write_file(path, bytes);
    std::vector<std::string> argv = {"rv-rewrite-head"};
    for (std::string &o : operands)
        argv.push_back(o == "FILE" ? path : o);
    RunResult r = run(argv);
    EXPECT_EQ(r.out, "");
    std::string err = r.err;
    for (size_t at; (at = err.find(path)) != std::string::npos;)
        err.replace(at, path.size(), "FILE");
    return {r.status, err, read_file(path)};
}

TEST(RewriteHead, CountsAndMovesFrames)
{
    const std::string six = pixels(6), ten = pixels(10), nine = pixels(9), four = pixels(4),
                      three = pixels(3), many = pixels(300);
    const struct {
        std::string bytes;
        std::vector<std::string> operands;
        std::string file;
    } cases[] = {
        // Same length: only the head changes.
        {stream_head(1, 2, 1) + six, {"FILE"}, stream_head(3, 2, 1) + six},
        {stream_head(1, 2, 1) + six, {"FILE", "3"}, stream_head(3, 2, 1) + six},
        {stream_head(1, 2, 1) + six, {"FILE", "auto"}, stream_head(3, 2, 1) + six},
        // The head grows from 9 to 10 frames: the data move up a byte.
        {stream_head(9, 1, 1) + ten, {"FILE"}, stream_head(10, 1, 1) + ten},
        // The head shrinks: the data move down and the file is cut.
        {stream_head(10, 1, 1) + nine, {"FILE"}, stream_head(9, 1, 1) + nine},
        // A long head shrinks a lot, with the old data past the new end of
        // file and past the first page.
        {raw_head(std::string(900, '0') + "7 1 1 xyza") + many,
         {"FILE", "300", "same", "same", "same"}, stream_head(300, 1, 1) + many},
        // A new geometry for the same bytes.
        {stream_head(2, 2, 1) + four, {"FILE", "auto", "1", "2"}, stream_head(2, 1, 2) + four},
        {stream_head(2, 2, 1) + four, {"FILE", "auto", "4", "same", "xyza"},
         stream_head(1, 4, 1) + four},
        // No data and a frame count of 0.
        {stream_head(5, 1, 1), {"FILE", "0"}, stream_head(0, 1, 1)},
        // Raw frames get a head in front.
        {three, {"-h", "FILE", "3", "1", "1", "xyza"}, stream_head(3, 1, 1) + three},
        {three, {"-hh", "FILE", "auto", "3", "1", "xyza"}, stream_head(1, 3, 1) + three},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(command_line(c.operands));
        Rewrite r = rewrite(c.bytes, c.operands);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(same_bytes(r.file, c.file));
    }
}

TEST(RewriteHead, Refusals)
{
    const std::string file = stream_head(1, 2, 1) + pixels(6);
    const std::string usage =
        "usage: rv-rewrite-head [-h] file [(frames | 'auto') [(width | 'same') (height | "
        "'same') [format | 'same']]]\n";
    const std::string range = ", 18446744073709551615]\n";
    struct Case {
        std::string bytes;
        std::vector<std::string> operands;
        std::string err;
    };
    const Case cases[] = {
        {file, {}, usage},
        {file, {"FILE", "3", "2"}, usage},
        {file, {"FILE", "3", "2", "1", "xyza", "x"}, usage},
        {file, {"-v", "FILE"}, usage},
        {file, {"-h", "FILE", "3", "2", "1"}, "rv-rewrite-head: all positional arguments are mandatory unless -h is used\n"},
        {file, {"-h"}, "rv-rewrite-head: all positional arguments are mandatory unless -h is used\n"},
        {file, {"-h", "FILE", "3", "same", "1", "xyza"}, "rv-rewrite-head: cannot use both 'same' and -h\n"},
        {file, {"-h", "FILE", "3", "2", "1", "same"}, "rv-rewrite-head: cannot use both 'same' and -h\n"},
        {file, {"FILE", "three"}, "rv-rewrite-head: the frame count must be an integer in [0" + range},
        {file, {"FILE", "auto", "0", "1"}, "rv-rewrite-head: the width must be an integer in [1" + range},
        {file, {"FILE", "auto", "1", "-2"}, "rv-rewrite-head: the height must be an integer in [1" + range},
        {file, {"FILE", "auto", "same", "same", "rgba"}, "rv-rewrite-head: choosen pixel format is unsupported\n"},
        {file, {"FILE", "auto", "same", "same", std::string(32, 'x')}, "rv-rewrite-head: choosen pixel format is unsupported\n"},
        {file, {"FILE", "2"}, "rv-rewrite-head: FILE: frame count mismatch\n"},
        {file, {"FILE", "auto", "4", "1"}, "rv-rewrite-head: FILE: given the select width and height, the file has an incomplete frame\n"},
        {file, {"FILE", "auto", "4294967296", "4294967296"}, "rv-rewrite-head: FILE: video frame is too large\n"},
        {"2 1 xyza\n", {"FILE"}, "rv-rewrite-head: FILE: file format not supported\n"},
        {stream_head(1, 2, 1, "rgba"), {"FILE"}, "rv-rewrite-head: file FILE uses unsupported pixel format: rgba\n"},
    };
    for (const Case &c : cases) {
        Rewrite r = rewrite(c.bytes, c.operands);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.file, c.bytes) << c.err;
    }

    expect_failure({"rv-rewrite-head", "/nonexistent/v.rv"}, "",
                   "rv-rewrite-head: open /nonexistent/v.rv: No such file or directory\n");
    expect_failure({"rv-rewrite-head", "-h", "/dev/null", "0", "1", "1", "xyza"}, "",
                   "rv-rewrite-head: /dev/null: not a regular file\n");
    expect_failure({"rv-rewrite-head", "-h", "/dev/fd/9", "0", "1", "1", "xyza"}, "",
                   "rv-rewrite-head: fstat /dev/fd/9: Bad file descriptor\n");

    // A file that is not regular is refused before its head is read: an empty
    // FIFO, opened for reading and writing, would otherwise be read forever
    // (the timeout only ends such a hang; the run itself takes no time).
    expect_failure({"rv-rewrite-head", "/dev/null"}, "",
                   "rv-rewrite-head: /dev/null: not a regular file\n");
    TempDir dir;
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    expect_failure(shell("exec timeout 60 rv-rewrite-head " + fifo), "",
                   "rv-rewrite-head: " + fifo + ": not a regular file\n");
}

TEST(RewriteHead, SystemFailures)
{
    TempDir dir;
    std::string path = dir.file("v.rv");

    // Growing past the file size limit.
    std::string data = pixels(40);
    write_file(path, stream_head(9, 1, 1) + data);
    expect_failure(shell("ulimit -f 1; trap '' XFSZ; exec rv-rewrite-head " + path), "",
                   "rv-rewrite-head: ftruncate " + path + ": File too large\n");
    EXPECT_EQ(read_file(path), stream_head(9, 1, 1) + data);

    // A descriptor that cannot be written cannot be mapped for writing.
    write_file(path, stream_head(1, 1, 1) + pixels(2));
    expect_failure(shell("exec rv-rewrite-head /dev/fd/3 3< " + path), "",
                   "rv-rewrite-head: mmap /dev/fd/3: Permission denied\n");

    // A file so long that the longer head would push it past the largest
    // file size.  Its head is 31 bytes, so its data are whole frames.
    std::string shm = "/dev/shm/rv-rewrite-head-test";
    int fd = open(shm.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    std::string head = raw_head("0000000000000001 1 1 xyza");
    ASSERT_EQ(head.size(), 31u);
    bool made = write(fd, head.data(), head.size()) == ssize_t(head.size()) &&
                ftruncate(fd, INT64_MAX) == 0;
    close(fd);
    if (made)
        expect_failure({"rv-rewrite-head", shm}, "",
                       "rv-rewrite-head: " + shm + ": video is too long\n");
    unlink(shm.c_str());
    if (!made)
        GTEST_SKIP() << "no file system here holds a sparse file of 2^63 - 1 bytes";
}

// A head that cannot be put in place leaves the file as it was: not longer,
// not shorter, its frames where they were.
TEST(RewriteHead, FailuresLeaveTheFileAsItWas)
{
    TempDir dir;
    std::string path = dir.file("v.rv");
    RunOptions options;
    options.cwd = dir.path;

    // The frames have moved down when a file with a shorter head cannot be
    // cut, so they move back; without blocks for the move nothing moves, and
    // a grown file is cut back.
    const std::string shrinking = raw_head("12 1 1 xyza") + pixels(3);
    const std::string growing = raw_head("9 1 1 xyza") + pixels(10);
    struct Case {
        std::string file, fault, err;
    };
    const Case cases[] = {
        {shrinking, failing_calls("ftruncate", EIO, 1, 1, "v.rv"),
         "ftruncate v.rv: Input/output error"},
        {shrinking, failing_calls("ftruncate", EFBIG, 1, 1, "v.rv"),
         "ftruncate v.rv: File too large"},
        {shrinking, failing_calls("posix_fallocate", ENOSPC, 1, 1, "v.rv"),
         "posix_fallocate v.rv: No space left on device"},
        {growing, failing_calls("posix_fallocate", ENOSPC, 1, 1, "v.rv"),
         "posix_fallocate v.rv: No space left on device"},
    };
    for (const Case &c : cases) {
        write_file(path, c.file);
        expect_failure(shell(c.fault + "rv-rewrite-head v.rv"), options,
                       "rv-rewrite-head: " + c.err + "\n");
        EXPECT_EQ(read_file(path), c.file) << c.err;
    }

    // A longer head over 320 MiB of frames (a sparse file) that cannot be
    // mapped in 128 MiB of address space: the file is not grown first.
    const std::string limit = "ulimit -v 131072; exec rv-rewrite-head ";
    if (run_shell(limit, options).status != 1)
        GTEST_SKIP() << "rv-rewrite-head does not start in 128 MiB of address space";
    const std::string head = raw_head("9 65536 16 xyza");
    const off_t size = off_t(head.size()) + 10 * 65536 * 16 * 32;
    write_file(path, head);
    ASSERT_EQ(truncate(path.c_str(), size), 0);
    expect_failure(shell(limit + "v.rv"), options,
                   "rv-rewrite-head: mmap v.rv: Cannot allocate memory\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, size);
    char start[32] = {};
    int fd = open(path.c_str(), O_RDONLY);
    EXPECT_EQ(read(fd, start, head.size()), ssize_t(head.size()));
    close(fd);
    EXPECT_EQ(std::string(start, head.size()), head);
}
