// rv-farm runs a chain over parts of a stream file through GNU parallel and
// joins them: the result equals, byte for byte, the chain over the whole file.
#include "harness.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <netinet/in.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A mirror and a blur whose deviation stream is cut along with each part.
const std::string chain = "rv-flop | rv-gauss-blur -s auto <(rv-cut {from} {to} sd.rv)";

// Seven frames of 6 x 4 pixels, every value different; deviations that vary.
void make_inputs(const TempDir &dir)
{
    std::vector<double> pixels, sd;
    for (int i = 0; i < 7 * 6 * 4; i++) {
        pixels.insert(pixels.end(), {i * 0.01, 1 - i * 0.003, i % 5 * 0.2, 1 - i % 3 * 0.25});
        double s = 0.5 + i % 4;
        sd.insert(sd.end(), {s, s / 2, s + 1, 1});
    }
    write_file(dir.file("in.rv"), make_stream(7, 6, 4, pixels));
    write_file(dir.file("sd.rv"), make_stream(7, 6, 4, sd));
}

RunOptions in(const TempDir &dir) { return {.path = {RV_SOURCE_DIR "/scripts"}, .cwd = dir.path}; }

std::string whole_run(const TempDir &dir)
{
    return expect_success(shell("rv-flop < in.rv | rv-gauss-blur -s auto sd.rv"), in(dir)).out;
}

// Nothing of a run is left beside the output.
void expect_no_staging(const TempDir &dir)
{
    for (const auto &entry : std::filesystem::directory_iterator(dir.path))
        EXPECT_EQ(entry.path().filename().string().rfind(".rv-farm.", 0), std::string::npos)
            << entry.path();
}

#define SKIP_WITHOUT_FARM_TOOLS()                                                           \
    if (!have_program("parallel") || !have_program("bash"))                                 \
    GTEST_SKIP() << "GNU parallel or bash is not installed"

} // namespace

TEST(Farm, LocalSlotsGiveTheWholeRun)
{
    SKIP_WITHOUT_FARM_TOOLS();
    TempDir dir;
    std::string expected = (make_inputs(dir), whole_run(dir));
    // Job slots and parts: even, uneven, one frame each, more parts than frames.
    for (const char *options : {"-j 2", "-j 2 -n 3", "-j 1 -n 7", "-j 3 -n 10", "-j 2 -n 1"}) {
        expect_output(shell("rv-farm " + std::string(options) + " -o out.rv in.rv '" + chain + "'"),
                      in(dir), "");
        EXPECT_TRUE(same_bytes(read_file(dir.file("out.rv")), expected)) << options;
        expect_no_staging(dir);
    }
}

TEST(Farm, FailedPartKeepsTheOutput)
{
    SKIP_WITHOUT_FARM_TOOLS();
    TempDir dir;
    make_inputs(dir);
    // Parts from frame 3 on crop outside the frame; a program that fails
    // before the end of the pipeline fails the part.  The output is left as
    // it was.
    for (auto [failing, message] :
         {std::pair{"rv-crop 2 2 0 {from}", "rv-crop: crop area extends beyond original image\n"},
          {"rv-gauss-blur -s auto missing.rv | cat",
           "rv-gauss-blur: open missing.rv: No such file or directory\n"}}) {
        write_file(dir.file("out.rv"), "kept");
        expect_failure(shell(std::string("rv-farm -j 2 -n 7 -o out.rv in.rv '") + failing + "'"),
                       in(dir), message);
        EXPECT_EQ(read_file(dir.file("out.rv")), "kept");
        expect_no_staging(dir);
    }
}

TEST(Farm, RefusedCommandLines)
{
    SKIP_WITHOUT_FARM_TOOLS();
    TempDir dir;
    make_inputs(dir);
    write_file(dir.file("endless.rv"), stream_head(0, 6, 4));
    const std::string usage = "usage: rv-farm [-s] [-j jobs] [-n parts] [-S sshlogin]... "
                              "[-B file]... [-E name]... -o output-file input-file chain\n";
    const std::string range = " must be an integer in [1, 999999999]\n";
    // The arguments, and rv-farm's message.
    const std::pair<std::string, std::string> cases[] = {
        {"in.rv rv-flop", usage},
        {"-o out.rv in.rv", usage},
        {"-x -o out.rv in.rv rv-flop", usage},
        {"-j 0 -o out.rv in.rv rv-flop", "rv-farm: argument of -j" + range},
        {"-n x -o out.rv in.rv rv-flop", "rv-farm: argument of -n" + range},
        {"-B /etc/passwd -o out.rv in.rv rv-flop",
         "rv-farm: /etc/passwd: -B takes a file inside the current folder, by a relative name\n"},
        {"-o out.rv missing.rv rv-flop", "rv-farm: missing.rv is not a regular file\n"},
        {"-o out.rv endless.rv rv-flop",
         "rv-farm: endless.rv: the head does not count its frames (rv-rewrite-head counts them)\n"},
    };
    for (const auto &[arguments, message] : cases) {
        expect_failure(shell("rv-farm " + arguments), in(dir), message);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.rv")));
    }
}

// An sshd of the test's own on a loopback port, with throwaway keys: `ssh`
// reaches it, or `reason` tells why it could not be started.  The sessions it
// starts get none of the test's environment but the sanitizer settings, so
// that programs built with the sanitizers behave there as they do here.
struct LoopbackSshd {
    TempDir dir;
    std::string reason, ssh = "ssh -F " + dir.file("ssh_config");

    LoopbackSshd()
    {
        if (access("/usr/sbin/sshd", X_OK) != 0 || !have_program("ssh") ||
            !have_program("ssh-keygen") || !have_program("rsync")) {
            reason = "sshd, ssh, ssh-keygen or rsync is not installed";
            return;
        }
        mkdir("/run/sshd", 0755); // sshd's privilege separation folder
        const std::string port = std::to_string(free_port()), at = dir.path + "/";
        std::string config = "ListenAddress 127.0.0.1\nPort " + port + "\nHostKey " + at +
                             "host_key\nAuthorizedKeysFile " + at + "user_key.pub\nPidFile " +
                             at + "sshd.pid\nStrictModes no\nUsePAM no\n"
                             "PasswordAuthentication no\nKbdInteractiveAuthentication no\n";
        for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char *value = getenv(name))
                config += std::string("SetEnv ") + name + "=" + value + "\n";
        write_file(dir.file("sshd_config"), config);
        write_file(dir.file("ssh_config"),
                   "Host 127.0.0.1\n  Port " + port + "\n  IdentityFile " + at +
                       "user_key\n  IdentitiesOnly yes\n  StrictHostKeyChecking no\n"
                       "  UserKnownHostsFile /dev/null\n  BatchMode yes\n  LogLevel ERROR\n");
        // sshd goes into the background once it listens, and writes its pid.
        RunResult started = run_shell("ssh-keygen -q -t ed25519 -N '' -f host_key && "
                                      "ssh-keygen -q -t ed25519 -N '' -f user_key && "
                                      "/usr/sbin/sshd -f sshd_config -E sshd.log",
                                      RunOptions{.cwd = dir.path});
        for (int tries = 0; started.status == 0 && tries < 50; tries++, usleep(100000))
            if (run_shell(ssh + " 127.0.0.1 true").status == 0)
                return;
        reason = "sshd did not start: " + started.err + read_file(dir.file("sshd.log"));
    }
    ~LoopbackSshd()
    {
        if (pid_t pid = atoi(read_file(dir.file("sshd.pid")).c_str()); pid > 0)
            kill(pid, SIGTERM);
    }
    static int free_port()
    {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
        socklen_t length = sizeof address;
        bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
        getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
        close(s);
        return ntohs(address.sin_port);
    }
};

TEST(Farm, OverSshToLoopback)
{
    SKIP_WITHOUT_FARM_TOOLS();
    LoopbackSshd sshd;
    if (!sshd.reason.empty())
        GTEST_SKIP() << sshd.reason;
    TempDir dir;
    std::string expected = (make_inputs(dir), whole_run(dir));
    const std::string farm = "PARALLEL_SSH='" + sshd.ssh + "' rv-farm ";
    const std::string remote = "-j 2 -S 127.0.0.1 -E PATH ";
    // Sent there with the deviations, and with shared storage: the same
    // paths there, nothing sent.
    for (const std::string &how : {remote + "-B sd.rv", "-s " + remote}) {
        std::filesystem::remove(dir.file("out.rv"));
        RunResult result = run(shell(farm + how + " -o out.rv in.rv '" + chain + "'"), in(dir));
        EXPECT_EQ(result.status, 0) << how << ": " << result.err;
        EXPECT_TRUE(same_bytes(read_file(dir.file("out.rv")), expected)) << how;
        expect_no_staging(dir);
    }

    // A failing part over ssh: its message, and the output left as it was.
    write_file(dir.file("out.rv"), "kept");
    expect_failure(shell(farm + remote + "-o out.rv in.rv 'rv-gauss-blur -s auto sd.rv'"),
                   in(dir), "rv-gauss-blur: open sd.rv: No such file or directory\n");
    EXPECT_EQ(read_file(dir.file("out.rv")), "kept");
}
