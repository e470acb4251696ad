#include "frames.h"

#include <gtest/gtest.h>

TEST(Extend, ZeroMargins)
{
    const std::string in = labelled(2, 3, 2);
    RunResult r = run({"rv-extend"}, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, in);

    // A left margin of 1 on a 2-pixel row: a zero pixel, then the row.
    r = run({"rv-extend", "-l", "1"}, labelled(1, 2, 1));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(1, 3, 1) + std::string(32, '\0') +
                         doubles(label(0, 0, 0)) + doubles(label(0, 1, 0)));

    // All four margins, over two frames: the margins stay zero in both.
    r = run({"rv-extend", "-l2", "-r", "1", "-a", "3", "-b1"}, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(2, 6, 6, [](size_t, size_t x, size_t y) -> Source {
                  if (x >= 2 && x < 5 && y >= 3 && y < 5)
                      return {{x - 2, y - 3}};
                  return {};
              }));

    // A later occurrence replaces an earlier one.
    r = run({"rv-extend", "-b", "5", "-b0", "-l", "1", "-l", "0"}, in);
    EXPECT_EQ(r.out, in);
}

TEST(Extend, TiledMargins)
{
    // A, B with one column on the left gives B, A, B.
    RunResult r = run({"rv-extend", "-t", "-l", "1"}, labelled(1, 2, 1));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, stream_head(1, 3, 1) + doubles(label(0, 1, 0)) +
                         doubles(label(0, 0, 0)) + doubles(label(0, 1, 0)));

    // Rows P, Q with three rows above give Q, P, Q, P, Q.
    r = run({"rv-extend", "-a3", "-t"}, labelled(1, 1, 2));
    ASSERT_EQ(r.status, 0) << r.err;
    std::string p = doubles(label(0, 0, 0)), q = doubles(label(0, 0, 1));
    EXPECT_EQ(r.out, stream_head(1, 1, 5) + q + p + q + p + q);

    // Both axes, margins wider than the frame.
    r = run({"rv-extend", "-t", "-l", "5", "-r", "4", "-a", "3", "-b", "4"}, labelled(2, 2, 3));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, mapped(2, 11, 10, [](size_t, size_t x, size_t y) {
                  return Source{{modulo((long long)x - 5, 2), modulo((long long)y - 3, 3)}};
              }));
}

TEST(Extend, Failures)
{
    const std::string in = labelled(1, 2, 1);
    const std::string use = "usage: rv-extend [-l left] [-r right] [-a above] [-b below] [-t]\n";
    for (std::vector<std::string> argv : {
             std::vector<std::string>{"rv-extend", "x"},
             {"rv-extend", "-l"},
             {"rv-extend", "-w", "1"},
             {"rv-extend", "-t", "-", "-l1"},
         }) {
        RunResult r = run(argv, in);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, use) << argv[1];
    }

    RunResult r = run({"rv-extend", "-l", "-1"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-extend: argument of -l must be an integer in [0, 18446744073709551615]\n");
    r = run({"rv-extend", "-b18446744073709551616"}, in);
    EXPECT_EQ(r.err, "rv-extend: argument of -b must be an integer in [0, 18446744073709551615]\n");

    r = run({"rv-extend", "-l", "18446744073709551613", "-r", "1"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-extend: <stdout>: output video is too wide\n");
    EXPECT_EQ(r.out, "");
    r = run({"rv-extend", "-a", "18446744073709551614", "-b", "1"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-extend: <stdout>: output video is too tall\n");
    r = run({"rv-extend", "-r", "576460752303423486"}, in); // 2^59 - 2: a row of 2^64 bytes
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-extend: <stdout>: output video frame is too wide\n");
    EXPECT_EQ(r.out, "");

    std::string cut = labelled(2, 2, 1);
    cut.resize(cut.size() - 8);
    r = run({"rv-extend", "-t", "-a1"}, cut);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-extend: <stdin>: incomplete frame\n");
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
