// rv-to-video on a stream of any doubles, with -d when the first byte is odd;
// ffmpeg's side of the pipe takes everything.
#include "in_process.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<std::string> words{"rv-to-video"};
    if (data[0] & 1)
        words.push_back("-d");
    words.insert(words.end(), {"25", "out.mkv"});
    run_program(words, {data + 1, size - 1});
    return 0;
}
