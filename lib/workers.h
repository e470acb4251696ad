// Splitting a range of work (rows of a frame) over forked worker processes.
// Results meet in memory mapped shared before the fork.
#pragma once

#include <cstddef>
#include <sys/types.h>

// Forks jobs - 1 workers.  Returns nonzero in the parent and 0 in each
// worker; [*start, *end) then holds the calling process's share.  The parent
// gets the list of worker ids (terminated by -1; null when none was forked).
int fork_workers(int status, size_t *start, size_t *end, size_t jobs, pid_t **workers);
// Ends a worker (exit 0); in the parent waits for every worker and exits with
// a failed worker's status or signal number.
void join_workers(int status, int is_parent, pid_t *workers);
