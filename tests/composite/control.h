// Runs of the programs that change standard input by a stream named on the
// command line (a mask, a control or an alpha stream), and of their refused
// command lines.
#pragma once

#include "harness.h"

#include <gtest/gtest.h>

#include <optional>

// Runs argv with the path of a file that holds `control` as its last word:
// it succeeds (status 0, nothing on standard error) with standard output
// `expected`, or when none is given, an output for the caller to check.
inline RunResult expect_controlled(std::vector<std::string> argv, const std::string &control,
                                   const std::string &input,
                                   const std::optional<std::string> &expected = {},
                                   std::source_location loc = std::source_location::current())
{
    TempDir dir;
    write_file(dir.file("control"), control);
    argv.push_back(dir.file("control"));
    return expected ? expect_output(argv, input, *expected, loc)
                    : expect_success(argv, input, loc);
}

// Each command line is refused with the usage message and writes nothing.
inline void expect_usage(const std::string &usage,
                         std::initializer_list<std::vector<std::string>> argvs,
                         const std::string &input = "",
                         std::source_location loc = std::source_location::current())
{
    for (const std::vector<std::string> &argv : argvs)
        EXPECT_EQ(expect_failure(argv, input, usage, 1, loc).out, "") << command_line(argv);
}
