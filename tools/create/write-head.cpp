// rv-write-head: a stream head printed from its operands, word for word: the
// operands joined by single blanks, a newline, a NUL and "uivf".  Nothing is
// checked, so any words make a head; frames must come from elsewhere.
#include "diagnostics.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "parameters ...";

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    if (scan_option(cl, "") || operand_count(cl) < 1)
        usage(cl);
    char **words = operands(cl);
    printf("%s", words[0]);
    for (int i = 1; i < operand_count(cl); i++)
        printf(" %s", words[i]);
    printf("\n%cuivf", 0);
    close_stdio(1, stdout, standard_output.name);
    return 0;
}
