// The option scanner every program's main follows.
#include "command_line.h"

#include "diagnostics.h"

#include <cstdlib>
#include <cstring>

CommandLine scan_begin(int argc, char **argv, const char *synopsis)
{
    program_name = argc > 0 ? argv[0] : nullptr;
    enlarge_pipe(0);
    enlarge_pipe(1);
    return CommandLine{argc, argv, synopsis, argc > 0 ? 1 : 0, 0, false, nullptr};
}

void usage(const CommandLine &cl)
{
    print_error("usage: %s%s%s\n", program_name ? program_name : "", " ", cl.synopsis);
    exit(1);
}

int scan_option(CommandLine &cl, const char *letters)
{
    if (cl.done)
        return 0;
    if (cl.pos == 0) {
        const char *word = cl.index < cl.argc ? cl.argv[cl.index] : nullptr;
        if (!word || word[0] != '-' || word[1] == '\0') {
            cl.done = true;
            return 0;
        }
        if (word[1] == '-' && word[2] == '\0') {
            cl.index++;
            cl.done = true;
            return 0;
        }
        cl.pos = 1;
    }
    const char *word = cl.argv[cl.index];
    int letter = (unsigned char)word[cl.pos];
    const char *entry = letter != ':' ? strchr(letters, letter) : nullptr;
    if (!entry)
        usage(cl);
    if (entry[1] == ':') {
        if (word[cl.pos + 1]) {
            cl.arg = word + cl.pos + 1;
            cl.index += 1;
        } else if (cl.index + 1 < cl.argc) {
            cl.arg = cl.argv[cl.index + 1];
            cl.index += 2;
        } else {
            usage(cl);
        }
        cl.pos = 0;
        return letter;
    }
    cl.pos++;
    if (word[cl.pos] == '\0') {
        cl.pos = 0;
        cl.index++;
    }
    return letter;
}

void scan_no_arguments(int argc, char **argv, const char *synopsis)
{
    // Every option letter is unknown and every operand too many; only a lone
    // "--" ending the (empty) options is harmless.
    CommandLine cl = scan_begin(argc, argv, synopsis);
    int first = argc > 1 && strcmp(argv[1], "--") == 0 ? 2 : 1;
    if (argc > first)
        usage(cl);
}

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
