// Floating-point operands of the command line.
#pragma once

// The text as a double in the notation strtod reads; fatal (status 1) with
// "PHRASE must be floating-point value" when it holds no number, has
// characters after it, or is out of range.
double operand_double(const char *phrase, const char *text);
