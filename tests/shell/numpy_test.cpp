// The numpy snippets of rv-stream(5) and of the README, run as written against
// the programs: numpy reads what they write, and they read what numpy writes.
#include "documents.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The code of the blocks in a manual page section: lines between .EX and .EE,
// roff escapes undone.
std::string manual_code(const std::string &page, const std::string &section)
{
    std::istringstream lines(read_file(page));
    std::string code;
    bool in_section = false, in_block = false;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(".SH", 0) == 0)
            in_section = line == ".SH " + section;
        else if (in_section && (line == ".EX" || line == ".EE"))
            in_block = line == ".EX", code += in_block ? "" : "\n";
        else if (in_block)
            code += unescape(line) + "\n";
    return code;
}

// A python3 that has numpy: the one in PATH, or the system's.
std::string numpy_python()
{
    for (const char *python : {"python3", "/usr/bin/python3"})
        if (run_shell(std::string(python) + " -c 'import numpy' 2> /dev/null").status == 0)
            return python;
    return "";
}

// Reads in.rv without copying and writes it upside down; writes a ramp made in
// numpy as made.rv.
const char *driver = R"(
import sys
video = read_rv("in.rv")
assert isinstance(video, numpy.memmap) and video.shape == (3, 4, 5, 4), video.shape
write_rv(sys.stdout.buffer, video[:, ::-1])
with open("made.rv", "wb") as made:
    write_rv(made, numpy.arange(2 * 1 * 3 * 4).reshape(2, 1, 3, 4) / 8)
)";

} // namespace

TEST(Numpy, SnippetsRoundTrip)
{
    std::string python = numpy_python();
    if (python.empty())
        GTEST_SKIP() << "python3 with numpy is not installed";
    std::vector<double> values;
    for (int i = 0; i < 3 * 4 * 5 * 4; i++)
        values.push_back(i * 0.125 - 7);
    // The ramp as rv-to-text shows it: i / 8, four values a line.
    std::string ramp_text = "2 3 1 xyza\n";
    for (int i = 0; i < 2 * 3 * 4; i++)
        ramp_text += std::to_string(i / 8.0) + (i % 4 == 3 ? "\n" : " ");
    for (const auto &[name, code] :
         {std::pair{"rv-stream(5)",
                    manual_code(RV_SOURCE_DIR "/man/rv-stream.5", "PYTHON AND NUMPY")},
          {"README", readme_code(RV_SOURCE_DIR "/README.md", "Python and numpy")}}) {
        ASSERT_NE(code.find("def write_rv"), std::string::npos) << name;
        TempDir dir;
        write_file(dir.file("in.rv"), make_stream(3, 5, 4, values));
        write_file(dir.file("rv.py"), code + driver);
        SCOPED_TRACE(name);
        const RunOptions in_dir{.cwd = dir.path};
        RunResult flipped = run_shell(python + " rv.py", in_dir);
        ASSERT_EQ(flipped.status, 0) << flipped.err;
        expect_output(shell("rv-flip < in.rv"), in_dir, flipped.out);
        expect_output(shell("rv-to-text < made.rv"), in_dir, ramp_text);
    }
}
