// rv-from-image: one still image on standard input as a one-frame stream.
// farbfeld (-f) and PAM (-p) are read directly; any other image is handed to
// ImageMagick's convert, whose PAM output is read from a pipe.  Colour samples
// are sRGB-encoded and become CIE XYZ; alpha is copied unchanged.  The frame
// holds the first image's width x height pixels; whatever follows them (more
// images of an animation, say) is read and dropped.
#include "child_process.h"
#include "colour.h"
#include "diagnostics.h"
#include "drivers.h"
#include "stream_format.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

static const char synopsis[] = "[-h] [-f | -p]";

struct Options {
    bool headless = false; // -h: the pixels without a stream head
    bool farbfeld = false; // -f: the image is farbfeld
    bool pam = false;      // -p: the image is PAM
};

// A width or height text of this many characters or more is refused.
constexpr size_t dimension_text_limit = 25;

struct Image {
    Stream in;                // descriptor, display name and the 1024-byte buffer
    const char *failure_hint; // printed when the input is not an image we read
    uint64_t width = 0, height = 0; // 0 until the head sets them
    uint64_t maxval = 255;
    bool greyscale = false;
    bool alpha = true;
    size_t sample_bytes = 1; // the fewest bytes that hold maxval: 1 to 8
    size_t pixel_size = 4;
};

[[noreturn]] static void not_recognised(const Image &image)
{
    fail(1, "%s\n", image.failure_hint);
}

static bool starts_with(std::string_view line, std::string_view word, std::string_view &rest)
{
    if (line.substr(0, word.size()) != word)
        return false;
    rest = line.substr(word.size());
    return true;
}

// A width or height must be a plain decimal number of at least 1 that fits in
// 64 bits, or the stream head would be one that no reader accepts.
static bool parse_dimension(std::string_view text, uint64_t &out)
{
    if (text.empty() || text.size() >= dimension_text_limit)
        return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - uint64_t(c - '0')) / 10)
            return false;
        value = value * 10 + uint64_t(c - '0');
    }
    out = value;
    return value != 0;
}

static void set_dimension(const Image &image, std::string_view text, uint64_t &dimension)
{
    if (dimension || !parse_dimension(text, dimension))
        not_recognised(image);
}

static void set_maxval(Image &image, std::string_view text)
{
    // The line's newline was replaced by a NUL; a NUL inside it is not a digit.
    if (text.find('\0') != std::string_view::npos)
        not_recognised(image);
    uint64_t value;
    if (parse_uint(text.data(), 0, UINT64_MAX, &value)) {
        if (errno == ERANGE)
            fail(1, "image uses greater colour resolution than supported\n");
        not_recognised(image);
    }
    if (!value)
        not_recognised(image);
    image.maxval = value;
}

static void set_tuple_type(Image &image, std::string_view line, std::string_view type)
{
    static const struct {
        std::string_view line;
        bool greyscale, alpha, bilevel;
    } types[] = {
        {"TUPLTYPE BLACKANDWHITE", true, false, true},
        {"TUPLTYPE BLACKANDWHITE_ALPHA", true, true, true},
        {"TUPLTYPE GRAYSCALE", true, false, false},
        {"TUPLTYPE GRAYSCALE_ALPHA", true, true, false},
        {"TUPLTYPE RGB", false, false, false},
        {"TUPLTYPE RGB_ALPHA", false, true, false},
    };
    for (const auto &t : types) {
        if (line != t.line)
            continue;
        image.greyscale = t.greyscale;
        image.alpha = t.alpha;
        if (t.bilevel)
            image.maxval = 1;
        return;
    }
    fail(1, "image uses an unsupported tuple type: %.*s\n", int(type.size()), type.data());
}

static void read_pam_line(Image &image, std::string_view line)
{
    std::string_view rest;
    if (starts_with(line, "WIDTH ", rest))
        set_dimension(image, rest, image.width);
    else if (starts_with(line, "HEIGHT ", rest))
        set_dimension(image, rest, image.height);
    else if (starts_with(line, "MAXVAL ", rest))
        set_maxval(image, rest);
    else if (starts_with(line, "TUPLTYPE ", rest))
        set_tuple_type(image, line, rest);
    // Anything else (P7, DEPTH, comments, other keywords) plays no part: the
    // tuple type alone says how many samples a pixel has.
}

// As many bytes as the largest sample needs, as a PAM writer stores them.
static size_t sample_bytes_for(uint64_t maxval)
{
    size_t bytes = 1;
    while (bytes < sizeof maxval && maxval >> (8 * bytes))
        bytes++;
    return bytes;
}

// The longest PAM head line, its newline included, whatever the size of the
// read buffer.
constexpr size_t pam_line_limit = 1024;

// Reads head lines up to ENDHDR; the bytes after it stay in the buffer.
static void read_pam_head(Image &image)
{
    Stream &in = image.in;
    for (;;) {
        size_t start = 0;
        const unsigned char *newline;
        while ((newline = static_cast<const unsigned char *>(
                    memchr(in.buf + start, '\n', in.fill - start)))) {
            size_t end = size_t(newline - in.buf);
            if (end + 1 - start > pam_line_limit)
                not_recognised(image);
            in.buf[end] = '\0';
            std::string_view line(reinterpret_cast<const char *>(in.buf + start), end - start);
            start = end + 1;
            if (line == "ENDHDR") {
                stream_drop(in, start);
                if (!image.width || !image.height)
                    not_recognised(image);
                image.sample_bytes = sample_bytes_for(image.maxval);
                image.pixel_size =
                    image.sample_bytes * ((image.greyscale ? 1 : 3) + (image.alpha ? 1 : 0));
                return;
            }
            read_pam_line(image, line);
        }
        stream_drop(in, start);
        if (in.fill >= pam_line_limit || stream_fill(1, in, SIZE_MAX) == 0)
            not_recognised(image);
    }
}

static uint32_t load_be32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

static void read_farbfeld_head(Image &image)
{
    unsigned char head[16];
    ssize_t got = read_all(0, head, sizeof head);
    if (got < 0)
        fail(1, "read %s:", "<stdin>");
    if (size_t(got) < sizeof head || memcmp(head, "farbfeld", 8) != 0)
        not_recognised(image);
    image.width = load_be32(head + 8);
    image.height = load_be32(head + 12);
    if (!image.width || !image.height)
        not_recognised(image);
    image.maxval = 65535;
    image.sample_bytes = 2;
    image.pixel_size = 8;
}

// Starts convert on our standard input; we read its PAM from a pipe.
static Child start_convert()
{
    // The pipe must not take the place of a closed standard input or output.
    if (fcntl(0, F_GETFD) < 0)
        fail(1, "no stdin open\n");
    if (fcntl(1, F_GETFD) < 0)
        fail(1, "no stdout open\n");
    // Read the image on standard input, write PAM with 32-bit samples and alpha.
    static const char *const argv[] = {"convert", "-",        "-depth", "32",
                                       "-alpha",  "activate", "pam:-",  nullptr};
    return start_child(1, argv, true, -1);
}

// One big-endian sample of Bytes bytes.
template <size_t Bytes>
static uint64_t load_sample(const unsigned char *&p)
{
    uint64_t v = 0;
    for (size_t i = 0; i < Bytes; i++)
        v = v << 8 | p[i];
    p += Bytes;
    return v;
}

// decode(sample) gives the linear value of a colour sample.
template <size_t Bytes, class Decode>
static void convert_pixel(const Image &image, double maxval, Decode &decode,
                          const unsigned char *p, unsigned char *out)
{
    double r = decode(load_sample<Bytes>(p)), g = r, b = r;
    if (!image.greyscale) {
        g = decode(load_sample<Bytes>(p));
        b = decode(load_sample<Bytes>(p));
    }
    double alpha = image.alpha ? double(load_sample<Bytes>(p)) / maxval : 1.0;
    Xyz c = rgb_to_xyz(r, g, b);
    store_pixel(out, Pixel{c.x, c.y, c.z, alpha});
}

// Reads the input to its end and drops it, so that a writer of more than one
// image (convert with an animation) finishes its output normally.
static void drop_rest(Stream &in)
{
    static unsigned char sink[65536];
    in.fill = 0;
    for (ssize_t got; (got = read(in.fd, sink, sizeof sink));)
        if (got < 0)
            fail(1, "read %s:", in.file);
}

// Converts the image's pixels, width x height of them or as many whole ones
// as the input holds if it ends first; what one read brings is written before
// the next read.  Bytes after the last pixel are dropped.
template <size_t Bytes, class Decode>
static void convert_pixels(Image &image, double maxval, Decode decode)
{
    static unsigned char out[stream_buffer_size * pixel_bytes];
    Stream &in = image.in;
    uint64_t remaining;
    if (__builtin_mul_overflow(image.width, image.height, &remaining))
        remaining = UINT64_MAX; // more than any input holds
    do {
        size_t count = std::min<uint64_t>(in.fill / image.pixel_size, remaining);
        for (size_t i = 0; i < count; i++)
            convert_pixel<Bytes>(image, maxval, decode, in.buf + i * image.pixel_size,
                                 out + i * pixel_bytes);
        write_or_fail(1, standard_output, out, count * pixel_bytes);
        stream_drop(in, count * image.pixel_size);
        remaining -= count;
    } while (remaining && stream_fill(1, in, SIZE_MAX));
    if (!remaining)
        drop_rest(in);
}

// Images hold few distinct sample values (convert's 32-bit samples are
// 16-bit ones scaled by 65537), so decoded values are kept in a table indexed
// by a sample's low 16 bits, and a sample is decoded only when its entry holds
// another sample or none yet (NaN).
struct DecodedSample {
    uint64_t sample;
    double linear;
};

template <size_t Bytes>
static void convert_image(Image &image)
{
    static DecodedSample decoded[65536];
    std::fill(std::begin(decoded), std::end(decoded), DecodedSample{0, NAN});
    const double maxval = double(image.maxval);
    convert_pixels<Bytes>(image, maxval, [maxval](uint64_t sample) {
        DecodedSample &d = decoded[sample & 0xffff];
        if (d.linear != d.linear || d.sample != sample)
            d = DecodedSample{sample, srgb_decode(double(sample) / maxval)};
        return d.linear;
    });
}

static Options parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Options options;
    for (int letter; (letter = scan_option(cl, "hfp"));) {
        switch (letter) {
        case 'h': options.headless = true; break;
        case 'f': options.farbfeld = true; break;
        case 'p': options.pam = true; break;
        }
    }
    if ((options.farbfeld && options.pam) || operand_count(cl))
        usage(cl);
    return options;
}

// The line printed when the input is not an image of the kind expected.
static const char *failure_hint(const Options &options)
{
    if (options.farbfeld)
        return "not a valid farbfeld file, try without -f";
    if (options.pam)
        return "not a valid RGBA portable arbitrary map file, try without -p";
    // Scripts match this message as it is written.
    return "convertion failed, if converting a farbfeld file, try -f";
}

// Reads the image's head from standard input, or from convert's PAM output
// when the image is neither farbfeld nor PAM; returns convert, if started.
static Child read_image_head(Image &image, const Options &options)
{
    Child child{-1, -1};
    if (options.farbfeld) {
        read_farbfeld_head(image);
        return child;
    }
    if (!options.pam) {
        child = start_convert();
        image.in.fd = child.fd;
        image.in.file = "<subprocess>";
    }
    read_pam_head(image);
    return child;
}

// The head of the one-frame stream the image becomes.
static void print_stream_head(const Image &image)
{
    Stream head{};
    head.frames = 1;
    head.width = image.width;
    head.height = image.height;
    strcpy(head.pixfmt, "xyza");
    stream_print_and_flush_head(1, head);
}

// convert_image for the image's sample size.
static void convert_samples(Image &image)
{
    switch (image.sample_bytes) {
    case 1: convert_image<1>(image); break;
    case 2: convert_image<2>(image); break;
    case 3: convert_image<3>(image); break;
    case 4: convert_image<4>(image); break;
    case 5: convert_image<5>(image); break;
    case 6: convert_image<6>(image); break;
    case 7: convert_image<7>(image); break;
    default: convert_image<8>(image); break;
    }
}

int main(int argc, char **argv)
{
    const Options options = parse_command_line(argc, argv);
    Image image{};
    stream_attach(1, image.in, 0, "<stdin>");
    image.failure_hint = failure_hint(options);
    const Child child = read_image_head(image, options);
    if (!options.headless)
        print_stream_head(image);
    convert_samples(image);
    if (child.pid >= 0) {
        close(child.fd);
        finish_child(1, child.pid);
    }
    return 0;
}
