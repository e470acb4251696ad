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

int main(int argc, char **argv)
{
    CommandLine cl = scan_begin(argc, argv, synopsis);
    const char *output = nullptr;
    uint64_t jobs = 0;
    for (int letter; (letter = scan_option(cl, "o:j:"));) {
        if (letter == 'o')
            output = cl.arg;
        else
            jobs = option_uint(1, 'j', cl.arg, 1, 32767);
    }
    if (operand_count(cl) < 2 || (jobs && !output))
        usage(cl);
    const size_t count = size_t(operand_count(cl));
    const bool in_place = output && !jobs;

    // Every input is opened and checked before the output is touched, so a
    // bad input never costs the output file its old contents; nor is an
    // input truncated or read while it grows as the output.
    // The output's frame count is the sum of the inputs', or 0 (not known)
    // as soon as one input's is: an endless input makes the output endless.
    Stream *streams = allocate_streams_or_fail(1, count);
    Stream head;
    bool endless = false, too_long = false;
    for (size_t i = 0; i < count; i++) {
        stream_open(1, streams[i], operands(cl)[i]);
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

    int fd = 1;
    const char *name = output ? output : standard_output.name;
    // Started with descriptor 1 closed, an input holds it: no output file.
    bool stdout_taken = false;
    for (size_t i = 0; i < count; i++)
        stdout_taken = stdout_taken || streams[i].fd == 1;
    const int flags = (in_place ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    struct stat st;
    if (output ? output_file(1, output, flags, st)
               : !stdout_taken && descriptor_file(1, 1, name, st))
        for (size_t i = 0; i < count; i++)
            refuse_input_as_output(1, st, streams[i]);
    if (output) {
        fd = open_path(1, output, flags, 0666);
        if (!in_place && fd != 1) {
            // An input opened while descriptor 1 was closed holds it; it
            // moves aside before the output takes its place.
            for (size_t i = 0; i < count; i++)
                if (streams[i].fd == 1 && (streams[i].fd = dup(1)) < 0)
                    fail(1, "dup:");
            if (dup2(fd, 1) < 0)
                fail(1, "dup2:");
            close(fd);
            fd = 1;
        }
    }

    if (!in_place)
        stream_print_and_flush_head(1, stdout, name, head);
    uint64_t body = 0;
    for (size_t i = 0; i < count; i++)
        body += stream_copy_rest(1, streams[i], Output{fd, name});
    if (in_place) {
        file_prepend_head(1, fd, name, size_t(body), stream_head_text(head));
        close(fd);
    }
    free(streams);
    return 0;
}
