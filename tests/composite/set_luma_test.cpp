#include "control.h"

#include <gtest/gtest.h>

TEST(SetLuma, FactorScalesLumaAndShiftsXZ)
{
    // Factors 0.5, 0 (transparent), 2 (Y 4 at alpha 0.5).  X and Z move by
    // the change of Y itself, not scaled by a white point.
    expect_controlled(
        {"rv-set-luma"}, make_stream(1, 3, 1, {9, 0.5, 9, 1, 9, 1, 9, 0, 9, 4, 9, 0.5}),
        make_stream(1, 3, 1, {0.875, 0.5, 1.125, 0.5, 0.875, 0.5, 1.125, 1, 1, 0.25, -1, 0.75}),
        make_stream(1, 3, 1,
                    {0.625, 0.25, 0.875, 0.5, 0.375, 0, 0.625, 1, 1.25, 0.5, -0.75, 0.75}));
}

TEST(SetLuma, ShortControlAndRefusals)
{
    expect_controlled({"rv-set-luma"}, make_stream(1, 1, 1, {0, 0.5, 0, 1}),
                      make_stream(2, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}),
                      make_stream(2, 1, 1, {0.5, 0.5, 0.5, 1, 1, 1, 1, 1}));
    expect_usage("usage: rv-set-luma luma-stream\n",
                 {{"rv-set-luma"}, {"rv-set-luma", "a", "b"}, {"rv-set-luma", "-w", "a"},
                  {"rv-set-luma", "-i", "a"}});
    // "--" ends the options: a control file named -w.
    TempDir dir;
    write_file(dir.file("-w"), make_stream(1, 1, 1, {0, 1, 0, 1}));
    RunOptions options;
    options.cwd = dir.path;
    options.input = make_stream(1, 1, 1, {1, 2, 3, 4});
    expect_output({"rv-set-luma", "--", "-w"}, options, options.input);
}

TEST(SetLuma, OperationsInTheWrittenOrder)
{
    // The factor Y times alpha first, then times the luma; X and Z move by
    // the difference itself.  Other orders round differently here.
    const double x = 0.48, y = 0.33, z = 0.75, cy = 0.27, ca = 0.43;
    const double luma = cy * ca * y, d = luma - y;
    ASSERT_NE(bits(luma), bits(cy * (ca * y)));
    ASSERT_NE(bits(x + d), bits(x + luma - y));
    expect_controlled({"rv-set-luma"}, make_stream(1, 1, 1, {0.5, cy, 0.5, ca}),
                      make_stream(1, 1, 1, {x, y, z, 0.9}),
                      make_stream(1, 1, 1, {x + d, luma, z + d, 0.9}));
}
