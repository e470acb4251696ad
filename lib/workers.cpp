#include "workers.h"

#include "diagnostics.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

int fork_workers(int status, size_t *start, size_t *end, size_t jobs, pid_t **workers)
{
    if (jobs <= 1) {
        *workers = nullptr;
        return 1;
    }
    const size_t s = *start, e = *end, len = e - s;
    *end = s + len / jobs;
    pid_t *list = static_cast<pid_t *>(malloc(jobs * sizeof *list));
    if (!list)
        fail(status, "malloc: out of memory\n");
    for (size_t k = 1; k < jobs; k++) {
        pid_t pid = fork();
        if (pid < 0)
            fail(status, "fork:");
        if (pid == 0) {
            free(list);
            *workers = nullptr;
            *start = s + (unsigned __int128)k * len / jobs;
            *end = k + 1 == jobs ? e : s + (unsigned __int128)(k + 1) * len / jobs;
            return 0;
        }
        list[k - 1] = pid;
    }
    list[jobs - 1] = -1;
    *workers = list;
    return 1;
}

void join_workers(int status, int is_parent, pid_t *workers)
{
    if (!is_parent) {
        free(workers);
        exit(0);
    }
    if (!workers)
        return;
    for (pid_t *w = workers; *w != -1; w++) {
        int wstatus;
        if (waitpid(*w, &wstatus, 0) < 0)
            fail(status, "waitpid:");
        if (wstatus != 0)
            exit(WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : WEXITSTATUS(wstatus));
    }
    free(workers);
}
