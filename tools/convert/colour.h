// The bridge between sRGB and the stream's CIE XYZ: transfer functions and
// matrices with exact double constants, every sum formed left to right.
#pragma once

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
