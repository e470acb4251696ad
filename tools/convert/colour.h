// The bridge between sRGB and the stream's CIE XYZ: transfer functions and
// matrices with exact double constants, every sum formed left to right.
#pragma once

#include "stream_format.h"

#include <cstdint>
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

// An ffmpeg ayuv64le pixel: 16-bit samples of alpha, luma (offset by 4096) and
// the two chroma values (offset by 32768), made from sRGB-encoded values.
struct Ayuv {
    uint16_t a, y, u, v;
};
// Its bytes: the four samples in that order, each 16-bit little-endian.
constexpr size_t ayuv_bytes = 8;

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
