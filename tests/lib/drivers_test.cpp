#include "drivers.h"
#include "harness.h"

#include <gtest/gtest.h>
#include <numeric>
#include <unistd.h>

// Values 0, 1, 2, ... as a frame's doubles, offset by `start`.
static std::vector<double> ramp(size_t count, double start = 0)
{
    std::vector<double> v(count);
    std::iota(v.begin(), v.end(), start);
    return v;
}

// Opens a stream on a pipe fed with `bytes` in pieces.
static void open_fed(Stream &s, const char *name, const std::string &bytes, size_t chunk = 0,
                     unsigned delay_us = 0)
{
    s.file = name;
    s.fd = feed_pipe(bytes, chunk, delay_us);
    stream_read_head(1, s);
}

static void add_doubles(unsigned char *to, const unsigned char *from, size_t n)
{
    for (size_t i = 0; i < n; i += 8)
        store_double(to + i, load_double(to + i) + load_double(from + i));
}

TEST(Drivers, ReadFrame)
{
    RunResult r = run_function([] {
        program_name = "p";
        Stream s;
        open_fed(s, "<in>", make_stream(2, 2, 1, ramp(16)), 5, 100);
        unsigned char frame[64];
        while (stream_read_frame(1, s, frame, sizeof frame))
            fwrite(frame, 1, sizeof frame, stdout);
        printf("end");
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, doubles(ramp(16)) + "end");

    r = run_function([] {
        program_name = "p";
        Stream s;
        open_fed(s, "<in>", make_stream(2, 2, 1, ramp(9)));
        unsigned char frame[64];
        while (stream_read_frame(1, s, frame, sizeof frame))
            printf("frame;");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "frame;");
    EXPECT_EQ(r.err, "p: <in>: incomplete frame\n");
}

TEST(Drivers, RunChunks)
{
    auto chunks = [](const std::string &bytes) {
        return run_function([&] {
            Stream s;
            open_fed(s, "<in>", bytes, 100, 50);
            size_t calls = 0, total = 0;
            bool whole = true;
            run_chunks(1, s, [&](Stream &st, size_t n) {
                calls++;
                total += n;
                whole = whole && n % 32 == 0;
                fwrite(st.buf, 1, n, stdout);
            });
            printf("|%zu %zu %d", calls > 1 ? 2 : calls, total, whole);
        });
    };
    RunResult r = chunks(stream_head(5, 1, 1));
    EXPECT_EQ(r.out, "|1 0 1") << "one call with nothing at all";
    std::string data = doubles(ramp(4 * 40));
    r = chunks(stream_head(1, 1, 1) + data + "xyz");
    EXPECT_EQ(r.out, data + "|2 1280 1") << "the frame count plays no part";
}

TEST(Drivers, RunFrames)
{
    auto frames = [](const std::string &bytes) {
        return run_function([&] {
            program_name = "p";
            Stream s;
            open_fed(s, "<in>", bytes, 48, 50);
            run_frames(1, s, standard_output, [](Stream &st, size_t n, size_t i) {
                for (size_t k = 0; k < n; k += 8)
                    store_double(st.buf + k, load_double(st.buf + k) + 1000 * double(i));
            });
        });
    };
    RunResult r = frames(stream_head(0, 2, 2) + doubles(ramp(16)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");

    std::vector<double> expect = ramp(48);
    for (size_t i = 16; i < 48; i++)
        expect[i] += i < 32 ? 1000 : 2000;
    r = frames(make_stream(3, 2, 2, ramp(48)) + "trailing bytes");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, doubles(expect));

    std::string short_stream = make_stream(3, 2, 2, ramp(48));
    short_stream.pop_back();
    r = frames(short_stream);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: <in>: file is shorter than expected\n");
    EXPECT_EQ(r.out.size() % 32, 0u);
    EXPECT_EQ(r.out.substr(0, 2 * 128), doubles(expect).substr(0, 2 * 128));

    r = frames(stream_head(1, size_t(1) << 62, 4));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: <in>: video frame is too large\n");
}

static RunResult two_streams(const std::string &left, const std::string &right,
                             size_t left_chunk = 0, unsigned left_delay = 0,
                             size_t right_chunk = 0)
{
    return run_function([&] {
        program_name = "p";
        Stream l, r;
        open_fed(l, "<left>", left, left_chunk, left_delay);
        open_fed(r, "<right>", right, right_chunk, 0);
        run_two_streams(1, l, r, standard_output, [](Stream &a, Stream &b, size_t n) {
            add_doubles(a.buf, b.buf, n);
        });
        printf("|%d %d", l.fd, r.fd);
    });
}

TEST(Drivers, RunTwoStreams)
{
    std::vector<double> left = ramp(4 * 100), right = ramp(4 * 60, 0.5);
    std::vector<double> sum = left;
    for (size_t i = 0; i < right.size(); i++)
        sum[i] += right[i];

    // Right shorter: the tail of the left passes unchanged, however the left
    // stream's reads split, even when it trickles in slowly.
    for (size_t chunk : {0, 7, 100, 1000}) {
        RunResult r = two_streams(make_stream(1, 10, 10, left) + "tail",
                                  make_stream(1, 10, 10, right) + "junk", chunk, 300);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, doubles(sum) + "tail|-1 -1") << "left pieces of " << chunk;
    }

    // Left shorter: the output ends with the left stream.
    RunResult r = two_streams(make_stream(1, 10, 10, right), make_stream(1, 10, 10, left));
    std::vector<double> short_sum = right;
    for (size_t i = 0; i < right.size(); i++)
        short_sum[i] += left[i];
    EXPECT_TRUE(r.out == doubles(short_sum) + "|-1 -1") << r.err;

    // Pixels split over reads in both streams are combined in a later pass.
    r = two_streams(make_stream(1, 10, 10, left), make_stream(1, 10, 10, left), 20, 100, 20);
    std::vector<double> twice = left;
    for (double &v : twice)
        v += v;
    EXPECT_EQ(r.out, doubles(twice) + "|-1 -1");

    r = two_streams(make_stream(1, 10, 10, left), make_stream(1, 10, 9, left));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: videos do not have the same geometry\n");
}

TEST(Drivers, RunManyStreams)
{
    RunResult r = run_function([] {
        program_name = "p";
        Stream s[3];
        open_fed(s[0], "<a>", make_stream(2, 4, 4, std::vector<double>(2 * 64, 1.0)), 100, 50);
        open_fed(s[1], "<b>", make_stream(1, 4, 4, std::vector<double>(64, 10.0)), 32, 50);
        open_fed(s[2], "<c>", make_stream(3, 4, 4, std::vector<double>(3 * 64, 100.0)));
        run_many_streams(1, s, 3, standard_output, [](Stream *st, size_t count, size_t n) {
            for (size_t k = 1; k < count; k++)
                add_doubles(st[0].buf, st[k].buf, n);
        });
    });
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<double> expect(3 * 64, 100.0);
    for (size_t i = 0; i < 2 * 64; i++)
        expect[i] += i < 64 ? 11 : 1;
    EXPECT_EQ(r.out, doubles(expect));

    r = run_function([] {
        program_name = "p";
        Stream s[2];
        open_fed(s[0], "<a>", stream_head(1, 2, 2));
        open_fed(s[1], "<b>", stream_head(1, 2, 3));
        run_many_streams(1, s, 2, standard_output, [](Stream *, size_t, size_t) {});
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: videos do not have the same geometry\n");
}

TEST(Drivers, RunFramePairs)
{
    // Left 2x2 frames, right 1x1 frames: the output keeps a running sum, and
    // left frames after the right stream ends pass unchanged.
    RunResult r = run_function([] {
        program_name = "p";
        Stream l, rs;
        open_fed(l, "<l>", make_stream(4, 2, 2, ramp(64)), 50, 50);
        open_fed(rs, "<r>", make_stream(2, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}));
        run_frame_pairs(1, l, rs, standard_output,
                        [](unsigned char *out, unsigned char *lf, unsigned char *rf, Stream &,
                           Stream &, size_t L, size_t R) {
                            if (R != 32 || L != 128)
                                abort();
                            for (size_t k = 0; k < L; k += 8)
                                store_double(out + k, load_double(out + k) + load_double(lf + k) +
                                                          load_double(rf + k % 32));
                        });
        printf("|%d %d", l.fd, rs.fd);
    });
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<double> expect(64);
    for (size_t i = 0; i < 16; i++) {
        expect[i] = double(i) + double(1 + i % 4);
        expect[16 + i] = expect[i] + double(16 + i) + double(5 + i % 4);
    }
    for (size_t i = 32; i < 64; i++)
        expect[i] = double(i);
    EXPECT_EQ(r.out, doubles(expect) + "|-1 -1");

    r = run_function([] {
        program_name = "p";
        Stream l, rs;
        open_fed(l, "<l>", make_stream(1, 1, 1, ramp(4)));
        open_fed(rs, "<r>", make_stream(1, 1, 1, ramp(3)));
        run_frame_pairs(1, l, rs, standard_output,
                        [](unsigned char *, unsigned char *, unsigned char *, Stream &, Stream &,
                           size_t, size_t) {});
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: <r>: incomplete frame\n");
}

TEST(Drivers, WriteFailure)
{
    RunResult r = run_function([] {
        program_name = "p";
        Stream s;
        open_fed(s, "<in>", make_stream(1, 1, 1, ramp(4)));
        close(1);
        run_frames(1, s, standard_output, [](Stream &, size_t, size_t) {});
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: write <stdout>: " + std::string(strerror(EBADF)) + "\n");
}

TEST(Drivers, FramePairsTooLarge)
{
    auto pairs = [](uint64_t left_width) {
        return run_function([=] {
            program_name = "p";
            Stream l, rs;
            open_fed(l, "<l>", stream_head(1, left_width, 1));
            open_fed(rs, "<r>", stream_head(1, 1, 1));
            run_frame_pairs(1, l, rs, standard_output,
                            [](unsigned char *, unsigned char *, unsigned char *, Stream &,
                               Stream &, size_t, size_t) {});
        });
    };
    RunResult r = pairs(uint64_t(1) << 58);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: video frame is too large\n");
    r = pairs(uint64_t(1) << 59);
    EXPECT_EQ(r.err, "p: <l>: video frame is too wide\n");
    r = pairs(uint64_t(1) << 57);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "p: mmap: " + std::string(strerror(ENOMEM)) + "\n");
}

// run_frame_pixels gives what run_frame_pairs gives for the same blend, on
// whole and cut streams fed in pieces that split pixels, the left one slowly.
TEST(Drivers, FramePixelsAsFramePairs)
{
    // out = out / 2 + left - right over n bytes.
    auto blend = [](unsigned char *out, const unsigned char *l, const unsigned char *r, size_t n) {
        for (size_t k = 0; k < n; k += 8)
            store_double(out + k, load_double(out + k) * 0.5 + load_double(l + k) - load_double(r + k));
    };
    auto fed = [](const std::string &left, const std::string &right, auto driver) {
        return run_function([&] {
            program_name = "p";
            Stream l, r;
            open_fed(l, "<l>", left, 40, 300);
            open_fed(r, "<r>", right, 24);
            driver(l, r);
        });
    };
    auto by_pairs = [&](const std::string &left, const std::string &right) {
        return fed(left, right, [&](Stream &l, Stream &r) {
            run_frame_pairs(1, l, r, standard_output,
                            [&](unsigned char *out, unsigned char *lf, unsigned char *rf, Stream &,
                                Stream &, size_t size, size_t) { blend(out, lf, rf, size); });
        });
    };
    auto by_pixels = [&](const std::string &left, const std::string &right) {
        return fed(left, right, [&](Stream &l, Stream &r) {
            run_frame_pixels(1, l, r, standard_output,
                             [&](unsigned char *out, const unsigned char *lf,
                                 const unsigned char *rf, size_t n, size_t) { blend(out, lf, rf, n); });
        });
    };
    const std::string left = make_stream(3, 3, 2, ramp(72, 1)), right = make_stream(3, 3, 2, ramp(72, 0.25));
    const size_t frame = 3 * 2 * 32, head = left.size() - 3 * frame;
    // Cuts: none, inside a pixel, at a frame's end, inside the second frame (the
    // right stream's before the left's: the left one's end is still noticed first).
    for (size_t l_cut : {size_t(0), size_t(5), frame, frame + 40})
        for (size_t r_cut : {size_t(0), size_t(3), frame, frame + 100, 2 * frame, 2 * frame + 64, 3 * frame}) {
            std::string l = left.substr(0, left.size() - l_cut), r = right.substr(0, right.size() - r_cut);
            RunResult a = by_pairs(l, r), b = by_pixels(l, r);
            EXPECT_EQ(b.status, a.status) << l_cut << " " << r_cut;
            EXPECT_EQ(b.err, a.err) << l_cut << " " << r_cut;
            EXPECT_EQ(b.out, a.out) << l_cut << " " << r_cut;
        }
    EXPECT_EQ(by_pixels(left.substr(0, head), right).out, "");
}
