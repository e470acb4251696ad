// Test videos whose frames tell themselves apart: every pixel of frame f
// holds X = f + 1 and Y = its index in the frame, so any frame out of place,
// lost or repeated shows in the bytes.
#pragma once

#include "harness.h"

#include <vector>

inline std::string numbered_frame(size_t f, size_t width, size_t height)
{
    std::string bytes;
    for (size_t p = 0; p < width * height; p++)
        bytes += doubles({double(f) + 1, double(p), 0.5, 1.0});
    return bytes;
}

// The frames with the given numbers, in that order, without a head.
inline std::string numbered_frames(const std::vector<size_t> &order, size_t width, size_t height)
{
    std::string bytes;
    for (size_t f : order)
        bytes += numbered_frame(f, width, height);
    return bytes;
}

// Frame numbers first, first + 1, ..., first + count - 1.
inline std::vector<size_t> frame_range(size_t first, size_t count)
{
    std::vector<size_t> order;
    for (size_t f = first; f < first + count; f++)
        order.push_back(f);
    return order;
}

// A stream of frames 0 to count - 1 under a head that claims `claimed` frames.
inline std::string numbered_video(size_t count, size_t width, size_t height, uint64_t claimed)
{
    return stream_head(claimed, width, height) +
           numbered_frames(frame_range(0, count), width, height);
}

inline std::string numbered_video(size_t count, size_t width, size_t height)
{
    return numbered_video(count, width, height, count);
}
