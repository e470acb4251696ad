// The command line of a program whose options are flags alone: letters
// without arguments that each turn one setting on.
#pragma once

#include "command_line.h"

#include <initializer_list>

// The whole scan: *flags[k] becomes true when letters[k] is given (letters
// holds no ':'), and exactly `count` operands must follow.  An unknown letter
// or another number of operands prints the usage line.  Returns the operands.
char **scan_flags(int argc, char **argv, const char *synopsis, const char *letters,
                  std::initializer_list<bool *> flags, int count);
