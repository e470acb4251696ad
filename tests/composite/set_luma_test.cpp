#include "harness.h"

#include <gtest/gtest.h>

TEST(SetLuma, FactorScalesLumaAndShiftsXZ)
{
    TempDir dir;
    // Factors 0.5, 0 (transparent), 2 (Y 4 at alpha 0.5).
    write_file(dir.file("luma"), make_stream(1, 3, 1, {9, 0.5, 9, 1, 9, 1, 9, 0, 9, 4, 9, 0.5}));
    RunResult r = run({"rv-set-luma", dir.file("luma")},
                      make_stream(1, 3, 1, {0.875, 0.5, 1.125, 0.5, 0.875, 0.5, 1.125, 1, 1, 0.25,
                                            -1, 0.75}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // X and Z move by the change of Y itself, not scaled by a white point.
    EXPECT_EQ(r.out, make_stream(1, 3, 1, {0.625, 0.25, 0.875, 0.5, 0.375, 0, 0.625, 1, 1.25,
                                           0.5, -0.75, 0.75}));
}

TEST(SetLuma, ShortControlAndRefusals)
{
    TempDir dir;
    write_file(dir.file("luma"), make_stream(1, 1, 1, {0, 0.5, 0, 1}));
    RunResult r = run({"rv-set-luma", dir.file("luma")},
                      make_stream(2, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(2, 1, 1, {0.5, 0.5, 0.5, 1, 1, 1, 1, 1}));

    const std::string usage = "usage: rv-set-luma luma-stream\n";
    for (std::vector<std::string> argv :
         {std::vector<std::string>{"rv-set-luma"}, {"rv-set-luma", "a", "b"},
          {"rv-set-luma", "-w", "a"}, {"rv-set-luma", "-i", "a"}}) {
        r = run(argv);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, usage);
    }
    // "--" ends the options: a control file named -w.
    write_file(dir.file("-w"), make_stream(1, 1, 1, {0, 1, 0, 1}));
    RunOptions options;
    options.cwd = dir.path;
    options.input = make_stream(1, 1, 1, {1, 2, 3, 4});
    r = run({"rv-set-luma", "--", "-w"}, options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, options.input);
}

TEST(SetLuma, OperationsInTheWrittenOrder)
{
    // The factor Y times alpha first, then times the luma; X and Z move by
    // the difference itself.  Other orders round differently here.
    const double x = 0.48, y = 0.33, z = 0.75, cy = 0.27, ca = 0.43;
    const double luma = cy * ca * y, d = luma - y;
    ASSERT_NE(bits(luma), bits(cy * (ca * y)));
    ASSERT_NE(bits(x + d), bits(x + luma - y));
    TempDir dir;
    write_file(dir.file("luma"), make_stream(1, 1, 1, {0.5, cy, 0.5, ca}));
    RunResult r = run({"rv-set-luma", dir.file("luma")}, make_stream(1, 1, 1, {x, y, z, 0.9}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, make_stream(1, 1, 1, {x + d, luma, z + d, 0.9}));
}
