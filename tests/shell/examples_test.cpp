// Every example in the manual pages, taken from the pages and run in bash on
// small inputs of the names the examples use.  Frame sizes and counts written
// in the examples are scaled down to the inputs'; nothing else is changed.  An
// example passes when every command succeeds and no rv program complains;
// where a page shows "$ command" and its output, the output must be that.
#include "documents.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace {

struct Example {
    std::string script, expected;
    bool shows_output = false;
};

// The .EX/.EE and .nf/.fi blocks of a page's EXAMPLES section.
std::vector<Example> examples(const std::string &page)
{
    std::istringstream lines(read_file(page));
    std::vector<Example> found;
    bool in_section = false, in_block = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".SH", 0) == 0)
            in_section = line == ".SH EXAMPLES";
        else if (in_section && (line == ".EX" || line == ".nf"))
            in_block = true, found.emplace_back();
        else if (in_section && (line == ".EE" || line == ".fi"))
            in_block = false;
        else if (in_block) {
            Example &example = found.back();
            if ((line = unescape(line) + "\n").rfind("$ ", 0) == 0)
                example.script += line.substr(2), example.shows_output = true;
            else
                (example.shows_output ? example.expected : example.script) += line;
        }
    }
    return found;
}

// Inputs of every name the examples read, W x H pixels, N frames.
const char *setup = R"(set -e
rv-single-colour -f $N -w $W -h $H 0.2 0.3 0.4 > in.rv
for name in clip a b loop more all intro scene take1 take2 take3 overlay; do cp in.rv $name.rv; done
rv-single-colour -f $N -w $W -h $H 0.5 0.5 0.5 0.5 > title.rv
ffmpeg -v error -f lavfi -i testsrc=size=${W}x${H}:rate=25 -frames:v $N -c:v ffv1 in.mkv
cp in.mkv film.mkv; cp in.mkv shot.mkv
rv-cut 0 1 in.rv | rv-to-image -d 8 | convert pam:- in.png
for name in photo matte logo; do cp in.png $name.png; done
rv-cut 0 1 in.rv | rv-to-image -f > in.ff
{ rv-read-head > /dev/null; cat; } < in.rv > frames.raw
rv-compress < in.rv > shot.rvd
)";

struct Page {
    const char *name;
    int width = 8, height = 6, frames = 3;
    std::vector<std::pair<std::string, std::string>> scaled{}; // beyond the common ones
};

void PrintTo(const Page &page, std::ostream *out) { *out << page.name; }

// Replaces every occurrence of `from` by `to`.
void replace_all(std::string &text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

void run_page(const Page &page)
{
    std::string path = std::string(RV_SOURCE_DIR "/man/") + page.name;
    std::vector<Example> found = examples(path);
    ASSERT_FALSE(found.empty()) << page.name << " has no examples";
    TempDir dir;
    const RunOptions options{.path = {RV_SOURCE_DIR "/scripts"}, .cwd = dir.path};
    const std::string w = std::to_string(page.width), h = std::to_string(page.height),
                      n = std::to_string(page.frames);
    ASSERT_EQ(run_shell("W=" + w + " H=" + h + " N=" + n + "\n" + setup, options).status, 0);
    for (Example example : found) {
        for (const char *size : {"-w 1920 -h 1080", "-w 640 -h 480", "-w 320 -h 240", "-w 64 -h 48"})
            replace_all(example.script, size, "-w " + w + " -h " + h);
        for (const char *count : {"-f 250 ", "-f 100 ", "-f 50 "})
            replace_all(example.script, count, "-f " + n + " ");
        for (const auto &[from, to] : page.scaled)
            replace_all(example.script, from, to);
        write_file(dir.file("example.bash"), "set -e\n" + example.script);
        SCOPED_TRACE(std::string(page.name) + ":\n" + example.script);
        RunResult result = run_shell("bash example.bash", options);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err.find("rv-"), std::string::npos) << result.err;
        if (example.shows_output) {
            EXPECT_EQ(result.out, example.expected);
        }
    }
    // Images are what their names say.
    for (const auto &entry : std::filesystem::directory_iterator(dir.path))
        EXPECT_TRUE(entry.path().extension() != ".png" ||
                    read_file(entry.path()).substr(0, 4) == "\x89PNG")
            << page.name << ": " << entry.path();
}

class Examples : public testing::TestWithParam<Page> {};

TEST_P(Examples, RunAsWritten)
{
    if (!have_program("bash") || !have_program("ffmpeg") || !have_program("convert"))
        GTEST_SKIP() << "bash, ffmpeg or ImageMagick's convert is not installed";
    run_page(GetParam());
}

// Every page with examples, its frame size and count (3 frames of 8 x 6
// pixels unless given), and what is scaled beyond the common sizes and counts.
const Page pages[] = {
    {"rv-arith.1"}, {"rv-colour-ciexyz.1", 8, 6, 1}, {"rv-colour-srgb.1", 8, 6, 1},
    {"rv-compress.1"}, {"rv-concat.1"},
    {"rv-crop.1", 8, 6, 3, {{"960 540 480 270", "4 3 2 1"}, {"-t 64 64 100 200", "-t 4 4 1 2"}}},
    {"rv-cut.1", 4, 2, 75}, {"rv-decompress.1"},
    {"rv-extend.1", 8, 6, 3, {{"-r640 -b480", "-r8 -b6"}}}, {"rv-fade.1"},
    // The machines of the second example are this one, as shared storage.
    {"rv-farm.1", 64, 48, 8, {{"-S 4/render1 -S 4/render2 ", "-s -S 2/: "}}},
    {"rv-flip.1"}, {"rv-flop.1"}, {"rv-from-image.1", 8, 6, 1, {{"320 240 10 10", "4 3 1 1"}}},
    {"rv-from-text.1"},
    {"rv-from-video.1", 8, 6, 3, {{"-w 480 -h 270", "-w 8 -h 6"}, {"320 240 80 15", "4 3 2 1"}}},
    {"rv-gauss-blur.1"}, {"rv-invert-luma.1"}, {"rv-make-head.1", 64, 48, 25},
    {"rv-read-head.1"}, {"rv-repeat.1", 4, 2, 3}, {"rv-reverse.1"},
    {"rv-rewrite-head.1", 8, 6, 3, {{"100 320 240", "3 8 6"}}}, {"rv-set-alpha.1"},
    {"rv-set-luma.1"}, {"rv-set-saturation.1"}, {"rv-single-colour.1"},
    {"rv-skip-pattern.1", 8, 6, 4}, {"rv-split.1", 8, 6, 100}, {"rv-stack.1"},
    {"rv-to-image.1", 4, 2, 101}, {"rv-to-text.1", 8, 6, 1},
    {"rv-to-video.1", 8, 6, 3, {{"640 360 0 0", "4 2 0 0"}}}, {"rv-trail.1"},
    {"rv-translate.1"}, {"rv-transpose.1"}, {"rv-write-head.1", 64, 48, 2},
};

INSTANTIATE_TEST_SUITE_P(Pages, Examples, testing::ValuesIn(pages),
                         [](const testing::TestParamInfo<Page> &info) {
                             std::string name = info.param.name;
                             name = name.substr(3, name.find('.') - 3);
                             replace_all(name, "-", "_");
                             return name;
                         });

// Every page with examples is in the table above.
TEST(Examples, EveryPageListed)
{
    for (const auto &entry : std::filesystem::directory_iterator(RV_SOURCE_DIR "/man")) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(entry.path().extension() != ".1" ||
                    std::any_of(std::begin(pages), std::end(pages),
                                [&](const Page &page) { return name == page.name; }))
            << name;
    }
}

// The README's recipes for watching a stream and seeing progress, with a
// stand-in ffplay that keeps what it is sent, as no screen is at hand.
TEST(Readme, WatchingAndProgress)
{
    if (!have_program("bash") || !have_program("ffmpeg") || !have_program("convert") ||
        !have_program("pv"))
        GTEST_SKIP() << "bash, ffmpeg, ImageMagick's convert or pv is not installed";
    TempDir dir;
    write_script(dir.file("ffplay"), "test \"$*\" = '-autoexit -' && cat > played.nut\n");
    const RunOptions options{.path = {dir.path}, .cwd = dir.path};
    ASSERT_EQ(run_shell(std::string("W=8 H=6 N=12\n") + setup, options).status, 0);
    write_file(dir.file("recipes.bash"),
               "set -e\n" + readme_code(RV_SOURCE_DIR "/README.md", "Watching a stream, and progress"));
    RunResult result = run_shell("bash recipes.bash", options);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err.find("rv-"), std::string::npos) << result.err;

    expect_output(shell("ffprobe -v error -count_frames -show_entries "
                        "format=format_name:stream=nb_read_frames -of csv=p=0 played.nut"),
                  options, "12\nnut\n");
    expect_output(shell("rv-from-image < frame10.png | rv-read-head"), options, "1 8 6 xyza\n");
    // Without -q ffmpeg talks on standard error.
    RunResult out = run_shell("rv-from-video out.mkv out.rv && rv-read-head < out.rv", options);
    EXPECT_EQ(out.out, "12 8 6 xyza\n") << out.err;
}

} // namespace
