// The bridge between sRGB and the stream's CIE XYZ: transfer functions and
// matrices with exact double constants, every sum formed left to right.
#pragma once

#include "numbers.h"
#include "stream_format.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

// sRGB transfer function, encoded to linear (odd-symmetric for negatives).
double srgb_decode(double v);
// Linear to encoded.
double srgb_encode(double v);

struct Rgb {
    double r, g, b;
};
struct Xyz {
    double x, y, z;
};

// Linear sRGB to CIE XYZ (D65, Y of white = 1) and back.
Xyz rgb_to_xyz(double r, double g, double b);
Rgb xyz_to_rgb(double x, double y, double z);

// The -d option of sRGB values given as integers: a depth of 1 to 64 bits,
// whose values run from 0 to 2^depth - 1.
inline int option_depth(int status, const char *text)
{
    return option_int(status, 'd', text, 1, 64);
}
inline uint64_t depth_maxval(int depth) { return UINT64_MAX >> (64 - depth); }

// An ffmpeg ayuv64le pixel: 16-bit samples of alpha and of sRGB-encoded luma
// and chroma at video levels, as ffmpeg reads and writes them: luma 0 to 1 is
// 4096 to 60160, chroma 0 is 32768 and one unit of chroma is 57344 steps.
struct Ayuv {
    uint16_t a, y, u, v;
};
// Its bytes: the four samples in that order, each 16-bit little-endian.
constexpr size_t ayuv_bytes = 8;
// The video levels: black and the steps from black to white, chroma 0 and
// the steps of one unit of chroma.
constexpr int luma_black = 4096;
constexpr int luma_steps = 56064;
constexpr int chroma_zero = 32768;
constexpr int chroma_steps = 57344;

inline Ayuv load_ayuv(const unsigned char *p)
{
    return Ayuv{uint16_t(p[0] | p[1] << 8), uint16_t(p[2] | p[3] << 8),
                uint16_t(p[4] | p[5] << 8), uint16_t(p[6] | p[7] << 8)};
}

inline void store_ayuv(unsigned char *p, Ayuv s)
{
    for (uint16_t sample : {s.a, s.y, s.u, s.v}) {
        *p++ = uint8_t(sample);
        *p++ = uint8_t(sample >> 8);
    }
}

// Samples to XYZ and alpha.  `fast` takes one linear matrix without the
// transfer function and sets alpha to 1.  Nothing is clamped.
Pixel yuv_to_xyz(Ayuv s, bool fast);
// XYZ and alpha to samples, truncated toward zero and clamped into range
// (NaN gives the lowest sample).  `fast` takes one linear matrix without the
// transfer function and sets alpha to 65535.
Ayuv xyz_to_yuv(const Pixel &p, bool fast);

// The last conversions of pixels, keyed by the pixel's bytes.  Video is full
// of runs and repeats of equal pixels, and a look-up costs far less than the
// transfer function.  Every slot holds a key and what converting it gives
// (all slots start with the all-zero key), so a hit yields the very bits the
// conversion would.
template <size_t KeyBytes, class Value> struct ConversionCache {
    static constexpr unsigned slot_bits = 12;
    struct Slot {
        unsigned char key[KeyBytes];
        Value value;
    };
    Slot slots[size_t(1) << slot_bits];
};

template <size_t KeyBytes, class Value, class Convert>
void cache_start(ConversionCache<KeyBytes, Value> &cache, Convert convert)
{
    const unsigned char zero[KeyBytes] = {};
    const Value value = convert(zero);
    for (auto &slot : cache.slots) {
        memcpy(slot.key, zero, KeyBytes);
        slot.value = value;
    }
}

// convert(key) through the cache; `key` points to KeyBytes bytes.
template <size_t KeyBytes, class Value, class Convert>
inline Value cache_convert(ConversionCache<KeyBytes, Value> &cache, const unsigned char *key,
                           Convert convert)
{
    static_assert(KeyBytes % 8 == 0);
    uint64_t hash = 0;
    for (size_t i = 0; i < KeyBytes; i += 8) {
        uint64_t word;
        memcpy(&word, key + i, 8);
        hash = (hash ^ word) * 0x9e3779b97f4a7c15u;
    }
    auto &slot = cache.slots[hash >> (64 - cache.slot_bits)];
    if (memcmp(slot.key, key, KeyBytes) != 0) {
        memcpy(slot.key, key, KeyBytes);
        slot.value = convert(key);
    }
    return slot.value;
}

// Runs pass(convert), where convert(key) is the conversion of a pixel's
// bytes: convert_pixel(key, true), the fast matrix, or convert_pixel(key,
// false), the exact one, through `cache` of the pixels seen lately.
template <size_t KeyBytes, class Value, class ConvertPixel, class Pass>
void pass_conversion(ConversionCache<KeyBytes, Value> &cache, bool fast,
                     ConvertPixel convert_pixel, Pass &&pass)
{
    if (fast) {
        pass([convert_pixel](const unsigned char *key) { return convert_pixel(key, true); });
        return;
    }
    const auto exact = [convert_pixel](const unsigned char *key) {
        return convert_pixel(key, false);
    };
    cache_start(cache, exact);
    pass([&cache, exact](const unsigned char *key) { return cache_convert(cache, key, exact); });
}
