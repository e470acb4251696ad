// Running the built programs as a user would: argv, standard input bytes,
// files and pipes in; exit status, standard output and standard error out.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <source_location>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct RunResult {
    int status = -1; // exit status, or -1 when ended by a signal
    int signal = 0;  // the signal that ended it, or 0
    std::string out;
    std::string err;
};

// How a program runs; e.g. RunOptions{.input = bytes, .stdout_path = "/dev/full"}
// (designated fields in this order).
struct RunOptions {
    std::string input{};             // bytes fed to standard input (a pipe)
    std::string stdin_path{};        // or a file opened as standard input
    std::string stdout_path{};       // standard output into this file instead of a pipe
    std::vector<std::string> path{}; // directories put first in PATH
    std::string cwd{};
    bool close_stdin = false;        // start with descriptor 0 closed
    bool close_stdout = false;       // start with descriptor 1 closed
    size_t input_chunk = 0;          // feed the input in pieces of this size (0: at once)
    unsigned input_delay_us = 0;     // pause between pieces
};

// Full path of a built program (e.g. "rv-to-text").
std::string program_path(const std::string &name);
// The directory the programs are built into.
std::string bin_dir();

// Runs argv; argv[0] is a program name resolved in the build's bin directory
// (it stays argv[0] as given, so diagnostics start with the short name), "sh"
// for /bin/sh, or a path.  A program missing from the bin directory is a test
// failure that names it; the result is then status 127 and "program not
// built: NAME ..." on standard error.
RunResult run(const std::vector<std::string> &argv, const RunOptions &options,
              std::source_location loc = std::source_location::current());
inline RunResult run(const std::vector<std::string> &argv, const std::string &input = {},
                     std::source_location loc = std::source_location::current())
{
    return run(argv, RunOptions{.input = input}, loc);
}
// The argv of a /bin/sh command line, for run and the checks below; the bin
// directory comes first in PATH.  A program of the suite that the shell does
// not find because it is not built is named as above.
inline std::vector<std::string> shell(const std::string &command) { return {"sh", "-c", command}; }
// Runs a /bin/sh command line.
inline RunResult run_shell(const std::string &command, const RunOptions &options = {},
                           std::source_location loc = std::source_location::current())
{
    return run(shell(command), options, loc);
}
// Runs a shell pipeline of the built programs with `input` on standard input.
inline RunResult pipeline(const std::string &command, const std::string &input,
                          std::source_location loc = std::source_location::current())
{
    return run(shell(command), RunOptions{.input = input}, loc);
}

// Checks of a run, reported at the caller's line with the command line.
// The run fails: exit status `status` and standard error exactly `message`
// (the whole text).  The result tells what was written before the failure.
RunResult expect_failure(const std::vector<std::string> &argv, const RunOptions &options,
                         const std::string &message, int status = 1,
                         std::source_location loc = std::source_location::current());
inline RunResult expect_failure(const std::vector<std::string> &argv, const std::string &input,
                                const std::string &message, int status = 1,
                                std::source_location loc = std::source_location::current())
{
    return expect_failure(argv, RunOptions{.input = input}, message, status, loc);
}
// The run succeeds: status 0, nothing on standard error, standard output
// exactly `expected_out`.
RunResult expect_output(const std::vector<std::string> &argv, const RunOptions &options,
                        const std::string &expected_out,
                        std::source_location loc = std::source_location::current());
inline RunResult expect_output(const std::vector<std::string> &argv, const std::string &input,
                               const std::string &expected_out,
                               std::source_location loc = std::source_location::current())
{
    return expect_output(argv, RunOptions{.input = input}, expected_out, loc);
}
// The run succeeds: status 0 and nothing on standard error; the output is
// the caller's to check.
inline RunResult expect_success(const std::vector<std::string> &argv, const RunOptions &options,
                                std::source_location loc = std::source_location::current())
{
    return expect_failure(argv, options, "", 0, loc);
}
inline RunResult expect_success(const std::vector<std::string> &argv, const std::string &input = {},
                                std::source_location loc = std::source_location::current())
{
    return expect_success(argv, RunOptions{.input = input}, loc);
}
// Whether two byte strings are equal; when not, a short account: both
// strings if small, else their sizes and the first byte where they differ.
// For EXPECT_TRUE(same_bytes(r.out, expected)).
testing::AssertionResult same_bytes(const std::string &actual, const std::string &expected);
// A command line as a shell would show it, long arguments shortened; of a
// shell(command), the command.
std::string command_line(const std::vector<std::string> &argv);

// Whether an external program is found in PATH.
bool have_program(const char *name);

// A temporary directory removed with its contents at scope exit.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string file(const std::string &name) const { return path + "/" + name; }
};

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &bytes);

// Stream bytes: a head, and pixels as native doubles.
std::string stream_head(uint64_t frames, uint64_t width, uint64_t height,
                        const std::string &pixfmt = "xyza");
std::string doubles(const std::vector<double> &values);
inline std::string doubles(std::initializer_list<double> values)
{
    return doubles(std::vector<double>(values));
}
std::vector<double> to_doubles(const std::string &bytes, size_t offset = 0);
// A whole stream: head plus frames of the given pixels (4 doubles per pixel).
inline std::string make_stream(uint64_t frames, uint64_t width, uint64_t height,
                               const std::vector<double> &values)
{
    return stream_head(frames, width, height) + doubles(values);
}
// Bit pattern of a double, for exact comparison (NaN and -0 included).
inline uint64_t bits(double v) { return std::bit_cast<uint64_t>(v); }

// Runs a function in a forked child with the given standard input (a pipe fed
// with `input`) and captured standard output and error; the child exits with
// status 0 when the function returns.  For library code that may exit.
RunResult run_function(const std::function<void()> &body, const std::string &input = {});

// The read end of a pipe that a forked writer fills with `bytes`, in pieces of
// `chunk` bytes (0: at once) with a pause of `delay_us` between them.
int feed_pipe(const std::string &bytes, size_t chunk = 0, unsigned delay_us = 0);

// Writes an executable /bin/sh script (the body follows a "#!/bin/sh" line),
// such as a stand-in for an external program put first in PATH.
void write_script(const std::string &path, const std::string &body);
