#include "link/Crc16.h"

namespace varnex {

std::uint16_t Crc16(const std::uint8_t* data, std::size_t length, std::uint16_t initial) {
    std::uint16_t crc = initial;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= static_cast<std::uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

}  // namespace varnex
