#include "numbered_frames.h"

#include <gtest/gtest.h>

constexpr size_t W = 40, H = 1;

// First stream frames 0 and 1, second frames 10 to 12.
static std::string second_video()
{
    return stream_head(3, W, H) + numbered_frames({10, 11, 12}, W, H);
}

static const std::string joined =
    stream_head(5, W, H) + numbered_frames({0, 1, 10, 11, 12}, W, H);

TEST(Concat, ThreeWaysOfWritingAgree)
{
    TempDir dir;
    std::string a = dir.file("a.rv"), b = dir.file("b.rv");
    write_file(a, numbered_video(2, W, H));
    write_file(b, second_video());

    RunResult streamed = run({"rv-concat", a, b});
    ASSERT_EQ(streamed.status, 0) << streamed.err;
    EXPECT_EQ(streamed.out, joined);

    // In place over an older, longer file: it is truncated first.
    std::string in_place = dir.file("in-place.rv");
    write_file(in_place, std::string(100000, 'x'));
    RunResult r = run({"rv-concat", "-o", in_place, a, b});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(in_place), joined);

    std::string jobs = dir.file("jobs.rv");
    r = run({"rv-concat", "-o", jobs, "-j", "3", a, b});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(jobs), joined);

    // Started with standard output closed, the first input takes descriptor
    // 1; the output file must not take it from under that input.
    RunOptions closed;
    closed.close_stdout = true;
    write_file(jobs, "");
    r = run({"rv-concat", "-o", jobs, "-j", "3", a, b}, closed);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(jobs), joined);
    // Without -o that input is no output file, and the head cannot be written.
    r = run({"rv-concat", a, a}, closed);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-concat: <stdout>: Bad file descriptor\n");

    // Standard input as one of the streams.
    r = run({"rv-concat", a, "-"}, second_video());
    EXPECT_EQ(r.out, joined);

    // In place onto a pipe: the bodies and then the head go out, and mapping
    // the output is what fails.
    r = run({"rv-concat", "-o", "/dev/stdout", a, b});
    EXPECT_EQ(r.status, 1);
    const std::string head = stream_head(5, W, H);
    EXPECT_EQ(r.out, joined.substr(head.size()) + head);
    EXPECT_EQ(r.err.rfind("rv-concat: mmap /dev/stdout: ", 0), 0u) << r.err;
}

TEST(Concat, BodiesAsTheyAre)
{
    TempDir dir;
    std::string a = dir.file("a.rv"), b = dir.file("b.rv");
    // The head of a claims 4 frames; its 2 are copied and 4 are counted.
    write_file(a, numbered_video(2, W, H, 4));
    write_file(b, second_video());
    RunResult r = run({"rv-concat", a, b, a});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(11, W, H) + numbered_frames({0, 1, 10, 11, 12, 0, 1}, W, H));

    std::string out = dir.file("out.rv");
    r = run({"rv-concat", "-o", out, a, b, a});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(out), stream_head(11, W, H) +
                                  numbered_frames({0, 1, 10, 11, 12, 0, 1}, W, H));

    // Streams without frames still give their head's count.
    std::string empty = dir.file("empty.rv");
    write_file(empty, stream_head(0, W, H));
    r = run({"rv-concat", "-o", out, empty, empty});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(out), stream_head(0, W, H));
}

TEST(Concat, RefusedInputsLeaveTheOutputAlone)
{
    TempDir dir;
    std::string a = dir.file("a.rv"), wide = dir.file("wide.rv"), out = dir.file("out.rv");
    write_file(a, numbered_video(2, W, H));
    write_file(wide, numbered_video(1, W + 1, H));
    const std::string old = "older contents";

    RunResult r = run({"rv-concat", a, wide});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-concat: videos do not have the same geometry\n");

    for (auto jobs : {std::vector<std::string>{}, std::vector<std::string>{"-j", "1"}}) {
        std::vector<std::string> argv = {"rv-concat", "-o", out};
        argv.insert(argv.end(), jobs.begin(), jobs.end());
        write_file(out, old);
        std::vector<std::string> bad = argv;
        bad.insert(bad.end(), {a, wide});
        r = run(bad);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "rv-concat: videos do not have the same geometry\n");
        EXPECT_EQ(read_file(out), old);

        std::vector<std::string> missing = argv;
        missing.insert(missing.end(), {a, dir.file("missing.rv")});
        r = run(missing);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(read_file(out), old);

        // The output named again as an input would be truncated under its reader.
        std::vector<std::string> itself = argv;
        write_file(out, numbered_video(1, W, H));
        itself.insert(itself.end(), {out, a});
        r = run(itself);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "rv-concat: " + out + ": input file is output file\n");
        EXPECT_EQ(read_file(out), numbered_video(1, W, H));
    }

    // Appending standard output to an input is refused too.
    r = run_shell("rv-concat " + a + " " + a + " >> " + a);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-concat: " + a + ": input file is output file\n");
    EXPECT_EQ(read_file(a), numbered_video(2, W, H));

    std::string longest = dir.file("longest.rv");
    write_file(longest, stream_head(18446744073709551615ull, W, H));
    r = run({"rv-concat", longest, a});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "rv-concat: resulting video is too long\n");
}

TEST(Concat, CommandLine)
{
    const std::string usage =
        "usage: rv-concat [-o output-file [-j jobs]] first-stream ... last-stream\n";
    for (auto argv : {std::vector<std::string>{"rv-concat", "a"},
                      std::vector<std::string>{"rv-concat", "-j", "2", "a", "b"},
                      std::vector<std::string>{"rv-concat", "-x", "a", "b"},
                      std::vector<std::string>{"rv-concat", "-o"}}) {
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, usage) << argv[1];
    }
    for (const char *jobs : {"0", "32768", "two"}) {
        RunResult r = run({"rv-concat", "-o", "x", "-j", jobs, "a", "b"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "rv-concat: argument of -j must be an integer in [1, 32767]\n");
    }
}

TEST(Concat, AnEndlessInputMakesAnEndlessOutput)
{
    // A head count of 0 means the length is not known: the sum would claim
    // the first frames only, and the next program would drop the rest.
    TempDir dir;
    std::string title = dir.file("title.rv"), endless = dir.file("endless.rv");
    write_file(title, numbered_video(2, W, H));
    write_file(endless, numbered_video(12, W, H, 0));
    const std::string body = numbered_frames(frame_range(0, 2), W, H) +
                             numbered_frames(frame_range(0, 12), W, H);
    const std::string expected = stream_head(0, W, H) + body;
    std::string out = dir.file("out.rv");
    struct {
        std::vector<std::string> options;
        bool to_file;
    } ways[] = {{{}, false}, {{"-o", out}, true}, {{"-o", out, "-j", "2"}, true}};
    for (const auto &way : ways) {
        // Through a pipe on standard input, and as a named file, first or last.
        for (const auto &operands : {std::vector<std::string>{title, "-"},
                                     std::vector<std::string>{title, endless}}) {
            std::vector<std::string> argv = {"rv-concat"};
            argv.insert(argv.end(), way.options.begin(), way.options.end());
            argv.insert(argv.end(), operands.begin(), operands.end());
            write_file(out, "");
            RunResult r = run(argv, read_file(endless));
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(way.to_file ? read_file(out) : r.out, expected) << argv[1];
        }
        std::vector<std::string> argv = {"rv-concat"};
        argv.insert(argv.end(), way.options.begin(), way.options.end());
        argv.insert(argv.end(), {endless, title});
        RunResult r = run(argv);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(way.to_file ? read_file(out) : r.out,
                  stream_head(0, W, H) + numbered_frames(frame_range(0, 12), W, H) +
                      numbered_frames(frame_range(0, 2), W, H));
    }

    // Counts that together pass 64 bits do not matter once the length is
    // not known anyway.
    std::string longest = dir.file("longest.rv");
    write_file(longest, stream_head(18446744073709551615ull, W, H));
    RunResult r = run({"rv-concat", longest, title, endless});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
}
