// Runs a program, or a piece of the library, inside a fuzzer process: exit()
// comes back here as an exception instead of ending the process, what the run
// leaves behind (descriptors, standard I/O streams, memory) is released, and
// every run starts from the same descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The program's own main, compiled under this name into the fuzz target.
int program_main(int argc, char **argv);

// Bytes a descriptor reads from its start on every run.
struct Feed {
    int fd;
    std::span<const uint8_t> bytes;
};

// The descriptor that a target names as a file operand, "/dev/fd/N", for a
// second input stream; it is fed like standard input.
constexpr int operand_fd = 9;
inline constexpr const char operand_path[] = "/dev/fd/9";

// Standard output takes at most this many bytes a run (a page); writes past
// them fail, so a program told to write runs of exabytes fails at once.
constexpr size_t output_limit = size_t(1) << 12;

// Runs program_main with these words as argv and `input` as standard input.
int run_program(const std::vector<std::string> &words, std::span<const uint8_t> input,
                std::span<const Feed> more = {});

// What exit throws inside a run; run_begin and run_end set the run up and
// release what it left.
struct ProgramExit {
    int status;
};
void run_begin(std::span<const Feed> feeds);
void run_end();

// Runs body() with the given feeds in place; returns the exit status (0 when
// body returns normally, the status given to exit otherwise).
template <class Body> int run_in_process(std::span<const Feed> feeds, Body &&body)
{
    int status = 0;
    run_begin(feeds);
    try {
        body();
    } catch (const ProgramExit &e) {
        status = e.status;
    }
    run_end();
    return status;
}
