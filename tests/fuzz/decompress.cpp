// rv-decompress on any bytes as its standard input.
#include "in_process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    run_program({"rv-decompress"}, {data, size});
    return 0;
}
