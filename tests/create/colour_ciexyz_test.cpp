#include "harness.h"

#include <gtest/gtest.h>

TEST(ColourCiexyz, PrintsTheOperands)
{
    RunResult r = run({"rv-colour-ciexyz", "0.3", "0.4", "0.5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "0.3 0.4 0.5\n");
    EXPECT_EQ(run({"rv-colour-ciexyz", "0.4"}).out, "0.4\n");
    EXPECT_EQ(run({"rv-colour-ciexyz", "grey"}).out, "grey\n");
    EXPECT_EQ(run({"rv-colour-ciexyz", "--", "-1", "1e999", "x y"}).out, "-1 1e999 x y\n");

    // The line is what rv-single-colour takes as its colour.
    r = run_shell("rv-single-colour -w 1 -h 1 $(rv-colour-ciexyz 0.25 0.5 2)");
    EXPECT_EQ(r.out, stream_head(1, 1, 1) + doubles({0.25, 0.5, 2, 1}));
}

TEST(ColourCiexyz, Failures)
{
    const std::string usage = "usage: rv-colour-ciexyz (X Y Z | Y)\n";
    for (std::vector<std::string> argv : {std::vector<std::string>{"rv-colour-ciexyz"},
                                          {"rv-colour-ciexyz", "1", "2"},
                                          {"rv-colour-ciexyz", "1", "2", "3", "4"},
                                          {"rv-colour-ciexyz", "-1"},
                                          {"rv-colour-ciexyz", "--", "1", "2"}}) {
        RunResult r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usage);
    }

    RunOptions options;
    options.stdout_path = "/dev/full";
    RunResult r = run({"rv-colour-ciexyz", "1"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-colour-ciexyz: ferror <stdout>: No space left on device\n");
    options = {};
    options.close_stdout = true;
    r = run({"rv-colour-ciexyz", "1", "2", "3"}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-colour-ciexyz: ferror <stdout>: Bad file descriptor\n");
}
