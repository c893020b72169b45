#include "link/Crc16.h"

#include <gtest/gtest.h>

#include <cstring>

using varnex::Crc16;

TEST(Crc16, KnownVectors) {
    struct Case { const char* text; std::uint16_t crc; };
    const Case cases[] = {
        {"123456789", 0x31C3},
        {"", 0x0000},
        {"A", 0x58E5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>(c.text), std::strlen(c.text)), c.crc)
            << c.text;
}

TEST(Crc16, ContinuesOverASecondBlock) {
    const std::uint8_t data[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const std::uint16_t head = Crc16(data, 4);
    EXPECT_EQ(Crc16(data + 4, 5, head), 0x31C3);
}
