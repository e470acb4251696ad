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

// A crew: jobs - 1 workers forked once that stay for many rounds of work, so
// that each round costs a message to every worker and back instead of a
// fork.  Each worker is linked to the parent by a socket of its own, so the
// parent learns at once when a worker has ended.
struct Crew {
    size_t jobs = 1;
    pid_t *workers = nullptr; // as in fork_workers
    int *links = nullptr;     // the parent's end of each worker's socket
    int link = -1;            // in a worker: its end
};

// Forks the workers and returns the calling process's index: 0 in the
// parent, 1 … jobs − 1 in the workers.  With jobs ≤ 1 forks nothing.
size_t crew_start(int status, Crew &crew, size_t jobs);
// In the parent: starts a round of kind `code` (nonzero) in every worker.
void crew_go(int status, Crew &crew, unsigned char code);
// In the parent: waits until every worker has ended its round.  A worker
// that ended instead makes the parent exit with its signal number or exit
// status (1 if that was 0).
void crew_wait(int status, Crew &crew);
// In a worker: waits for the next round and returns its code; when the
// parent has ended the crew (or itself), the worker exits with status 0.
unsigned char crew_next(Crew &crew);
// In a worker: reports the round done.
void crew_report(Crew &crew);
// In the parent: ends every worker and waits for them as join_workers does.
void crew_end(int status, Crew &crew);
