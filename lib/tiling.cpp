// Periodic filling of rows and frames.
#include "tiling.h"

#include <cstring>

void tile_span(unsigned char *out, size_t length, const unsigned char *tile, size_t period,
               size_t origin)
{
    size_t phase = periodic_index(0, origin, period);
    size_t done = 0;
    while (done < length) {
        size_t piece = period - phase;
        if (piece > length - done)
            piece = length - done;
        memcpy(out + done, tile + phase, piece);
        done += piece;
        phase = 0;
    }
}

void tile_rows(unsigned char *frame, size_t row_size, size_t height, size_t first,
               size_t count)
{
    for (size_t y = 0; y < height; y++)
        if (y < first || y - first >= count)
            memcpy(frame + y * row_size,
                   frame + (first + periodic_index(y, first, count)) * row_size, row_size);
}
