// The option scanner and the number parsers.  The input is words separated by
// NUL bytes: the first lists the option letters (a ':' after a letter that
// takes an argument), the rest are the command line.  Every argument goes
// through parse_uint and parse_int over a range chosen by its letter, every
// operand through operand_double; results must lie in their ranges, and a
// text both parsers accept must give both the same value.
#include "diagnostics.h"
#include "in_process.h"
#include "numbers.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

static void expect(bool condition)
{
    if (!condition)
        abort();
}

struct UnsignedRange {
    uint64_t min, max;
};
struct SignedRange {
    int64_t min, max;
};
static const UnsignedRange unsigned_ranges[] = {
    {0, UINT64_MAX}, {1, UINT64_MAX}, {1, 64}, {7, 7}, {UINT64_MAX, UINT64_MAX}};
static const SignedRange signed_ranges[] = {
    {INT64_MIN, INT64_MAX}, {-5, 5}, {0, 0}, {INT64_MIN, -1}, {1, INT64_MAX}};

static void check_number(int letter, const char *text)
{
    const UnsignedRange u = unsigned_ranges[unsigned(letter) % 5];
    const SignedRange s = signed_ranges[unsigned(letter) / 5 % 5];
    uint64_t uv = 0;
    int64_t sv = 0;
    errno = 0;
    const bool u_ok = parse_uint(text, u.min, u.max, &uv) == 0;
    expect(u_ok ? errno == 0 && uv >= u.min && uv <= u.max : errno == EINVAL || errno == ERANGE);
    const bool s_ok = parse_int(text, s.min, s.max, &sv) == 0;
    expect(s_ok ? errno == 0 && sv >= s.min && sv <= s.max : errno == EINVAL || errno == ERANGE);

    uint64_t wide;
    int64_t whole;
    if (parse_int(text, INT64_MIN, INT64_MAX, &whole) == 0 && whole >= 0 && text[0] != '-') {
        expect(parse_uint(text, 0, UINT64_MAX, &wide) == 0);
        expect(wide == uint64_t(whole));
    }
    // The fatal forms that programs use for options (exit back here).
    if (letter & 1)
        option_uint(1, letter, text, u.min, u.max);
    else
        option_int(1, letter, text, -64, 64);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += char(data[i]);
    }
    std::string letters = words[0];
    words[0] = "rv-fuzz";
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const int argc = int(words.size());

    run_in_process({}, [&] {
        CommandLine cl = scan_begin(argc, argv.data(), "[-fuzz] operand ...");
        for (int letter, seen = 0; (letter = scan_option(cl, letters.c_str())); seen++) {
            expect(size_t(seen) < size && letter != ':' && letters.find(char(letter)) != std::string::npos);
            expect(cl.index <= argc);
            if (cl.arg && letters.find(std::string{char(letter), ':'}) != std::string::npos)
                check_number(letter, cl.arg);
            cl.arg = nullptr;
        }
        expect(cl.index >= 1 && cl.index <= argc && operand_count(cl) >= 0);
        for (int i = 0; i < operand_count(cl); i++)
            operand_double(1, "the operand", operands(cl)[i]);
    });
    return 0;
}
