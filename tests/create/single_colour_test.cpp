#include "harness.h"

#include <gtest/gtest.h>

TEST(SingleColour, GreyFromY)
{
    RunResult r = run({"rv-single-colour", "-w", "2", "-h", "1", "0.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<double> pixel = {0.47523527932714155, 0.5, 0.5444143681979421, 1.0};
    EXPECT_EQ(r.out, stream_head(1, 2, 1) + doubles(pixel) + doubles(pixel));
}
