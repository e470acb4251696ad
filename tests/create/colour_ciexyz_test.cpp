#include "harness.h"

#include <gtest/gtest.h>

TEST(ColourCiexyz, PrintsTheOperands)
{
    expect_output({"rv-colour-ciexyz", "0.3", "0.4", "0.5"}, "", "0.3 0.4 0.5\n");
    expect_output({"rv-colour-ciexyz", "0.4"}, "", "0.4\n");
    expect_output({"rv-colour-ciexyz", "grey"}, "", "grey\n");
    expect_output({"rv-colour-ciexyz", "--", "-1", "1e999", "x y"}, "", "-1 1e999 x y\n");

    // The line is what rv-single-colour takes as its colour.
    expect_output(shell("rv-single-colour -w 1 -h 1 $(rv-colour-ciexyz 0.25 0.5 2)"), "",
                  stream_head(1, 1, 1) + doubles({0.25, 0.5, 2, 1}));
}

TEST(ColourCiexyz, Failures)
{
    const std::string usage = "usage: rv-colour-ciexyz (X Y Z | Y)\n";
    for (std::vector<std::string> argv : {std::vector<std::string>{"rv-colour-ciexyz"},
                                          {"rv-colour-ciexyz", "1", "2"},
                                          {"rv-colour-ciexyz", "1", "2", "3", "4"},
                                          {"rv-colour-ciexyz", "-1"},
                                          {"rv-colour-ciexyz", "--", "1", "2"}})
        EXPECT_EQ(expect_failure(argv, "", usage).out, "");
    expect_failure({"rv-colour-ciexyz", "1"}, RunOptions{.stdout_path = "/dev/full"},
                   "rv-colour-ciexyz: ferror <stdout>: No space left on device\n");
    expect_failure({"rv-colour-ciexyz", "1", "2", "3"}, RunOptions{.close_stdout = true},
                   "rv-colour-ciexyz: ferror <stdout>: Bad file descriptor\n");
}
