#include "colour.h"

#include <cmath>

// |v| is +0 for both zeros, so that black stays +0 (v > -v ? v : -v would
// give -0 for +0).
double srgb_decode(double v)
{
    double a = fabs(v);
    double result = a <= 0.040448236277380506 ? a / 12.92 : pow((a + 0.055) / 1.055, 2.4);
    return v < 0 ? -result : result;
}

double srgb_encode(double v)
{
    double a = fabs(v);
    double result = a <= 0.0031306684425217108 ? a * 12.92
                                                : pow(a, 0.4166666666666667) * 1.055 + (-0.055);
    return v < 0 ? -result : result;
}

Xyz rgb_to_xyz(double r, double g, double b)
{
    return Xyz{
        (r * 0.4124574455823676 + g * 0.3575758652455159) + b * 0.18043724782639967,
        (r * 0.21267337037840828 + g * 0.7151517304910318) + b * 0.07217489913055987,
        (r * 0.01933394276167346 + g * 0.1191919550818386) + b * 0.9503028385523717,
    };
}

Rgb xyz_to_rgb(double x, double y, double z)
{
    return Rgb{
        (x * 3.2404462546477375 + y * -1.5371347618200806) + z * -0.4985301930227287,
        (x * -0.9692666062446798 + y * 1.8760119597883702) + z * 0.041556042214430065,
        (x * 0.05564350356435283 + y * -0.20402617973596024) + z * 1.0572265677227033,
    };
}

Pixel yuv_to_xyz(Ayuv s, bool fast)
{
    if (fast) {
        double y = int(s.y) - luma_black, u = int(s.u) - chroma_zero, v = int(s.v) - chroma_zero;
        return Pixel{
            (y * 1.6953313332161156e-05 + u * 3.949503056038876e-06) + v * 4.581911783142662e-06,
            (y * 1.783675799086758e-05 + u * -2.3739387978375088e-06) + v * -3.0159380676470492e-06,
            (y * 1.942117466459553e-05 + u * 3.2981505335849244e-05) + v * -8.20342760952067e-07,
            1.0,
        };
    }
    double y = (int(s.y) - luma_black) / double(luma_steps);
    double u = (int(s.u) - chroma_zero) / double(chroma_steps);
    double v = (int(s.v) - chroma_zero) / double(chroma_steps);
    double r = srgb_decode((y + u * 0.000283280104858212) + v * 1.1407044959055852);
    double g = srgb_decode((y + u * -0.3963088666949721) + v * -0.5810736428822822);
    double b = srgb_decode((y + u * 2.039900035075413) + v * 0.000171790316923077);
    Xyz c = rgb_to_xyz(r, g, b);
    return Pixel{c.x, c.y, c.z, s.a / 65535.0};
}

// The integer part of v, clamped into [low, high]; the clamp is done first,
// in floating point, so that no value is out of range for the conversion.
static int sample_in(double v, int low, int high)
{
    if (!(v >= low))
        return low;
    if (v > high)
        return high;
    return int(v);
}

static Ayuv yuv_samples(double alpha, double y, double u, double v)
{
    return Ayuv{
        uint16_t(sample_in(alpha, 0, 65535)),
        uint16_t(sample_in(y, -luma_black, 65535 - luma_black) + luma_black),
        uint16_t(sample_in(u, -chroma_zero, 65535 - chroma_zero) + chroma_zero),
        uint16_t(sample_in(v, -chroma_zero, 65535 - chroma_zero) + chroma_zero),
    };
}

Ayuv xyz_to_yuv(const Pixel &p, bool fast)
{
    if (fast)
        return yuv_samples(
            65535,
            (p.x * 22777.53008076898 + p.y * 34667.55239030929) + p.z * -232.2900952997526,
            (p.x * -9868.728836325643 + p.y * -23109.03063095196) + p.z * 29838.454621213692,
            (p.x * 142478.07491800355 + p.y * -108352.30238598572) + p.z * -24860.579237572612);
    Rgb c = xyz_to_rgb(p.x, p.y, p.z);
    double r = srgb_encode(c.r), g = srgb_encode(c.g), b = srgb_encode(c.b);
    double y = (r * 0.299 + g * 0.587) + b * 0.114;
    double u = (r * -0.1466275659824047 + g * -0.28771586836102964) + b * 0.43434343434343436;
    double v = (r * 0.6145689257722452 + g * -0.5145228215767635) + b * -0.10004610419548178;
    return yuv_samples(p.a * 65535, y * luma_steps, u * chroma_steps, v * chroma_steps);
}
