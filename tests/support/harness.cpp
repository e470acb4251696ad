#include "harness.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::string bin_dir() { return RV_BIN_DIR; }
std::string program_path(const std::string &name) { return bin_dir() + "/" + name; }

// In a child: the file at `path` (or the pipe end `pipe_fd` when there is no
// path) becomes descriptor `target`; a file that does not open ends the child
// with status 126.
static void open_as(const std::string &path, int flags, int pipe_fd, int target)
{
    int fd = path.empty() ? pipe_fd : open(path.c_str(), flags, 0644);
    if (fd < 0)
        _exit(126);
    dup2(fd, target);
    if (fd != pipe_fd)
        close(fd);
}

// Runs `child` in a forked process with standard input, output and error as
// `options` say (pipes unless files are given); the child exits with status 0
// when `child` returns.
static RunResult fork_run(const RunOptions &options, const std::function<void()> &child)
{
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err))
        throw std::runtime_error("pipe");
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork");
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()))
            _exit(126);
        open_as(options.stdin_path, O_RDONLY, in[0], 0);
        open_as(options.stdout_path, O_WRONLY | O_CREAT | O_TRUNC, out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        if (options.close_stdin)
            close(0);
        if (options.close_stdout)
            close(1);
        child();
        fflush(nullptr);
        _exit(0);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    // Feeds the input, not blocking while the program's output fills its pipe,
    // and collects standard output and error until all three pipes are done;
    // poll ignores the entries of closed descriptors (-1).
    pollfd fds[3] = {{in[1], POLLOUT, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    auto done = [&fds](int i) {
        close(fds[i].fd);
        fds[i].fd = -1;
    };
    const std::string &input = options.input;
    if (!options.stdin_path.empty() || input.empty())
        done(0);
    else
        fcntl(in[1], F_SETFL, fcntl(in[1], F_GETFL) | O_NONBLOCK);
    RunResult result;
    std::string *const into[3] = {nullptr, &result.out, &result.err};
    char buf[65536];
    for (size_t written = 0; fds[0].fd >= 0 || fds[1].fd >= 0 || fds[2].fd >= 0;) {
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("poll");
        }
        if (fds[0].revents) {
            size_t piece = input.size() - written;
            if (options.input_chunk)
                piece = std::min(piece, options.input_chunk);
            ssize_t r = write(fds[0].fd, input.data() + written, piece);
            if (r > 0)
                written += size_t(r);
            if ((r < 0 && errno != EAGAIN) || written == input.size())
                done(0);
            else if (r >= 0 && options.input_delay_us)
                usleep(options.input_delay_us);
        }
        for (int i = 1; i < 3; i++) {
            if (!fds[i].revents)
                continue;
            ssize_t r = read(fds[i].fd, buf, sizeof buf);
            if (r > 0)
                into[i]->append(buf, size_t(r));
            else
                done(i);
        }
    }
    int wstatus;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR)
        ;
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.signal = WTERMSIG(wstatus);
    return result;
}

// A program of the suite missing from the bin directory: a failure at the
// caller's line naming it, and a line of the run's standard error.
static void not_built(const std::string &name, const std::string &command, RunResult &result,
                      std::source_location loc)
{
    const std::string line = "program not built: " + name + " (build it with cmake --build build)";
    result.err += line + "\n";
    ADD_FAILURE_AT(loc.file_name(), int(loc.line())) << command << ": " << line;
}

// The words of a command line that name programs of the suite ("rv-" and
// lower-case letters and hyphens, at the start of a word) missing from the
// bin directory.
static std::vector<std::string> missing_programs(const std::string &command)
{
    static const std::regex word("(?:^|[ \t\n|;&({`$'\"])(rv-[a-z-]+)");
    std::vector<std::string> missing;
    for (std::sregex_iterator m(command.begin(), command.end(), word), end; m != end; ++m) {
        const std::string name = (*m)[1];
        if (access(program_path(name).c_str(), X_OK) != 0 &&
            std::find(missing.begin(), missing.end(), name) == missing.end())
            missing.push_back(name);
    }
    return missing;
}

RunResult run(const std::vector<std::string> &argv, const RunOptions &options,
              std::source_location loc)
{
    std::string file = argv.at(0);
    const bool sh = file == "sh";
    if (sh) {
        file = "/bin/sh";
    } else if (file.find('/') == std::string::npos) {
        file = program_path(file);
        if (access(file.c_str(), X_OK) != 0) {
            RunResult result;
            result.status = 127;
            not_built(argv[0], command_line(argv), result, loc);
            return result;
        }
    }
    // The PATH for the run: the given directories, the bin directory, then the test's own.
    std::string path;
    for (const auto &d : options.path)
        path += d + ":";
    const char *old = getenv("PATH");
    path += bin_dir() + ":" + (old ? old : "/usr/local/bin:/usr/bin:/bin");
    RunResult result = fork_run(options, [&] {
        setenv("PATH", path.c_str(), 1);
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(file.c_str(), args.data());
        _exit(127);
    });
    if (sh && argv.size() == 3 && argv[1] == "-c" && result.status == 127 &&
        result.err.find("not found") != std::string::npos)
        for (const std::string &name : missing_programs(argv[2]))
            not_built(name, argv[2], result, loc);
    return result;
}

std::string command_line(const std::vector<std::string> &argv)
{
    if (argv.size() == 3 && argv[0] == "sh" && argv[1] == "-c")
        return argv[2];
    std::string line;
    for (const std::string &arg : argv) {
        if (!line.empty())
            line += ' ';
        std::string shown = arg.size() > 60 ? arg.substr(0, 57) + "..." : arg;
        bool plain = !shown.empty() &&
                     shown.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                             "0123456789-_+=.,:/@%") == std::string::npos;
        line += plain ? shown : testing::PrintToString(shown);
    }
    return line;
}

testing::AssertionResult same_bytes(const std::string &actual, const std::string &expected)
{
    if (actual == expected)
        return testing::AssertionSuccess();
    auto failure = testing::AssertionFailure();
    if (actual.size() <= 1000 && expected.size() <= 1000)
        return failure << "\n  actual: " << testing::PrintToString(actual)
                       << "\nexpected: " << testing::PrintToString(expected);
    const size_t at = size_t(
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
        actual.begin());
    const size_t from = at < 16 ? 0 : at - 16;
    auto around = [from](const std::string &s) {
        return testing::PrintToString(s.substr(std::min(from, s.size()), 48));
    };
    return failure << "\n  actual: " << actual.size() << " bytes\nexpected: " << expected.size()
                   << " bytes\nfirst difference at byte " << at << "; from byte " << from
                   << ":\n  actual: " << around(actual) << "\nexpected: " << around(expected);
}

// Whether the program of a run is built; when not, run has reported it and
// there is nothing more to check.
static bool built(const RunResult &r)
{
    return r.status != 127 || r.err.find("program not built: ") == std::string::npos;
}

RunResult expect_failure(const std::vector<std::string> &argv, const RunOptions &options,
                         const std::string &message, int status, std::source_location loc)
{
    RunResult r = run(argv, options, loc);
    if (!built(r))
        return r;
    const char *file = loc.file_name();
    const int line = int(loc.line());
    if (r.signal || r.status != status)
        ADD_FAILURE_AT(file, line)
            << command_line(argv) << ": "
            << (r.signal ? "ended by signal " + std::to_string(r.signal) + ", expected exit status "
                         : "exit status " + std::to_string(r.status) + ", expected ")
            << status << "\nstandard error: " << testing::PrintToString(r.err);
    if (auto same = same_bytes(r.err, message); !same)
        ADD_FAILURE_AT(file, line) << command_line(argv) << ": standard error" << same.message();
    return r;
}

RunResult expect_output(const std::vector<std::string> &argv, const RunOptions &options,
                        const std::string &expected_out, std::source_location loc)
{
    RunResult r = expect_success(argv, options, loc);
    if (auto same = same_bytes(r.out, expected_out); !same && built(r))
        ADD_FAILURE_AT(loc.file_name(), int(loc.line()))
            << command_line(argv) << ": standard output" << same.message();
    return r;
}

bool have_program(const char *name)
{
    const char *path = getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
    return false;
}

TempDir::TempDir() : path("/tmp/rv-test-XXXXXX")
{
    if (!mkdtemp(path.data()))
        throw std::runtime_error("mkdtemp");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

std::string stream_head(uint64_t frames, uint64_t width, uint64_t height,
                        const std::string &pixfmt)
{
    return std::to_string(frames) + " " + std::to_string(width) + " " + std::to_string(height) +
           " " + pixfmt + "\n" + std::string("\0uivf", 5);
}

std::string doubles(const std::vector<double> &values)
{
    return std::string(reinterpret_cast<const char *>(values.data()),
                       values.size() * sizeof(double));
}

std::vector<double> to_doubles(const std::string &bytes, size_t offset)
{
    if (bytes.size() < offset)
        return {};
    std::vector<double> values((bytes.size() - offset) / sizeof(double));
    memcpy(values.data(), bytes.data() + offset, values.size() * sizeof(double));
    return values;
}

int feed_pipe(const std::string &bytes, size_t chunk, unsigned delay_us)
{
    int p[2];
    if (pipe(p))
        throw std::runtime_error("pipe");
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork");
    if (pid == 0) {
        close(p[0]);
        for (size_t done = 0; done < bytes.size();) {
            size_t piece = chunk ? std::min(chunk, bytes.size() - done) : bytes.size() - done;
            ssize_t r = write(p[1], bytes.data() + done, piece);
            if (r <= 0)
                _exit(1);
            done += size_t(r);
            if (delay_us && done < bytes.size())
                usleep(delay_us);
        }
        _exit(0);
    }
    close(p[1]);
    return p[0];
}

RunResult run_function(const std::function<void()> &body, const std::string &input)
{
    return fork_run(RunOptions{.input = input}, body);
}

void write_script(const std::string &path, const std::string &body)
{
    write_file(path, "#!/bin/sh\n" + body);
    if (chmod(path.c_str(), 0755))
        throw std::runtime_error("chmod " + path);
}
