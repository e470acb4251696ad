// Code taken from the documents: roff escapes of the manual pages undone,
// indented blocks of the README's sections.
#pragma once

#include "harness.h"

#include <cstring>
#include <sstream>
#include <string>

// Undoes the roff escapes the pages use in examples.
inline std::string unescape(const std::string &line)
{
    static const std::pair<const char *, const char *> escapes[] = {
        {"\\-", "-"}, {"\\e", "\\"}, {"\\(aq", "'"}, {"\\(dq", "\""}, {"\\(mu", "x"},
        {"\\fI", ""}, {"\\fB", ""}, {"\\fP", ""}, {"\\fR", ""}};
    std::string out;
    for (size_t i = 0; i < line.size();) {
        bool done = false;
        for (const auto &[from, to] : escapes)
            if (line.compare(i, strlen(from), from) == 0) {
                out += to, i += strlen(from), done = true;
                break;
            }
        if (!done)
            out += line[i++];
    }
    return out;
}

// The indented blocks of a README section, indentation removed.
inline std::string readme_code(const std::string &readme, const std::string &heading)
{
    std::istringstream lines(read_file(readme));
    std::string code, line;
    bool in_section = false;
    while (std::getline(lines, line)) {
        if (line.rfind("## ", 0) == 0)
            in_section = line == "## " + heading;
        else if (in_section && line.rfind("    ", 0) == 0)
            code += line.substr(4) + "\n";
        else if (in_section && line.empty())
            code += "\n";
    }
    return code;
}

