// A converter whose child cannot become convert, ffprobe or ffmpeg: the
// child's line is the only one, and the status is 1.
#include "fault.h"
#include "harness.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(ChildStart, OneLineWhenTheChildCannotStart)
{
    TempDir dir, empty;
    write_file(dir.file("in.rv"), make_stream(1, 1, 1, {0.5, 0.5, 0.5, 1}));
    write_file(dir.file("in.mkv"), "not a video");
    struct Case {
        std::string program, operands, failed;
    };
    const Case cases[] = {
        {"rv-from-image", "< in.rv", "convert"},
        {"rv-from-video", "in.mkv out.rv", "ffprobe"},
        {"rv-from-video", "-w 1 -h 1 in.mkv out.rv", "ffmpeg"},
        {"rv-to-video", "10 out.mkv < in.rv", "ffmpeg"},
    };
    RunOptions options;
    options.cwd = dir.path;
    for (const Case &c : cases) {
        const std::string self = program_path(c.program);
        // Not found in the search path.  A broken pipe to a child that never
        // ran is no second line either.
        RunResult r = run_shell("trap '' PIPE; PATH=" + empty.path + " exec " + self + " " +
                                    c.operands,
                                options);
        EXPECT_EQ(r.status, 1) << c.program << " " << c.operands;
        EXPECT_EQ(r.err, self + ": exec " + c.failed + ": No such file or directory\n")
            << c.operands;
        // Its pipe cannot be put in place.
        r = run_shell(failing_calls("dup2", EBADF, 1, 0) + self + " " + c.operands, options);
        EXPECT_EQ(r.status, 1) << c.program << " " << c.operands;
        EXPECT_EQ(r.err, self + ": dup2: Bad file descriptor\n") << c.operands;
    }
}
