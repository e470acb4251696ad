// rv-colour-ciexyz: a CIE XYZ colour printed as the colour operands of
// rv-single-colour take it: X Y Z, or Y alone.  The words are printed as
// given, not read as numbers.
#include "diagnostics.h"
#include "text_output.h"

#include <cstdio>

static const char synopsis[] = "(X Y Z | Y)";

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    if (scan_option(cl, ""))
        usage(cl);
    const int count = operand_count(cl);
    if (count != 3 && count != 1)
        usage(cl);
    char **colour = operands(cl);
    if (count == 3)
        printf("%s %s %s\n", colour[0], colour[1], colour[2]);
    else
        printf("%s\n", colour[0]);
    close_stdio(1, stdout, standard_output.name);
    return 0;
}
