#include "harness.h"

#include <gtest/gtest.h>

TEST(ToText, OnePixel)
{
    RunResult r = run({"rv-to-text"}, make_stream(1, 1, 1, {0.5, 1, 2, 1}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 1 1 xyza\n0.500000 1.000000 2.000000 1.000000\n");
}
