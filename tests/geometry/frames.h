// Videos of labelled pixels for the geometry tests, and the expected output
// of a rearrangement given as a map from output to input positions.
#pragma once

#include "harness.h"

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

// Runs a shell pipeline of the built programs with `input` on standard input.
inline RunResult pipeline(const std::string &command, const std::string &input)
{
    RunOptions options;
    options.input = input;
    return run_shell(command, options);
}
