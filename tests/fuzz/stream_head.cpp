// The stream head reader on any bytes, read from a descriptor or (first byte
// odd) parsed from memory the way rv-from-text hands a head over.  A head that
// passes must print and read back to the same fields, and its frame size
// test must agree with require_frame_size.
#include "diagnostics.h"
#include "in_process.h"
#include "stream_format.h"

#include <cstdlib>
#include <cstring>

static void expect(bool condition)
{
    if (!condition)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    program_name = "fuzz-stream-head";
    const bool from_buffer = data[0] & 1;
    std::span<const uint8_t> bytes(data + 1, size - 1);
    if (from_buffer && bytes.size() > stream_head_limit + stream_magic_size)
        bytes = bytes.first(stream_head_limit + stream_magic_size);

    enum { reading, checking, done } stage = reading;
    Stream s{};
    const Feed feeds[] = {{0, from_buffer ? std::span<const uint8_t>{} : bytes}};
    run_in_process(feeds, [&] {
        s.file = "<stdin>";
        if (from_buffer) {
            stream_parse_head(1, s, bytes.data(), bytes.size());
        } else {
            s.fd = 0;
            stream_read_head(1, s);
        }
        stage = checking;

        expect(s.width && s.height && s.pixel_size == pixel_bytes);
        expect(strcmp(s.pixfmt, "xyza") == 0 && s.frame_pos == 0);
        expect(s.headlen <= stream_head_limit + stream_magic_size && s.headlen <= bytes.size());
        if (!from_buffer) {
            expect(s.fill <= stream_buffer_size && s.headlen + s.fill <= bytes.size());
            expect(memcmp(s.buf, bytes.data() + s.headlen, s.fill) == 0);
        }

        HeadText text = stream_head_text(s);
        Stream again{};
        again.file = "<again>";
        stream_parse_head(1, again, reinterpret_cast<const uint8_t *>(text.bytes), text.length);
        expect(again.frames == s.frames && again.width == s.width && again.height == s.height);
        expect(again.headlen == text.length);

        if (frame_size_fits(s.width, s.height, s.pixel_size)) {
            require_frame_size(1, s.width, s.height, s.pixel_size, nullptr, s.file);
            stream_check_compatible(1, s, again);
            stage = done;
        } else {
            stage = done;
            require_frame_size(1, s.width, s.height, s.pixel_size, nullptr, s.file);
            abort(); // an oversized frame passed
        }
    });
    // Every failure must come from the reader itself.
    expect(stage != checking);
    return 0;
}
