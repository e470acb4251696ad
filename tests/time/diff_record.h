// A record of a frame-difference stream as it appears in the body: the
// unchanged and changed counts as host-order 64-bit words, then the data;
// and the failures rv-compress and rv-decompress share.
#pragma once

#include "harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

inline std::string record(uint64_t unchanged, uint64_t changed, const std::string &data = {})
{
    std::string bytes(16, '\0');
    memcpy(bytes.data(), &unchanged, 8);
    memcpy(bytes.data() + 8, &changed, 8);
    return bytes + data;
}

// Runs that fail with `message` after writing `out`.
struct Failure {
    std::vector<std::string> argv;
    std::string input, message, out;
};

inline void expect_failures(std::initializer_list<Failure> failures,
                            std::source_location loc = std::source_location::current())
{
    for (const Failure &f : failures)
        EXPECT_EQ(expect_failure(f.argv, f.input, f.message, 1, loc).out, f.out)
            << command_line(f.argv);
}

// `program` given `head` and then `body` in a regular file cannot allocate
// the frame with `allocator`: the head is out, then the failure.
inline void expect_out_of_memory(const std::string &program, const std::string &head,
                                 const std::string &allocator, const std::string &body = {})
{
    TempDir dir;
    write_file(dir.file("huge"), head + body);
    RunResult r = run_shell("ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0 " + program +
                            " < " + dir.file("huge"));
    EXPECT_EQ(r.status, 1) << program;
    EXPECT_EQ(r.out, head) << program;
    // (A sanitizer build may warn of the failed allocation first.)
    const size_t at = r.err.find(program + ":");
    EXPECT_EQ(at == std::string::npos ? r.err : r.err.substr(at),
              program + ": " + allocator + ": out of memory\n");
}

// A write that fails after the head, at a file size limit of 512 bytes: the
// file holds the first 512 bytes of the output `out`.
inline void expect_file_too_large(const std::string &program, const std::string &input,
                                  const std::string &out)
{
    TempDir dir;
    write_file(dir.file("in"), input);
    expect_failure(shell("trap '' XFSZ; ulimit -f 1; " + program + " < " + dir.file("in") + " > " +
                         dir.file("out")),
                   "", program + ": write <stdout>: File too large\n");
    EXPECT_EQ(read_file(dir.file("out")), out.substr(0, 512)) << program;
}
