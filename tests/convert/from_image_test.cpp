#include "colour.h"
#include "harness.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

static const std::string pam_hint =
    "rv-from-image: not a valid RGBA portable arbitrary map file, try without -p\n";
static const std::string convert_hint =
    "rv-from-image: convertion failed, if converting a farbfeld file, try -f\n";

// Big-endian samples of `bytes` bytes each.
static std::string be(std::initializer_list<uint64_t> samples, size_t bytes)
{
    std::string out;
    for (uint64_t s : samples)
        for (size_t i = bytes; i-- > 0;)
            out.push_back(char(s >> (8 * i)));
    return out;
}

static std::string pam(const std::string &lines, const std::string &data)
{
    return "P7\n" + lines + "ENDHDR\n" + data;
}

static std::string farbfeld(uint32_t width, uint32_t height, const std::string &data)
{
    return "farbfeld" + be({width, height}, 4) + data;
}

// The stream pixel expected for encoded r, g, b and alpha.
static std::vector<double> pixel(double r, double g, double b, double alpha)
{
    Xyz c = rgb_to_xyz(srgb_decode(r), srgb_decode(g), srgb_decode(b));
    return {c.x, c.y, c.z, alpha};
}

static std::vector<double> operator+(std::vector<double> a, const std::vector<double> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The stream pixels of grey 128 and of red, opaque.
static const std::vector<double> grey128 = {0.20516905013465075, 0.21586050011389923,
                                            0.23503511557680049, 1};
static const std::vector<double> red = {0.4124574455823676, 0.21267337037840828,
                                        0.01933394276167346, 1};

// rv-from-image -p on a PAM image of these header lines and samples gives the
// stream of these pixels.
static void expect_from_pam(const std::string &lines, const std::string &data,
                            const std::string &expected,
                            std::source_location loc = std::source_location::current())
{
    SCOPED_TRACE(testing::PrintToString(lines));
    expect_output({"rv-from-image", "-p"}, pam(lines, data), expected, loc);
}

TEST(FromImage, PublishedValues)
{
    // Grey 128 and white, RGB without alpha: alpha 1.
    const std::vector<double> white = {0.9504705586542831, 0.9999999999999999,
                                       1.0888287363958837, 1};
    expect_from_pam("WIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\n",
                    be({128, 128, 128, 255, 255, 255}, 1), make_stream(1, 2, 1, grey128 + white));

    // Red farbfeld pixels, opaque and transparent.
    expect_output({"rv-from-image", "-f"},
                  farbfeld(2, 1, be({65535, 0, 0, 65535, 65535, 0, 0, 0}, 2)),
                  make_stream(1, 2, 1, red + std::vector<double>{red[0], red[1], red[2], 0}));

    // Black is +0, not -0.
    expect_from_pam("WIDTH 1\nHEIGHT 1\nTUPLTYPE GRAYSCALE\n", std::string(1, '\0'),
                    make_stream(1, 1, 1, {0, 0, 0, 1}));
}

TEST(FromImage, SampleWidthsAndTupleTypes)
{
    // Samples are read big-endian in the fewest bytes that hold MAXVAL (0x100
    // is 256), and divided by it.
    struct {
        const char *maxval;
        size_t bytes;
    } widths[] = {
        {"1", 1},          {"255", 1},           {"256", 2},
        {"65535", 2},      {"65536", 3},         {"16777215", 3},
        {"16777216", 4},   {"4294967295", 4},    {"4294967296", 5},
        {"1099511627776", 6},                    {"281474976710655", 6},
        {"281474976710656", 7},                  {"72057594037927935", 7},
        {"72057594037927936", 8},                {"18446744073709551615", 8},
        {"0x100", 2},
    };
    for (const auto &w : widths) {
        const uint64_t c = std::stoull(w.maxval, nullptr, 0), a = c / 3, b = c / 7, d = c / 2;
        const double m = double(c);
        expect_from_pam(std::string("WIDTH 1\nHEIGHT 1\nMAXVAL ") + w.maxval + "\n",
                        be({a, b, c, d}, w.bytes),
                        make_stream(1, 1, 1, pixel(a / m, b / m, c / m, d / m)));
    }

    // Samples that share their low 16 bits are told apart.
    auto grey = [](double v, double alpha = 1) { return pixel(v, v, v, alpha); };
    const double m = 4294967295.0;
    expect_from_pam("WIDTH 2\nHEIGHT 2\nMAXVAL 4294967295\nTUPLTYPE GRAYSCALE\n",
                    be({0x10005, 0x20005, 0x10005, 5}, 4),
                    make_stream(1, 2, 2, grey(0x10005 / m) + grey(0x20005 / m) +
                                             grey(0x10005 / m) + grey(5 / m)));

    // Images one pixel wide after these header lines.
    const struct {
        std::string lines, data;
        std::vector<double> pixels;
    } headers[] = {
        // Samples per pixel come from the tuple type alone: 1 to 4.
        {"HEIGHT 2\nTUPLTYPE GRAYSCALE\n", be({51, 102}, 1), grey(0.2) + grey(0.4)},
        {"HEIGHT 2\nTUPLTYPE GRAYSCALE_ALPHA\n", be({51, 102, 153, 204}, 1),
         grey(0.2, 0.4) + grey(0.6, 0.8)},
        {"HEIGHT 2\nTUPLTYPE RGB\n", be({51, 102, 153, 0, 0, 255}, 1),
         pixel(0.2, 0.4, 0.6, 1) + pixel(0, 0, 1, 1)},
        {"HEIGHT 2\nTUPLTYPE RGB_ALPHA\n", be({51, 102, 153, 204, 0, 0, 0, 0}, 1),
         pixel(0.2, 0.4, 0.6, 0.8) + grey(0, 0)},
        {"HEIGHT 2\nTUPLTYPE BLACKANDWHITE\n", be({1, 0}, 1), grey(1) + grey(0)},
        {"HEIGHT 2\nTUPLTYPE BLACKANDWHITE_ALPHA\n", be({1, 0, 0, 1}, 1), grey(1, 0) + grey(0)},
        // BLACKANDWHITE sets MAXVAL 1, and a later MAXVAL line wins.
        {"HEIGHT 1\nTUPLTYPE BLACKANDWHITE\nMAXVAL 255\n", "\x33", grey(0.2)},
        {"HEIGHT 1\nMAXVAL 255\nTUPLTYPE BLACKANDWHITE\n", "\x01", grey(1)},
        // A later TUPLTYPE replaces an earlier one.
        {"HEIGHT 1\nTUPLTYPE RGB\nTUPLTYPE GRAYSCALE\n", "\x33", grey(0.2)},
        // Samples above MAXVAL are not clamped.
        {"HEIGHT 1\nMAXVAL 100\nTUPLTYPE RGB_ALPHA\n", be({200, 0, 0, 255}, 1),
         pixel(2, 0, 0, 2.55)},
        // "TUPLTYPE" without its blank is just another line.
        {"HEIGHT 1\nTUPLTYPE\n", be({0, 0, 0, 0}, 1), grey(0, 0)},
    };
    for (const auto &h : headers)
        expect_from_pam("WIDTH 1\n" + h.lines, h.data,
                        make_stream(1, 1, h.pixels.size() / 4, h.pixels));

    // No P7 line, a DEPTH line that disagrees, comments and other keywords.
    expect_output({"rv-from-image", "-p"},
                  "# made by hand\nDEPTH 3\nWIDTH 1\nHEIGHT 1\nFOO bar\n\nTUPLTYPE RGB_ALPHA\n"
                  "ENDHDR\n" + be({51, 102, 153, 204}, 1),
                  make_stream(1, 1, 1, pixel(0.2, 0.4, 0.6, 0.8)));
    // Long lines are fine as long as each fits.
    expect_output({"rv-from-image", "-p"},
                  "#" + std::string(1000, 'x') + "\n#" + std::string(1000, 'y') +
                      "\nWIDTH 1\nHEIGHT 1\nENDHDR\n" + be({0, 0, 0, 255}, 1),
                  make_stream(1, 1, 1, {0, 0, 0, 1}));
}

TEST(FromImage, Geometry)
{
    // An image that ends early gives the pixels it holds; a partial pixel at
    // the end is dropped.
    std::string lines = "WIDTH 2\nHEIGHT 2\nTUPLTYPE GRAYSCALE_ALPHA\n";
    expect_from_pam(lines, be({51, 255, 51}, 1), make_stream(1, 2, 2, pixel(0.2, 0.2, 0.2, 1)));
    // Width x height pixels and no more: what follows is read and dropped.
    std::string many;
    std::vector<double> expected;
    for (int i = 0; i < 700; i++) {
        many += be({uint64_t(i % 256), 255}, 1);
        expected = expected + pixel((i % 256) / 255.0, (i % 256) / 255.0, (i % 256) / 255.0, 1);
    }
    lines = "WIDTH 35\nHEIGHT 20\nTUPLTYPE GRAYSCALE_ALPHA\n";
    expect_from_pam(lines, many + be({7, 255, 7}, 1), make_stream(1, 35, 20, expected));
    // The same through a slow pipe, a few bytes at a time.
    expect_output({"rv-from-image", "-p"},
                  RunOptions{.input = pam(lines, many + many), .input_chunk = 7},
                  make_stream(1, 35, 20, expected));

    // -h: the pixel data alone.
    expect_output({"rv-from-image", "-hp"}, pam(lines, be({51, 255}, 1)),
                  doubles(pixel(0.2, 0.2, 0.2, 1)));
    expect_output({"rv-from-image", "-f", "-h"}, farbfeld(1, 1, be({65535, 0, 0, 65535}, 2)),
                  doubles(red));

    // Widths up to 24 characters; leading zeros are dropped from the head.
    expect_from_pam("WIDTH 000000000000000000000012\nHEIGHT 18446744073709551615\n", "",
                    "1 12 18446744073709551615 xyza\n" + std::string(1, '\0') + "uivf");
    // A farbfeld head as large as it gets.
    expect_output({"rv-from-image", "-f"}, farbfeld(4294967295u, 4294967295u, ""),
                  stream_head(1, 4294967295u, 4294967295u));
}

TEST(FromImage, RefusedHeads)
{
    auto refused = [](const std::string &lines, const std::string &message) {
        SCOPED_TRACE(testing::PrintToString(lines));
        EXPECT_EQ(expect_failure({"rv-from-image", "-p"}, pam(lines, ""), message).out, "");
    };
    // A second WIDTH, or one empty, of 25 characters, not decimal, 0, beyond
    // 64 bits, followed by a blank or signed.
    for (const char *width : {"1\nWIDTH 1", "", "1000000000000000000000001", "0x10", "abc", "0",
                              "00", "18446744073709551616", "1 ", "-1", "+1"})
        refused("WIDTH " + std::string(width) + "\nHEIGHT 1\n", pam_hint);
    // A second HEIGHT, no WIDTH, no HEIGHT.
    for (const char *lines : {"WIDTH 1\nHEIGHT 2\nHEIGHT 2\n", "HEIGHT 1\n", "WIDTH 1\n"})
        refused(lines, pam_hint);
    for (const std::string &maxval :
         std::vector<std::string>{"0", "abc", "12abc", "", std::string("25\0" "5", 4)})
        refused("WIDTH 1\nHEIGHT 1\nMAXVAL " + maxval + "\n", pam_hint);
    for (const char *maxval : {"18446744073709551616", "99999999999999999999999", "-1", "-0"})
        refused("WIDTH 1\nHEIGHT 1\nMAXVAL " + std::string(maxval) + "\n",
                "rv-from-image: image uses greater colour resolution than supported\n");
    const std::string tuple = "rv-from-image: image uses an unsupported tuple type: ";
    refused("WIDTH 1\nHEIGHT 1\nTUPLTYPE RGB \n", tuple + "RGB \n");
    refused("TUPLTYPE CMYK\nWIDTH 1\nHEIGHT 1\n", tuple + "CMYK\n");

    // The head must end within 1024 bytes of a line's start (whatever the
    // size of the read buffer), and before the input ends.
    for (const std::string &input :
         {"WIDTH 1\nHEIGHT 1\n" + std::string(1024, '#'),
          "WIDTH 1\nHEIGHT 1\n" + std::string(1024, '#') + "\nENDHDR\n" + be({0, 0, 0, 255}, 1),
          std::string("WIDTH 1\nHEIGHT 1\n"), std::string()})
        EXPECT_EQ(expect_failure({"rv-from-image", "-p"}, input, pam_hint).out, "");

    // farbfeld: short, wrong magic, or an empty frame.
    const std::string hint = "rv-from-image: not a valid farbfeld file, try without -f\n";
    for (const std::string &input :
         {std::string(), std::string("farbfeld"), std::string("farbfelD") + be({1, 1}, 4),
          farbfeld(0, 1, ""), farbfeld(1, 0, "")})
        EXPECT_EQ(expect_failure({"rv-from-image", "-f"}, input, hint).out, "");
}

TEST(FromImage, ReadAndWriteErrors)
{
    for (const char *flag : {"-p", "-f"})
        expect_failure({"rv-from-image", flag}, RunOptions{.stdin_path = "/"},
                       "rv-from-image: read <stdin>: Is a directory\n");
    const RunOptions full{.input = pam("WIDTH 1\nHEIGHT 1\n", be({0, 0, 0, 0}, 1)),
                          .stdout_path = "/dev/full"};
    expect_failure({"rv-from-image", "-p"}, full,
                   "rv-from-image: <stdout>: No space left on device\n");
    expect_failure({"rv-from-image", "-p", "-h"}, full,
                   "rv-from-image: write <stdout>: No space left on device\n");
}

TEST(FromImage, CommandLine)
{
    for (std::vector<std::string> args :
         {std::vector<std::string>{"-f", "-p"}, {"-fp"}, {"-pf"}, {"-hpf"}, {"-x"}, {"-"},
          {"file"}, {"-p", "--", "x"}}) {
        args.insert(args.begin(), "rv-from-image");
        expect_failure(args, "", "usage: rv-from-image [-h] [-f | -p]\n");
    }
    // Flags may repeat.
    expect_output({"rv-from-image", "-pp", "-p", "--"}, pam("WIDTH 1\nHEIGHT 1\n", ""),
                  stream_head(1, 1, 1));
}

// A stand-in convert first in PATH.
struct StandIn {
    TempDir dir;
    explicit StandIn(const std::string &body) { write_script(dir.file("convert"), body); }
    RunOptions options(const std::string &in) const { return {.input = in, .path = {dir.path}}; }
};

TEST(FromImage, ThroughConvert)
{
    // convert gets the image on its standard input and exactly these arguments.
    StandIn echo("printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\nexec cat\n");
    std::string image = pam("WIDTH 1\nHEIGHT 1\nTUPLTYPE RGB\n", be({51, 102, 153}, 1));
    const std::string converted = make_stream(1, 1, 1, pixel(0.2, 0.4, 0.6, 1));
    expect_output({"rv-from-image"}, echo.options(image), converted);
    EXPECT_EQ(read_file(echo.dir.file("args")), "-\n-depth\n32\n-alpha\nactivate\npam:-\n");
    expect_output({"rv-from-image", "-h"}, echo.options(image), doubles(pixel(0.2, 0.4, 0.6, 1)));

    // A failing convert after a good head: what was converted stays written,
    // and the status is 1 without a message of our own.
    StandIn late("printf 'P7\\nWIDTH 1\\nHEIGHT 1\\nTUPLTYPE GRAYSCALE\\nENDHDR\\n3'\n"
                 "echo 'convert: broken' >&2\nexit 3\n");
    EXPECT_EQ(expect_failure({"rv-from-image"}, late.options(""), "convert: broken\n").out,
              make_stream(1, 1, 1, pixel(0.2, 0.2, 0.2, 1)));

    // A child that cannot be read, with or without a message of its own.
    for (auto [body, message] :
         {std::pair<std::string, std::string>{"echo 'not a PAM'\n", convert_hint},
          {"echo 'convert: no decode delegate' >&2\nexit 1\n",
           "convert: no decode delegate\n" + convert_hint},
          {"printf 'P7\\nWIDTH 0x10\\nHEIGHT 1\\nENDHDR\\n'\n", convert_hint}}) {
        StandIn bad(body);
        EXPECT_EQ(expect_failure({"rv-from-image"}, bad.options(""), message).out, "");
    }

    // No convert at all.
    std::string self = program_path("rv-from-image");
    expect_failure(shell("PATH=/nonexistent; exec " + self + " </dev/null"), "",
                   self + ": exec convert: No such file or directory\n");

    // Closed standard streams; a closed standard error is no obstacle.
    RunOptions closed = echo.options(image);
    closed.close_stdin = true;
    expect_failure({"rv-from-image"}, closed, "rv-from-image: no stdin open\n");
    std::swap(closed.close_stdin, closed.close_stdout);
    expect_failure({"rv-from-image"}, closed, "rv-from-image: no stdout open\n");
    expect_output(shell("exec rv-from-image 2>&-"), echo.options(image), converted);

    // With SIGCHLD ignored the child is reaped by the system: the wait fails
    // instead of going round for ever.
    RunResult r = run_function(
        [&] {
            signal(SIGCHLD, SIG_IGN);
            setenv("PATH", (echo.dir.path + ":" + getenv("PATH")).c_str(), 1);
            execl(self.c_str(), "rv-from-image", static_cast<char *>(nullptr));
        },
        image);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rv-from-image: waitpid: No child processes\n");
    EXPECT_EQ(r.out, converted);
}

TEST(FromImage, RealImageMagick)
{
    if (!have_program("convert"))
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    // An 8-bit grey PNG: convert hands it over as 32-bit samples, which give
    // exactly the values of 128 / 255.
    expect_output(shell("convert -size 2x1 xc:'rgb(128,128,128)' png:- | rv-from-image"), "",
                  make_stream(1, 2, 1, grey128 + grey128));

    // A 16-bit PNG with alpha: image -> stream -> image is lossless at depth
    // 16 and agrees with ImageMagick's own reading of the PNG.
    TempDir dir;
    std::string samples;
    for (uint64_t i = 0, state = 12345; i < 7 * 5 * 4; i++)
        samples += be({(state = state * 6364136223846793005u + 1442695040888963407u) >> 48}, 2);
    const std::string image =
        pam("WIDTH 7\nHEIGHT 5\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\n", samples);
    write_file(dir.file("in.pam"), image);
    expect_output(shell("cd " + dir.path + " && convert in.pam PNG64:in.png && "
                        "rv-from-image < in.png | rv-to-image > out.pam && "
                        "convert in.png -depth 16 pam:magick.pam"),
                  "", "");
    EXPECT_EQ(read_file(dir.file("out.pam")), image);
    const std::string magick = read_file(dir.file("magick.pam"));
    ASSERT_GE(magick.size(), samples.size());
    EXPECT_EQ(magick.substr(magick.size() - samples.size()), samples);
}

// The big-endian samples of `bytes` bytes each in `data`.
static std::vector<double> samples_of(const std::string &data, size_t bytes)
{
    std::vector<double> out;
    for (size_t i = 0; i + bytes <= data.size(); i += bytes) {
        uint64_t s = 0;
        for (size_t j = 0; j < bytes; j++)
            s = s << 8 | (unsigned char)data[i + j];
        out.push_back(double(s));
    }
    return out;
}

// Encoded colour and alpha of a 3 x 2 test frame: white, black, greys and
// colours, with alphas from transparent to opaque.
static const std::vector<double> frame_values = {
    1,   1,   1,   1,    0,       0,   0,    0,   0.5,   0.5,   0.5, 0.25,
    0.2, 0.4, 0.6, 0.75, 1 / 3.0, 0.9, 0.01, 0.5, 0.999, 0.001, 0.7, 1 / 7.0,
};

// The stream of a 3 x 2 frame of RGBA samples, each divided by maxval.
static std::string stream_of(const std::vector<double> &s, double maxval = 1)
{
    std::vector<double> values;
    for (size_t i = 0; i + 4 <= s.size(); i += 4)
        values = values + pixel(s[i] / maxval, s[i + 1] / maxval, s[i + 2] / maxval,
                                s[i + 3] / maxval);
    return make_stream(1, 3, 2, values);
}

TEST(FromImage, ReadsEveryDepthItsExportWrites)
{
    // rv-to-image -d N writes (N + 7) / 8 bytes a sample; reading them back
    // gives the samples as they stand in the file, each within half a step
    // of the value written, and exactly black and white where the depth can
    // hold them.
    TempDir dir;
    write_file(dir.file("in.rv"), stream_of(frame_values));
    for (int depth = 1; depth <= 64; depth++) {
        SCOPED_TRACE(depth);
        const uint64_t maxval = UINT64_MAX >> (64 - depth);
        const size_t bytes = size_t(depth + 7) / 8;
        RunResult r = expect_success(shell("rv-to-image -d " + std::to_string(depth) +
                                           " < in.rv | tee out.pam | rv-from-image -p"),
                                     RunOptions{.cwd = dir.path});
        const std::string image = read_file(dir.file("out.pam"));
        const std::string head = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL " +
                                 std::to_string(maxval) + "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        ASSERT_EQ(image.substr(0, head.size()), head) << depth;
        ASSERT_EQ(image.size(), head.size() + 6 * 4 * bytes) << depth;
        const std::vector<double> s = samples_of(image.substr(head.size()), bytes);
        const double step = std::max(1 / double(maxval), 0x1p-52);
        for (size_t i = 0; i < s.size(); i++)
            EXPECT_NEAR(s[i] / double(maxval), frame_values[i], step / 2 + 0x1p-52)
                << depth << " sample " << i;
        EXPECT_EQ(r.out, stream_of(s, double(maxval))) << depth;
        if (depth <= 52) {
            EXPECT_EQ(r.out.substr(0, stream_head(1, 3, 2).size() + 64),
                      make_stream(1, 3, 2, pixel(1, 1, 1, 1) + pixel(0, 0, 0, 0)));
        }
    }
}

TEST(FromImage, AgreesWithNetpbm)
{
    if (!have_program("pamtopnm") || !have_program("pamchannel"))
        GTEST_SKIP() << "netpbm (pamtopnm, pamchannel) is not installed";
    // netpbm reads PAM up to 16 bits; its reading of the colour and alpha
    // samples of our image is what ours must give.  (At depth 1 the alpha
    // plane would come out as a bitmap, black as 1.)
    TempDir dir;
    write_file(dir.file("in.rv"), stream_of(frame_values));
    for (int depth : {2, 3, 8, 9, 12, 16}) {
        SCOPED_TRACE(depth);
        const RunOptions at{.cwd = dir.path};
        expect_output(shell("rv-to-image -d " + std::to_string(depth) + " <in.rv >d.pam"), at, "");
        RunResult rgb = expect_success(shell("pamtopnm -plain < d.pam"), at);
        RunResult alpha =
            expect_success(shell("pamchannel -tupletype GRAYSCALE 3 <d.pam | pamtopnm -plain"), at);
        std::istringstream rgb_text(rgb.out), alpha_text(alpha.out);
        std::string magic;
        uint64_t w, h, maxval, a_maxval;
        rgb_text >> magic >> w >> h >> maxval;
        alpha_text >> magic >> w >> h >> a_maxval;
        ASSERT_EQ(maxval, (uint64_t(1) << depth) - 1);
        std::vector<double> samples(24);
        for (size_t i = 0; i < samples.size(); i++)
            (i % 4 == 3 ? alpha_text : rgb_text) >> samples[i];
        ASSERT_TRUE(rgb_text && alpha_text) << rgb.out << alpha.out;
        expect_output({"rv-from-image", "-p"}, read_file(dir.file("d.pam")),
                      stream_of(samples, double(maxval)));
    }
}

TEST(FromImage, FirstImageOfMany)
{
    // Two PAM images on one pipe: the first one's pixels, and the rest is
    // read to its end, so that the writer finishes normally.
    TempDir dir;
    std::string second;
    for (int i = 0; i < 300 * 300; i++)
        second += be({uint64_t(i % 251)}, 1);
    write_file(dir.file("two.pam"),
               pam("WIDTH 2\nHEIGHT 1\nTUPLTYPE RGB\n", be({51, 102, 153, 255, 0, 0}, 1)) +
                   pam("WIDTH 300\nHEIGHT 300\nTUPLTYPE GRAYSCALE\n", second));
    const std::string first = make_stream(1, 2, 1, pixel(0.2, 0.4, 0.6, 1) + pixel(1, 0, 0, 1));
    expect_output(shell("{ cat two.pam; echo $? > status; } | rv-from-image -p"),
                  RunOptions{.cwd = dir.path}, first);
    EXPECT_EQ(read_file(dir.file("status")), "0\n");

    // The same through convert, from an animated GIF of two frames large
    // enough to fill the pipe.
    if (!have_program("convert"))
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    std::vector<double> reds;
    for (int i = 0; i < 200 * 150; i++)
        reds.insert(reds.end(), red.begin(), red.end());
    expect_output(shell("convert -size 200x150 xc:red xc:blue gif:- | rv-from-image"), "",
                  make_stream(1, 200, 150, reds));
}
