// file(1) with the suite's magic names streams and frame-difference streams.
#include "harness.h"

#include <gtest/gtest.h>

TEST(Magic, NamesStreams)
{
    if (!have_program("file"))
        GTEST_SKIP() << "file(1) is not installed";
    TempDir dir;
    const RunOptions in_dir{.cwd = dir.path};
    // Streams as the programs write them: raw, compressed, head only.
    expect_output(shell("rv-single-colour -f 16 -w 1920 -h 2 0.5 > grey.rv && "
                        "rv-compress < grey.rv > grey.rvd && "
                        "rv-single-colour -w 3 -h 1080 0 0 0 0 > black.rv && "
                        "rv-compress < black.rv > black.rvd && "
                        "rv-write-head 0 1920 1080 xyza > endless.rv && "
                        "rv-single-colour -w 1 -h 1 1 | rv-compress > white.rvd"),
                  in_dir, "");
    write_file(dir.file("text.rv"), "16 1920 1080 xyza\nno magic\n");
    write_file(dir.file("wrong.rv"), std::string("1 2 3 xyza\n\0uivg", 17) + doubles({1, 2, 3, 4}));
    struct Case {
        const char *file, *named;
    } cases[] = {
        {"grey.rv", "rv stream, 16 frames, 1920 x 2, xyza"},
        {"grey.rvd", "rv frame-difference stream, 16 frames, 1920 x 2, xyza"},
        // All zero bytes: a raw first pixel that no record header can be.
        {"black.rv", "rv stream, 1 frame, 3 x 1080, xyza"},
        {"black.rvd", "rv frame-difference stream, 1 frame, 3 x 1080, xyza"},
        {"white.rvd", "rv frame-difference stream, 1 frame, 1 x 1, xyza"},
        {"endless.rv", "rv stream, endless, 1920 x 1080, xyza"},
    };
    const std::string file = "file -b -m '" RV_SOURCE_DIR "/magic/rv' ";
    for (const auto &c : cases)
        expect_output(shell(file + c.file), in_dir, std::string(c.named) + "\n");
    for (const char *other : {"text.rv", "wrong.rv"}) {
        RunResult result = expect_success(shell(file + other), in_dir);
        EXPECT_EQ(result.out.find("rv "), std::string::npos) << other << ": " << result.out;
    }
}
