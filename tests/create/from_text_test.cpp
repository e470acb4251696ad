#include "harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// What a value becomes after a trip through six-decimal text.
static double six_decimals(double v)
{
    char text[64];
    snprintf(text, sizeof text, "%.6f", v);
    return strtod(text, nullptr);
}

static std::string text_head(const std::string &line)
{
    return line + "\n" + std::string(1, '\0') + "uivf";
}

TEST(FromText, RoundTripThroughText)
{
    std::vector<double> values;
    for (int i = 0; i < 3 * 5 * 4 * 4; i++)
        values.push_back((i - 100) * 0.0123456789 + (i % 7) * 1e3);
    std::vector<double> rounded;
    for (double v : values)
        rounded.push_back(six_decimals(v));
    TempDir dir;
    write_file(dir.file("in.rv"), make_stream(3, 5, 4, values));
    expect_output(shell("rv-to-text | rv-from-text"), RunOptions{.stdin_path = dir.file("in.rv")},
                  stream_head(3, 5, 4) + doubles(rounded));
}

TEST(FromText, NumbersAndLines)
{
    const std::string pixel = stream_head(1, 1, 1) + doubles({1, 2, 3, 4});
    // Far more than one block of numbers, all in order.
    std::string text = "0 1 1 xyza\n";
    std::vector<double> many;
    for (int i = 0; i < 1001; i++) {
        many.push_back(i * 0.25 - 7);
        text += std::to_string(i * 0.25 - 7) + (i % 3 ? " " : "\n");
    }
    const struct {
        std::string input, out;
    } cases[] = {
        {"1 1 1 xyza\n1 2 3 4\n", pixel},
        {"1 1 1 xyza\n1\n2\n3\n4\n", pixel},
        {"1 1 1 xyza\n 1\t2\r\n\v3\f  4", pixel},
        // The whole input one line: a head without data.
        {"2 3 4 xyza", stream_head(2, 3, 4)},
        // Numbers are not counted against the head: six give a pixel and a half.
        {"1 1 1 xyza\n1 2 3 4 5 6\n", stream_head(1, 1, 1) + doubles({1, 2, 3, 4, 5, 6})},
        {text, stream_head(0, 1, 1) + doubles(many)},
        // Leading zeros pad a valid head line to the limit.
        {std::string(1008, '0') + "1 1 1 xyza\n1 2 3 4\n",
         text_head(std::string(1008, '0') + "1 1 1 xyza") + doubles({1, 2, 3, 4})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.input.substr(0, 40)));
        expect_output({"rv-from-text"}, c.input, c.out);
    }
}

TEST(FromText, Failures)
{
    // A word among the numbers stops the run; the numbers before it stay.
    std::string text = "0 1 1 xyza\n";
    std::vector<double> before;
    for (int i = 0; i < 130; i++) {
        before.push_back(i);
        text += std::to_string(i) + " ";
    }
    const std::string usage = "usage: rv-from-text \n";
    const std::string at_limit = std::string(1008, '0') + "1 1 1 xyza";
    const struct {
        std::vector<std::string> argv;
        std::string input, out, message;
    } cases[] = {
        // One beyond the limit; a head line without newline and without end.
        {{}, "0" + at_limit + "\n1 2 3 4\n", "", "rv-from-text: <stdin>: head is too long\n"},
        {{}, std::string(100000, '1'), "", "rv-from-text: <stdin>: head is too long\n"},
        // A bad head is written first and refused after.
        {{}, "1 0 1 xyza\n1 2 3 4\n", text_head("1 0 1 xyza"),
         "rv-from-text: <stdin>: width is zero\n"},
        {{}, "1 1 1 rgba\n", text_head("1 1 1 rgba"),
         "rv-from-text: file <stdin> uses unsupported pixel format: rgba\n"},
        {{}, "\n", text_head(""), "rv-from-text: <stdin>: file format not supported\n"},
        {{}, text + "pixel 5 6 7\n", stream_head(0, 1, 1) + doubles(before),
         "rv-from-text: <stdin>: not a number\n"},
        {{}, "1 1 1 xyza\n1 2 3-\n", stream_head(1, 1, 1) + doubles({1, 2, 3}),
         "rv-from-text: <stdin>: not a number\n"},
        {{}, "", "", "rv-from-text: <stdin>: no input\n"},
        {{"-x"}, "", "", usage},
        {{"file"}, "", "", usage},
    };
    for (const auto &c : cases) {
        std::vector<std::string> argv = {"rv-from-text"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        SCOPED_TRACE(testing::PrintToString(c.input.substr(0, 40)));
        EXPECT_TRUE(same_bytes(expect_failure(argv, c.input, c.message).out, c.out));
    }

    TempDir dir;
    expect_failure({"rv-from-text"}, RunOptions{.stdin_path = dir.path},
                   "rv-from-text: getline <stdin>: Is a directory\n");
    const std::string pixel = "1 1 1 xyza\n1 2 3 4\n";
    expect_failure({"rv-from-text"}, RunOptions{.input = pixel, .stdout_path = "/dev/full"},
                   "rv-from-text: write <stdout>: No space left on device\n");
    expect_failure({"rv-from-text"}, RunOptions{.input = pixel, .close_stdout = true},
                   "rv-from-text: write <stdout>: Bad file descriptor\n");
}

// ---- The "%lf" scanner against scanf -----------------------------------------

#include "number_text.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

// One call: its result as scanf counts (1, 0, EOF), the value's bits and the
// input position after it.
using Step = std::array<long, 3>;

// Calls of scanf("%lf") on a text, up to the first that reads no number.
static std::vector<Step> scanf_steps(const std::string &text)
{
    FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    std::vector<Step> steps;
    for (long r = 1; r == 1 && f;) {
        double v = 0;
        r = fscanf(f, "%lf", &v);
        steps.push_back({r, r == 1 ? long(bits(v)) : 0, ftell(f)});
    }
    if (f)
        fclose(f);
    return steps;
}

// The same calls of scan_double, the text read from a file in reads of at
// most `capacity` bytes; compared with scanf's for every capacity given.
static void expect_as_scanf(const std::string &text, std::initializer_list<size_t> capacities)
{
    TempDir dir;
    write_file(dir.file("text"), text);
    for (size_t capacity : capacities) {
        int fd = open(dir.file("text").c_str(), O_RDONLY);
        TextInput in(1, fd, capacity);
        std::vector<Step> steps;
        for (long r = 1; r == 1;) {
            double v = 0;
            ScanResult got = scan_double(1, in, v);
            r = got == ScanResult::number ? 1 : got == ScanResult::end ? EOF : 0;
            steps.push_back(
                {r, r == 1 ? long(bits(v)) : 0, lseek(fd, 0, SEEK_CUR) - long(in.end - in.pos)});
        }
        close(fd);
        ASSERT_EQ(steps, scanf_steps(text))
            << testing::PrintToString(text.substr(0, 100)) << ", buffer of " << capacity;
    }
}

TEST(ScanDouble, CornerCasesAsScanf)
{
    // Read whole or up to the first failure, and what a failure consumes.
    // clang-format off
    const char *const texts[] = {
        "1e 5", "1E", "1e+", "1e-x", "1e+-5", "2.5e--1", "1e5e3", "1e5.5", "1.e5", "1.2.3", "1..2",
        ".5", "5.", "-.5e-3", ".", "-.", ".e5", "+", "- 1", "5-3", "+-1", "-0", "0x", "-0x", "0x.",
        "0x. 2", "0x1p", "0x1p+", "0X1P-2", "0x1.8p1", "0xg", "00x5", "0x1e", "0x1p1a", "0x1p1.5",
        "0xp1", "0x.p1", "0x1p-1080", "inf", "-Inf", "infinity", "INFINITYx", "infinit", "infi",
        "infx", "nan", "-NaN", "nan(12)", "nax", "1,5", "12abc", "1\x80",
        " \t\n\v\f\r1\r\n2\f3\v4\t", "", " ", "1e400", "-1e-400", "4.9406564584124654e-324",
        "2.4703282292062328e-324", "2.2250738585072011e-308", "1.7976931348623159e308", "0e999999",
        "1e-99999999999999999999", "9007199254740993", "1e22", "1e23",
        "123456789012345678901234567890", "2.500000000000000000e-01",
        "00000000000000000000000000001.5", "0.0000000000000000000000000000001",
        "1.00000000000000011102230246251565404236316680908203125",
        "1.00000000000000011102230246251565404236316680908203124"};
    // clang-format on
    for (const char *text : texts)
        expect_as_scanf(text, {1, 2, 3, 5, 16, 4096});
    expect_as_scanf(std::string("1\0002", 3), {1, 4096});
    expect_as_scanf("1." + std::string(300000, '0') + "1e-5 -" + std::string(5000, '0') + ".e 7",
                    {64, 1024, 65536});
}

// Numbers of many shapes and lengths, separated by any white space.
static std::string random_numbers(std::mt19937_64 &rng, size_t bytes)
{
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const char *formats[] = {"%lf",  "%.17g", "%.16g", "%.18e", "%a",
                             "%.3e", "%g",    "%.25g", "%A",    "%.800Le"};
    const char *glued[] = {"1e+-5", "1.2.3", "5-3",   "0x. 7", "1e",
                           "1E+",   "2.",    "0x1p+", "1e5+2", "6+.5"};
    std::string text;
    char number[1200];
    while (text.size() < bytes) {
        double v = std::bit_cast<double>(rng());
        if (pick(3) == 0) // moderate values and subnormals
            v = std::ldexp(double(rng() >> pick(64)), pick(4) ? pick(100) - 80 : -1074 - pick(10));
        int format = pick(12);
        if (format < 9) {
            snprintf(number, sizeof number, formats[format], v);
        } else if (format == 9 && LDBL_MANT_DIG >= 54 && std::isfinite(v) && v < DBL_MAX) {
            // Exactly halfway between two doubles, then one digit less.
            snprintf(number, sizeof number, formats[9],
                     ((long double)v + std::nextafter(v, INFINITY)) / 2);
            std::string s = number;
            size_t e = s.find('e'), last = s.find_last_not_of('0', e - 1) + 1;
            snprintf(number, sizeof number, "%s%s", s.substr(0, last - pick(2)).c_str(),
                     s.c_str() + e);
        } else if (format == 10) {
            std::string digits = std::string(pick(5) ? 0 : pick(30), '0') + "1";
            for (int n = pick(8) ? pick(25) : pick(400); n > 0; n--)
                digits += char('0' + pick(10));
            digits.insert(digits.begin() + pick(int(digits.size())), '.');
            snprintf(number, sizeof number, "%s%s%s", pick(2) ? "-" : "",
                     digits.substr(0, 1000).c_str(),
                     pick(3)   ? ""
                     : pick(2) ? "e-17"
                               : "E+300");
        } else {
            snprintf(number, sizeof number, "%s", glued[pick(10)]);
        }
        text += number;
        for (int i = pick(3); i >= 0; i--)
            text += " \t\n\v\f\r"[pick(6)];
    }
    return text;
}

TEST(ScanDouble, RandomTextAsScanf)
{
    std::mt19937_64 rng(4);
    for (int i = 0; i < 20; i++) {
        std::string text = random_numbers(rng, 20000);
        ASSERT_EQ(scanf_steps(text).back()[0], EOF) << "every number is one";
        expect_as_scanf(text, {65536, 4099, 61, 7});
    }
    // Short texts of the characters that matter to a number, most no number.
    const char alphabet[] = "0123456789.eE+-xXpPabcdfinftyINFTYaA \t\n\r\v\f(),\x80";
    for (int i = 0; i < 5000; i++) {
        std::string text;
        for (int n = 1 + int(rng() % 12); n > 0; n--)
            text += alphabet[rng() % (sizeof alphabet - 1)];
        expect_as_scanf(text, {size_t(1 + i % 3), 4096});
    }
}

// ---- The program against scanf -----------------------------------------------

TEST(FromText, NumbersAsScanfReadsThem)
{
    std::mt19937_64 rng(6);
    std::string numbers = random_numbers(rng, 700000);
    std::string expect = text_head("0 1 1 xyza");
    for (const Step &s : scanf_steps(numbers))
        if (s[0] == 1)
            expect += doubles({std::bit_cast<double>(s[1])});
    RunOptions pieces;
    pieces.input = "0 1 1 xyza\n" + numbers;
    for (size_t chunk : {size_t(0), size_t(997)}) {
        pieces.input_chunk = chunk;
        expect_output({"rv-from-text"}, pieces, expect);
    }
    // What comes before a failure is written: after nan and before "(", ...
    for (const char *failing : {"nan(1)", "infinit", "0x", "-", ".e1", "6,5"}) {
        RunResult r = expect_failure({"rv-from-text"}, "0 1 1 xyza\n" + numbers + failing,
                                     "rv-from-text: <stdin>: not a number\n");
        std::string written = expect + (failing[0] == 'n'   ? doubles({NAN})
                                        : failing[0] == '6' ? doubles({6})
                                                            : "");
        EXPECT_TRUE(same_bytes(r.out, written)) << failing;
    }
}

TEST(FromText, ReadFailureAfterNumbers)
{
    // A terminal whose other side closes: the read waiting for more fails
    // (EIO) and a later one meets the end.  The numbers before are written;
    // errno is as scanf leaves it: the read's, or 0 when the failed read ended
    // a number and the next read met the end.
    for (auto [typed, error] : {std::pair{"5 6\n", "Input/output error"}, {"5 6\x04", "Success"}}) {
        int master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
        std::string slave_path = ptsname(master);
        int slave = open(slave_path.c_str(), O_RDWR | O_NOCTTY);
        termios modes;
        tcgetattr(slave, &modes);
        modes.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(slave, TCSANOW, &modes);
        pid_t typist = fork(); // types, waits until all is read, then hangs up
        if (typist == 0) {
            std::string text = std::string("1 1 1 xyza\n1 2 3 4\n") + typed;
            if (write(master, text.data(), text.size()) != ssize_t(text.size()))
                _exit(1);
            for (int waiting = 1; waiting;)
                if (ioctl(slave, FIONREAD, &waiting) || (waiting && usleep(10000)))
                    _exit(1);
            usleep(300000);
            _exit(0);
        }
        close(master);
        close(slave);
        RunResult r = expect_failure({"rv-from-text"}, RunOptions{.stdin_path = slave_path},
                                     std::string("rv-from-text: ferror <stdin>: ") + error + "\n");
        int status;
        waitpid(typist, &status, 0);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(r.out, text_head("1 1 1 xyza") + doubles({1, 2, 3, 4, 5, 6})) << typed;
    }
}
