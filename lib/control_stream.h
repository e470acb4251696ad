// Streams that steer how another stream changes, pixel by pixel: masks, alpha
// streams and control streams read in step with standard input.
#pragma once

#include "drivers.h"

// The value a mask or control pixel gives: its Y weighted by its alpha, or
// inverted, the complement 1 - Y weighted by its alpha (so that a transparent
// control pixel gives 0 either way).
template <bool inverted = false>
inline double control_value(const Pixel &p)
{
    return (inverted ? 1 - p.y : p.y) * p.a;
}

// Calls change(pixel, control) for every whole pixel of the first n bytes of
// both buffers and stores the changed pixel back into the input's buffer.
template <class Change>
inline void change_pixels(Stream &input, const Stream &control, size_t n, Change &&change)
{
    for (size_t i = 0; i < n; i += pixel_bytes) {
        Pixel p = load_pixel(input.buf + i);
        change(p, load_pixel(control.buf + i));
        store_pixel(input.buf + i, p);
    }
}

// The whole run of a program that changes standard input under a control
// stream named by path: opens both, checks that they agree before anything
// is written, prints the input's head unchanged and hands routine(input,
// control, n) the pixels both streams hold.  Where the control stream ends
// first, the rest of the input passes through unchanged.
template <class Routine>
void run_under_control(const char *path, Routine &&routine)
{
    Stream input{}, control{};
    stream_open_pair_and_pass_head(1, input, control, path);
    run_two_streams(1, input, control, standard_output, routine);
}
