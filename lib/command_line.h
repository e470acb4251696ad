// The command line every program's main scans: option letters, their
// arguments and the operands, with the usage line on any error.
#pragma once

#include <initializer_list>

// The command line: clustered flags, arguments attached or in the next word,
// "--" ends the options, "-" alone is an operand.
struct CommandLine {
    int argc;
    char **argv;
    const char *synopsis;
    int index;       // word being scanned; the first operand once scanning ends
    int pos;         // letter within that word, 0 between words
    bool done;
    const char *arg; // argument of the last letter that takes one
};

// Stores argv[0] as the program name and starts scanning.
CommandLine scan_begin(int argc, char **argv, const char *synopsis);
// The next option letter, or 0 when the options are over.  `letters` lists the
// accepted letters, each followed by ':' when it takes an argument.  Unknown
// letters and missing arguments print the usage line and exit with status 1.
int scan_option(CommandLine &cl, const char *letters);
[[noreturn]] void usage(const CommandLine &cl);
// The whole scan of a program that takes no options and no operands: any
// word but a lone "--" prints the usage line.
void scan_no_arguments(int argc, char **argv, const char *synopsis);
inline int operand_count(const CommandLine &cl) { return cl.argc - cl.index; }
inline char **operands(const CommandLine &cl) { return cl.argv + cl.index; }

// The whole scan of a program whose options are flags alone: *flags[k]
// becomes true when letters[k] is given (letters holds no ':'), and exactly
// `count` operands must follow.  An unknown letter or another number of
// operands prints the usage line.  Returns the operands.
char **scan_flags(int argc, char **argv, const char *synopsis, const char *letters,
                  std::initializer_list<bool *> flags, int count);
