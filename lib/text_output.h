// The end of a program that reads or writes through standard I/O.
#pragma once

#include <cstdio>

// Flushes and closes `file`.  A stream error after the flush prints
// "ferror NAME:" and exits with `status` (after closing the stream); a failed
// close prints "fclose NAME:" and exits with `status`.
void close_stdio(int status, FILE *file, const char *name);
