// rv-arith: two videos combined channel by channel; the left-hand video comes
// on standard input, the right-hand one is named, the result replaces the left.
#include "diagnostics.h"
#include "drivers.h"

#include <cmath>
#include <cstring>

static const char synopsis[] = "[-axyz] operation right-hand-stream";

// The channels by letter, in the order of a pixel's samples, and whether each
// is operated on; -x, -y, -z and -a clear them.
static const char channel_letters[] = "xyza";
static bool operated[4] = {true, true, true, true};

static double sum(double l, double r) { return l + r; }
static double difference(double l, double r) { return l - r; }
static double product(double l, double r) { return l * r; }
static double quotient(double l, double r) { return l / r; }
static double power(double l, double r) { return pow(l, r); }
static double logarithm(double l, double r) { return log(l) / log(r); }
static double minimum(double l, double r) { return l < r ? l : r; }
static double maximum(double l, double r) { return l > r ? l : r; }
// The distance from r added back on top of r: l at or above r stays, l below
// r is reflected to 2r - l.
static double reflection(double l, double r) { return fabs(l - r) + r; }

// Replaces each operated sample of the left buffer by operation(l, r).
template <double (*operation)(double, double)>
static void combine(Stream &left, Stream &right, size_t n)
{
    bool on[4];
    memcpy(on, operated, sizeof on);
    for (size_t i = 0; i < n; i += sizeof(double))
        if (on[i / sizeof(double) % 4])
            store_double(left.buf + i,
                         operation(load_double(left.buf + i), load_double(right.buf + i)));
}

using Routine = void (*)(Stream &, Stream &, size_t);

static const struct {
    const char *name;
    Routine routine;
} operations[] = {
    {"add", combine<sum>}, {"sub", combine<difference>}, {"mul", combine<product>},
    {"div", combine<quotient>}, {"exp", combine<power>}, {"log", combine<logarithm>},
    {"min", combine<minimum>}, {"max", combine<maximum>}, {"abs", combine<reflection>},
};

static Routine find_operation(const char *name)
{
    for (const auto &op : operations)
        if (strcmp(op.name, name) == 0)
            return op.routine;
    fail(1, "algorithm not recognised: %s\n", name);
}

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    for (int letter; (letter = scan_option(cl, channel_letters));)
        operated[strchr(channel_letters, letter) - channel_letters] = false;
    if (operand_count(cl) != 2)
        usage(cl);

    Stream left{}, right{};
    stream_open(1, left, nullptr);
    stream_open(1, right, operands(cl)[1]);
    Routine routine = find_operation(operands(cl)[0]);
    stream_check_compatible(1, left, right);
    stream_print_and_flush_head(1, left);
    run_two_streams(1, left, right, standard_output, routine);
    return 0;
}
