#include "fault.h"
#include "numbered_frames.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

constexpr size_t W = 40, H = 1;

TEST(Reverse, BothWays)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    for (size_t n : {0, 1, 2, 3, 4}) {
        std::vector<size_t> backwards = frame_range(0, n);
        std::reverse(backwards.begin(), backwards.end());
        const std::string expected = stream_head(n, W, H) + numbered_frames(backwards, W, H);

        write_file(in, numbered_video(n, W, H));
        expect_output({"rv-reverse", in}, "", expected);
        expect_output({"rv-reverse", "-i", in}, "", "");
        EXPECT_EQ(read_file(in), expected) << n << " frames";
        expect_output({"rv-reverse", "-i", in}, "", "");
        EXPECT_EQ(read_file(in), numbered_video(n, W, H)) << n << " frames";
    }
}

TEST(Reverse, ShortFilesAndPipes)
{
    TempDir dir;
    std::string in = dir.file("in.rv");
    // The head claims 5 frames, the body holds 4.
    const std::string short_video = numbered_video(4, W, H, 5);
    write_file(in, short_video);
    const std::string shorter = "rv-reverse: " + in + ": file is shorter than expected\n";
    EXPECT_EQ(expect_failure({"rv-reverse", in}, "", shorter).out, stream_head(5, W, H));
    // In place the shortage is found before the first swap.
    expect_failure({"rv-reverse", "-i", in}, "", shorter);
    EXPECT_EQ(read_file(in), short_video);

    EXPECT_EQ(expect_failure({"rv-reverse", "-"}, numbered_video(2, W, H),
                             "rv-reverse: pread -: Illegal seek\n")
                  .out,
              stream_head(2, W, H));
    const std::string usage = "usage: rv-reverse [-i] file\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-reverse", "-i", "-"}, "rv-reverse: lseek -: Illegal seek\n"},
        {{"rv-reverse", dir.file("large")},
         "rv-reverse: " + dir.file("large") + ": video is too large\n"},
        {{"rv-reverse"}, usage},
        {{"rv-reverse", in, in}, usage},
        {{"rv-reverse", "-x", in}, usage},
    };
    write_file(dir.file("large"), stream_head(288230376151711744ull, 1, 1));
    for (const auto &[argv, message] : cases)
        expect_failure(argv, numbered_video(2, W, H), message);
}

// In place, a failing seek or write leaves the file as it was when the pair
// was reached: the frames the pair has changed are written back.  Four
// frames of 1280 bytes after a 17-byte head; the first pair is written back
// to front by write 1 and front to back by write 2, after seeks 3 and 4.
TEST(Reverse, InPlaceFailuresPutThePairBack)
{
    const std::string nospace = "write in.rv: No space left on device";
    const std::string eio = "lseek in.rv: Input/output error";
    struct Case {
        std::string fault;
        std::string err;
        std::vector<size_t> frames; // the file's frames afterwards
    };
    const Case cases[] = {
        {failing_calls("write", ENOSPC, 1, 1, "in.rv"), nospace, {0, 1, 2, 3}},
        {failing_calls("write", ENOSPC, 2, 1, "in.rv"), nospace, {0, 1, 2, 3}},
        {failing_calls("lseek", EIO, 3, 1, "in.rv"), eio, {0, 1, 2, 3}},
        {failing_calls("lseek", EIO, 4, 1, "in.rv"), eio, {0, 1, 2, 3}},
        // The second pair fails: the first stays swapped.
        {failing_calls("write", EIO, 4, 1, "in.rv"), "write in.rv: Input/output error", {3, 1, 2, 0}},
        // Nothing can be written back.
        {failing_calls("write", ENOSPC, 1, 0, "in.rv"),
         nospace + "; the frame at byte offset 3857 may be damaged", {0, 1, 2, 3}},
        {failing_calls("write", ENOSPC, 2, 0, "in.rv"),
         nospace + "; the frames at byte offsets 17 and 3857 may be damaged", {0, 1, 2, 0}},
        {failing_calls("lseek", EIO, 4, 0, "in.rv"),
         eio + "; the frame at byte offset 3857 may be damaged", {0, 1, 2, 0}},
        // A file size limit inside the last frame: what the first write put
        // below the limit is written back as far as the limit lets it.
        {"ulimit -f 9; trap '' XFSZ; exec ",
         "write in.rv: File too large; the frame at byte offset 3857 may be damaged",
         {0, 1, 2, 3}},
    };
    for (const Case &c : cases) {
        TempDir dir;
        write_file(dir.file("in.rv"), numbered_video(4, W, H));
        RunOptions options;
        options.cwd = dir.path;
        expect_failure(shell(c.fault + "rv-reverse -i in.rv"), options,
                       "rv-reverse: " + c.err + "\n");
        EXPECT_EQ(read_file(dir.file("in.rv")),
                  stream_head(4, W, H) + numbered_frames(c.frames, W, H))
            << c.fault;
    }
}
