// Child processes in a fuzz target: none is started.  A child the program
// reads from has already written the bytes scripted for it; one the program
// writes to takes everything; every child exits with status 0.
#pragma once

#include <cstdint>
#include <span>

// What the next child the program reads from prints (until scripted again).
void script_child_output(std::span<const uint8_t> bytes);
