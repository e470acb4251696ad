// The scan of a command line of flags and a fixed number of operands.
#include "flag_options.h"

#include <cstring>

char **scan_flags(int argc, char **argv, const char *synopsis, const char *letters,
                  std::initializer_list<bool *> flags, int count)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    for (int letter; (letter = scan_option(cl, letters));)
        *flags.begin()[strchr(letters, letter) - letters] = true;
    if (operand_count(cl) != count)
        usage(cl);
    return operands(cl);
}
