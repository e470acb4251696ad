// Kept apart from in_process.cpp: only program targets define program_main.
#include "in_process.h"

int run_program(const std::vector<std::string> &words, std::span<const uint8_t> input,
                std::span<const Feed> more)
{
    std::vector<std::string> copies(words);
    std::vector<char *> argv;
    for (std::string &w : copies)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<Feed> feeds{Feed{0, input}};
    feeds.insert(feeds.end(), more.begin(), more.end());
    return run_in_process(feeds, [&] { program_main(int(copies.size()), argv.data()); });
}
