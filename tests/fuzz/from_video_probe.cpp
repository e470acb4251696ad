// rv-from-video's reader of what ffprobe prints: the input is ffprobe's
// output.  The decoder that follows prints nothing, so a size that passes
// gives a head on standard output and no frames.
#include "child_stand_in.h"
#include "in_process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const uint8_t nothing[1] = {};
    script_child_output({data, size});
    run_program({"rv-from-video", "-L", "/dev/fd/0", "-"}, {nothing, 0});
    return 0;
}
