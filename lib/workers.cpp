#include "workers.h"

#include "diagnostics.h"

#include <cstdlib>
#include <sys/socket.h>
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

size_t crew_start(int status, Crew &crew, size_t jobs)
{
    crew.jobs = jobs;
    if (jobs <= 1)
        return 0;
    crew.workers = static_cast<pid_t *>(malloc(jobs * sizeof *crew.workers));
    crew.links = static_cast<int *>(malloc(jobs * sizeof *crew.links));
    if (!crew.workers || !crew.links)
        fail(status, "malloc: out of memory\n");
    for (size_t k = 1; k < jobs; k++) {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends))
            fail(status, "socketpair:");
        const pid_t pid = fork();
        if (pid < 0)
            fail(status, "fork:");
        if (pid == 0) {
            // Only the parent may hold the other ends, or a worker would not
            // see the parent go.
            for (size_t i = 0; i + 1 < k; i++)
                close(crew.links[i]);
            close(ends[0]);
            free(crew.workers);
            free(crew.links);
            crew.workers = nullptr;
            crew.links = nullptr;
            crew.link = ends[1];
            return k;
        }
        close(ends[1]);
        crew.workers[k - 1] = pid;
        crew.links[k - 1] = ends[0];
    }
    crew.workers[jobs - 1] = -1;
    return 0;
}

// The parent lost worker k: exits as join_workers would for its status.
[[noreturn]] static void lost(int status, const Crew &crew, size_t k)
{
    int wstatus;
    if (waitpid(crew.workers[k], &wstatus, 0) < 0)
        fail(status, "waitpid:");
    const int code = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : WEXITSTATUS(wstatus);
    exit(code ? code : 1);
}

void crew_go(int status, Crew &crew, unsigned char code)
{
    for (size_t k = 0; k + 1 < crew.jobs; k++)
        if (send(crew.links[k], &code, 1, MSG_NOSIGNAL) != 1)
            lost(status, crew, k);
}

void crew_wait(int status, Crew &crew)
{
    for (size_t k = 0; k + 1 < crew.jobs; k++) {
        unsigned char done;
        if (recv(crew.links[k], &done, 1, 0) != 1)
            lost(status, crew, k);
    }
}

unsigned char crew_next(Crew &crew)
{
    unsigned char code;
    if (recv(crew.link, &code, 1, 0) != 1)
        exit(0);
    return code;
}

void crew_report(Crew &crew)
{
    const unsigned char done = 1;
    if (send(crew.link, &done, 1, MSG_NOSIGNAL) != 1)
        exit(0);
}

void crew_end(int status, Crew &crew)
{
    if (crew.jobs <= 1 || !crew.workers)
        return;
    for (size_t k = 0; k + 1 < crew.jobs; k++)
        close(crew.links[k]);
    free(crew.links);
    crew.links = nullptr;
    pid_t *workers = crew.workers;
    crew.workers = nullptr;
    join_workers(status, 1, workers);
}
