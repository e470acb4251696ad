#include "colour.h"

#include <cmath>

double srgb_decode(double v)
{
    double a = v > -v ? v : -v;
    double result = a <= 0.040448236277380506 ? a / 12.92 : pow((a + 0.055) / 1.055, 2.4);
    return v < 0 ? -result : result;
}

double srgb_encode(double v)
{
    double a = v > -v ? v : -v;
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
