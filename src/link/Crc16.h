#pragma once
#include <cstddef>
#include <cstdint>

namespace varnex {

// CRC-16/XMODEM: poly 0x1021, MSB first, no reflection, no final XOR.
// `initial` lets a CRC be continued over a further block.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t length, std::uint16_t initial = 0);

}  // namespace varnex
