// Processing drivers: the read-process-write loops that hand whole pixels or
// whole frames of one or more streams to a program's routine.
#pragma once

#include "buffers.h"
#include "diagnostics.h"
#include "stream_format.h"
#include "stream_input.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

inline size_t whole_pixels(size_t bytes, size_t pixel_size)
{
    return bytes - bytes % pixel_size;
}

// Hands the whole stream to routine(stream, n) in chunks of whole pixels,
// starting with what the head reader left in the buffer.  No output of its own.
template <class Routine>
void run_chunks(int status, Stream &stream, Routine &&routine)
{
    for (;;) {
        size_t n = whole_pixels(stream.fill, stream.pixel_size);
        routine(stream, n);
        stream_drop(stream, n);
        if (stream_fill(status, stream, SIZE_MAX) == 0)
            return;
    }
}

// Per-frame pass bounded by the head's frame count: routine(stream, n, frame)
// changes the bytes in place and the driver writes them.
template <class Routine>
void run_frames(int status, Stream &stream, const Output &out,
                Routine &&routine)
{
    const size_t frame_size = stream_frame_size(status, stream);
    for (size_t i = 0; i < stream.frames; i++) {
        size_t remaining = frame_size;
        while (remaining) {
            if (stream.fill < remaining && stream.fill < stream_refill_level &&
                stream_fill(status, stream, SIZE_MAX) == 0)
                fail(status, "%s: file is shorter than expected\n", stream.file);
            size_t n = std::min(whole_pixels(stream.fill, stream.pixel_size), remaining);
            routine(stream, n, i);
            write_or_fail(status, out, stream.buf, n);
            stream_drop(stream, n);
            remaining -= n;
        }
    }
    stream_give_back(stream);
}

// Lock-step pass over two streams of one geometry: routine(left, right, n)
// leaves its result in left.buf[0, n).  Every whole pixel for which both
// streams have data is combined, however the reads happen to split; the rest
// of the left stream passes through unchanged and the rest of the right
// stream is ignored.
template <class Routine>
void run_two_streams(int status, Stream &left, Stream &right, const Output &out, Routine &&routine)
{
    stream_check_compatible(status, left, right);
    const size_t pixel = left.pixel_size;
    for (;;) {
        for (Stream *s : {&left, &right})
            if (s->fd >= 0 && s->fill < stream_refill_level &&
                stream_fill(status, *s, SIZE_MAX) == 0)
                stream_close(*s);
        size_t n = whole_pixels(std::min(left.fill, right.fill), pixel);
        if (n) {
            left.fill -= n;
            right.fill -= n;
            routine(left, right, n);
            write_or_fail(status, out, left.buf, n);
            stream_advance(left, n);
            stream_advance(right, n);
        }
        if ((left.fd < 0 && left.fill < pixel) || (right.fd < 0 && right.fill < pixel))
            break;
    }
    if (right.fd >= 0)
        stream_close(right);
    stream_copy_rest(status, left, out);
}

// Lock-step pass over streams that may end at different times: routine(
// streams, count, n) leaves its result in streams[0].buf[0, n).  Streams that
// have ended and hold less than a pixel are dropped from the array.
template <class Routine>
void run_many_streams(int status, Stream *streams, size_t count, const Output &out, Routine &&routine)
{
    if (!count)
        return;
    for (size_t i = 1; i < count; i++)
        stream_check_compatible(status, streams[0], streams[i]);
    for (;;) {
        for (size_t i = 0; i < count; i++)
            if (streams[i].fd >= 0 && streams[i].fill < stream_refill_level &&
                stream_fill(status, streams[i], SIZE_MAX) == 0)
                stream_close(streams[i]);
        size_t kept = 0;
        for (size_t i = 0; i < count; i++) {
            if (streams[i].fd < 0 && streams[i].fill < streams[i].pixel_size)
                continue;
            if (kept != i)
                streams[kept] = streams[i];
            kept++;
        }
        count = kept;
        if (!count)
            return;
        size_t least = streams[0].fill;
        for (size_t i = 1; i < count; i++)
            least = std::min(least, streams[i].fill);
        size_t n = whole_pixels(least, streams[0].pixel_size);
        routine(streams, count, n);
        write_or_fail(status, out, streams[0].buf, n);
        for (size_t i = 0; i < count; i++)
            stream_drop(streams[i], n);
    }
}

// Whether the stream's file holds a whole frame of `size` bytes at offset
// `at`: false when the file ends there; fatal with "NAME: incomplete frame"
// when it holds only part of one, the file position then at its end as after
// reading that part.
bool file_holds_frame(int status, const Stream &stream, uint64_t at, size_t size);

// Per-frame pass over a regular file by position, from offset `at` (from
// stream_file_offset) until the file ends, as stream_read_frame would read
// it: routine(at) writes the frame that starts at offset `at`.  A frame the
// file holds only in part fails with "NAME: incomplete frame" before the
// routine sees it.  The file position is left where the reads would leave it.
template <class Routine>
void run_file_frames(int status, Stream &stream, uint64_t at, Routine &&routine)
{
    const size_t frame_size = stream_frame_size(status, stream);
    stream_clear(stream);
    for (uint64_t size = stream_file_size(status, stream);; at += frame_size) {
        if (size <= at || size - at < frame_size) { // look again: the file may have grown
            if (!file_holds_frame(status, stream, at, frame_size))
                break;
            size = at + frame_size;
        }
        routine(at);
    }
    lseek(stream.fd, off_t(at), SEEK_SET);
}

// The three frames of run_frame_pairs in one shared anonymous mapping, so that
// worker processes forked by a routine write where the parent reads.
struct FramePairMemory {
    unsigned char *base;
    size_t length;
};
FramePairMemory map_frame_pairs(int status, size_t left_size, size_t right_size);
void unmap_frame_pairs(FramePairMemory memory);

// Frame-by-frame pass over two streams whose frames may differ in size:
// routine(output, left_frame, right_frame, left, right, L, R) fills the output
// frame, which keeps what the previous call left there (zeros at first).  When
// the right stream ends first the remaining left frames pass unchanged.
template <class Routine>
void run_frame_pairs(int status, Stream &left, Stream &right, const Output &out, Routine &&routine)
{
    const size_t L = stream_frame_size(status, left);
    const size_t R = stream_frame_size(status, right);
    FramePairMemory memory = map_frame_pairs(status, L, R);
    unsigned char *output = memory.base;
    unsigned char *left_frame = memory.base + L;
    unsigned char *right_frame = memory.base + 2 * L;
    for (;;) {
        if (!stream_read_frame(status, left, left_frame, L)) {
            stream_close(left);
            if (right.fd >= 0)
                stream_close(right);
            break;
        }
        if (!stream_read_frame(status, right, right_frame, R)) {
            stream_close(right);
            write_or_fail(status, out, left_frame, L);
            while (stream_read_frame(status, left, left_frame, L))
                write_or_fail(status, out, left_frame, L);
            stream_close(left);
            break;
        }
        routine(output, left_frame, right_frame, left, right, L, R);
        write_or_fail(status, out, output, L);
    }
    unmap_frame_pairs(memory);
}

// Where both streams' unread bytes begin in their files, as stream_file_offset
// gives them, when both inputs are regular files with rows of at least
// positional_row_minimum bytes, frames no smaller than the read buffer (so
// that reads through the streams end at frame ends), and not the same file
// (whose reads through the streams would take turns); false otherwise.
bool file_pair_offsets(const Stream &left, const Stream &right, uint64_t &at, uint64_t &right_at);

// run_frame_pairs over two regular files read by position from offsets `at`
// and `right_at` (from file_pair_offsets), for routines that share the
// reading among processes: load(output, left_frame, right_frame, at,
// right_at) fills both frames from those offsets, then the routine runs as in
// run_frame_pairs and the output frame is written.  Output and messages are
// those of run_frame_pairs, except that a frame a file holds only in part is
// refused before it is read.  After every frame, and at a failure, the file
// positions are where the reads through the streams would have left them.
template <class Load, class Routine>
void run_file_frame_pairs(int status, Stream &left, Stream &right, uint64_t at, uint64_t right_at,
                          const Output &out, Load &&load, Routine &&routine)
{
    const size_t L = stream_frame_size(status, left);
    const size_t R = stream_frame_size(status, right);
    stream_clear(left);
    stream_clear(right);
    FramePairMemory memory = map_frame_pairs(status, L, R);
    unsigned char *output = memory.base;
    unsigned char *left_frame = memory.base + L;
    unsigned char *right_frame = memory.base + 2 * L;
    for (;; at += L, right_at += R) {
        if (!file_holds_frame(status, left, at, L))
            break;
        lseek(left.fd, off_t(at + L), SEEK_SET); // the left frame is read first
        if (!file_holds_frame(status, right, right_at, R)) {
            run_file_frames(status, left, at, [&](uint64_t from) {
                stream_copy_frame_part(status, left, from, from + L, out);
            });
            break;
        }
        load(output, left_frame, right_frame, at, right_at);
        lseek(right.fd, off_t(right_at + R), SEEK_SET);
        routine(output, left_frame, right_frame, left, right, L, R);
        write_or_fail(status, out, output, L);
    }
    stream_close(left);
    stream_close(right);
    unmap_frame_pairs(memory);
}

// Frame-by-frame pass over two streams of one geometry for routines that go
// pixel by pixel: routine(output, left.buf, right.buf, n, frame) changes bytes
// [0, n) at `output`, a place in the output frame, from the n bytes both
// streams hold of frame number `frame`.  The output frame keeps what the
// previous frame left there (zeros at first) and is written once the frame is
// whole, so the output and the messages are those of run_frame_pairs: a frame
// that either stream holds only in part is never written, and the left
// stream's end is noticed first.  When the right stream ends at the start of a
// frame the remaining left frames pass unchanged.
template <class Routine>
void run_frame_pixels(int status, Stream &left, Stream &right, const Output &out,
                      Routine &&routine)
{
    const size_t size = stream_frame_size(status, left);
    const size_t pixel = left.pixel_size;
    if (!size) { // frames of no bytes: whatever run_frame_pairs does with them
        run_frame_pairs(status, left, right, out,
                        [](unsigned char *, unsigned char *, unsigned char *, Stream &, Stream &,
                           size_t, size_t) {});
        return;
    }
    unsigned char *output = allocate_zeroed_or_fail(status, size);
    for (size_t frame = 0; stream_holds_more(status, left); frame++) {
        if (!stream_holds_more(status, right)) {
            stream_close(right);
            while (stream_read_frame(status, left, output, size))
                write_or_fail(status, out, output, size);
            break;
        }
        bool right_short = false; // the right stream ended inside this frame
        for (size_t done = 0; done < size;) {
            const size_t wanted = size - done;
            if (left.fill < wanted && left.fill < stream_refill_level &&
                stream_fill(status, left, SIZE_MAX) == 0)
                fail(status, "%s: incomplete frame\n", left.file);
            if (!right_short && right.fill < wanted && right.fill < stream_refill_level &&
                stream_fill(status, right, SIZE_MAX) == 0)
                right_short = true;
            size_t n = whole_pixels(std::min({left.fill, right_short ? left.fill : right.fill, wanted}),
                                    pixel);
            if (!right_short) {
                routine(output + done, left.buf, right.buf, n, frame);
                stream_drop(right, n);
            }
            stream_drop(left, n);
            done += n;
        }
        if (right_short)
            fail(status, "%s: incomplete frame\n", right.file);
        write_or_fail(status, out, output, size);
    }
    stream_close(left);
    if (right.fd >= 0)
        stream_close(right);
    free(output);
}
