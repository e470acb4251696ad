#include "harness.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::string bin_dir() { return RV_BIN_DIR; }

std::string program_path(const std::string &name) { return bin_dir() + "/" + name; }

static std::string search_path(const std::vector<std::string> &prepend)
{
    std::string path;
    for (const auto &d : prepend)
        path += d + ":";
    path += bin_dir();
    const char *old = getenv("PATH");
    path += ":";
    path += old ? old : "/usr/local/bin:/usr/bin:/bin";
    return path;
}

// Feeds the input (if in_fd is open) and collects standard output and error
// until all three pipes are done.
static void pump(int in_fd, const RunOptions &options, int out_fd, int err_fd, RunResult &result)
{
    const std::string &input = options.input;
    size_t written = 0;
    // The input end must not block while the program's output fills its pipe.
    if (in_fd >= 0)
        fcntl(in_fd, F_SETFL, fcntl(in_fd, F_GETFL) | O_NONBLOCK);
    char buf[65536];
    while (in_fd >= 0 || out_fd >= 0 || err_fd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (in_fd >= 0)
            fds[n++] = {in_fd, POLLOUT, 0};
        if (out_fd >= 0)
            fds[n++] = {out_fd, POLLIN, 0};
        if (err_fd >= 0)
            fds[n++] = {err_fd, POLLIN, 0};
        if (poll(fds, n, -1) < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("poll");
        }
        for (int i = 0; i < n; i++) {
            if (!fds[i].revents)
                continue;
            int fd = fds[i].fd;
            if (fd == in_fd) {
                size_t piece = input.size() - written;
                if (options.input_chunk && piece > options.input_chunk)
                    piece = options.input_chunk;
                ssize_t r = write(in_fd, input.data() + written, piece);
                if (r < 0 && errno == EAGAIN)
                    continue;
                if (r > 0)
                    written += size_t(r);
                if (r < 0 || written == input.size()) {
                    close(in_fd);
                    in_fd = -1;
                } else if (options.input_delay_us) {
                    usleep(options.input_delay_us);
                }
            } else {
                ssize_t r = read(fd, buf, sizeof buf);
                if (r <= 0) {
                    close(fd);
                    (fd == out_fd ? out_fd : err_fd) = -1;
                } else {
                    (fd == out_fd ? result.out : result.err).append(buf, size_t(r));
                }
            }
        }
    }
}

// Waits for the child and records how it ended.
static void wait_for(pid_t pid, RunResult &result)
{
    int wstatus;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR)
        ;
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.signal = WTERMSIG(wstatus);
}

static RunResult spawn(const std::string &file, const std::vector<std::string> &argv,
                       const RunOptions &options)
{
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err))
        throw std::runtime_error("pipe");
    std::string path = search_path(options.path);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork");
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()))
            _exit(126);
        if (!options.stdin_path.empty()) {
            int fd = open(options.stdin_path.c_str(), O_RDONLY);
            if (fd < 0)
                _exit(126);
            dup2(fd, 0);
            close(fd);
        } else {
            dup2(in[0], 0);
        }
        if (!options.stdout_path.empty()) {
            int fd = open(options.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                _exit(126);
            dup2(fd, 1);
            close(fd);
        } else {
            dup2(out[1], 1);
        }
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        if (options.close_stdin)
            close(0);
        if (options.close_stdout)
            close(1);
        setenv("PATH", path.c_str(), 1);
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(file.c_str(), args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);

    int in_fd = in[1];
    if (!options.stdin_path.empty() || options.input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    RunResult result;
    pump(in_fd, options, out[0], err[0], result);
    wait_for(pid, result);
    return result;
}

RunResult run(const std::vector<std::string> &argv, const RunOptions &options)
{
    std::string file = argv.at(0);
    if (file.find('/') == std::string::npos)
        file = program_path(file);
    return spawn(file, argv, options);
}

RunResult run(const std::vector<std::string> &argv, const std::string &input)
{
    RunOptions options;
    options.input = input;
    return run(argv, options);
}

RunResult run_shell(const std::string &command, const RunOptions &options)
{
    return spawn("/bin/sh", {"sh", "-c", command}, options);
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

TempDir::TempDir()
{
    char pattern[] = "/tmp/rv-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp");
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string stream_head(uint64_t frames, uint64_t width, uint64_t height,
                        const std::string &pixfmt)
{
    std::string head = std::to_string(frames) + " " + std::to_string(width) + " " +
                       std::to_string(height) + " " + pixfmt + "\n";
    head.push_back('\0');
    return head + "uivf";
}

std::string doubles(const std::vector<double> &values)
{
    std::string bytes(values.size() * sizeof(double), '\0');
    memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::string doubles(std::initializer_list<double> values)
{
    return doubles(std::vector<double>(values));
}

std::vector<double> to_doubles(const std::string &bytes, size_t offset)
{
    if (bytes.size() < offset)
        return {};
    std::vector<double> values((bytes.size() - offset) / sizeof(double));
    memcpy(values.data(), bytes.data() + offset, values.size() * sizeof(double));
    return values;
}

std::string make_stream(uint64_t frames, uint64_t width, uint64_t height,
                        const std::vector<double> &values)
{
    return stream_head(frames, width, height) + doubles(values);
}

uint64_t bits(double v)
{
    uint64_t b;
    memcpy(&b, &v, sizeof b);
    return b;
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
        size_t done = 0;
        while (done < bytes.size()) {
            size_t piece = bytes.size() - done;
            if (chunk && piece > chunk)
                piece = chunk;
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
    int out[2], err[2];
    if (pipe(out) || pipe(err))
        throw std::runtime_error("pipe");
    int in = feed_pipe(input);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork");
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL);
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in, out[0], out[1], err[0], err[1]})
            close(fd);
        body();
        fflush(nullptr);
        _exit(0);
    }
    close(in);
    close(out[1]);
    close(err[1]);
    RunResult result;
    pump(-1, RunOptions{}, out[0], err[0], result);
    wait_for(pid, result);
    return result;
}

void write_script(const std::string &path, const std::string &body)
{
    write_file(path, "#!/bin/sh\n" + body);
    if (chmod(path.c_str(), 0755))
        throw std::runtime_error("chmod " + path);
}
