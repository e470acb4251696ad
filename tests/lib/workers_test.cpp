#include "harness.h"
#include "workers.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

// Each process of a division writes its share into shared memory.
static std::string shares(size_t start, size_t end, size_t jobs)
{
    RunResult r = run_function([=] {
        auto *seen = static_cast<size_t *>(
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        size_t s = start, e = end;
        pid_t *workers;
        int parent = fork_workers(1, &s, &e, jobs, &workers);
        size_t slot = 0;
        // Find this process's slot by its share's start among all shares.
        for (size_t k = 0; k < jobs; k++)
            if (start + k * (end - start) / jobs == s &&
                (k + 1 == jobs ? end : start + (k + 1) * (end - start) / jobs) == e)
                slot = k;
        seen[2 * slot] = s + 1;
        seen[2 * slot + 1] = e + 1;
        join_workers(1, parent, workers);
        printf("%s", workers ? "list " : "null ");
        for (size_t k = 0; k < jobs; k++)
            printf("[%zu,%zu)", seen[2 * k] - 1, seen[2 * k + 1] - 1);
    });
    return r.err + r.out;
}

TEST(Workers, Shares)
{
    EXPECT_EQ(shares(0, 10, 1), "null [0,10)");
    EXPECT_EQ(shares(0, 10, 3), "list [0,3)[3,6)[6,10)");
    EXPECT_EQ(shares(5, 9, 2), "list [5,7)[7,9)");
}

TEST(Workers, EmptySharesStillJoin)
{
    // [0, 2) over 4 jobs: [0,0) [0,1) [1,1) [1,2).  Empty shares coincide, so
    // count the processes that ran instead of telling them apart.
    RunResult r = run_function([] {
        auto *count = static_cast<int *>(
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        auto *covered = count + 1;
        size_t s = 0, e = 2;
        pid_t *workers;
        int parent = fork_workers(1, &s, &e, 4, &workers);
        __atomic_add_fetch(count, 1, __ATOMIC_SEQ_CST);
        for (size_t i = s; i < e; i++)
            __atomic_add_fetch(covered + i, 1, __ATOMIC_SEQ_CST);
        if (parent)
            printf("parent [%zu,%zu) ", s, e);
        join_workers(1, parent, workers);
        printf("%d processes, %d %d", *count, covered[0], covered[1]);
    });
    EXPECT_EQ(r.out, "parent [0,0) 4 processes, 1 1");
}

TEST(Workers, FailedWorkerEndsParent)
{
    // A worker killed by a signal: the parent exits with the signal number.
    RunResult r = run_function([] {
        size_t s = 0, e = 4;
        pid_t *workers;
        int parent = fork_workers(1, &s, &e, 3, &workers);
        if (!parent && s == 1)
            raise(SIGKILL);
        if (!parent && s == 2)
            raise(SIGKILL);
        join_workers(1, parent, workers);
        printf("not reached");
    });
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "");

    r = run_function([] {
        size_t s = 0, e = 4;
        pid_t *workers;
        int parent = fork_workers(1, &s, &e, 2, &workers);
        if (!parent)
            exit(1);
        join_workers(1, parent, workers);
        printf("not reached");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

// A crew of `jobs` processes runs `rounds` rounds; in each, every process
// adds its index + 1 into a shared slot of the round.  Prints the sums.
static RunResult crew_rounds(size_t jobs, size_t rounds, size_t kill_in = 0, int how = 0)
{
    return run_function([=] {
        auto *sum = static_cast<size_t *>(
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        Crew crew;
        const size_t k = crew_start(1, crew, jobs);
        if (k) {
            for (;;) {
                const unsigned char round = crew_next(crew);
                if (kill_in == k && round == 2) {
                    if (how)
                        raise(how);
                    exit(3);
                }
                __atomic_add_fetch(&sum[round], k + 1, __ATOMIC_SEQ_CST);
                crew_report(crew);
            }
        }
        for (size_t r = 1; r <= rounds; r++) {
            crew_go(1, crew, (unsigned char)r);
            __atomic_add_fetch(&sum[r], 1, __ATOMIC_SEQ_CST);
            crew_wait(1, crew);
            printf("%zu ", sum[r]);
        }
        crew_end(1, crew);
        printf("end");
    });
}

TEST(Workers, CrewRounds)
{
    // Every round waits for all: each sum is 1 + 2 + … + jobs when printed.
    EXPECT_EQ(crew_rounds(1, 2).out, "1 1 end");
    EXPECT_EQ(crew_rounds(3, 4).out, "6 6 6 6 end");
    RunResult r = crew_rounds(40, 3);
    EXPECT_EQ(r.out, "820 820 820 end");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST(Workers, CrewLosesWorker)
{
    // A worker that ends in a round makes the parent exit with its exit
    // status or signal number, after the rounds before it.
    RunResult r = crew_rounds(3, 4, 2);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "6 ");
    r = crew_rounds(4, 4, 1, SIGKILL);
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.out, "10 ");
    EXPECT_EQ(r.err, "");
}
