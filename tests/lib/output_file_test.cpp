#include "diagnostics.h"
#include "harness.h"
#include "output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

static Stream head_of(size_t frames, size_t width, size_t height)
{
    Stream s{};
    s.frames = frames;
    s.width = width;
    s.height = height;
    strcpy(s.pixfmt, "xyza");
    return s;
}

TEST(OutputFile, HeadText)
{
    HeadText t = stream_head_text(head_of(2, 640, 480));
    EXPECT_EQ(std::string(t.bytes, t.length), stream_head(2, 640, 480));
    EXPECT_EQ(t.length, 20u);
    t = stream_head_text(head_of(SIZE_MAX, SIZE_MAX, SIZE_MAX));
    EXPECT_EQ(std::string(t.bytes, t.length),
              stream_head(UINT64_MAX, UINT64_MAX, UINT64_MAX));
}

TEST(OutputFile, PrependHead)
{
    TempDir dir;
    std::string path = dir.file("out.rv");
    // Frames over several pages, so that the move overlaps itself.
    std::string data;
    for (size_t i = 0; i < 3 * 4096 + 77; i++)
        data.push_back(char(i * 7 + i / 256));
    for (const std::string &body : {data, std::string()}) {
        RunResult r = run_function([&] {
            program_name = "p";
            int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
            if (write_all(fd, body.data(), body.size()))
                _exit(9);
            file_prepend_head(1, fd, "out.rv", body.size(), stream_head_text(head_of(5, 3, 1)));
        });
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(path), stream_head(5, 3, 1) + body);
    }
}
