// The in-process runner of the fuzz targets: a run that ends through exit
// comes back with its status, every run reads its own input from the start
// whatever the run before did to its descriptors and streams, and what a run
// leaves open or allocated is released.
#include "diagnostics.h"
#include "in_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sanitizer/allocator_interface.h>
#include <string>
#include <unistd.h>

// What the last run saw; static, since what a run allocates does not outlive it.
static char seen[256];
static int write_result;

// "fail N" exits with status N, "return" returns; the other words read, write
// or leave things behind as the tests below say.
int program_main(int argc, char **argv)
{
    scan_begin(argc, argv, "");
    const std::string what = argv[1];
    if (what == "fail")
        fail(atoi(argv[2]), "failing as asked\n");
    if (what == "stdio") {
        seen[fread(seen, 1, sizeof seen - 1, stdin)] = '\0';
        fclose(stdin);
        close(0);
        close(1);
    } else if (what == "read" || what == "operand") {
        const int fd = what == "read" ? 0 : operand_fd;
        ssize_t n = read(fd, seen, sizeof seen - 1);
        seen[n < 0 ? 0 : n] = '\0';
        if (fd == operand_fd)
            close(fd);
    } else if (what == "write") {
        static char block[output_limit + 1];
        write_result = write_all(1, block, atoi(argv[2]));
    } else if (what == "leave") {
        for (int i = 0; i < 5; i++)
            open("/dev/null", O_RDONLY);
        fdopen(open("/dev/null", O_RDONLY), "r");
        memset(malloc(1 << 20), 1, 1 << 20);
        static_cast<void>(new char[100]);
        fail(1, "leaving it all behind\n");
    }
    return 0;
}

static std::span<const uint8_t> bytes(const char *text)
{
    return {reinterpret_cast<const uint8_t *>(text), strlen(text)};
}

TEST(InProcess, ExitComesBackAsTheRunsStatus)
{
    const struct {
        std::vector<std::string> words;
        int status;
    } cases[] = {
        {{"p", "fail", "1"}, 1}, {{"p", "fail", "2"}, 2}, {{"p", "fail", "0"}, 0},
        {{"p", "return"}, 0},    {{"p", "fail", "77"}, 77},
    };
    for (const auto &c : cases)
        EXPECT_EQ(run_program(c.words, {}), c.status) << c.words[1] << " " << c.status;
}

TEST(InProcess, EveryRunReadsItsOwnInputFromTheStart)
{
    // The stdio run closes standard input, its stream and standard output;
    // the runs after it still read and write.
    const char *inputs[] = {"first input", "", "a longer second input\n", "3"};
    for (const char *way : {"stdio", "read", "stdio"}) {
        for (const char *input : inputs) {
            seen[0] = '!';
            EXPECT_EQ(run_program({"p", way}, bytes(input)), 0);
            EXPECT_STREQ(seen, input) << way;
        }
    }
    const Feed operand[] = {{operand_fd, bytes("translation")}};
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(run_program({"p", "operand"}, bytes("main"), operand), 0);
        EXPECT_STREQ(seen, "translation");
    }
}

TEST(InProcess, OutputPastTheLimitFails)
{
    const struct {
        size_t length;
        int result;
    } cases[] = {{0, 0}, {1, 0}, {output_limit, 0}, {output_limit + 1, -1}};
    for (const auto &c : cases) {
        write_result = 7;
        run_program({"p", "write", std::to_string(c.length)}, {});
        EXPECT_EQ(write_result, c.result) << c.length;
    }
}

TEST(InProcess, WhatARunLeavesIsReleased)
{
    auto open_descriptors = [] {
        int count = 0;
        for (int fd = 0; fd < 256; fd++)
            count += fcntl(fd, F_GETFD) >= 0;
        return count;
    };
    run_program({"p", "leave"}, {}); // the first run sets the runner up
    const int descriptors = open_descriptors();
    const size_t allocated = __sanitizer_get_current_allocated_bytes();
    for (int i = 0; i < 50; i++)
        EXPECT_EQ(run_program({"p", "leave"}, {}), 1);
    EXPECT_EQ(open_descriptors(), descriptors);
    EXPECT_LT(__sanitizer_get_current_allocated_bytes(), allocated + (1 << 20));
}
