// A record of a frame-difference stream as it appears in the body: the
// unchanged and changed counts as host-order 64-bit words, then the data.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

inline std::string record(uint64_t unchanged, uint64_t changed, const std::string &data = {})
{
    std::string bytes(16, '\0');
    memcpy(bytes.data(), &unchanged, 8);
    memcpy(bytes.data() + 8, &changed, 8);
    return bytes + data;
}
