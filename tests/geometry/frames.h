// Videos of labelled pixels for the geometry tests, and the expected output
// of a rearrangement given as a map from output to input positions.
#pragma once

#include "harness.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

// Pixel (x, y) of frame f: X = x, Y = y, Z = f, alpha = 1 + a quarter, so
// that no pixel is all zero bytes and every pixel of a video differs.
inline std::vector<double> label(size_t f, size_t x, size_t y)
{
    return {double(x), double(y), double(f), 1.25};
}

// The pixels of `frames` labelled frames, without a head.
inline std::string labelled_pixels(size_t frames, size_t width, size_t height)
{
    std::string bytes;
    for (size_t f = 0; f < frames; f++)
        for (size_t y = 0; y < height; y++)
            for (size_t x = 0; x < width; x++)
                bytes += doubles(label(f, x, y));
    return bytes;
}

inline std::string labelled(size_t frames, size_t width, size_t height)
{
    return stream_head(frames, width, height) + labelled_pixels(frames, width, height);
}

// Where output pixel (x, y) of frame f comes from: an input position, or none
// for a pixel of zero bytes.
using Source = std::optional<std::pair<size_t, size_t>>;
using SourceMap = std::function<Source(size_t f, size_t x, size_t y)>;

// The pixels a labelled input gives under the map, without a head.
inline std::string mapped_pixels(size_t frames, size_t width, size_t height,
                                 const SourceMap &source)
{
    std::string bytes;
    for (size_t f = 0; f < frames; f++)
        for (size_t y = 0; y < height; y++)
            for (size_t x = 0; x < width; x++) {
                Source s = source(f, x, y);
                bytes += s ? doubles(label(f, s->first, s->second)) : std::string(32, '\0');
            }
    return bytes;
}

inline std::string mapped(size_t frames, size_t width, size_t height, const SourceMap &source)
{
    return stream_head(frames, width, height) + mapped_pixels(frames, width, height, source);
}

// a mod n in [0, n) for any signed a.
inline long long modulo(long long a, long long n) { return (a % n + n) % n; }

// Runs `command` (a program of the build and its arguments) with `input` in
// a regular file as standard input, after `skip` bytes of it that another
// reader has taken, and standard output into a file when `to_file`.  The
// output is the file's bytes then.  Like a read through the stream, the run
// leaves nothing of the file unread, even when it fails on a cut frame.
inline RunResult run_on_file(const std::string &command, const std::string &input, size_t skip,
                             bool to_file)
{
    TempDir dir;
    write_file(dir.file("in"), std::string(skip, '#') + input);
    RunOptions options;
    if (to_file)
        options.stdout_path = dir.file("out");
    const std::string taken =
        skip ? "dd bs=" + std::to_string(skip) + " count=1 of=/dev/null status=none; " : "";
    RunResult r = run_shell("{ " + taken + command + "; s=$?; wc -c > " + dir.file("left") +
                                "; exit $s; } < " + dir.file("in"),
                            options);
    EXPECT_EQ(read_file(dir.file("left")), "0\n") << command << " left bytes unread";
    if (to_file)
        r.out = read_file(dir.file("out"));
    return r;
}

// The outputs of `command` on `input` from a pipe and from regular files
// (read from the start or after other bytes, written to a pipe or a file)
// agree in bytes, messages and statuses.
inline void expect_same_from_files(const std::string &command, const std::string &input)
{
    RunResult piped = pipeline(command, input);
    for (size_t skip : {0, 7})
        for (bool to_file : {false, true}) {
            RunResult r = run_on_file(command, input, skip, to_file);
            EXPECT_EQ(r.status, piped.status) << command << " skip " << skip;
            EXPECT_EQ(r.err, piped.err) << command << " skip " << skip;
            EXPECT_TRUE(r.out == piped.out) << command << " skip " << skip << " to file " << to_file;
        }
}

// Frames of xyza pixels as ffmpeg's planar float format gbrapf32le, with X, Y,
// Z and alpha in the G, B, R and A planes, and back.  The labels are small
// integers and quarters, so they survive the trip through float exactly.
inline std::string to_planar(const std::string &pixels, size_t width, size_t height)
{
    const size_t n = width * height;
    std::vector<double> v = to_doubles(pixels);
    std::vector<float> planes(v.size());
    for (size_t f = 0; f < v.size() / (4 * n); f++)
        for (size_t i = 0; i < n; i++)
            for (size_t c = 0; c < 4; c++)
                planes[f * 4 * n + c * n + i] = float(v[(f * n + i) * 4 + c]);
    return std::string(reinterpret_cast<const char *>(planes.data()), planes.size() * 4);
}

inline std::string from_planar(const std::string &planar, size_t width, size_t height)
{
    const size_t n = width * height;
    std::vector<float> planes(planar.size() / 4);
    memcpy(planes.data(), planar.data(), planes.size() * 4);
    std::vector<double> v(planes.size());
    for (size_t f = 0; f < v.size() / (4 * n); f++)
        for (size_t i = 0; i < n; i++)
            for (size_t c = 0; c < 4; c++)
                v[(f * n + i) * 4 + c] = planes[f * 4 * n + c * n + i];
    return doubles(v);
}

// What ffmpeg's filter makes of labelled frames, as xyza pixels of the given
// output geometry.
inline std::string ffmpeg_filtered(size_t frames, size_t width, size_t height,
                                   const std::string &filter, size_t out_width,
                                   size_t out_height)
{
    RunResult r = pipeline("ffmpeg -hide_banner -loglevel error -f rawvideo -pix_fmt gbrapf32le"
                           " -s " + std::to_string(width) + "x" + std::to_string(height) +
                               " -i - -vf " + filter + " -f rawvideo -",
                           to_planar(labelled_pixels(frames, width, height), width, height));
    return from_planar(r.out, out_width, out_height);
}

// Checks a program that rearranges the pixels of every frame by `source`,
// from width x height to out_width x out_height: its output of three
// labelled frames, the frames given back when it runs twice, and 1 x 1
// frames passed unchanged.
inline void expect_rearranged(const std::string &program, size_t width, size_t height,
                              size_t out_width, size_t out_height, const SourceMap &source,
                              std::source_location loc = std::source_location::current())
{
    const std::string in = labelled(3, width, height);
    expect_output({program}, in, mapped(3, out_width, out_height, source), loc);
    EXPECT_TRUE(same_bytes(pipeline(program + " | " + program, in, loc).out, in)) << program;
    expect_output({program}, labelled(2, 1, 1), labelled(2, 1, 1), loc);
}

// argv makes of three labelled frames of 37 x 21 what ffmpeg's filter makes
// of them (skipped without ffmpeg).
inline void expect_as_ffmpeg(const std::vector<std::string> &argv, const std::string &filter,
                             size_t out_width, size_t out_height)
{
    if (!have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    expect_output(argv, labelled(3, 37, 21),
                  stream_head(3, out_width, out_height) +
                      ffmpeg_filtered(3, 37, 21, filter, out_width, out_height));
}
