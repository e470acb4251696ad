#include "diagnostics.h"
#include "harness.h"
#include "stream_format.h"
#include "stream_input.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

// Reads a head from a pipe fed in pieces, in a child; prints the fields.
static RunResult read_head(const std::string &bytes, size_t chunk = 0, int status = 1)
{
    return run_function(
        [&] {
            program_name = "p";
            Stream s;
            s.file = "<in>";
            s.fd = feed_pipe(bytes, chunk, chunk ? 200 : 0);
            stream_read_head(status, s);
            printf("%zu %zu %zu %s %zu %zu %zu|", s.frames, s.width, s.height, s.pixfmt,
                   s.pixel_size, s.headlen, s.fill);
            fwrite(s.buf, 1, s.fill, stdout);
        });
}

TEST(StreamFormat, ReadHead)
{
    RunResult r = read_head(stream_head(2, 640, 480));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 640 480 xyza 32 20 0|");

    // Head and the first frame bytes in one read: the frame bytes stay buffered.
    r = read_head(stream_head(1, 1, 1) + "0123456789");
    EXPECT_EQ(r.out, "1 1 1 xyza 32 16 10|0123456789");

    // The same bytes arriving one at a time.
    r = read_head(stream_head(7, 3, 2) + "abc", 1);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("7 3 2 xyza 32 16 ", 0), 0u) << r.out;

    // What strtoul accepts is accepted.
    r = read_head("+0 1 1 xyza\n" + std::string(1, '\0') + "uivf");
    EXPECT_EQ(r.out, "0 1 1 xyza 32 17 0|");
}

TEST(StreamFormat, HeadFromBuffer)
{
    RunResult r = run_function([] {
        Stream s{};
        s.file = "<buf>";
        std::string bytes = stream_head(3, 4, 5);
        stream_parse_head(1, s, reinterpret_cast<const unsigned char *>(bytes.data()),
                          bytes.size());
        printf("%zu %zu %zu %zu", s.frames, s.width, s.height, s.headlen);
    });
    EXPECT_EQ(r.out, "3 4 5 16");
    r = run_function([] {
        program_name = "p";
        Stream s{};
        s.file = "<buf>";
        stream_parse_head(1, s, reinterpret_cast<const unsigned char *>("1 1 1 xyza\n\0uiv"),
                          15);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: <buf>: file format not supported\n");
}

TEST(StreamFormat, HeadLengthLimit)
{
    // The line and its newline must lie within the first bytes of the stream.
    std::string pad(stream_head_limit - 16, '0');
    std::string longest = pad + "2 640 480 xyza\n";
    ASSERT_EQ(longest.size(), stream_head_limit - 1);
    RunResult r = read_head(longest + "0\n" + std::string(1, '\0') + "uivf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: <in>: file format not supported\n") << "the stray line is no head";

    std::string line = std::string(stream_head_limit - 15, '0') + "2 640 480 xyza";
    ASSERT_EQ(line.size() + 1, stream_head_limit);
    r = read_head(line + "\n" + std::string(1, '\0') + "uivf");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 640 480 xyza 32 " + std::to_string(stream_head_limit + 5) + " 0|");

    r = read_head("0" + line + "\n" + std::string(1, '\0') + "uivf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: <in>: file format not supported\n");
}

TEST(StreamFormat, HeadErrors)
{
    const std::string nul(1, '\0');
    struct Case {
        std::string bytes;
        int status;
        std::string err;
    } cases[] = {
        {"", 7, "p: <in>: file format not supported\n"},
        {"1 1 1 xyza", 7, "p: <in>: file format not supported\n"},
        {"1 1 1 xyza\n", 7, "p: <in>: file format not supported\n"},
        {"1 1 1 xyza\n" + nul + "uiv", 7, "p: <in>: file format not supported\n"},
        {"1 1 1 xyza\n" + nul + "uivF", 7, "p: <in>: file format not supported\n"},
        {"1 1 1 xyza\nXuivf", 7, "p: <in>: file format not supported\n"},
        {"1 1 xyza\n" + nul + "uivf", 7, "p: <in>: file format not supported\n"},
        {"1 1  xyza\n" + nul + "uivf", 7, "p: <in>: file format not supported\n"},
        {"1 1 1x xyza\n" + nul + "uivf", 7, "p: <in>: file format not supported\n"},
        {"1 0 5 xyza\n" + nul + "uivf", 1, "p: <in>: width is zero\n"},
        {"1 0 0 xyza\n" + nul + "uivf", 1, "p: <in>: width is zero\n"},
        {"1 5 0 xyza\n" + nul + "uivf", 1, "p: <in>: height is zero\n"},
        {"99999999999999999999 1 1 xyza\n" + nul + "uivf", 7, "p: <in>: video is too long\n"},
        {"-99999999999999999999 1 1 xyza\n" + nul + "uivf", 7,
         "p: <in>: file format not supported\n"},
        {"1 99999999999999999999 1 xyza\n" + nul + "uivf", 7, "p: <in>: video is too wide\n"},
        {"1 1 99999999999999999999 xyza\n" + nul + "uivf", 7, "p: <in>: video is too tall\n"},
        {"1 1 1 rgba\n" + nul + "uivf", 7, "p: file <in> uses unsupported pixel format: rgba\n"},
        {"1 1 1 xyza extra\n" + nul + "uivf", 7,
         "p: file <in> uses unsupported pixel format: xyza extra\n"},
        {"1 1 1 " + std::string(32, 'a') + "\n" + nul + "uivf", 7,
         "p: <in>: file format not supported\n"},
        {"1 1 1 rgba\nXuivf", 7, "p: <in>: file format not supported\n"},
    };
    for (const Case &c : cases) {
        RunResult r = read_head(c.bytes, 0, 7);
        EXPECT_EQ(r.status, c.status) << c.bytes;
        EXPECT_EQ(r.err, c.err) << c.bytes;
    }
    // A format name of exactly 31 characters passes the head checks.
    RunResult r = read_head("1 1 1 " + std::string(31, 'a') + "\n" + nul + "uivf", 0, 7);
    EXPECT_EQ(r.err, "p: file <in> uses unsupported pixel format: " + std::string(31, 'a') + "\n");
}

TEST(StreamFormat, OpenAndReadErrors)
{
    RunResult r = run_function([] {
        program_name = "p";
        Stream s;
        stream_open(1, s, "/nonexistent/file");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: open /nonexistent/file: " + std::string(strerror(ENOENT)) + "\n");
    r = run_function([] {
        program_name = "p";
        Stream s;
        stream_open(1, s, "/tmp");
    });
    EXPECT_EQ(r.err, "p: read /tmp: " + std::string(strerror(EISDIR)) + "\n");
    r = run_function(
        [] {
            Stream s;
            stream_open(1, s, nullptr);
            printf("%s %zu", s.file, s.frames);
        },
        stream_head(9, 1, 1));
    EXPECT_EQ(r.out, "<stdin> 9");
}

TEST(StreamFormat, FrameSize)
{
    const size_t big = size_t(1) << 62;
    EXPECT_TRUE(frame_size_fits(1920, 1080, 32));
    EXPECT_TRUE(frame_size_fits(big, 0, 0));
    EXPECT_TRUE(frame_size_fits(0, 0, 32));
    EXPECT_FALSE(frame_size_fits(0, big, 32)) << "a zero width must not hide the height";
    EXPECT_FALSE(frame_size_fits(big, 0, 32));
    EXPECT_TRUE(frame_size_fits(size_t(1) << 58, 1, 32));
    EXPECT_TRUE(frame_size_fits((size_t(1) << 58) - 1, 4, 16));
    EXPECT_FALSE(frame_size_fits(size_t(1) << 58, 2, 32));
    EXPECT_FALSE(frame_size_fits(size_t(1) << 32, size_t(1) << 32, 1));

    struct Case {
        size_t w, h;
        const char *prefix, *err;
    } cases[] = {
        {1, big, nullptr, "p: f: video frame is too tall\n"},
        {big, 1, "", "p: f: video frame is too wide\n"},
        {size_t(1) << 32, size_t(1) << 32, nullptr, "p: f: video frame is too large\n"},
        {big, 1, "output", "p: f: output video frame is too wide\n"},
    };
    for (const Case &c : cases) {
        RunResult r = run_function([&] {
            program_name = "p";
            require_frame_size(6, c.w, c.h, 32, c.prefix, "f");
        });
        EXPECT_EQ(r.status, 6);
        EXPECT_EQ(r.err, c.err);
    }
    RunResult r = run_function([] { require_frame_size(6, 1920, 1080, 32, nullptr, "f"); });
    EXPECT_EQ(r.status, 0);
}

TEST(StreamFormat, PrintAndCompatible)
{
    RunResult r = run_function([] {
        Stream s{};
        s.frames = 2;
        s.width = 640;
        s.height = 480;
        strcpy(s.pixfmt, "xyza");
        stream_print_head(stdout, s);
        stream_print_and_flush_head(1, s);
    });
    EXPECT_EQ(r.out, stream_head(2, 640, 480) + stream_head(2, 640, 480));

    // Writing the head to a closed standard output fails with the stdio error.
    r = run_function([] {
        program_name = "p";
        close(1);
        Stream s{};
        s.frames = 1, s.width = 1, s.height = 1;
        strcpy(s.pixfmt, "xyza");
        stream_print_and_flush_head(3, s);
    });
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "p: <stdout>: " + std::string(strerror(EBADF)) + "\n");

    Stream a{}, b{};
    a.width = b.width = 4;
    a.height = b.height = 3;
    a.frames = 1;
    b.frames = 9;
    strcpy(a.pixfmt, "xyza");
    strcpy(b.pixfmt, "xyza");
    stream_check_compatible(1, a, b);
    r = run_function([=]() mutable {
        program_name = "p";
        b.height = 4;
        stream_check_compatible(2, a, b);
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "p: videos do not have the same geometry\n");
    r = run_function([=]() mutable {
        program_name = "p";
        strcpy(b.pixfmt, "rgba");
        stream_check_compatible(2, a, b);
    });
    EXPECT_EQ(r.err, "p: videos use incompatible pixel formats\n");
}

TEST(StreamFormat, Fill)
{
    RunResult r = run_function(
        [] {
            program_name = "p";
            Stream s;
            stream_open(1, s, nullptr);
            size_t got = s.fill;
            while (size_t n = stream_fill(1, s, 3)) {
                printf("%zu,", n);
                got += n;
                stream_drop(s, s.fill);
            }
            printf("%zu", got);
        },
        stream_head(1, 1, 1) + "abcdefg");
    EXPECT_EQ(r.status, 0);
    // The head read takes what is there; nothing is left for further reads.
    EXPECT_EQ(r.out, "7");
}
