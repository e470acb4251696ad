#include "frames.h"

#include <gtest/gtest.h>

TEST(Extend, ZeroMargins)
{
    const std::string in = labelled(2, 3, 2);
    expect_output({"rv-extend"}, in, in);

    // A left margin of 1 on a 2-pixel row: a zero pixel, then the row.
    expect_output({"rv-extend", "-l", "1"}, labelled(1, 2, 1),
                  stream_head(1, 3, 1) + std::string(32, '\0') + doubles(label(0, 0, 0)) +
                      doubles(label(0, 1, 0)));

    // All four margins, over two frames: the margins stay zero in both.
    expect_output({"rv-extend", "-l2", "-r", "1", "-a", "3", "-b1"}, in,
                  mapped(2, 6, 6, [](size_t, size_t x, size_t y) -> Source {
                      if (x >= 2 && x < 5 && y >= 3 && y < 5)
                          return {{x - 2, y - 3}};
                      return {};
                  }));

    // A later occurrence replaces an earlier one.
    expect_output({"rv-extend", "-b", "5", "-b0", "-l", "1", "-l", "0"}, in, in);
}

TEST(Extend, TiledMargins)
{
    // A, B with one column on the left gives B, A, B.
    expect_output({"rv-extend", "-t", "-l", "1"}, labelled(1, 2, 1),
                  stream_head(1, 3, 1) + doubles(label(0, 1, 0)) + doubles(label(0, 0, 0)) +
                      doubles(label(0, 1, 0)));

    // Rows P, Q with three rows above give Q, P, Q, P, Q.
    std::string p = doubles(label(0, 0, 0)), q = doubles(label(0, 0, 1));
    expect_output({"rv-extend", "-a3", "-t"}, labelled(1, 1, 2),
                  stream_head(1, 1, 5) + q + p + q + p + q);

    // Both axes, margins wider than the frame.
    expect_output({"rv-extend", "-t", "-l", "5", "-r", "4", "-a", "3", "-b", "4"},
                  labelled(2, 2, 3),
                  mapped(2, 11, 10, [](size_t, size_t x, size_t y) {
                      return Source{{modulo((long long)x - 5, 2), modulo((long long)y - 3, 3)}};
                  }));
}

TEST(Extend, Failures)
{
    const std::string in = labelled(1, 2, 1);
    const std::string use = "usage: rv-extend [-l left] [-r right] [-a above] [-b below] [-t]\n";
    const std::string number = " must be an integer in [0, 18446744073709551615]\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-extend", "x"}, use},
        {{"rv-extend", "-l"}, use},
        {{"rv-extend", "-w", "1"}, use},
        {{"rv-extend", "-t", "-", "-l1"}, use},
        {{"rv-extend", "-l", "-1"}, "rv-extend: argument of -l" + number},
        {{"rv-extend", "-b18446744073709551616"}, "rv-extend: argument of -b" + number},
        {{"rv-extend", "-l", "18446744073709551613", "-r", "1"},
         "rv-extend: <stdout>: output video is too wide\n"},
        {{"rv-extend", "-a", "18446744073709551614", "-b", "1"},
         "rv-extend: <stdout>: output video is too tall\n"},
        // 2^59 - 2: a row of 2^64 bytes
        {{"rv-extend", "-r", "576460752303423486"},
         "rv-extend: <stdout>: output video frame is too wide\n"},
    };
    for (const auto &[argv, message] : cases)
        EXPECT_EQ(expect_failure(argv, in, message).out, "") << command_line(argv);

    std::string cut = labelled(2, 2, 1);
    cut.resize(cut.size() - 8);
    expect_failure({"rv-extend", "-t", "-a1"}, cut, "rv-extend: <stdin>: incomplete frame\n");
}

// Rows long enough to be copied from a regular file by position.
TEST(Extend, FromFilesAsFromPipes)
{
    std::string in = labelled(3, 600, 4);
    for (const char *command : {"rv-extend -l 3 -r 2 -a 1 -b 2", "rv-extend", "rv-extend -b 1",
                                "rv-extend -l 1 -t"})
        expect_same_from_files(command, in);
    in.resize(in.size() - 600 * 32);
    expect_same_from_files("rv-extend -l 3 -r 2 -a 1 -b 2", in);
}
