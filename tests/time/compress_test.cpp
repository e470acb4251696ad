#include "diff_record.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Frames of 4x1 pixels: 128 bytes.
constexpr size_t frame_size = 128;
const std::string zero_frame(frame_size, '\0');

std::string compress(const std::vector<std::string> &frames, size_t width = 4, size_t height = 1)
{
    std::string input = stream_head(frames.size(), width, height);
    for (const std::string &f : frames)
        input += f;
    RunResult r = run({"rv-compress"}, input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string head = stream_head(frames.size(), width, height);
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    return r.out.substr(std::min(head.size(), r.out.size()));
}

// A frame of zeros with the given bytes set to 0xff.
std::string frame_with(std::initializer_list<size_t> positions)
{
    std::string f = zero_frame;
    for (size_t p : positions)
        f[p] = '\xff';
    return f;
}

// Reference encoder, byte by byte: the runs of differing bytes, of which
// those separated by at most 15 equal bytes are joined; the leading equal run
// of the frame and every longer gap become the unchanged count of a record.
std::string reference_encoding(const std::string &frame, const std::string &previous)
{
    std::vector<std::pair<size_t, size_t>> runs; // [begin, end) of changed data
    for (size_t p = 0; p < frame.size(); p++) {
        if (frame[p] == previous[p])
            continue;
        if (!runs.empty() && p - runs.back().second <= 15)
            runs.back().second = p + 1;
        else
            runs.push_back({p, p + 1});
    }
    std::string out;
    size_t end = 0;
    for (auto [begin, stop] : runs) {
        out += record(begin - end, stop - begin, frame.substr(begin, stop - begin));
        end = stop;
    }
    size_t tail = frame.size() - end;
    if (runs.empty() || tail >= 16)
        out += record(tail, 0);
    else {
        // A short equal tail joins the data of the last record.
        size_t last = out.size() - (runs.back().second - runs.back().first) - 16;
        uint64_t changed = runs.back().second - runs.back().first + tail;
        memcpy(out.data() + last + 8, &changed, 8);
        out += frame.substr(end);
    }
    return out;
}

} // namespace

TEST(Compress, RecordsOfChosenFrames)
{
    // The previous frame of the first frame is all zeros.
    EXPECT_EQ(compress({zero_frame}), record(128, 0));
    // Identical frames.
    std::string some = frame_with({5, 100});
    EXPECT_EQ(compress({some, some}), compress({some}) + record(128, 0));
    // Only byte 0 differs: the data byte, then the rest unchanged.
    EXPECT_EQ(compress({zero_frame, frame_with({0})}),
              record(128, 0) + record(0, 1, "\xff") + record(127, 0));
    // Runs 15 equal bytes apart are one record, 16 apart two.
    EXPECT_EQ(compress({frame_with({3, 4, 20, 21})}),
              record(3, 19, std::string(2, '\xff') + std::string(15, '\0') +
                                std::string(2, '\xff')) +
                  record(106, 0));
    EXPECT_EQ(compress({frame_with({3, 4, 21, 22})}),
              record(3, 2, "\xff\xff") + record(16, 2, "\xff\xff") + record(105, 0));
    // An equal tail of 1 to 15 bytes ends the last record's data; 16 bytes
    // make a record of their own.
    for (size_t tail = 1; tail <= 15; tail++) {
        size_t last = frame_size - 1 - tail;
        EXPECT_EQ(compress({frame_with({last})}),
                  record(last, 1 + tail, std::string(1, '\xff').append(tail, '\0')))
            << "tail " << tail;
    }
    EXPECT_EQ(compress({frame_with({111})}), record(111, 1, "\xff") + record(16, 0));
    // The frame's first record is never joined to anything, even at a gap of 0.
    EXPECT_EQ(compress({frame_with({0, 1})}), record(0, 2, "\xff\xff") + record(126, 0));
    // The last differing byte at the frame's end.
    EXPECT_EQ(compress({frame_with({127})}), record(127, 1, "\xff"));
    // Each frame is compared with the one before it, not with the first.
    EXPECT_EQ(compress({frame_with({0}), frame_with({0, 64}), frame_with({64})}),
              record(0, 1, "\xff") + record(127, 0) + record(64, 1, "\xff") + record(63, 0) +
                  record(0, 1, std::string(1, '\0')) + record(127, 0));
}

TEST(Compress, MatchesReferenceEncoder)
{
    // Sparse changes of many gap lengths, over frames of a size that is not a
    // multiple of any word size the comparison might use (3x5 pixels).
    std::mt19937_64 random(7);
    const size_t size = 3 * 5 * 32;
    std::vector<std::string> frames;
    std::string previous(size, '\0'), expected;
    for (int k = 0; k < 40; k++) {
        std::string f = previous;
        size_t changes = random() % 40;
        for (size_t c = 0; c < changes; c++) {
            size_t p = random() % size;
            size_t length = random() % 24 + 1;
            for (size_t i = p; i < std::min(size, p + length); i++)
                f[i] = char(random() % 3); // equal to the old byte now and then
        }
        expected += reference_encoding(f, previous);
        frames.push_back(f);
        previous = f;
    }
    EXPECT_EQ(compress(frames, 3, 5), expected);
}

TEST(Compress, HeadsAndFailures)
{
    // A head and no frames: the head alone; the head's frame count is not
    // compared with the frames that come; "--" alone is accepted.
    expect_output({"rv-compress"}, stream_head(3, 2, 2), stream_head(3, 2, 2));
    expect_output({"rv-compress"}, stream_head(5, 4, 1) + zero_frame,
                  stream_head(5, 4, 1) + record(128, 0));
    expect_output({"rv-compress", "--"}, stream_head(0, 1, 1), stream_head(0, 1, 1));

    const std::string usage = "usage: rv-compress \n", huge = stream_head(1, uint64_t(1) << 62, 4);
    expect_failures({
        // No options, no operands.
        {{"rv-compress", "-x"}, stream_head(0, 1, 1), usage, ""},
        {{"rv-compress", "file"}, stream_head(0, 1, 1), usage, ""},
        {{"rv-compress", "--", "-"}, stream_head(0, 1, 1), usage, ""},
        // A partial last frame: the whole frames are written, then the failure.
        {{"rv-compress"}, stream_head(2, 4, 1) + frame_with({0}) + zero_frame.substr(0, 9),
         "rv-compress: <stdin>: incomplete frame\n",
         stream_head(2, 4, 1) + record(0, 1, "\xff") + record(127, 0)},
        {{"rv-compress"}, "1 1 1 rgba\n" + std::string(1, '\0') + "uivf",
         "rv-compress: file <stdin> uses unsupported pixel format: rgba\n", ""},
        // A frame size beyond 64 bits, after the head.
        {{"rv-compress"}, huge, "rv-compress: <stdin>: video frame is too large\n", huge},
    });

    // A frame of 2^63 bytes cannot be allocated.
    expect_out_of_memory("rv-compress", stream_head(1, uint64_t(1) << 58, 1), "malloc");

    // Standard output closed: the head cannot be flushed.
    RunOptions closed;
    closed.input = stream_head(1, 4, 1) + zero_frame;
    closed.close_stdout = true;
    expect_failure({"rv-compress"}, closed, "rv-compress: <stdout>: Bad file descriptor\n");

    std::string frame(100 * 32, '\x01');
    expect_file_too_large("rv-compress", stream_head(1, 100, 1) + frame,
                          stream_head(1, 100, 1) + record(0, frame.size(), frame));
}
