// Programs that combine standard input with streams named on the command line
// refuse streams of another geometry before they print a head: the next
// program in a pipe sees no stream at all rather than a valid empty one.
#include "harness.h"

#include <gtest/gtest.h>

TEST(Compatibility, MismatchedGeometryPrintsNothing)
{
    TempDir dir;
    const std::string input = dir.file("input"), other = dir.file("other");
    // Same pixel count, other shape: only the head tells them apart.
    write_file(input, make_stream(2, 2, 1, {1, 1, 1, 1, 0.5, 0.5, 0.5, 1,  //
                                            1, 1, 1, 1, 0.5, 0.5, 0.5, 1}));
    const std::vector<std::string> others[] = {
        {"tall", make_stream(1, 1, 2, {0.5, 0.5, 0.5, 1, 0.5, 0.5, 0.5, 1})},
        {"wide", make_stream(1, 3, 1, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1})},
        {"endless", stream_head(0, 2, 2) + std::string(4 * 32, '\0')},
    };
    struct {
        std::vector<std::string> argv; // "OTHER" stands for the mismatched stream
        bool reads_stdin;
    } programs[] = {
        {{"rv-arith", "add", "OTHER"}, true},
        {{"rv-arith", "-xyz", "max", "OTHER"}, true},
        {{"rv-stack", input, "OTHER"}, false},
        {{"rv-stack", "-b", input, "OTHER"}, false},
        {{"rv-stack", input, input, "OTHER"}, false},
        {{"rv-stack", "OTHER", input}, false},
        {{"rv-set-alpha", "OTHER"}, true},
        {{"rv-set-alpha", "-i", "OTHER"}, true},
        {{"rv-set-luma", "OTHER"}, true},
        {{"rv-set-saturation", "OTHER"}, true},
        {{"rv-set-saturation", "-w", "OTHER"}, true},
        {{"rv-invert-luma", "OTHER"}, true},
        {{"rv-invert-luma", "-iw", "OTHER"}, true},
    };
    for (const auto &o : others) {
        const std::string path = dir.file(o[0]);
        write_file(path, o[1]);
        for (const auto &p : programs) {
            std::vector<std::string> argv = p.argv;
            for (std::string &word : argv)
                if (word == "OTHER")
                    word = path;
            RunOptions options;
            if (p.reads_stdin)
                options.stdin_path = input;
            EXPECT_EQ(expect_failure(argv, options,
                                     argv[0] + ": videos do not have the same geometry\n")
                          .out,
                      "")
                << command_line(argv);
        }
    }
}
