// rv-concat: streams of one geometry joined into one, to standard output or
// to a file.  A file is written in place, bodies first and the head moved to
// the front at the end, or with -j streamed like standard output.
#include "buffers.h"
#include "diagnostics.h"
#include "drivers.h"
#include "output_file.h"
#include "same_file.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char synopsis[] = "[-o output-file [-j jobs]] first-stream ... last-stream";

struct Settings {
    const char *output = nullptr; // -o; null for standard output
    uint64_t jobs = 0;            // -j; 0 when not given
    bool in_place = false;        // -o without -j: the head goes in front at the end
    char **paths = nullptr;
    size_t count = 0;
};

static Settings parse_command_line(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    Settings settings;
    for (int letter; (letter = scan_option(cl, "o:j:"));) {
        if (letter == 'o')
            settings.output = cl.arg;
        else
            settings.jobs = option_uint(1, 'j', cl.arg, 1, 32767);
    }
    if (operand_count(cl) < 2 || (settings.jobs && !settings.output))
        usage(cl);
    settings.paths = operands(cl);
    settings.count = size_t(operand_count(cl));
    settings.in_place = settings.output && !settings.jobs;
    return settings;
}

// Opens every input and checks it against the first.  The output's frame
// count is the sum of the inputs', or 0 (not known) as soon as one input's
// is: an endless input makes the output endless.
static Stream open_inputs(const Settings &settings, Stream *streams)
{
    Stream head;
    bool endless = false, too_long = false;
    for (size_t i = 0; i < settings.count; i++) {
        stream_open(1, streams[i], settings.paths[i]);
        endless = endless || streams[i].frames == 0;
        if (i == 0) {
            head = streams[0];
            continue;
        }
        stream_check_compatible(1, streams[0], streams[i]);
        too_long = too_long ||
                   __builtin_add_overflow(head.frames, streams[i].frames, &head.frames);
    }
    if (endless)
        head.frames = 0;
    else if (too_long)
        fail(1, "resulting video is too long\n");
    return head;
}

static int output_flags(const Settings &settings)
{
    return (settings.in_place ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
}

// No input may be the output: it would be truncated, or read while it grows.
static void refuse_inputs_as_output(const Settings &settings, const Stream *streams)
{
    if (!settings.output) {
        refuse_inputs_as_standard_output(1, streams, settings.count);
        return;
    }
    struct stat st;
    if (output_file(1, settings.output, output_flags(settings), st))
        for (size_t i = 0; i < settings.count; i++)
            refuse_input_as_output(1, st, streams[i]);
}

// Opens the output file, if any.  A streamed file takes the place of
// standard output, where the head is printed.
static int open_output(const Settings &settings, Stream *streams)
{
    if (!settings.output)
        return 1;
    int fd = open_path(1, settings.output, output_flags(settings), 0666);
    if (settings.in_place || fd == 1)
        return fd;
    // An input opened while descriptor 1 was closed holds it; it moves aside
    // before the output takes its place.
    for (size_t i = 0; i < settings.count; i++)
        if (streams[i].fd == 1 && (streams[i].fd = dup(1)) < 0)
            fail(1, "dup:");
    if (dup2(fd, 1) < 0)
        fail(1, "dup2:");
    close(fd);
    return 1;
}

// The head first (unless it goes in front at the end), then every body in
// turn; returns the bytes of the bodies.
static uint64_t copy_streams(const Settings &settings, Stream *streams, const Stream &head,
                             const Output &out)
{
    if (!settings.in_place)
        stream_print_and_flush_head(1, stdout, out.name, head);
    uint64_t body = 0;
    for (size_t i = 0; i < settings.count; i++)
        body += stream_copy_rest(1, streams[i], out);
    return body;
}

int main(int argc, char **argv)
{
    const Settings settings = parse_command_line(argc, argv);
    // Every input is opened and checked before the output is touched, so a
    // bad input never costs the output file its old contents.
    Stream *streams = allocate_streams_or_fail(1, settings.count);
    const Stream head = open_inputs(settings, streams);
    refuse_inputs_as_output(settings, streams);
    const char *name = settings.output ? settings.output : standard_output.name;
    const Output out{open_output(settings, streams), name};
    const uint64_t body = copy_streams(settings, streams, head, out);
    if (settings.in_place) {
        file_prepend_head(1, out.fd, name, size_t(body), stream_head_text(head));
        close(out.fd);
    }
    free(streams);
    return 0;
}
