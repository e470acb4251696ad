#include "harness.h"
#include "real_ffmpeg.h"

#include <array>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <limits>

using Samples = std::array<unsigned, 4>;

// ffmpeg's ayuv64le pixels: A, Y, U, V as 16-bit little-endian samples.
static std::vector<Samples> samples(const std::string &bytes)
{
    std::vector<Samples> pixels(bytes.size() / 8);
    for (size_t i = 0; i < pixels.size() * 8; i += 2)
        pixels[i / 8][i % 8 / 2] = (unsigned char)bytes[i] | (unsigned char)bytes[i + 1] << 8;
    return pixels;
}

// A stand-in ffmpeg that records its arguments and what it reads, and exits
// with a chosen status.
struct StandIn {
    TempDir dir;
    explicit StandIn(int status = 0, const std::string &body = "")
    {
        write_script(dir.file("ffmpeg"), "printf '%s\\n' \"$@\" > args\ncat > in\n" + body +
                                             "exit " + std::to_string(status) + "\n");
    }
    static std::vector<std::string> argv(std::vector<std::string> args)
    {
        args.insert(args.begin(), "rv-to-video");
        return args;
    }
    RunOptions options(const std::string &input, size_t chunk = 0) const
    {
        return {.input = input, .path = {dir.path}, .cwd = dir.path, .input_chunk = chunk};
    }
    // Runs rv-to-video with the stand-in on `input` (fed in pieces of
    // `chunk` bytes if given): it succeeds silently, or fails with `message`.
    void ok(const std::vector<std::string> &args, const std::string &input, size_t chunk = 0,
            std::source_location loc = std::source_location::current())
    {
        expect_output(argv(args), options(input, chunk), "", loc);
    }
    void fails(const std::vector<std::string> &args, const std::string &input,
               const std::string &message,
               std::source_location loc = std::source_location::current())
    {
        expect_failure(argv(args), options(input), message, 1, loc);
    }
    std::string args() { return read_file(dir.file("args")); }
    std::vector<Samples> fed() { return samples(read_file(dir.file("in"))); }
};

// Linear sRGB to XYZ, every sum formed left to right; the sRGB white, and
// the grey whose encoded value is 0.5.
constexpr std::array<double, 3> xyz(double r, double g, double b)
{
    return {(r * 0.4124574455823676 + g * 0.3575758652455159) + b * 0.18043724782639967,
            (r * 0.21267337037840828 + g * 0.7151517304910318) + b * 0.07217489913055987,
            (r * 0.01933394276167346 + g * 0.1191919550818386) + b * 0.9503028385523717};
}
constexpr std::array<double, 3> white = xyz(1, 1, 1);
constexpr double half = 0.21404114048223255;
constexpr std::array<double, 3> grey = xyz(half, half, half);

// The arguments rv-to-video puts before those it passes on to ffmpeg.
static std::string raw_args(const std::string &rate, const std::string &size)
{
    return "-f\nrawvideo\n-pix_fmt\nayuv64le\n-r\n" + rate + "\n-s:v\n" + size + "\n-i\n-\n";
}

TEST(ToVideo, ArgumentsAndSamples)
{
    StandIn s;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::string stream = make_stream(
        1, 3, 2,
        {white[0], white[1], white[2], 1,        // white
         0, 0, 0, 1,                             // black
         grey[0], grey[1], grey[2], 0.5,         // samples are truncated
         white[0], white[1], white[2], 2,        // alpha above 1
         0, -1, 0, -0.5,                         // negative luma, negative alpha
         nan, nan, nan, nan});
    s.ok({"25", "-y", "-c:v", "ffv1", "out.mkv"}, stream);
    EXPECT_EQ(s.args(), raw_args("25", "3x2") + "-y\n-c:v\nffv1\nout.mkv\n");
    // Video levels, luma 4096 to 60160: the sRGB white encodes to just below
    // 1 (0.9999999999999999) and is truncated to one step below 60160.  The
    // chroma of negative luma is not checked.
    std::vector<Samples> got = s.fed();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got, (std::vector<Samples>{{65535, 60159, 32768, 32768}, {65535, 4096, 32768, 32768},
                                         {32767, 4096 + 56064 / 2, 32768, 32768},
                                         {65535, 60159, 32768, 32768},
                                         {0, 0, got[4][2], got[4][3]}, {0, 0, 0, 0}}));

    // Fast mode: one matrix, alpha always full.
    s.ok({"-d", "25", "out.mkv"}, stream);
    got = s.fed();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got, (std::vector<Samples>{{65535, 60160, 32768, 32768}, {65535, 4096, 32768, 32768},
                                         got[2], got[3], {65535, got[4][1], got[4][2], got[4][3]},
                                         {65535, 0, 0, 0}}));

    // -q quiets ffmpeg; nothing else changes.
    s.ok({"-dq", "25", "-c:v", "ffv1", "out.mkv"}, stream);
    EXPECT_EQ(s.args(),
              "-loglevel\nerror\n-nostats\n" + raw_args("25", "3x2") + "-c:v\nffv1\nout.mkv\n");
    EXPECT_EQ(s.fed(), got);
    s.ok({"25", "-q", "out.mkv"}, stream);
    EXPECT_EQ(s.args(), raw_args("25", "3x2") + "-q\nout.mkv\n");

    // Out-of-range values of every kind are clamped, never wrapped.
    s.ok({"25", "out.mkv"},
         make_stream(1, 2, 1, {inf, inf, -inf, inf, 1e300, -1e300, 1e300, -inf}));
    got = s.fed();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0][0], 65535u);
    EXPECT_EQ(got[1][0], 0u);
    s.ok({"-d", "25", "out.mkv"}, make_stream(1, 1, 1, {1e300, 0, 0, 1}));
    EXPECT_EQ(s.fed(), (std::vector<Samples>{{65535, 65535, 0, 65535}}));
}

TEST(ToVideo, InputEnds)
{
    StandIn s;
    // A trailing part of a pixel is dropped; the frame count plays no part.
    s.ok({"10", "o.mkv"}, make_stream(5, 1, 1, {0, 0, 0, 1}) + "1234567");
    EXPECT_EQ(s.fed(), (std::vector<Samples>{{65535, 4096, 32768, 32768}}));

    // No frames: ffmpeg still runs and sees an empty input.
    s.ok({"10", "o.mkv"}, stream_head(0, 640, 480));
    EXPECT_EQ(s.args(), raw_args("10", "640x480") + "o.mkv\n");
    EXPECT_EQ(read_file(s.dir.file("in")), "");

    // Many pixels in many reads, and more than a block arriving in pieces
    // that split pixels: every pixel once, in order.
    for (auto [count, chunk, levels] : {std::tuple{1000, 0, 999.0}, {300000, 1000003, 65535.0}}) {
        std::vector<double> values;
        std::vector<Samples> want;
        for (int i = 0; i < count; i++) {
            double alpha = (i % 65536) / levels;
            values.insert(values.end(), {0, 0, 0, alpha});
            want.push_back({unsigned(alpha * 65535), 4096, 32768, 32768});
        }
        s.ok({"10", "o.mkv"}, make_stream(1, count, 1, values), chunk);
        EXPECT_TRUE(s.fed() == want) << count;
    }
}

TEST(ToVideo, Failures)
{
    StandIn failing(2, "echo ffmpeg says no >&2\n");
    failing.fails({"10", "o.mkv"}, make_stream(1, 1, 1, {0, 0, 0, 1}), "ffmpeg says no\n");

    // ffmpeg that stops reading: the broken pipe ends the program.
    StandIn quitter;
    write_script(quitter.dir.file("ffmpeg"), "exit 0\n");
    const std::string large = make_stream(1, 512, 512, std::vector<double>(512 * 512 * 4));
    EXPECT_EQ(run(quitter.argv({"10", "o.mkv"}), quitter.options(large)).signal, SIGPIPE);

    StandIn s;
    s.fails({"10", "o.mkv"}, "1 1 1 rgba\n", "rv-to-video: <stdin>: file format not supported\n");
    const std::string usage = "usage: rv-to-video [-dq] frame-rate ffmpeg-arguments ...\n";
    for (std::vector<std::string> args : {std::vector<std::string>{"10"}, {}, {"-y", "10", "o.mkv"},
                                          {"-d"}, {"-d", "10"}})
        s.fails(args, make_stream(1, 1, 1, {0, 0, 0, 1}), usage);
    EXPECT_EQ(s.args(), ""); // ffmpeg did not start for any of them

    TempDir empty;
    expect_failure(shell("PATH=" + empty.path + " exec " + program_path("rv-to-video") +
                         " 10 o.mkv"),
                   stream_head(0, 1, 1),
                   program_path("rv-to-video") + ": exec ffmpeg: No such file or directory\n");
}

// The real ffmpeg: geometry and frame count of an encoded video, and a
// lossless loop back through rv-from-video.
TEST(ToVideo, RealVideo)
{
    if (!have_program("ffmpeg") || !have_program("ffprobe"))
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    TempDir dir;
    std::vector<double> values;
    // Greys up to white and a shade of orange.
    const std::array<double, 3> orange = xyz(0.6, 0.2, 0.07);
    for (int f = 0; f < 3; f++)
        for (int i = 0; i < 64 * 48; i++) {
            double level = ((i + 17 * f) % 97) / 96.0, alpha = (i % 5) / 4.0;
            const std::array<double, 3> &colour = i % 2 ? orange : white;
            values.insert(values.end(),
                          {colour[0] * level, colour[1] * level, colour[2] * level, alpha});
        }
    std::string stream = make_stream(3, 64, 48, values);
    std::string video = dir.file("out.mkv");
    expect_output({"rv-to-video", "10", "-nostdin", "-v", "error", "-c:v", "ffv1", video}, stream,
                  "");
    expect_output(shell("ffprobe -v error -count_frames -select_streams v -show_entries "
                        "stream=width,height,nb_read_frames -of default=noprint_wrappers=1 " +
                        video),
                  "", "width=64\nheight=48\nnb_read_frames=3\n");

    // ffv1 stores the samples losslessly: they come back within their 16-bit
    // quantisation.
    std::string back = dir.file("back.rv");
    ASSERT_EQ(run({"rv-from-video", video, back}).status, 0);
    std::string out = read_file(back), head = stream_head(3, 64, 48);
    ASSERT_EQ(out.substr(0, head.size()), head);
    std::vector<double> got = to_doubles(out, head.size());
    ASSERT_EQ(got.size(), values.size());
    double worst = 0;
    for (size_t i = 0; i < got.size(); i++)
        worst = std::max(worst, std::fabs(got[i] - values[i]));
    EXPECT_LT(worst, 1e-4) << worst;
    EXPECT_GT(worst, 0); // the loop really went through 16-bit samples

    // Encoded again, every sample is within one step of the first encoding.
    std::string again = dir.file("again.mkv");
    expect_output({"rv-to-video", "-q", "10", "-c:v", "ffv1", again},
                  RunOptions{.stdin_path = back}, "");
    std::vector<Samples> first = samples(ffmpeg_decoded(video, "ayuv64le")),
                         second = samples(ffmpeg_decoded(again, "ayuv64le"));
    ASSERT_EQ(first.size(), size_t(3 * 64 * 48));
    ASSERT_EQ(second.size(), first.size());
    for (size_t i = 0; i < first.size(); i++)
        for (size_t k = 0; k < 4; k++)
            ASSERT_LE(std::abs(int(first[i][k]) - int(second[i][k])), 1) << i << " " << k;
}

// Cards play as rv-to-image shows them: ffmpeg's own conversion of the video
// to 8-bit RGB gives the values of the image, white included.
TEST(ToVideo, RealLevels)
{
    if (!have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    for (std::string luma : {"0", "0.05", "0.2", "0.5", "0.8", "1"}) {
        std::string video = dir.file("card" + luma + ".mkv");
        const std::string card = "rv-single-colour -w 4 -h 2 " + luma;
        expect_output(shell(card + " | rv-to-video -q 1 -c:v ffv1 " + video), "", "");
        const std::string shown = ffmpeg_decoded(video, "rgba");
        ASSERT_EQ(shown.size(), 32u);
        RunResult r = expect_success(shell(card + " | rv-to-image -d 8"));
        expect_within_one(pam_body(r.out), shown, luma);
    }
}
