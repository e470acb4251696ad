#include "control.h"

#include <gtest/gtest.h>

// A video of n frames, each of two pixels with alpha 1 and 0.5.
static std::string frames(size_t n)
{
    std::vector<double> v;
    for (size_t i = 0; i < n; i++)
        for (double d : {double(i), 0.1, -3.0, 1.0, 0.3, double(i), 7.0, 0.5})
            v.push_back(d);
    return make_stream(n, 2, 1, v);
}

// The same video with frame i's alphas multiplied by factors[i].
static std::string faded(const std::vector<double> &factors)
{
    std::vector<double> v;
    for (size_t i = 0; i < factors.size(); i++)
        for (double d : {double(i), 0.1, -3.0, factors[i], 0.3, double(i), 7.0, 0.5 * factors[i]})
            v.push_back(d);
    return make_stream(factors.size(), 2, 1, v);
}

TEST(Fade, AlphaFollowsThePosition)
{
    expect_output({"rv-fade"}, frames(5), faded({1, 0.75, 0.5, 0.25, 0}));
    expect_output({"rv-fade", "-r"}, frames(5), faded({0, 0.25, 0.5, 0.75, 1}));
    expect_output({"rv-fade"}, frames(2), faded({1, 0}));
    expect_output({"rv-fade", "-rr", "--"}, frames(2), faded({0, 1}));
    // One frame is the first and the last: it keeps its alpha either way.
    expect_output({"rv-fade"}, frames(1), frames(1));
    expect_output({"rv-fade", "-r"}, frames(1), frames(1));

    // The product comes before the division: (0.1 * 1) / 7, not 0.1 * (1 / 7).
    std::vector<double> v(8 * 4, 0.0);
    v[4 + 3] = 0.1;
    RunResult r = expect_success({"rv-fade", "-r"}, make_stream(8, 1, 1, v));
    std::vector<double> out = to_doubles(r.out, stream_head(8, 1, 1).size());
    ASSERT_EQ(out.size(), 32u);
    const double tenth = 0.1, seventh = 1.0 / 7;
    ASSERT_NE(bits(tenth * 1 / 7), bits(tenth * seventh));
    EXPECT_EQ(bits(out[7]), bits(tenth * 1 / 7));
}

TEST(Fade, BytesAfterTheLastFrameStayForTheNextReader)
{
    TempDir dir;
    write_file(dir.file("in"), frames(3) + "after");
    expect_output(shell("{ rv-fade > /dev/null && cat; } < " + dir.file("in")), "", "after");
}

TEST(Fade, Refusals)
{
    expect_usage("usage: rv-fade [-r]\n", {{"rv-fade", "x"}, {"rv-fade", "-i"}, {"rv-fade", "-"}},
                 frames(2));
    // A head without a frame count gives no length to fade over.
    EXPECT_EQ(expect_failure({"rv-fade"}, make_stream(0, 1, 1, {1, 1, 1, 1}),
                             "rv-fade: <stdin>: frame count is zero\n")
                  .out,
              "");
    std::string shorter = frames(3);
    shorter.pop_back();
    expect_failure({"rv-fade"}, shorter, "rv-fade: <stdin>: file is shorter than expected\n");
}
