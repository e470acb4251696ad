// Failing system calls for real: the start of a shell command that runs a
// program with the fault library preloaded (see fault_shim.cpp).
#pragma once

#include <string>

// "env ... " that makes calls `first` to first + count - 1 of `function`
// fail with `error` (count 0: every later call); with `on`, only its calls
// on that descriptor number, or on a file of that name, count.  Only the program run by env is
// affected, not the shell or a program before it in the command.
inline std::string failing_calls(const std::string &function, int error, unsigned first,
                                 unsigned count = 1, const std::string &on = "")
{
    return "env RV_FAULT='" + function + " " + std::to_string(error) + " " +
           std::to_string(first) + " " + std::to_string(count) + " " + on +
           "' LD_PRELOAD=" RV_FAULT_SHIM
           " \"ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0\" ";
}
