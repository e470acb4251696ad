#include "frames.h"

#include <gtest/gtest.h>

// A rectangle of width w, height h at (l, t) of a W x H frame, in each mode.
static Source plain(size_t l, size_t t, size_t x, size_t y) { return {{l + x, t + y}}; }

static Source keep(size_t w, size_t h, size_t l, size_t t, size_t x, size_t y)
{
    if (x >= l && x < l + w && y >= t && y < t + h)
        return {{x, y}};
    return {};
}

static Source tile(size_t w, size_t h, size_t l, size_t t, size_t x, size_t y)
{
    return {{l + modulo((long long)x - (long long)l, w), t + modulo((long long)y - (long long)t, h)}};
}

TEST(Crop, ModesAgainstTheirDefinitions)
{
    const std::string in = labelled(2, 5, 4);
    expect_output({"rv-crop", "2", "3", "1", "1"}, in,
                  mapped(2, 2, 3, [](size_t, size_t x, size_t y) { return plain(1, 1, x, y); }));
    expect_output({"rv-crop", "-s", "2", "3", "1", "1"}, in,
                  mapped(2, 5, 4, [](size_t, size_t x, size_t y) {
                      return keep(2, 3, 1, 1, x, y);
                  }));
    expect_output({"rv-crop", "-S", "2", "3", "1", "1"}, in,
                  mapped(2, 5, 4, [](size_t, size_t x, size_t y) {
                      return keep(2, 3, 1, 1, x, y) ? Source{} : Source{{x, y}};
                  }));

    // Tiles repeat in both directions from the rectangle's own place.
    for (auto [w, h, l, t] : {std::array<size_t, 4>{2, 3, 1, 1}, {2, 1, 3, 2}, {3, 2, 2, 2}})
        expect_output({"rv-crop", "-t", std::to_string(w), std::to_string(h), std::to_string(l),
                       std::to_string(t)},
                      in, mapped(2, 5, 4, [=](size_t, size_t x, size_t y) {
                          return tile(w, h, l, t, x, y);
                      }));

    // Width 2 at left 1 in a frame 4 wide: columns 2, 1, 2, 1.
    expect_output({"rv-crop", "-t", "2", "1", "1", "0"}, labelled(1, 4, 1),
                  stream_head(1, 4, 1) + doubles(label(0, 2, 0)) + doubles(label(0, 1, 0)) +
                      doubles(label(0, 2, 0)) + doubles(label(0, 1, 0)));

    // A 1 x 1 tile fills the frame with one pixel.
    expect_output({"rv-crop", "-t", "1", "1", "2", "1"}, in,
                  mapped(2, 5, 4, [](size_t, size_t, size_t) { return Source{{2, 1}}; }));
}

TEST(Crop, WholeFrameRectangle)
{
    const std::string in = labelled(3, 3, 2);
    expect_output({"rv-crop", "3", "2", "0", "0"}, in, in);
    expect_output({"rv-crop", "-s", "3", "2", "0", "0"}, in, in);
    expect_output({"rv-crop", "-t", "3", "2", "0", "0"}, in, in);
    expect_output({"rv-crop", "-S", "3", "2", "0", "0"}, in,
                  stream_head(3, 3, 2) + std::string(3 * 6 * 32, '\0'));
}

TEST(Crop, RectangleMustLieInside)
{
    const std::string in = labelled(1, 4, 3);
    EXPECT_EQ(run({"rv-crop", "3", "1", "1", "2"}, in).status, 0);
    EXPECT_EQ(run({"rv-crop", "-t", "1", "3", "3", "0"}, in).status, 0);
    const std::string refused = "rv-crop: crop area extends beyond original image\n";
    for (std::vector<std::string> argv : {
             std::vector<std::string>{"rv-crop", "4", "1", "1", "0"},
             {"rv-crop", "-t", "1", "3", "0", "1"},
             {"rv-crop", "-s", "5", "1", "0", "0"},
             {"rv-crop", "-S", "1", "1", "18446744073709551615", "0"},
             {"rv-crop", "1", "18446744073709551615", "0", "1"},
         })
        EXPECT_EQ(expect_failure(argv, in, refused).out, "") << command_line(argv);
}

TEST(Crop, CommandLine)
{
    const std::string in = labelled(1, 2, 2);
    const std::string use = "usage: rv-crop [-s | -S | -t] width height left top\n";
    const std::string number = " must be an integer in [0, 18446744073709551615]\n";
    const std::string size = " must be an integer in [1, 18446744073709551615]\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"rv-crop", "-st", "1", "1", "0", "0"}, use},
        {{"rv-crop", "-s", "-S", "1", "1", "0", "0"}, use},
        {{"rv-crop", "-t", "-s", "-t", "1", "1", "0", "0"}, use},
        {{"rv-crop", "1", "1", "0"}, use},
        {{"rv-crop", "1", "1", "0", "0", "0"}, use},
        {{"rv-crop", "-x", "1", "1", "0", "0"}, use},
        {{"rv-crop", "0", "x", "-1", "0"}, "rv-crop: the width" + size},
        {{"rv-crop", "1", "0", "-1", "0"}, "rv-crop: the height" + size},
        {{"rv-crop", "1", "1", "-1", "x"}, "rv-crop: the left position" + number},
        {{"rv-crop", "1", "1", "0", "1x"}, "rv-crop: the top position" + number},
    };
    for (const auto &[argv, message] : cases)
        EXPECT_EQ(expect_failure(argv, in, message).out, "") << command_line(argv);
    // Repeating one option is allowed.
    EXPECT_EQ(run({"rv-crop", "-ss", "-s", "1", "1", "1", "1"}, in).status, 0);
}

TEST(Crop, IncompleteFrame)
{
    std::string in = labelled(2, 2, 2);
    in.resize(in.size() - 1);
    EXPECT_EQ(expect_failure({"rv-crop", "1", "1", "0", "0"}, in,
                             "rv-crop: <stdin>: incomplete frame\n")
                  .out,
              stream_head(2, 1, 1) + doubles(label(0, 0, 0)));
}

TEST(Crop, AgreesWithFfmpeg)
{
    expect_as_ffmpeg({"rv-crop", "17", "9", "5", "7"}, "crop=17:9:5:7", 17, 9);
}
