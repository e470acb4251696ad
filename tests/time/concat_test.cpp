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

    expect_output({"rv-concat", a, b}, "", joined);

    // In place over an older, longer file: it is truncated first.
    std::string in_place = dir.file("in-place.rv");
    write_file(in_place, std::string(100000, 'x'));
    expect_output({"rv-concat", "-o", in_place, a, b}, "", "");
    EXPECT_EQ(read_file(in_place), joined);

    std::string jobs = dir.file("jobs.rv");
    expect_output({"rv-concat", "-o", jobs, "-j", "3", a, b}, "", "");
    EXPECT_EQ(read_file(jobs), joined);

    // Started with standard output closed, the first input takes descriptor
    // 1; the output file must not take it from under that input.
    RunOptions closed;
    closed.close_stdout = true;
    write_file(jobs, "");
    expect_success({"rv-concat", "-o", jobs, "-j", "3", a, b}, closed);
    EXPECT_EQ(read_file(jobs), joined);
    // Without -o that input is no output file, and the head cannot be written.
    expect_failure({"rv-concat", a, a}, closed, "rv-concat: <stdout>: Bad file descriptor\n");

    // Standard input as one of the streams.
    expect_output({"rv-concat", a, "-"}, second_video(), joined);

    // In place onto a pipe: the bodies and then the head go out, and mapping
    // the output is what fails.
    RunResult r = run({"rv-concat", "-o", "/dev/stdout", a, b});
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
    const std::string aba = stream_head(11, W, H) + numbered_frames({0, 1, 10, 11, 12, 0, 1}, W, H);
    expect_output({"rv-concat", a, b, a}, "", aba);
    std::string out = dir.file("out.rv");
    expect_output({"rv-concat", "-o", out, a, b, a}, "", "");
    EXPECT_EQ(read_file(out), aba);

    // Streams without frames still give their head's count.
    std::string empty = dir.file("empty.rv");
    write_file(empty, stream_head(0, W, H));
    expect_output({"rv-concat", "-o", out, empty, empty}, "", "");
    EXPECT_EQ(read_file(out), stream_head(0, W, H));
}

TEST(Concat, RefusedInputsLeaveTheOutputAlone)
{
    TempDir dir;
    std::string a = dir.file("a.rv"), wide = dir.file("wide.rv"), out = dir.file("out.rv");
    write_file(a, numbered_video(2, W, H));
    write_file(wide, numbered_video(1, W + 1, H));
    const std::string old = "older contents";

    const std::string geometry = "rv-concat: videos do not have the same geometry\n";
    EXPECT_EQ(expect_failure({"rv-concat", a, wide}, "", geometry).out, "");

    for (auto jobs : {std::vector<std::string>{}, std::vector<std::string>{"-j", "1"}}) {
        auto argv = [&](const std::string &first, const std::string &second) {
            std::vector<std::string> words = {"rv-concat", "-o", out};
            words.insert(words.end(), jobs.begin(), jobs.end());
            words.insert(words.end(), {first, second});
            return words;
        };
        write_file(out, old);
        expect_failure(argv(a, wide), "", geometry);
        EXPECT_EQ(read_file(out), old);
        EXPECT_EQ(run(argv(a, dir.file("missing.rv"))).status, 1);
        EXPECT_EQ(read_file(out), old);

        // The output named again as an input would be truncated under its reader.
        write_file(out, numbered_video(1, W, H));
        expect_failure(argv(out, a), "", "rv-concat: " + out + ": input file is output file\n");
        EXPECT_EQ(read_file(out), numbered_video(1, W, H));
    }

    // Appending standard output to an input is refused too.
    expect_failure(shell("rv-concat " + a + " " + a + " >> " + a), "",
                   "rv-concat: " + a + ": input file is output file\n");
    EXPECT_EQ(read_file(a), numbered_video(2, W, H));

    std::string longest = dir.file("longest.rv");
    write_file(longest, stream_head(18446744073709551615ull, W, H));
    EXPECT_EQ(expect_failure({"rv-concat", longest, a}, "",
                             "rv-concat: resulting video is too long\n")
                  .out,
              "");
}

TEST(Concat, CommandLine)
{
    const std::string usage =
        "usage: rv-concat [-o output-file [-j jobs]] first-stream ... last-stream\n";
    const std::string jobs = "rv-concat: argument of -j must be an integer in [1, 32767]\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-concat", "a"}, usage},
        {{"rv-concat", "-j", "2", "a", "b"}, usage},
        {{"rv-concat", "-x", "a", "b"}, usage},
        {{"rv-concat", "-o"}, usage},
        {{"rv-concat", "-o", "x", "-j", "0", "a", "b"}, jobs},
        {{"rv-concat", "-o", "x", "-j", "32768", "a", "b"}, jobs},
        {{"rv-concat", "-o", "x", "-j", "two", "a", "b"}, jobs},
    };
    for (const auto &[argv, message] : cases)
        expect_failure(argv, "", message);
}

TEST(Concat, AnEndlessInputMakesAnEndlessOutput)
{
    // A head count of 0 means the length is not known: the sum would claim
    // the first frames only, and the next program would drop the rest.
    TempDir dir;
    std::string title = dir.file("title.rv"), endless = dir.file("endless.rv");
    write_file(title, numbered_video(2, W, H));
    write_file(endless, numbered_video(12, W, H, 0));
    const std::string first = numbered_frames(frame_range(0, 2), W, H);
    const std::string rest = numbered_frames(frame_range(0, 12), W, H);
    const std::string expected = stream_head(0, W, H) + first + rest;
    std::string out = dir.file("out.rv");
    const std::vector<std::string> ways[] = {{}, {"-o", out}, {"-o", out, "-j", "2"}};
    // Through a pipe on standard input, and as a named file, first or last.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{title, "-"}, expected},
        {{title, endless}, expected},
        {{endless, title}, stream_head(0, W, H) + rest + first},
    };
    for (const auto &options : ways)
        for (const auto &[operands, want] : cases) {
            std::vector<std::string> argv = {"rv-concat"};
            argv.insert(argv.end(), options.begin(), options.end());
            argv.insert(argv.end(), operands.begin(), operands.end());
            write_file(out, "");
            expect_output(argv, read_file(endless), options.empty() ? want : "");
            if (!options.empty()) {
                EXPECT_EQ(read_file(out), want) << command_line(argv);
            }
        }

    // Counts that together pass 64 bits do not matter once the length is
    // not known anyway.
    std::string longest = dir.file("longest.rv");
    write_file(longest, stream_head(18446744073709551615ull, W, H));
    expect_output({"rv-concat", longest, title, endless}, "", expected);
}
