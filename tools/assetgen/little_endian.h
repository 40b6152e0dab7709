#pragma once

#include <cstdint>
#include <vector>

// The bitmap and WAV headers store every field least significant byte first.
inline void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

inline void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
