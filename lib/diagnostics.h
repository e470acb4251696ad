// Diagnostics, command-line scanning, integer parsing and descriptor loops:
// the lowest layer of the stream library, shared by every program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <sys/uio.h>

// The name every diagnostic starts with (argv[0]); may be null.
extern const char *program_name;

// One line on standard error: "name: message", and for a format ending in ':'
// a blank and the text of errno.  Formats beginning with "usage" get no prefix.
void print_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void fail(int status, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// Text to integer in [min, max]: 0 on success, -1 with errno EINVAL or ERANGE.
// Prefixes x, #, 0x, 0o and 0b choose the base; the value is stored even when
// the range check fails.
int parse_uint(const char *text, uint64_t min, uint64_t max, uint64_t *out);
int parse_int(const char *text, int64_t min, int64_t max, int64_t *out);

// Descriptor for a path: /dev/fd/N, /dev/stdin, /dev/stdout, /dev/stderr and
// "-" name descriptors that are already open; anything else is opened.
int open_path(int status, const char *path, int flags, mode_t mode);
// The descriptor such a name stands for, or -1 for a path that open_path
// would open.
int path_descriptor(const char *path, int flags);

// Whole-buffer loops.  They report (-1, errno set) and never print.
int write_all(int fd, const void *buffer, size_t length);
int pwrite_all(int fd, const void *buffer, size_t length, off_t offset);
int write_repeated(int fd, const void *buffer, size_t buffer_length, uint64_t total);
// The pieces, in order, with as few writev calls as IOV_MAX allows; the array
// is changed as pieces are written.
int writev_all(int fd, struct iovec *pieces, size_t count);
ssize_t read_all(int fd, void *buffer, size_t length);
// writev_all, fatal with "write NAME:" on failure.
void writev_or_fail(int status, int fd, const char *name, struct iovec *pieces, size_t count);
// write_all, fatal with "write NAME:" on failure.
void write_or_fail(int status, int fd, const char *name, const void *buffer, size_t length);

// Fatal unless fd is something other than a regular file.
void refuse_regular_output(int status, int fd, const char *display_name);

// The command line: clustered flags, arguments attached or in the next word,
// "--" ends the options, "-" alone is an operand.
struct CommandLine {
    int argc;
    char **argv;
    const char *synopsis;
    int index;       // word being scanned; the first operand once scanning ends
    int pos;         // letter within that word, 0 between words
    bool done;
    const char *arg; // argument of the last letter that takes one
};

// Stores argv[0] as the program name and starts scanning.
CommandLine scan_begin(int argc, char **argv, const char *synopsis);
// The next option letter, or 0 when the options are over.  `letters` lists the
// accepted letters, each followed by ':' when it takes an argument.  Unknown
// letters and missing arguments print the usage line and exit with status 1.
int scan_option(CommandLine &cl, const char *letters);
[[noreturn]] void usage(const CommandLine &cl);
// The whole scan of a program that takes no options and no operands.
void scan_bare(int argc, char **argv, const char *synopsis);
inline int operand_count(const CommandLine &cl) { return cl.argc - cl.index; }
inline char **operands(const CommandLine &cl) { return cl.argv + cl.index; }

// Integer option arguments and operands, fatal (status 1) when out of range.
uint64_t option_uint(int letter, const char *text, uint64_t min, uint64_t max);
int option_int(int letter, const char *text, int min, int max);
uint64_t operand_uint(const char *phrase, const char *text, uint64_t min, uint64_t max);
