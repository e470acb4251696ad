#include "colour.h"
#include "harness.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

// The XYZ of sRGB white.
static const std::vector<double> white = {0.9504705586542831, 0.9999999999999999,
                                          1.0888287363958837};

static std::string pam_head(uint64_t width, uint64_t height, uint64_t maxval)
{
    return "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
           "\nDEPTH 4\nMAXVAL " + std::to_string(maxval) + "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
}

// Big-endian samples of `bytes` bytes each.
static std::string be(const std::vector<uint64_t> &samples, size_t bytes)
{
    std::string out;
    for (uint64_t s : samples)
        for (size_t i = bytes; i-- > 0;)
            out.push_back(char(s >> (8 * i)));
    return out;
}

static std::vector<std::string> to_image(std::vector<std::string> args)
{
    args.insert(args.begin(), "rv-to-image");
    return args;
}

TEST(ToImage, Images)
{
    // Linear grey 0.2158605001138993 is 128 of 255 and 32896 of 65535.
    const double g = 0.2158605001138993;
    const Xyz grey = rgb_to_xyz(g, g, g);
    const std::string grey_stream = make_stream(1, 1, 1, {grey.x, grey.y, grey.z, 0.5});
    const std::string white_stream = make_stream(1, 1, 1, {white[0], white[1], white[2], 1});
    // farbfeld: the 16-byte head, then 16-bit samples.
    const std::string farbfeld_stream =
        make_stream(1, 3, 2, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1,
                              0, 0, 0, 1, white[0], white[1], white[2], 0.5});
    const std::string black = be({0, 0, 0, 65535}, 2);
    const std::string farbfeld = "farbfeld" + be({3, 2}, 4) + black + black + black + black +
                                 black + be({65535, 65535, 65535, 32768}, 2);
    // Encoded white is just below 1, so colour does not reach 2^64.
    const uint64_t top = 18446744073709549568u; // 2^64 - 2^11
    const struct {
        std::vector<std::string> args;
        std::string stream, image;
    } cases[] = {
        {{}, white_stream, pam_head(1, 1, 65535) + be({65535, 65535, 65535, 65535}, 2)},
        {{"-d", "8"}, white_stream, pam_head(1, 1, 255) + be({255, 255, 255, 255}, 1)},
        {{"-d64"}, white_stream, pam_head(1, 1, UINT64_MAX) + be({top, top, top, UINT64_MAX}, 8)},
        {{}, grey_stream, pam_head(1, 1, 65535) + be({32896, 32896, 32896, 32768}, 2)},
        {{"-d8"}, grey_stream, pam_head(1, 1, 255) + be({128, 128, 128, 128}, 1)},
        // Out of range: channels below 0 give 0, above 1 the largest value; so
        // does alpha, which is not encoded.
        {{"-d8"},
         make_stream(1, 4, 1,
                     {0.4124574455823676, 0.21267337037840828, 0.01933394276167346, -0.5, // red
                      -1, -1, -1, 2,         // below black
                      2, 2, 2, 0.25,         // above white
                      0, 0, 0, 0}),
         pam_head(4, 1, 255) + be({255, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 64, 0, 0, 0, 0}, 1)},
        // Depth 12: two bytes whose high four bits are clear.
        {{"-d", "12"}, make_stream(1, 1, 1, {white[0], white[1], white[2], 0.5}),
         pam_head(1, 1, 4095) + be({4095, 4095, 4095, 2048}, 2)},
        // Depth 1: one byte, 0 or 1; alpha rounds to nearest.
        {{"-d", "1"}, make_stream(1, 2, 1, {0, 0, 0, 0.49, 0.95, 1, 1.09, 0.5}),
         pam_head(2, 1, 1) + be({0, 0, 0, 0, 1, 1, 1, 1}, 1)},
        // The last depth counts, and hexadecimal is fine.
        {{"-d", "1", "-d", "0x8"}, make_stream(1, 1, 1, {0, 0, 0, 0}),
         pam_head(1, 1, 255) + std::string(4, '\0')},
        // Every frame is an image of its own; frames go by the pixels that
        // come, not by the head's count, and a partial pixel at the end is
        // dropped.
        {{"-d8"},
         make_stream(1, 1, 1, {0, 0, 0, 1}) + doubles({white[0], white[1], white[2], 0}) + "abc",
         pam_head(1, 1, 255) + be({0, 0, 0, 255}, 1) + pam_head(1, 1, 255) +
             be({255, 255, 255, 0}, 1)},
        // The largest frame farbfeld holds; PAM has no such limit.
        {{"-f"}, stream_head(1, 4294967295u, 4294967295u), "farbfeld" + std::string(8, '\xff')},
        {{}, stream_head(1, 4294967296u, 1), pam_head(4294967296u, 1, 65535)},
    };
    for (const auto &c : cases)
        expect_output(to_image(c.args), c.stream, c.image);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"-f"}, {"-d", "16", "-f"}, {"-fd16"}, {"-f", "-d16"}})
        expect_output(to_image(args), farbfeld_stream, farbfeld);

    // Many pixels through a slow pipe.
    std::vector<double> values;
    std::vector<uint64_t> samples;
    for (int i = 0; i < 300; i++) {
        values.insert(values.end(), {white[0], white[1], white[2], i / 299.0});
        samples.insert(samples.end(), {255, 255, 255, uint64_t(i / 299.0 * 255 + 0.5)});
    }
    expect_output(to_image({"-d8"}),
                  RunOptions{.input = make_stream(1, 20, 15, values), .input_chunk = 100},
                  pam_head(20, 15, 255) + be(samples, 1));
}

TEST(ToImage, Depths)
{
    // Every depth: white and opaque is the largest value in (depth + 7) / 8
    // bytes; black and transparent is 0.  Encoded white is 1 - 2^-53, so
    // above depth 52 colour stops short of the largest value: at 2^53 - 2 for
    // depth 53, and 2^depth - 2^(depth - 53) above it.  Above depth 52 the
    // scale is rounded up, and alpha 1 would give one more than the largest
    // value (2^64 at depth 64): it saturates instead.  NaN gives 0,
    // infinities clamp: no value escapes the integer range.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (int depth = 1; depth <= 64; depth++) {
        uint64_t maxval = UINT64_MAX >> (64 - depth);
        uint64_t top = maxval - (depth <= 52 ? 0 : depth == 53 ? 1 : (maxval >> 53));
        expect_output(to_image({"-d", std::to_string(depth)}),
                      make_stream(1, 6, 1,
                                  {0, 0, 0, 0, 1e9, 1e9, 1e9, 1, //
                                   nan, nan, nan, nan,           //
                                   inf, 0, 0, inf,               // R and B infinite, G -inf
                                   0, 0, 0, -inf,                //
                                   1e308, 0, 0, 1e308}),
                      pam_head(6, 1, maxval) + be({0, 0, 0, 0, top, top, top, maxval, 0, 0, 0, 0,
                                                   top, 0, top, maxval, 0, 0, 0, 0, top, 0, top,
                                                   maxval},
                                                  size_t(depth + 7) / 8));
    }
}

TEST(ToImage, Failures)
{
    const std::string pixel = make_stream(1, 1, 1, {0, 0, 0, 0});
    for (std::vector<std::string> args :
         {std::vector<std::string>{"-f", "-d", "8"}, {"-d8", "-f"}, {"-fd", "1"}, {"-d"},
          {"-x"}, {"-"}, {"file"}, {"-f", "--", "-d"}})
        EXPECT_EQ(expect_failure(to_image(args), pixel, "usage: rv-to-image [-d depth | -f]\n").out, "");
    for (const char *depth : {"0", "65", "-1", "abc", "8x", ""})
        expect_failure(to_image({"-d", depth}), pixel,
                       "rv-to-image: argument of -d must be an integer in [1, 64]\n");
    expect_failure(to_image({}), "", "rv-to-image: <stdin>: file format not supported\n");
    EXPECT_EQ(expect_failure(to_image({"-f"}), stream_head(1, 4294967296u, 1),
                             "rv-to-image: <stdin>: frame is too wide\n").out, "");
    EXPECT_EQ(expect_failure(to_image({"-f"}), stream_head(1, 1, 4294967296u),
                             "rv-to-image: <stdin>: frame is too tall\n").out, "");
    expect_failure(to_image({}), stream_head(1, 1, 1, "rgba"),
                   "rv-to-image: file <stdin> uses unsupported pixel format: rgba\n");
    expect_failure({"rv-to-image"}, RunOptions{.input = pixel, .stdout_path = "/dev/full"},
                   "rv-to-image: <stdout>: No space left on device\n");
}

TEST(ToImage, RoundTrips)
{
    // Every 16-bit value, and every 8-bit value, comes back from a stream.
    for (int depth : {8, 16}) {
        uint64_t levels = uint64_t(1) << depth;
        std::vector<uint64_t> samples;
        for (uint64_t i = 0; i < levels; i++)
            samples.insert(samples.end(), {i, levels - 1 - i, (i * 7919) % levels, i});
        std::string image = pam_head(256, levels / 256, levels - 1) + be(samples, depth / 8);
        TempDir dir;
        write_file(dir.file("in.pam"), image);
        expect_output(shell("rv-from-image -p | rv-to-image -d " + std::to_string(depth)),
                      RunOptions{.stdin_path = dir.file("in.pam")}, image);
    }
}

// A 3 x 2 image of known samples written at depth 8, 12 or 16, its sample
// bytes, and those of its colour channels alone.
struct Written {
    TempDir dir;
    std::string path = dir.file("out.pam");
    uint64_t maxval;
    size_t bytes;
    std::string data, rgb, alpha;
    explicit Written(int depth) : maxval((uint64_t(1) << depth) - 1), bytes(depth > 8 ? 2 : 1)
    {
        std::vector<double> values;
        for (double a : {0.0, 0.25, 0.5, 0.75, 1.0, 0.1})
            values.insert(values.end(), {white[0] * a, white[1] * a, white[2] * a, a});
        expect_output(shell("rv-to-image -d " + std::to_string(depth) + " > " + path),
                      make_stream(1, 3, 2, values), "");
        data = read_file(path).substr(pam_head(3, 2, maxval).size());
        for (size_t i = 0; i < data.size(); i += 4 * bytes)
            rgb += data.substr(i, 3 * bytes), alpha += data.substr(i + 3 * bytes, bytes);
    }
};

// Three 2 x 1 frames of opaque sRGB primaries and greys, and their 8-bit samples.
static const std::vector<uint64_t> frame_samples[3] = {
    {255, 0, 0, 255, 0, 255, 0, 255},
    {0, 0, 255, 255, 128, 128, 128, 255},
    {255, 255, 255, 255, 0, 0, 0, 255},
};

static std::string three_frames(uint64_t claimed)
{
    std::vector<double> values;
    for (const auto &frame : frame_samples)
        for (size_t i = 0; i < frame.size(); i += 4) {
            Xyz c = rgb_to_xyz(srgb_decode(frame[i] / 255.0), srgb_decode(frame[i + 1] / 255.0),
                               srgb_decode(frame[i + 2] / 255.0));
            values.insert(values.end(), {c.x, c.y, c.z, frame[i + 3] / 255.0});
        }
    return stream_head(claimed, 2, 1) + doubles(values);
}

// The three frames as 8-bit PAM images.
static std::string three_images()
{
    std::string images;
    for (const auto &frame : frame_samples)
        images += pam_head(2, 1, 255) + be(frame, 1);
    return images;
}

TEST(ToImage, OneImageAFrame)
{
    // One PAM image after another, whatever the head's count says (0 for a
    // stream of unknown length, or too few).
    for (uint64_t claimed : {3, 0, 1}) {
        SCOPED_TRACE(claimed);
        expect_output(to_image({"-d", "8"}), three_frames(claimed), three_images());
    }
    // A stream without pixels still gives a head.
    expect_output(to_image({}), stream_head(0, 2, 1), pam_head(2, 1, 65535));

    // farbfeld holds one image: the first frame is written whole, then the
    // second one is refused.
    std::vector<uint64_t> wide;
    for (uint64_t s : frame_samples[0])
        wide.push_back(s * 257);
    const std::string first = "farbfeld" + be({2, 1}, 4) + be(wide, 2);
    EXPECT_EQ(expect_failure(to_image({"-f"}), three_frames(3),
                             "rv-to-image: <stdin>: farbfeld holds one image, the stream has more "
                             "frames\n")
                  .out,
              first);
    // A partial pixel after the frame is no frame.
    std::string one = three_frames(1).substr(0, stream_head(1, 2, 1).size() + 2 * 32 + 31);
    expect_output(to_image({"-f"}), one, first);
}

TEST(ToImage, ReadByNetpbm)
{
    if (!have_program("pamfile") || !have_program("pamtopnm"))
        GTEST_SKIP() << "netpbm (pamfile, pamtopnm) is not installed";
    for (int depth : {8, 12, 16}) {
        SCOPED_TRACE(depth);
        Written w(depth);
        RunResult r = expect_success(shell("pamfile < " + w.path));
        EXPECT_NE(r.out.find("PAM, 3 by 2 by 4 maxval " + std::to_string(w.maxval)),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("RGB_ALPHA"), std::string::npos) << r.out;
        expect_output(shell("pamtopnm < " + w.path), "",
                      "P6\n3 2\n" + std::to_string(w.maxval) + "\n" + w.rgb);
        if (have_program("pamchannel"))
            expect_output(shell("pamchannel -tupletype GRAYSCALE 3 < " + w.path + " | pamtopnm"),
                          "", "P5\n3 2\n" + std::to_string(w.maxval) + "\n" + w.alpha);
    }
    // Three images, one after another.
    RunResult r = expect_success(shell("rv-to-image -d 8 | pamfile -allimages"), three_frames(3));
    for (int i = 0; i < 3; i++)
        EXPECT_NE(r.out.find("Image " + std::to_string(i) + ":\tPAM, 2 by 1 by 4 maxval 255"),
                  std::string::npos)
            << r.out;
    EXPECT_EQ(r.out.find("Image 3:"), std::string::npos) << r.out;
}

TEST(ToImage, ReadByImageMagick)
{
    if (!have_program("convert"))
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    // ImageMagick 6 reads alpha inverted at other depths, so 8 and 16 only.
    for (int depth : {8, 16}) {
        // ImageMagick's reading, written back as 16-bit PAM.
        SCOPED_TRACE(depth);
        Written w(depth);
        std::vector<uint64_t> scaled;
        for (size_t i = 0; i < w.data.size(); i += w.bytes) {
            uint64_t s = (unsigned char)w.data[i];
            if (w.bytes == 2)
                s = s << 8 | (unsigned char)w.data[i + 1];
            scaled.push_back((s * 65535 + w.maxval / 2) / w.maxval);
        }
        expect_output(shell("convert " + w.path + " -depth 16 pam:-"), "",
                      pam_head(3, 2, 65535) + be(scaled, 2));
    }
    // ImageMagick reads three images and writes each back as it was.
    expect_output(shell("rv-to-image -d 8 | convert pam:- -depth 8 pam:-"), three_frames(3),
                  three_images());
    expect_output(shell("rv-to-image -d 8 | convert pam:- -format '%[scene] %wx%h\\n' info:"),
                  three_frames(3), "0 2x1\n1 2x1\n2 2x1\n");
}
