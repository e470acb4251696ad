// rv-concat, rv-split and rv-repeat never write into a file they read: an
// output that is an input, or that cannot be told apart from one because
// stat or fstat fails, is refused before any output is opened.
#include "fault.h"
#include "numbered_frames.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

constexpr size_t W = 40, H = 1;

TEST(SameFile, RefusedBeforeAnyOutputIsOpened)
{
    struct Case {
        std::string command;
        std::string fault; // prefix from failing_calls, or none
        std::string err;
    };
    // also.rv is a second name of a.rv, so that the calls on the input and
    // on the output can be told apart.
    const std::string eio = failing_calls("stat", EIO, 1, 0, "a.rv");
    const std::string eio_fstat = failing_calls("fstat", EIO, 1, 0, "1");
    const std::string eio_input_fstat = failing_calls("fstat", EIO, 1, 0, "a.rv");
    const std::string eio_stdin_fstat = failing_calls("fstat", EIO, 1, 0, "0");
    const Case cases[] = {
        {"rv-concat -o a.rv a.rv b.rv", eio, "rv-concat: stat a.rv: Input/output error\n"},
        {"rv-concat -o a.rv -j 2 b.rv a.rv", eio, "rv-concat: stat a.rv: Input/output error\n"},
        {"rv-concat a.rv b.rv >> a.rv", eio_fstat,
         "rv-concat: fstat <stdout>: Input/output error\n"},
        {"rv-concat b.rv a.rv >> also.rv", eio_input_fstat,
         "rv-concat: fstat a.rv: Input/output error\n"},
        {"rv-split a.rv 1 p.rv end < a.rv", eio, "rv-split: stat a.rv: Input/output error\n"},
        {"rv-split p.rv 1 a.rv end < a.rv", eio_stdin_fstat,
         "rv-split: fstat <stdin>: Input/output error\n"},
        // A later part over the input costs the earlier parts nothing.
        {"rv-split p.rv 1 a.rv end < a.rv", "", "rv-split: <stdin>: input file is output file\n"},
        {"rv-split - end < a.rv >> a.rv", "", "rv-split: <stdin>: input file is output file\n"},
        {"rv-split p.rv 1 /dev/fd/1 end < a.rv >> a.rv", "",
         "rv-split: <stdin>: input file is output file\n"},
        {"rv-repeat 2 a.rv >> a.rv", eio_fstat, "rv-repeat: fstat <stdout>: Input/output error\n"},
        {"rv-repeat 2 a.rv >> also.rv", eio_input_fstat,
         "rv-repeat: fstat a.rv: Input/output error\n"},
    };
    const std::string a = numbered_video(3, W, H), p = "older part";
    for (const Case &c : cases) {
        TempDir dir;
        write_file(dir.file("a.rv"), a);
        ASSERT_EQ(link(dir.file("a.rv").c_str(), dir.file("also.rv").c_str()), 0);
        write_file(dir.file("b.rv"), numbered_video(2, W, H));
        write_file(dir.file("p.rv"), p);
        RunOptions options;
        options.cwd = dir.path;
        // A program that copied its own growing input would stop here.
        expect_failure(
            shell("ulimit -f 2048; trap '' XFSZ; exec timeout 60 " + c.fault + c.command), options,
            c.err);
        EXPECT_TRUE(read_file(dir.file("a.rv")) == a) << c.command << ": the input changed";
        EXPECT_TRUE(read_file(dir.file("p.rv")) == p) << c.command << ": a part was opened";
    }
}
