// External programs run as child processes, joined to the program by one pipe.
#pragma once

#include <sys/types.h>

struct Child {
    pid_t pid;
    int fd; // the program's end of the pipe
};

// Starts argv[0], found through the executable search path, with the pipe as
// its standard output when `parent_reads` (the program reads what it writes),
// else as its standard input.  A reading child gets `input_fd` as its standard
// input when that is not negative.  Fatal with "pipe:", "dup:" or "fork:".
// Returns once the child runs the program; a child that cannot get there
// prints "dup2:" or "exec NAME:" itself, and the program then ends with
// `status` and no line of its own.
Child start_child(int status, const char *const argv[], bool parent_reads, int input_fd);

// Waits for the child, fatal with "waitpid:".  A child that did not exit with
// status 0 ends the program with `status` and no message of its own: the
// child has said what went wrong.
void finish_child(int status, pid_t pid);
