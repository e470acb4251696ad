#include "diagnostics.h"
#include "harness.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(Diagnostics, PrintError)
{
    RunResult r = run_function([] {
        program_name = "prog";
        print_error("usage: %s%s%s\n", program_name, " ", "-x");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-zero-length"
        print_error("");
#pragma GCC diagnostic pop
        errno = ENOENT;
        print_error("%s:", "<stdout>");
        print_error("plain %d\n", 7);
        program_name = nullptr;
        print_error("bare\n");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "usage: prog -x\n"
                     "prog: prog: <stdout>: " + std::string(strerror(ENOENT)) + "\n"
                     "prog: plain 7\n"
                     "bare\n");
}

TEST(Diagnostics, FailExitsWithStatus)
{
    RunResult r = run_function([] {
        program_name = "p";
        fail(3, "went wrong %s\n", "here");
    });
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "p: went wrong here\n");
    r = run_function([] {
        program_name = "p";
        errno = EACCES;
        fail(2, "open %s:", "x");
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "p: open x: " + std::string(strerror(EACCES)) + "\n");
}

// A C++ allocation that fails ends the program with one line, not an abort.
TEST(Diagnostics, FailedAllocationIsOneLine)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer ends the program itself on a huge allocation";
#else
    RunResult r = run_function([] {
        program_name = "p";
        void *p = ::operator new(size_t(1) << 62);
        printf("%p", p);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: malloc: out of memory\n");
    EXPECT_EQ(r.out, "");
#endif
}

static int parse_u(const char *text, uint64_t *out, uint64_t min = 0, uint64_t max = UINT64_MAX)
{
    int r = parse_uint(text, min, max, out);
    return r ? -errno : 0;
}

TEST(Diagnostics, ParseUint)
{
    struct Case {
        const char *text;
        uint64_t value;
    } accepted[] = {{"0x1F", 31}, {"X1f", 31}, {"#1f", 31}, {"0b101", 5}, {"0o17", 15},
                    {"010", 10},  {"10", 10},  {"0", 0},    {"18446744073709551615", UINT64_MAX},
                    {"0B11", 3},  {"0O7", 7},  {"+5", 5}};
    for (const Case &c : accepted) {
        uint64_t v = 12345;
        EXPECT_EQ(parse_u(c.text, &v), 0) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    uint64_t v;
    EXPECT_EQ(parse_u("-1", &v), -ERANGE);
    EXPECT_EQ(parse_u("12abc", &v), -EINVAL);
    EXPECT_EQ(v, 12u) << "the value is stored before the trailing text is refused";
    EXPECT_EQ(parse_u("", &v), -EINVAL);
    EXPECT_EQ(parse_u("x", &v), -EINVAL);
    EXPECT_EQ(parse_u("0x", &v), -EINVAL);
    EXPECT_EQ(parse_u("0b2", &v), -EINVAL);
    EXPECT_EQ(parse_u("18446744073709551616", &v), -ERANGE);
    EXPECT_EQ(parse_u("5", &v, 6, 10), -ERANGE);
    EXPECT_EQ(parse_u("11", &v, 6, 10), -ERANGE);
    EXPECT_EQ(v, 11u);
    EXPECT_EQ(parse_u("10", &v, 6, 10), 0);
    EXPECT_EQ(parse_u("6", &v, 6, 10), 0);
}

static int parse_i(const char *text, int64_t *out, int64_t min = INT64_MIN,
                   int64_t max = INT64_MAX)
{
    int r = parse_int(text, min, max, out);
    return r ? -errno : 0;
}

TEST(Diagnostics, ParseInt)
{
    int64_t v;
    EXPECT_EQ(parse_i("-9223372036854775808", &v), 0);
    EXPECT_EQ(v, INT64_MIN);
    EXPECT_EQ(parse_i("-9223372036854775809", &v), -ERANGE);
    EXPECT_EQ(parse_i("9223372036854775807", &v), 0);
    EXPECT_EQ(v, INT64_MAX);
    EXPECT_EQ(parse_i("9223372036854775808", &v), -ERANGE);
    EXPECT_EQ(parse_i("--1", &v), -ERANGE);
    EXPECT_EQ(parse_i("-0x10", &v), 0);
    EXPECT_EQ(v, -16);
    EXPECT_EQ(parse_i("-", &v), -EINVAL);
    EXPECT_EQ(parse_i("3x", &v), -EINVAL);
    EXPECT_EQ(parse_i("5", &v, -10, -1), -ERANGE);
    EXPECT_EQ(parse_i("-11", &v, -10, -1), -ERANGE);
    EXPECT_EQ(parse_i("-10", &v, -10, -1), 0);
    EXPECT_EQ(v, -10);
    EXPECT_EQ(parse_i("0", &v, 1, 64), -ERANGE);
    EXPECT_EQ(parse_i("64", &v, 1, 64), 0);
    EXPECT_EQ(parse_i("65", &v, 1, 64), -ERANGE);
}

TEST(Diagnostics, OpenPath)
{
    EXPECT_EQ(open_path(1, "/dev/fd/3", O_RDONLY, 0), 3);
    EXPECT_EQ(open_path(1, "/dev/fd/0x3", O_RDONLY, 0), 3);
    EXPECT_EQ(open_path(1, "/dev/fd/2147483647", O_RDONLY, 0), 2147483647);
    EXPECT_EQ(open_path(1, "/dev/fd/-0", O_RDONLY, 0), 0);
    EXPECT_EQ(open_path(1, "/dev/stdin", O_RDONLY, 0), 0);
    EXPECT_EQ(open_path(1, "/dev/stdout", O_WRONLY, 0), 1);
    EXPECT_EQ(open_path(1, "/dev/stderr", O_WRONLY, 0), 2);
    EXPECT_EQ(open_path(1, "-", O_WRONLY, 0), 1);
    EXPECT_EQ(open_path(1, "-", O_RDONLY, 0), 0);
    EXPECT_EQ(open_path(1, "-", O_RDWR, 0), 0);

    TempDir dir;
    write_file(dir.file("a"), "abc");
    int fd = open_path(1, dir.file("a").c_str(), O_RDONLY, 0);
    EXPECT_GT(fd, 2);
    char buf[4] = {};
    EXPECT_EQ(read_all(fd, buf, 4), 3);
    EXPECT_STREQ(buf, "abc");
    close(fd);

    // Descriptor numbers out of range are tried as paths and fail as paths.
    for (const char *path : {"/dev/fd/2147483648", "/dev/fd/-1", "/dev/fd/x"}) {
        RunResult r = run_function([path] {
            program_name = "p";
            open_path(4, path, O_RDONLY, 0);
        });
        EXPECT_EQ(r.status, 4) << path;
        EXPECT_EQ(r.err, "p: open " + std::string(path) + ": " + strerror(ENOENT) + "\n");
    }
}

struct Scanned {
    std::string letters;
    std::vector<std::string> operands;
};

static Scanned scan(std::vector<std::string> words, const char *letters)
{
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    CommandLine cl = scan_begin(int(words.size()), argv.data(), "SYN");
    Scanned s;
    for (int c; (c = scan_option(cl, letters));) {
        s.letters += char(c);
        if (strchr(letters, c)[1] == ':')
            s.letters += std::string("=") + cl.arg + ";";
    }
    for (int i = 0; i < operand_count(cl); i++)
        s.operands.push_back(operands(cl)[i]);
    return s;
}

TEST(Diagnostics, OptionScanner)
{
    Scanned s = scan({"p", "-hv", "-w640", "-x", "12", "a", "-v"}, "hvw:x:");
    EXPECT_EQ(s.letters, "hvw=640;x=12;");
    EXPECT_EQ(s.operands, (std::vector<std::string>{"a", "-v"}));

    s = scan({"p", "-v", "--", "-x", "b"}, "vx");
    EXPECT_EQ(s.letters, "v");
    EXPECT_EQ(s.operands, (std::vector<std::string>{"-x", "b"}));

    s = scan({"p", "-", "-v"}, "v");
    EXPECT_EQ(s.letters, "");
    EXPECT_EQ(s.operands, (std::vector<std::string>{"-", "-v"}));

    s = scan({"p", "-w", "-5"}, "w:");
    EXPECT_EQ(s.letters, "w=-5;");
    EXPECT_TRUE(s.operands.empty());

    s = scan({"p", "-vw", "--", "x"}, "vw:");
    EXPECT_EQ(s.letters, "vw=--;");
    EXPECT_EQ(s.operands, (std::vector<std::string>{"x"}));

    s = scan({"p", "-v", "-v", "-w1", "-w2"}, "vw:");
    EXPECT_EQ(s.letters, "vvw=1;w=2;");

    s = scan({"p"}, "v");
    EXPECT_EQ(s.letters, "");
    EXPECT_TRUE(s.operands.empty());

    for (auto words : {std::vector<std::string>{"p", "-v", "-w"},
                       std::vector<std::string>{"p", "-q"},
                       std::vector<std::string>{"p", "-v:"},
                       std::vector<std::string>{"p", "--v"}}) {
        RunResult r = run_function([words] { scan(words, "vw:"); });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "usage: p SYN\n");
    }
}

TEST(Diagnostics, ScanBare)
{
    auto bare = [](std::vector<std::string> words) {
        return run_function([words]() mutable {
            std::vector<char *> argv;
            for (auto &w : words)
                argv.push_back(w.data());
            argv.push_back(nullptr);
            scan_no_arguments(int(words.size()), argv.data(), "");
        });
    };
    EXPECT_EQ(bare({"p"}).status, 0);
    EXPECT_EQ(bare({"p", "--"}).status, 0);
    for (auto words : {std::vector<std::string>{"p", "-"}, {"p", "x"}, {"p", "-v"},
                       {"p", "--", "--"}, {"p", "--", "x"}, {"p", "---"}}) {
        RunResult r = bare(words);
        EXPECT_EQ(r.status, 1) << words[1];
        EXPECT_EQ(r.err, "usage: p \n");
    }
}

TEST(Diagnostics, IntegerArguments)
{
    RunResult r = run_function([] {
        program_name = "p";
        option_uint(1, 'f', "0", 1, UINT64_MAX);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: argument of -f must be an integer in [1, 18446744073709551615]\n");
    r = run_function([] {
        program_name = "p";
        option_int(1, 'd', "65", 1, 64);
    });
    EXPECT_EQ(r.err, "p: argument of -d must be an integer in [1, 64]\n");
    r = run_function([] {
        program_name = "p";
        operand_uint(1, "the width", "x", 1, 10);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: the width must be an integer in [1, 10]\n");
    EXPECT_EQ(option_uint(1, 'f', "0x10", 1, 100), 16u);
    EXPECT_EQ(option_int(1, 'd', "-3", -5, 5), -3);
}

TEST(Diagnostics, DescriptorLoops)
{
    TempDir dir;
    int fd = open(dir.file("f").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write_all(fd, "hello", 5), 0);
    EXPECT_EQ(write_all(fd, "", 0), 0);
    EXPECT_EQ(write_repeated(fd, "ab", 2, 5), 0);
    EXPECT_EQ(write_repeated(fd, "ab", 2, 0), 0);
    EXPECT_EQ(pwrite_all(fd, "XY", 2, 1), 0);
    close(fd);
    EXPECT_EQ(read_file(dir.file("f")), "hXYloababa");

    int in = feed_pipe(std::string(100000, 'z'), 777, 0);
    std::string got(100010, '\0');
    EXPECT_EQ(read_all(in, got.data(), got.size()), 100000);
    close(in);
    EXPECT_EQ(got.substr(0, 100000), std::string(100000, 'z'));

    EXPECT_EQ(write_all(-1, "x", 1), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(read_all(-1, got.data(), 1), -1);
}

TEST(Diagnostics, EnlargePipe)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    enlarge_pipe(ends[1]);
    EXPECT_GE(fcntl(ends[0], F_GETPIPE_SZ), pipe_capacity);
    fcntl(ends[0], F_SETPIPE_SZ, 4 * pipe_capacity);
    const int larger = fcntl(ends[0], F_GETPIPE_SZ);
    errno = EDOM;
    enlarge_pipe(ends[0]); // never made smaller; errno kept
    EXPECT_EQ(fcntl(ends[0], F_GETPIPE_SZ), larger);
    EXPECT_EQ(errno, EDOM);
    close(ends[0]);
    close(ends[1]);
    enlarge_pipe(ends[0]); // not open: nothing happens
    EXPECT_EQ(errno, EDOM);
}

TEST(Diagnostics, RefuseRegularOutput)
{
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    refuse_regular_output(1, p[1], "pipe");
    close(p[0]);
    close(p[1]);
    int null = open("/dev/null", O_WRONLY);
    refuse_regular_output(1, null, "null");
    close(null);

    TempDir dir;
    std::string path = dir.file("out");
    RunResult r = run_function([path] {
        program_name = "p";
        int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        refuse_regular_output(5, fd, "<stdout>");
    });
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err, "p: <stdout> is a regular file, refusing infinite write\n");
    r = run_function([] {
        program_name = "p";
        refuse_regular_output(1, 99, "<x>");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: fstat <x>: " + std::string(strerror(EBADF)) + "\n");
}
