// rv-from-image -p (its own PAM reader) on any bytes as its standard input.
#include "in_process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    run_program({"rv-from-image", "-p"}, {data, size});
    return 0;
}
