// rv-translate: byte 0 chooses -w and -p, bytes 1 and 2 (little-endian) the
// length of the translation stream that follows; the rest is the input.
#include "in_process.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    std::vector<std::string> words{"rv-translate"};
    if (data[0] & 1)
        words.push_back("-w");
    if (data[0] & 2)
        words.push_back("-p");
    words.push_back(operand_path);
    size_t length = std::min<size_t>(data[1] | size_t(data[2]) << 8, size - 3);
    const Feed translation[] = {{operand_fd, {data + 3, length}}};
    run_program(words, {data + 3 + length, size - 3 - length}, translation);
    return 0;
}
