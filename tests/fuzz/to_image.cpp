// rv-to-image on a stream of any doubles (NaN, infinities and huge values
// included), with the depth or -f chosen by the first byte.
#include "in_process.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<std::string> words{"rv-to-image"};
    if (data[0] == 0xff)
        words.push_back("-f");
    else
        words.push_back("-d" + std::to_string(1 + data[0] % 64));
    run_program(words, {data + 1, size - 1});
    return 0;
}
