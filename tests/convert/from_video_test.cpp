#include "harness.h"
#include "real_ffmpeg.h"

#include <array>
#include <gtest/gtest.h>
#include <sys/stat.h>

// ffmpeg's ayuv64le pixels: A, Y, U, V as 16-bit little-endian samples.
static std::string ayuv(const std::vector<std::array<unsigned, 4>> &pixels)
{
    std::string bytes;
    for (const auto &pixel : pixels)
        for (unsigned sample : pixel)
            bytes += {char(sample & 0xff), char(sample >> 8)};
    return bytes;
}

// Stand-ins for ffprobe and ffmpeg that record their arguments (and what
// ffprobe reads), print chosen output and exit with a chosen status.
struct StandIns {
    TempDir dir;
    std::string input = dir.file("in.video");
    std::string output = dir.file("out.rv");

    StandIns()
    {
        write_file(input, "not really a video");
        probe("width=2\nheight=1\n");
        decode("");
    }
    void stand_in(const std::string &name, const std::string &body, int status)
    {
        write_script(dir.file(name), "printf '%s\\n' \"$@\" > " + name + ".args\n" + body +
                                         "\nexit " + std::to_string(status) + "\n");
    }
    void probe(const std::string &text, int status = 0)
    {
        write_file(dir.file("probe.out"), text);
        stand_in("ffprobe", "cat > ffprobe.in\ncat probe.out", status);
    }
    // `writer` prints the file named right after it: cat, or a loop of
    // small writes.
    void decode(const std::string &bytes, int status = 0, const std::string &say = "",
                const std::string &writer = "cat ")
    {
        write_file(dir.file("pixels"), bytes);
        stand_in("ffmpeg", writer + "pixels\nprintf '" + say + "' >&2", status);
    }
    RunOptions options(bool close_stdin = false) const
    {
        return {.path = {dir.path}, .cwd = dir.path, .close_stdin = close_stdin};
    }
    static std::vector<std::string> argv(std::vector<std::string> args)
    {
        args.insert(args.begin(), "rv-from-video");
        return args;
    }
    // Forgets what the stand-ins recorded, then runs rv-from-video with them,
    // expecting success and nothing on standard output (`out` with "-" as
    // the output file), or a failure; with standard input closed if asked.
    RunResult ok(const std::vector<std::string> &args, const std::string &out = "",
                 bool close_stdin = false,
                 std::source_location loc = std::source_location::current())
    {
        return clear(), expect_output(argv(args), options(close_stdin), out, loc);
    }
    RunResult fails(const std::vector<std::string> &args, const std::string &message,
                    std::source_location loc = std::source_location::current())
    {
        return clear(), expect_failure(argv(args), options(), message, 1, loc);
    }
    void clear()
    {
        for (const char *name : {"ffprobe.args", "ffprobe.in", "ffmpeg.args"})
            std::remove(dir.file(name).c_str());
    }
    std::string recorded(const char *name) { return read_file(dir.file(name)); }
};

// What ffmpeg is asked, one argument a line: `first`, the input, raw pixels
// of `size`, `more`, and standard output.
static std::string decode_args(const std::string &input, const std::string &size,
                               const std::string &more = "", const std::string &first = "")
{
    return first + "-i\n" + input + "\n-f\nrawvideo\n-pix_fmt\nayuv64le\n-s:v\n" + size + "\n" +
           more + "-\n";
}

TEST(FromVideo, ArgumentVectors)
{
    StandIns s;
    s.probe("width=3\nheight=2\n");
    const std::string probe_args = "-v\nquiet\n-show_streams\n-select_streams\nv\n-\n";
    // The arguments, and what ffmpeg gets.  With the size given, ffprobe is
    // not asked and ffmpeg scales; -q quiets ffmpeg, ffprobe is quiet already.
    const struct {
        std::vector<std::string> args;
        std::string decode;
        bool probed = true;
    } cases[] = {
        {{s.input, s.output}, decode_args(s.input, "3x2")},
        {{"-r", "30000/1001", s.input, s.output}, decode_args(s.input, "3x2", "-r\n30000/1001\n")},
        {{"-w", "640", "-h480", "-r25", s.input, s.output},
         decode_args(s.input, "640x480", "-r\n25\n"), false},
        {{"-qr", "25", s.input, s.output},
         decode_args(s.input, "3x2", "-r\n25\n", "-loglevel\nerror\n-nostats\n")},
    };
    for (const auto &c : cases) {
        s.ok(c.args);
        EXPECT_EQ(s.recorded("ffmpeg.args"), c.decode);
        EXPECT_EQ(s.recorded("ffprobe.args"), c.probed ? probe_args : "");
        EXPECT_EQ(s.recorded("ffprobe.in"), c.probed ? "not really a video" : "");
    }

    // Started without a standard input, the input file opened for ffprobe
    // takes descriptor 0, where ffprobe still finds it.
    s.ok({s.input, s.output}, "", true);
    EXPECT_EQ(s.recorded("ffprobe.in"), "not really a video");
}

TEST(FromVideo, ProbeLines)
{
    StandIns s;
    // coded_width is not width; later lines replace earlier ones; the last
    // line keeps its last character when no newline follows it.
    s.probe("coded_width=64\nwidth=7\nheight=9\nwidth=5\nheight=12");
    s.ok({s.input, s.output});
    EXPECT_EQ(s.recorded("ffmpeg.args"), decode_args(s.input, "5x12"));
    EXPECT_EQ(read_file(s.output), stream_head(0, 5, 12));

    // A quarter turn either way, from the rotate tag or the display matrix,
    // swaps the size; the last rotation named counts.
    const std::string matrix = "[SIDE_DATA]\nside_data_type=Display Matrix\ndisplaymatrix=\n"
                               "00000000:            0       65536           0\n";
    for (const auto &[turn, size] : std::vector<std::pair<std::string, std::string>>{
             {matrix + "rotation=-90\n[/SIDE_DATA]\n", "3x4"},
             {matrix + "rotation=90\n[/SIDE_DATA]\n", "3x4"}, {"TAG:rotate=90\n", "3x4"},
             {"TAG:rotate=270\n", "3x4"}, {"TAG:rotate=-270\n", "3x4"}, {"TAG:rotate=450\n", "3x4"},
             {"TAG:rotate=180\n", "4x3"}, {"rotation=0\n", "4x3"},
             {"TAG:rotate=90\nrotation=180\n", "4x3"}, {"rotation=90.5\n", "4x3"},
             {"TAG:rotate=x\n", "4x3"}, {"side_data_rotation=90\n", "4x3"}}) {
        s.probe("width=4\n" + turn + "height=3\n");
        s.ok({s.input, s.output});
        EXPECT_EQ(s.recorded("ffmpeg.args"), decode_args(s.input, size)) << turn;
    }

    for (auto [probed, message] :
         {std::pair{"coded_width=64\nheight=48\n", "could not get all required metadata\n"},
          {"width=64\nheight=0x\n", "invalid height: 0x\n"},
          {"width=0\nheight=4\n", "invalid width: 0\n"}}) {
        s.probe(probed);
        s.fails({s.input, s.output}, std::string("rv-from-video: ") + message);
    }

    // ffprobe failing after it printed the size: its own messages only.
    s.probe("width=2\nheight=1\n", 1);
    s.fails({s.input, s.output}, "");
    EXPECT_EQ(s.recorded("ffmpeg.args"), "");

    // A missing input is reported once, before any child runs.
    s.fails({s.dir.file("missing"), s.output},
            "rv-from-video: open " + s.dir.file("missing") + ": No such file or directory\n");
}

TEST(FromVideo, Pixels)
{
    StandIns s;
    // Video levels: luma 4096 is black and 60160 the sRGB white.
    const std::string pixels = ayuv({{65535, 4096, 32768, 32768}, {65535, 60160, 32768, 32768},
                                     {0, 60160, 32768, 32768}, {0, 4096, 32768, 32768}});
    const std::string body = doubles({0, 0, 0, 1,
                                      0.9504705586542831, 0.9999999999999999, 1.0888287363958837, 1,
                                      0.9504705586542831, 0.9999999999999999, 1.0888287363958837, 0,
                                      0, 0, 0, 0});
    s.decode(pixels);
    s.ok({"-w2", "-h1", s.input, s.output});
    EXPECT_TRUE(same_bytes(read_file(s.output), stream_head(2, 2, 1) + body));
    s.ok({"-d", "-w2", "-h1", s.input, s.output});
    EXPECT_TRUE(same_bytes(read_file(s.output),
                           stream_head(2, 2, 1) +
                               doubles({0, 0, 0, 1, 0.9504705586542831, 1.0, 1.0888287363958837,
                                        1, 0.9504705586542831, 1.0, 1.0888287363958837, 1, 0,
                                        0, 0, 1})));
    // With -L the head comes first, with the frame count 0, and "-" is
    // standard output.
    s.ok({"-Lw2", "-h", "1", s.input, "-"}, stream_head(0, 2, 1) + body);

    // Pixels split over many small writes of ffmpeg come out the same.
    s.decode(pixels + pixels + pixels, 0, "",
             "pieces() { i=0; while [ $i -lt 20 ]; do dd status=none bs=5 count=1 skip=$i "
             "if=\"$1\"; sleep 0.01; i=$((i + 1)); done; }; pieces ");
    s.ok({"-w2", "-h1", s.input, s.output});
    EXPECT_EQ(read_file(s.output), stream_head(6, 2, 1) + body + body + body);

    // More than a block of pixels: every one once, in order.
    std::vector<std::array<unsigned, 4>> many;
    std::vector<double> many_want;
    for (unsigned i = 0; i < 200000; i++) {
        many.push_back({i % 65536, 4096, 32768, 32768});
        many_want.insert(many_want.end(), {0, 0, 0, (i % 65536) / 65535.0});
    }
    s.decode(ayuv(many));
    s.ok({"-w200000", "-h1", s.input, s.output});
    EXPECT_TRUE(same_bytes(read_file(s.output), stream_head(1, 200000, 1) + doubles(many_want)));
}

TEST(FromVideo, Failures)
{
    StandIns s;
    // A pixel cut short.
    s.decode(ayuv({{65535, 4096, 32768, 32768}}) + "abcd");
    s.fails({"-w1", "-h1", s.input, s.output}, "rv-from-video: <subprocess>: incomplete frame\n");

    // Whole pixels, but not whole frames.
    s.decode(ayuv({{65535, 4096, 32768, 32768}, {1, 2, 3, 4}, {5, 6, 7, 8}}));
    s.fails({"-w2", "-h1", s.input, s.output}, "rv-from-video: <subprocess>: incomplete frame\n");
    // With -L the count is not checked.
    s.ok({"-L", "-w2", "-h1", s.input, s.output});
    EXPECT_EQ(read_file(s.output).size(), stream_head(0, 2, 1).size() + 3 * 32);

    // ffmpeg failing: its own words only, and the output keeps no head.
    s.decode(ayuv({{65535, 4096, 32768, 32768}}), 3, "no such codec\\n");
    s.fails({"-w1", "-h1", s.input, s.output}, "no such codec\n");
    EXPECT_EQ(read_file(s.output).size(), 32u);

    // An output that is not a regular file cannot take the head last: it is
    // refused before anything runs, and with -L it is written.
    s.decode(ayuv({{65535, 4096, 32768, 32768}}));
    TempDir other;
    const std::string fifo = other.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (std::string out : {std::string("/dev/stdout"), std::string("/dev/null"), fifo}) {
        s.fails({s.input, out}, "rv-from-video: " + out +
                                    ": not a regular file; an output of another kind needs -L\n");
        EXPECT_EQ(s.recorded("ffprobe.args") + s.recorded("ffmpeg.args"), "");
    }
    s.fails({"-w1", "-h1", s.input, other.path},
            "rv-from-video: open " + other.path + ": Is a directory\n");
    s.ok({"-L", s.input, "/dev/stdout"}, stream_head(0, 2, 1) + doubles({0, 0, 0, 1}));

    // Standard output only with -L, refused before ffmpeg starts.
    const std::string usage =
        "usage: rv-from-video [-r frame-rate] [-w width -h height] [-dLq] input-file output-file\n";
    const std::string too_large = "rv-from-video: video frame too large\n";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"-w1", "-h1", s.input, "-"},
         "rv-from-video: standard out as output file is only allowed with -L\n"},
        {{"-w", "1073741824", "-h", "536870912", s.input, s.output}, too_large},
        {{"-w", "18446744073709551615", "-h", "2", s.input, s.output}, too_large},
        {{"-w", "4", s.input, s.output}, usage}, {{"-h", "4", s.input, s.output}, usage},
        {{s.input}, usage}, {{s.input, s.output, "x"}, usage},
        {{"-x", s.input, s.output}, usage}, {{s.input, s.output, "-r"}, usage},
        {{"-w", "0", "-h", "1", s.input, s.output},
         "rv-from-video: argument of -w must be an integer in [1, 18446744073709551615]\n"},
    };
    for (const auto &c : cases) {
        s.fails(c.args, c.message);
        EXPECT_EQ(s.recorded("ffmpeg.args"), "") << c.message;
    }

    // ffmpeg not found.
    TempDir empty;
    expect_failure(shell("PATH=" + empty.path + " exec " + program_path("rv-from-video") +
                         " -w1 -h1 " + s.input + " " + s.output),
                   "",
                   program_path("rv-from-video") + ": exec ffmpeg: No such file or directory\n");
}

// The real ffmpeg and ffprobe: the video's size and frames, or those asked
// for, and with -L the same frames on standard output.  Without -q ffmpeg
// talks on standard error.
TEST(FromVideo, RealVideo)
{
    if (!have_program("ffmpeg") || !have_program("ffprobe"))
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    TempDir dir;
    std::string video = dir.file("test.mkv"), stream = dir.file("out.rv");
    expect_output(shell("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x48:rate=10 "
                        "-frames:v 3 " + video),
                  "", "");
    for (auto [options, frames, width, height] :
         {std::tuple{"", 3, 64, 48}, {"-w 32 -h 24 -r 20 ", 6, 32, 24}}) {
        RunResult r = run_shell(std::string("rv-from-video ") + options + video + " " + stream);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string out = read_file(stream), head = stream_head(frames, width, height);
        EXPECT_EQ(out.substr(0, head.size()), head);
        EXPECT_EQ(out.size(), head.size() + frames * width * height * 32);
        r = run_shell(std::string("rv-from-video -L ") + options + video + " -");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(same_bytes(r.out, stream_head(0, width, height) + out.substr(head.size())));
    }
}

// Cards that ffmpeg makes come out as ffmpeg itself shows them: white is the
// sRGB white, black is black, and grey has the grey's 8-bit value.
TEST(FromVideo, RealLevels)
{
    if (!have_program("ffmpeg") || !have_program("ffprobe"))
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    TempDir dir;
    for (std::string colour : {"white", "black", "gray", "0x404040", "0xc8c8c8"}) {
        std::string video = dir.file(colour + ".mkv"), card = dir.file("card.rv");
        expect_output(shell("ffmpeg -nostdin -v error -f lavfi -i color=c=" + colour +
                            ":size=4x2 -frames:v 1 -c:v ffv1 " + video),
                      "", "");
        const std::string shown = ffmpeg_decoded(video, "rgba");
        ASSERT_EQ(shown.size(), 32u);
        RunResult r = run_shell("rv-from-video " + video + " " + card + " && rv-to-image -d 8 < " +
                                card);
        ASSERT_EQ(r.status, 0) << r.err;
        expect_within_one(pam_body(r.out), shown, colour);
        if (colour == "white") { // the X, Y and Z of the first pixel
            EXPECT_TRUE(same_bytes(read_file(card).substr(stream_head(1, 4, 2).size(), 24),
                                   doubles({0.9504705586542831, 0.9999999999999999,
                                            1.0888287363958837})));
        }
    }
}

// A video stored a quarter turn round is shown upright by ffmpeg: the stream
// takes the size it is shown at, and its frames are those ffmpeg gives when
// asked for that size (nothing squashed).
TEST(FromVideo, RealRotation)
{
    if (!have_program("ffmpeg") || !have_program("ffprobe"))
        GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    TempDir dir;
    expect_output(shell("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=32x24:rate=10 "
                        "-frames:v 2 -c:v mpeg4 -q:v 2 " + dir.file("flat.mp4")),
                  "", "");
    for (auto [turn, w, h] : {std::tuple{"90", 24, 32}, {"270", 24, 32}, {"180", 32, 24}}) {
        std::string video = dir.file(std::string("turned") + turn + ".mp4");
        expect_output(shell("ffmpeg -nostdin -v error -i " + dir.file("flat.mp4") +
                            " -c copy -metadata:s:v:0 rotate=" + turn + " " + video),
                      "", "");
        expect_output({"rv-from-video", "-q", video, dir.file("out.rv")}, "", "");
        expect_output({"rv-from-video", "-q", "-w", std::to_string(w), "-h", std::to_string(h),
                       video, dir.file("sized.rv")},
                      "", "");
        std::string out = read_file(dir.file("out.rv")), head = stream_head(2, w, h);
        EXPECT_EQ(out.substr(0, head.size()), head) << turn;
        EXPECT_TRUE(same_bytes(out, read_file(dir.file("sized.rv")))) << turn;
    }
}
