#include "diff_record.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Reference decoder, byte by byte over one frame of `size` bytes whose
// position wraps; stops at the first record that is not whole.
std::string reference_decoding(const std::string &body, size_t size)
{
    std::string frame(size, '\0'), out;
    size_t q = 0, at = 0;
    while (body.size() - at >= 16) {
        uint64_t unchanged, changed;
        memcpy(&unchanged, body.data() + at, 8);
        memcpy(&changed, body.data() + at + 8, 8);
        at += 16;
        for (; unchanged; unchanged--, q = (q + 1) % size)
            out += frame[q];
        for (; changed && at < body.size(); changed--, q = (q + 1) % size)
            out += frame[q] = body[at++];
    }
    return out;
}

std::string random_bytes(size_t n, uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::string bytes(n, '\0');
    for (char &c : bytes)
        c = char(random());
    return bytes;
}

// A still background with a square of 4x4 pixels that moves 3 pixels right
// and 1 down per frame.
std::string moving_square(size_t frames, size_t width, size_t height)
{
    std::vector<double> values;
    for (size_t k = 0; k < frames; k++)
        for (size_t y = 0; y < height; y++)
            for (size_t x = 0; x < width; x++) {
                bool inside = x - 3 * k % width < 4 && y - k % height < 4;
                if (inside)
                    values.insert(values.end(), {0.9, 0.1, 0.2, 1});
                else
                    values.insert(values.end(), {x / double(width), y / double(height), 0.5, 1});
            }
    return make_stream(frames, width, height, values);
}

std::string round_trip(const std::string &input, const RunOptions &decompress_options = {})
{
    RunResult c = run({"rv-compress"}, input);
    EXPECT_EQ(c.status, 0) << c.err;
    RunOptions options = decompress_options;
    options.input = c.out;
    RunResult d = run({"rv-decompress"}, options);
    EXPECT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.err, "");
    return d.out;
}

} // namespace

TEST(Decompress, RecordsAcrossFrames)
{
    // Frames of 1x2 pixels, 64 bytes; records that run over frame ends wrap
    // to the start of the frame and serve the next frame from there.
    const std::string head = stream_head(4, 1, 2);
    std::string body = record(0, 70, random_bytes(70, 1)) + record(100, 3, "abc") +
                       record(0, 0) + record(5, 0) + record(0, 66, random_bytes(66, 2));
    std::string expected = reference_decoding(body, 64);
    EXPECT_EQ(expected.size(), 70 + 103 + 5 + 66u);
    expect_output({"rv-decompress"}, head + body, head + expected);

    // The same, fed a few bytes at a time, so that headers and data are
    // split across reads.
    RunOptions slow;
    slow.input = head + body;
    slow.input_chunk = 5;
    expect_output({"rv-decompress"}, slow, head + expected);

    // An unchanged count over several frames repeats the last frame.
    body = record(3, 61, random_bytes(61, 3)) + record(64 * 3 + 10, 0);
    expected = reference_decoding(body, 64);
    expect_output({"rv-decompress"}, head + body, head + expected);
    EXPECT_EQ(expected.substr(64, 64), expected.substr(0, 64));
}

TEST(Decompress, EndsOfInput)
{
    const std::string head = stream_head(2, 1, 2);
    const std::string data = random_bytes(100, 4);

    // A head and no records: the head alone.
    expect_output({"rv-decompress"}, head, head);

    // 1 to 15 stray bytes after the last whole record are ignored.
    for (size_t stray = 1; stray <= 15; stray++)
        expect_output({"rv-decompress"},
                      head + record(0, 64, data.substr(0, 64)) + std::string(stray, '\x07'),
                      head + data.substr(0, 64));

    // A last record that owes data: what is there is written, then the failure.
    for (size_t present : {0, 1, 63, 64, 99})
        EXPECT_EQ(expect_failure({"rv-decompress"},
                                 head + record(64, 0) + record(2, 100, data.substr(0, present)),
                                 "rv-decompress: <stdin>: corrupt input\n")
                      .out,
                  head + std::string(66, '\0') + data.substr(0, present))
            << present;
}

TEST(Decompress, RoundTrips)
{
    // A colour stream made by rv-single-colour, through both programs in a pipe.
    RunResult direct = expect_success(shell("rv-single-colour -f 3 -w 7 -h 5 0.2 0.3 0.4 0.5"));
    expect_output(
        shell("rv-single-colour -f 3 -w 7 -h 5 0.2 0.3 0.4 0.5 | rv-compress | rv-decompress"), "",
        direct.out);

    // Random bytes: every frame differs almost everywhere from the last.
    std::string input = stream_head(6, 33, 17) + random_bytes(6 * 33 * 17 * 32, 5);
    EXPECT_EQ(round_trip(input), input);

    // Random frames with a frame repeated and a frame of zeros among them.
    std::string frame = random_bytes(3 * 3 * 32, 6);
    input = stream_head(5, 3, 3) + frame + frame + std::string(frame.size(), '\0') +
            random_bytes(frame.size(), 7) + frame;
    EXPECT_EQ(round_trip(input), input);

    // A square moving over a still background, which is stored once; fed
    // slowly to the decoder too.
    input = moving_square(12, 40, 30);
    EXPECT_LT(expect_success({"rv-compress"}, input).out.size(), input.size() / 4);
    EXPECT_EQ(round_trip(input), input);
    RunOptions slow;
    slow.input_chunk = 1000;
    EXPECT_EQ(round_trip(input, slow), input);

    // Sparse changes to bytes of all positions, so that every gap length and
    // every alignment of a run occurs.
    std::mt19937_64 random(8);
    std::string previous = random_bytes(5 * 32, 9);
    input = stream_head(300, 5, 1);
    for (int k = 0; k < 300; k++) {
        for (int c = random() % 6; c > 0; c--)
            previous[random() % previous.size()] ^= char(1 + random() % 255);
        input += previous;
    }
    EXPECT_EQ(round_trip(input), input);
}

TEST(Decompress, CommandLineAndFailures)
{
    expect_output({"rv-decompress", "--"}, stream_head(0, 1, 1) + record(32, 0),
                  stream_head(0, 1, 1) + std::string(32, '\0'));
    const std::string usage = "usage: rv-decompress \n";
    const std::string huge = stream_head(1, 4, uint64_t(1) << 62);
    expect_failures({
        {{"rv-decompress", "-z"}, stream_head(0, 1, 1), usage, ""},
        {{"rv-decompress", "x"}, stream_head(0, 1, 1), usage, ""},
        {{"rv-decompress", "--", "--"}, stream_head(0, 1, 1), usage, ""},
        {{"rv-decompress"}, "not a stream\n",
         "rv-decompress: <stdin>: file format not supported\n", ""},
        {{"rv-decompress"}, huge, "rv-decompress: <stdin>: video frame is too large\n", huge},
    });

    // A frame of 2^63 bytes cannot be allocated.
    expect_out_of_memory("rv-decompress", stream_head(1, 1, uint64_t(1) << 58), "calloc",
                         record(1, 0));
    expect_file_too_large("rv-decompress", stream_head(1, 100, 1) + record(3200, 0),
                          stream_head(1, 100, 1) + std::string(3200, '\0'));
}
