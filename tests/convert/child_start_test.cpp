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
    const RunOptions options{.cwd = dir.path};
    for (const Case &c : cases) {
        const std::string self = program_path(c.program);
        // Not found in the search path.  A broken pipe to a child that never
        // ran is no second line either.
        expect_failure(shell("trap '' PIPE; PATH=" + empty.path + " exec " + self + " " +
                             c.operands),
                       options, self + ": exec " + c.failed + ": No such file or directory\n");
        // Its pipe cannot be put in place.
        expect_failure(shell(failing_calls("dup2", EBADF, 1, 0) + self + " " + c.operands),
                       options, self + ": dup2: Bad file descriptor\n");
    }
}
