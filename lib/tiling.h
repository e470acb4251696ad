// Periodic filling of rows and frames: the tiling ways of rv-crop and
// rv-extend, where a pattern repeats in both directions from a fixed origin.
#pragma once

#include <cstddef>

// (k - origin) mod period, in [0, period), for unsigned k and origin.
inline size_t periodic_index(size_t k, size_t origin, size_t period)
{
    if (k >= origin)
        return (k - origin) % period;
    size_t back = (origin - k) % period;
    return back ? period - back : 0;
}

// Fills out[0, length) so that out[k] = tile[(k - origin) mod period]: copies
// of the tile, one of them starting at byte `origin`.
void tile_span(unsigned char *out, size_t length, const unsigned char *tile, size_t period,
               size_t origin);

// Completes a frame of `height` rows of `row_size` bytes whose rows
// [first, first + count) are filled: every other row y becomes a copy of row
// first + ((y - first) mod count).
void tile_rows(unsigned char *frame, size_t row_size, size_t height, size_t first,
               size_t count);
