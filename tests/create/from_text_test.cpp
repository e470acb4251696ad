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
    RunOptions options;
    options.stdin_path = dir.file("in.rv");
    RunResult r = run_shell("rv-to-text | rv-from-text", options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, stream_head(3, 5, 4) + doubles(rounded));
}

TEST(FromText, NumbersAndLines)
{
    std::string pixel = stream_head(1, 1, 1) + doubles({1, 2, 3, 4});
    EXPECT_EQ(run({"rv-from-text"}, "1 1 1 xyza\n1 2 3 4\n").out, pixel);
    EXPECT_EQ(run({"rv-from-text"}, "1 1 1 xyza\n1\n2\n3\n4\n").out, pixel);
    EXPECT_EQ(run({"rv-from-text"}, "1 1 1 xyza\n 1\t2\r\n\v3\f  4").out, pixel);

    // The whole input one line: a head without data.
    RunResult r = run({"rv-from-text"}, "2 3 4 xyza");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, stream_head(2, 3, 4));

    // Numbers are not counted against the head: six give a pixel and a half.
    r = run({"rv-from-text"}, "1 1 1 xyza\n1 2 3 4 5 6\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({1, 2, 3, 4, 5, 6}));

    // Far more than one block of numbers, all in order.
    std::string text = "0 1 1 xyza\n";
    std::vector<double> many;
    for (int i = 0; i < 1001; i++) {
        many.push_back(i * 0.25 - 7);
        text += std::to_string(i * 0.25 - 7) + (i % 3 ? " " : "\n");
    }
    r = run({"rv-from-text"}, text);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, stream_head(0, 1, 1) + doubles(many));
}

TEST(FromText, HeadLengthLimit)
{
    // Leading zeros pad a valid head line to the limit and one beyond.
    std::string at_limit = std::string(1008, '0') + "1 1 1 xyza";
    ASSERT_EQ(at_limit.size(), 1018u);
    RunResult r = run({"rv-from-text"}, at_limit + "\n1 2 3 4\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, text_head(at_limit) + doubles({1, 2, 3, 4}));

    r = run({"rv-from-text"}, "0" + at_limit + "\n1 2 3 4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: head is too long\n");

    // A head line without newline and without end is refused at the limit.
    r = run({"rv-from-text"}, std::string(100000, '1'));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: head is too long\n");
}

TEST(FromText, Failures)
{
    // A bad head is written first and refused after.
    RunResult r = run({"rv-from-text"}, "1 0 1 xyza\n1 2 3 4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, text_head("1 0 1 xyza"));
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: width is zero\n");
    r = run({"rv-from-text"}, "1 1 1 rgba\n");
    EXPECT_EQ(r.err, "rv-from-text: file <stdin> uses unsupported pixel format: rgba\n");
    r = run({"rv-from-text"}, "\n");
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: file format not supported\n");

    // A word among the numbers stops the run; the numbers before it stay.
    std::string text = "0 1 1 xyza\n";
    std::vector<double> before;
    for (int i = 0; i < 130; i++) {
        before.push_back(i);
        text += std::to_string(i) + " ";
    }
    r = run({"rv-from-text"}, text + "pixel 5 6 7\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, stream_head(0, 1, 1) + doubles(before));
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: not a number\n");
    r = run({"rv-from-text"}, "1 1 1 xyza\n1 2 3-\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: not a number\n");

    r = run({"rv-from-text"}, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-from-text: <stdin>: no input\n");

    TempDir dir;
    RunOptions options;
    options.stdin_path = dir.path;
    r = run({"rv-from-text"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: getline <stdin>: Is a directory\n");

    options = {};
    options.input = "1 1 1 xyza\n1 2 3 4\n";
    options.stdout_path = "/dev/full";
    r = run({"rv-from-text"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: write <stdout>: No space left on device\n");
    options.stdout_path.clear();
    options.close_stdout = true;
    r = run({"rv-from-text"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-text: write <stdout>: Bad file descriptor\n");

    r = run({"rv-from-text", "-x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "usage: rv-from-text \n");
    EXPECT_EQ(run({"rv-from-text", "file"}).err, "usage: rv-from-text \n");
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

// One call of the scanner: its result (1, 0 or EOF, as scanf counts), the
// bits of the value read and the input position after the call.
struct Step {
    int result;
    uint64_t value;
    long position;
    bool operator==(const Step &) const = default;
};

static std::ostream &operator<<(std::ostream &os, const Step &s)
{
    return os << "{" << s.result << ", " << std::hex << s.value << std::dec << ", @" << s.position
              << "}";
}

// What calls of scanf("%lf") make of a text, up to the first call that reads
// no number.
static std::vector<Step> scanf_steps(const std::string &text)
{
    if (text.empty())
        return {{EOF, 0, 0}};
    FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
    std::vector<Step> steps;
    for (int r = 1; r == 1;) {
        double v = 0;
        r = fscanf(f, "%lf", &v);
        steps.push_back({r, r == 1 ? bits(v) : 0, ftell(f)});
    }
    fclose(f);
    return steps;
}

// The same by scan_double, the text read from a file `capacity` bytes at most
// at a time.
struct ScanFile {
    TempDir dir;
    int fd = open(dir.file("text").c_str(), O_RDWR | O_CREAT, 0600);
    ~ScanFile() { close(fd); }

    std::vector<Step> steps(const std::string &text, size_t capacity)
    {
        EXPECT_EQ(ftruncate(fd, 0), 0);
        EXPECT_EQ(pwrite(fd, text.data(), text.size(), 0), ssize_t(text.size()));
        lseek(fd, 0, SEEK_SET);
        TextInput in(1, fd, capacity);
        std::vector<Step> steps;
        for (int r = 1; r == 1;) {
            double v = 0;
            ScanResult got = scan_double(1, in, v);
            r = got == ScanResult::number ? 1 : got == ScanResult::end ? EOF : 0;
            long consumed = long(lseek(fd, 0, SEEK_CUR)) - long(in.end - in.pos);
            steps.push_back({r, r == 1 ? bits(v) : 0, consumed});
        }
        return steps;
    }

    void expect_as_scanf(const std::string &text, std::initializer_list<size_t> capacities)
    {
        std::vector<Step> expect = scanf_steps(text);
        for (size_t capacity : capacities)
            ASSERT_EQ(steps(text, capacity), expect)
                << "text " << testing::PrintToString(text.substr(0, 200)) << ", buffer of "
                << capacity;
    }
};

TEST(ScanDouble, CornerCasesAsScanf)
{
    // Each text is read whole or up to its first failure; what is consumed
    // before a failure is compared as well.
    const char *texts[] = {
        // Exponent marks without digits are consumed, a second sign is not.
        "1e 5", "1E", "1e+", "1e-x", "1e+-5", "2.5e--1", "1e5e3", "1e5.5", "1.e5", "7.E-1",
        // Points: one per number, none after the exponent.
        "1.2.3", "1..2", ".5", "5.", "-.5e-3", ".", "-.", ".e5", "+.e",
        // Signs.
        "+", "-", "- 1", "5-3", "+-1", "-+1", "--1", "+0", "-0", "-0.000000",
        // Hexadecimal.
        "0x", "0X", "-0x", "0x.", "0x. 2", "0x1p", "0x1p+", "0x1P-2", "0x1.8p1", "0xg", "00x5",
        "0x1e", "0x1.fffffffffffffp1023", "0x1p-1074", "0x1p-1080", "0x.8p1 0xA.Bp-3", "0x1p1a",
        "0x1p1.5", "0xp1", "0x.p1", "-0X1",
        // Infinities and NaNs.
        "inf", "INF", "-inf", "+Inf", "infinity", "INFINITY", "infinit", "infi", "infx", "infinityx",
        "nan", "NaN", "-nan", "+NAN", "nan(12)", "na", "nax", "n", "i", "in",
        // Glued to other text.
        "1,5", "1x", "12abc", "3;4", "1\0002", "(1)", "1)", "\x80" "1", "1\x80",
        // Every kind of white space.
        " \t\n\v\f\r1\r\n2\f3\v4\t", "\n\n\n", "", " ",
        // Overflow, underflow, subnormals and the smallest normal.
        "1e400", "-1e400", "1e-400", "4.9406564584124654e-324", "2.4703282292062327e-324",
        "2.4703282292062328e-324", "2.2250738585072011e-308", "2.2250738585072014e-308",
        "1.7976931348623157e308", "1.7976931348623159e308", "0e999999", "0.0e-99999999999",
        "1e99999999999999999999", "1e-99999999999999999999",
        // Halfway between doubles, and the classic fast path's ends.
        "9007199254740993", "9007199254740992", "9007199254740994.0", "1e22", "1e23", "1e-22",
        "123456789012345678901234567890", "0.30000000000000004", "2.500000000000000000e-01",
        "00000000000000000000000000001.5", "0.0000000000000000000000000000001",
        "1.00000000000000011102230246251565404236316680908203125",
        "1.00000000000000011102230246251565404236316680908203124",
        "1.00000000000000011102230246251565404236316680908203126",
    };
    ScanFile file;
    for (const char *text : texts)
        file.expect_as_scanf(text, {1, 2, 3, 5, 16, 4096});
    file.expect_as_scanf(std::string("1\0002", 3), {1, 4096});
}

// A number as text of one of many shapes, most of them valid.
static std::string random_number(std::mt19937_64 &rng)
{
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; i++)
            s += char('0' + pick(10));
        return s;
    };
    char text[1200];
    switch (pick(9)) {
    case 0: { // A decimal of any length, point and exponent.
        std::string s = std::string(pick(4) == 0 ? "-" : pick(4) == 0 ? "+" : "");
        int length = pick(10) == 0 ? pick(400) : pick(25);
        std::string mantissa = (pick(5) == 0 ? std::string(pick(30), '0') : "") + digits(length + 1);
        size_t point = size_t(pick(int(mantissa.size()) + 1));
        if (pick(4))
            mantissa.insert(point, ".");
        s += mantissa;
        if (pick(3) == 0)
            s += std::string(pick(2) ? "e" : "E") + (pick(2) ? "-" : pick(2) ? "+" : "") +
                 digits(1 + pick(pick(10) == 0 ? 6 : 3));
        return s;
    }
    case 1: // As rv-to-text prints.
        snprintf(text, sizeof text, "%lf", std::ldexp(double(rng() >> 11), pick(90) - 80));
        return text;
    case 2: // Every double, in its shortest exact forms and hexadecimal.
    case 3: {
        double v = std::bit_cast<double>(rng());
        const char *formats[] = {"%.17g", "%.16g", "%.18e", "%a", "%.3e", "%g", "%.25g", "%A"};
        snprintf(text, sizeof text, formats[pick(8)], v);
        return text;
    }
    case 4: { // Subnormals and values near the ends of the range.
        double v = std::ldexp(double(rng() >> pick(64)), pick(2) ? -1074 - pick(10) : 960 + pick(70));
        snprintf(text, sizeof text, pick(2) ? "%.17g" : "%.40e", v);
        return text;
    }
    case 5: { // Exactly halfway between two doubles, and just above or below.
        double v = std::bit_cast<double>(rng() >> 1 >> pick(2));
        if (!std::isfinite(v) || !std::isfinite(std::nextafter(v, INFINITY)) || LDBL_MANT_DIG < 54)
            return "0.5";
        long double mid = ((long double)v + std::nextafter(v, INFINITY)) / 2;
        snprintf(text, sizeof text, "%.800Le", mid);
        std::string s = text;
        size_t e = s.find('e');
        size_t last = s.find_last_not_of('0', e - 1);
        std::string exponent = s.substr(e);
        s = s.substr(0, last + 1);
        if (pick(3) == 0)
            s += "1";
        else if (pick(2) == 0 && s.size() > 3)
            s.pop_back();
        return s + exponent;
    }
    case 6: { // Hexadecimal by hand.
        const char hex[] = "0123456789abcdefABCDEF";
        std::string s = pick(2) ? "0x" : "-0X";
        for (int i = pick(8); i >= 0; i--)
            s += hex[pick(22)];
        if (pick(2)) {
            s += ".";
            for (int i = pick(8); i > 0; i--)
                s += hex[pick(22)];
        }
        if (pick(2))
            s += std::string(pick(2) ? "p" : "P") + (pick(2) ? "-" : "") + digits(1 + pick(4));
        return s;
    }
    case 7: { // Infinities and NaNs.
        const char *names[] = {"inf", "INF", "-inf", "+Infinity", "nan", "-NaN", "+nan", "infinity"};
        return names[pick(8)];
    }
    default: { // Two numbers glued as scanf splits them.
        const char *pairs[] = {"1e+-5", "1.2.3", "5-3", "1e5.5", "0x. 7", "1e", "1E+", "2.",
                               "1..2", "0x1p+", "-0x1p-3+4", "1e5+2", "6+.5"};
        return pairs[pick(13)];
    }
    }
}

static std::string random_numbers(std::mt19937_64 &rng, size_t bytes)
{
    const char blanks[] = " \t\n\v\f\r";
    std::string text;
    while (text.size() < bytes) {
        text += random_number(rng);
        for (int i = int(rng() % 3); i >= 0; i--)
            text += blanks[rng() % 6];
    }
    return text;
}

TEST(ScanDouble, RandomNumbersAsScanf)
{
    std::mt19937_64 rng(4);
    ScanFile file;
    for (int i = 0; i < 20; i++) {
        std::string text = random_numbers(rng, 20000);
        ASSERT_EQ(scanf_steps(text).back().result, EOF) << "every number is one";
        file.expect_as_scanf(text, {65536, 4099, 61, 7});
    }
}

TEST(ScanDouble, RandomTextAsScanf)
{
    // Short texts of the characters that matter to a number, most of them no
    // number at all: what is read, and where reading stops, is scanf's.
    const char alphabet[] = "0123456789.eE+-xXpPabcdfinftyINFTYaA \t\n\r\v\f(),\x80";
    std::mt19937_64 rng(5);
    ScanFile file;
    for (int i = 0; i < 30000; i++) {
        std::string text;
        for (int n = 1 + int(rng() % 12); n > 0; n--)
            text += alphabet[rng() % (sizeof alphabet - 1)];
        file.expect_as_scanf(text, {size_t(1 + i % 3), 4096});
    }
}

TEST(ScanDouble, NumbersLongerThanTheBuffer)
{
    ScanFile file;
    std::string many_digits = "1." + std::string(300000, '0') + "1e-5 2";
    file.expect_as_scanf(many_digits, {64, 1024, 65536});
    std::string long_zero = "-" + std::string(5000, '0') + ".e";
    file.expect_as_scanf(long_zero + " 7", {64, 1024});
    std::string halfway = "1.00000000000000011102230246251565404236316680908203125" +
                          std::string(5000, '0') + "1";
    file.expect_as_scanf(halfway, {7, 64, 4096});
    file.expect_as_scanf(halfway.substr(0, halfway.size() - 1), {7, 64, 4096});
}

// ---- The program against scanf -----------------------------------------------

// What the former reader gave: the head, then every number that scanf read.
static std::string scanf_output(const std::string &head_line, const std::string &numbers)
{
    std::string out = text_head(head_line);
    for (const Step &s : scanf_steps(numbers))
        if (s.result == 1)
            out += std::string(reinterpret_cast<const char *>(&s.value), sizeof s.value);
    return out;
}

TEST(FromText, NumbersAsScanfReadsThem)
{
    std::mt19937_64 rng(6);
    std::string numbers = random_numbers(rng, 700000);
    std::string expect = scanf_output("0 1 1 xyza", numbers);
    ASSERT_EQ(scanf_steps(numbers).back().result, EOF);
    RunResult r = run({"rv-from-text"}, "0 1 1 xyza\n" + numbers);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.out == expect);

    // In small pieces through the pipe, so that reads end inside numbers.
    std::string part = numbers.substr(0, numbers.find_last_of(" \t\n\v\f\r", 100000));
    RunOptions pieces;
    pieces.input = "0 1 1 xyza\n" + part;
    pieces.input_chunk = 997;
    r = run({"rv-from-text"}, pieces);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == scanf_output("0 1 1 xyza", part));
}

TEST(FromText, CornerCases)
{
    struct Case {
        const char *text;
        std::vector<double> values; // written before the end or the failure
        bool fails;
    };
    const Case cases[] = {
        {"1e+-5", {1, -5}, false},
        {"1e 5 1E+", {1, 5, 1}, false},
        {"1.2.3 5-3", {1.2, 0.3, 5, -3}, false},
        {"0x1.8p1 -0X.8P-1 0x.", {3, -0.25, 0}, false},
        {"inf -Infinity +INF", {INFINITY, -INFINITY, INFINITY}, false},
        {"1\v2\f3\r\n4", {1, 2, 3, 4}, false},
        {"1e400 -1e400 1e-400 4.9406564584124654e-324", {INFINITY, -INFINITY, 0, DBL_TRUE_MIN}, false},
        {"0.000000 -0.000000", {0.0, -0.0}, false},
        {"9007199254740993 2.5000000000000000000000000001", {0x1p53, 2.5}, false},
        {"1 nan(1)", {1, NAN}, true},
        {"2 infinit", {2}, true},
        {"3 0x", {3}, true},
        {"4 -", {4}, true},
        {"5 .e1", {5}, true},
        {"6,5", {6}, true},
    };
    for (const Case &c : cases) {
        RunResult r = run({"rv-from-text"}, std::string("1 1 1 xyza\n") + c.text);
        std::string expect = text_head("1 1 1 xyza");
        for (double v : c.values)
            expect += doubles({v});
        EXPECT_EQ(r.out, expect) << c.text;
        EXPECT_EQ(r.status, c.fails ? 1 : 0) << c.text;
        EXPECT_EQ(r.err, c.fails ? "rv-from-text: <stdin>: not a number\n" : "") << c.text;
    }
}

TEST(FromText, ReadFailureAfterNumbers)
{
    // A terminal whose other side closes: the read waiting for more input
    // fails (EIO) and a later one meets the end.  The numbers read before are
    // written, and the failure is reported at the end with errno as scanf
    // leaves it: the read's after white space, 0 when the failed read ended
    // a number and the next read met the end.
    struct Case {
        const char *typed;
        size_t numbers;
        const char *error;
    };
    const Case cases[] = {{"1 2 3 4\n5 6\n", 6, "Input/output error"},
                          {"1 2 3 4\n5 6\x04", 6, "Success"}};
    for (const Case &c : cases) {
        int master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
        std::string slave_path = ptsname(master);
        int slave = open(slave_path.c_str(), O_RDWR | O_NOCTTY);
        termios modes;
        tcgetattr(slave, &modes);
        modes.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(slave, TCSANOW, &modes);
        // The typist: waits until the program has taken every byte and is
        // waiting for more, then closes the terminal.
        pid_t typist = fork();
        if (typist == 0) {
            std::string text = std::string("1 1 1 xyza\n") + c.typed;
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
        RunOptions options;
        options.stdin_path = slave_path;
        RunResult r = run({"rv-from-text"}, options);
        int status;
        waitpid(typist, &status, 0);
        ASSERT_EQ(status, 0);
        std::string expect = text_head("1 1 1 xyza");
        for (size_t i = 1; i <= c.numbers; i++)
            expect += doubles({double(i)});
        EXPECT_EQ(r.out, expect) << c.typed;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, std::string("rv-from-text: ferror <stdin>: ") + c.error + "\n");
    }
}
