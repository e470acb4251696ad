// The bash completion, sourced into bash and asked as bash asks it on TAB.
#include "harness.h"

#include <gtest/gtest.h>

namespace {

// The candidates bash would offer for a command line whose last word is the
// one being completed, sorted and joined by blanks.
std::string complete(const TempDir &dir, const std::vector<std::string> &words,
                     std::source_location loc = std::source_location::current())
{
    std::string line;
    for (const auto &word : words)
        line += " '" + word + "'";
    std::string script = "source '" RV_SOURCE_DIR "/completion/rv.bash' || exit 1\n"
                         "COMP_WORDS=(" + line + ")\n"
                         "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                         "COMP_LINE=\"${COMP_WORDS[*]}\"\n"
                         "complete -p " + words[0] + " > /dev/null || exit 1\n"
                         "_rv " + words[0] + "\n"
                         "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort | paste -sd ' ' | tr -d '\\n'\n";
    write_file(dir.file("complete.bash"), script);
    return expect_success(shell("bash complete.bash"), RunOptions{.cwd = dir.path}, loc).out;
}

} // namespace

TEST(Completion, OptionsWordsAndFiles)
{
    if (!have_program("bash"))
        GTEST_SKIP() << "bash is not installed";
    TempDir dir;
    write_file(dir.file("clip.rv"), "");
    write_file(dir.file("photo.png"), "");
    const std::string files = "clip.rv complete.bash photo.png";
    struct Case {
        std::vector<std::string> words;
        std::string offered;
    } cases[] = {
        {{"rv-arith", ""}, "abs add div exp log max min mul sub"},
        {{"rv-arith", "m"}, "max min mul"}, {{"rv-arith", "-ax", "m"}, "max min mul"},
        {{"rv-arith", "-"}, "-a -x -y -z"}, {{"rv-arith", "add", ""}, "- " + files},
        {{"rv-arith", "add", "cl"}, "clip.rv"}, {{"rv-crop", "-"}, "-S -s -t"},
        {{"rv-crop", "10", ""}, ""}, {{"rv-cut", "0", ""}, "end"},
        {{"rv-cut", "0", "end", ""}, files}, {{"rv-gauss-blur", "-s", ""}, "auto"},
        {{"rv-gauss-blur", "-j", "2", "-s", "a"}, "auto"},
        // -j takes "s" attached: the next word is the deviation stream.
        {{"rv-gauss-blur", "-js", ""}, "- " + files},
        {{"rv-gauss-blur", "-j", "2", "-"}, "- -a -c -h -j -s -v -y"},
        {{"rv-single-colour", "-f", ""}, "inf"}, {{"rv-single-colour", "-w", "1", ""}, ""},
        {{"rv-repeat", ""}, "inf"}, {{"rv-rewrite-head", "-h", "clip.rv", ""}, "auto"},
        {{"rv-rewrite-head", "clip.rv", "auto", "same", "same", ""}, "same xyza"},
        {{"rv-split", "-L", "a.rv", "25", ""}, files}, {{"rv-split", "-L", "a.rv", ""}, "end"},
        {{"rv-stack", "-b", "clip.rv", "p"}, "photo.png"}, {{"rv-concat", "--", "-"}, "-"},
        {{"rv-concat", "-o", "p"}, "photo.png"},
        {{"rv-to-video", "25", "-c:v", "ffv1", "c"}, "clip.rv complete.bash"},
        {{"rv-to-text", "-"}, ""}, {{"rv-write-head", "2", "64", "48", ""}, "xyza"},
        {{"rv-farm", "-"}, "-B -E -S -j -n -o -s"},
        {{"rv-farm", "-j", "2", "-o", "out.rv", "c"}, "clip.rv complete.bash"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(complete(dir, c.words), c.offered) << command_line(c.words);
}

// zsh, through its bashcompinit, in a terminal of its own: TAB lists the
// candidates, read off the screen.
TEST(Completion, Zsh)
{
    if (!have_program("zsh"))
        GTEST_SKIP() << "zsh is not installed";
    TempDir dir;
    write_file(dir.file("clip.rv"), "");
    write_file(dir.file("tab.zsh"), R"zsh(zmodload zsh/zpty
zpty -b z "zsh -f -i"
zpty -w z "PS1=\"> \"; fpath=()zsh" RV_SOURCE_DIR R"zsh(/completion \$fpath); autoload -Uz compinit && compinit -u -D; print READY\$((6 * 7))"
wait_for() {
    for i in {1..200}; do
        zpty -r -t z out && all+=$out
        [[ $all == *"$1"* ]] && return 0
        sleep 0.05
    done
    print -r -- "$all"
    exit 1
}
wait_for READY42
all=""
wait_for "> "
zpty -w -n z "$1"$'\t'
wait_for "$2"
zpty -d z
)zsh");
    // The line typed before TAB, and what the screen then shows.
    for (auto [line, shown] : {std::pair{"rv-arith ", "abs  add  div  exp  log  max  min  mul  sub"},
                               {"rv-crop -", "-S  -s  -t"},
                               {"rv-cut 0 end cl", "rv-cut 0 end clip.rv"}})
        expect_success(shell("zsh -f tab.zsh '" + std::string(line) + "' '" + shown + "'"),
                       RunOptions{.cwd = dir.path});
}
