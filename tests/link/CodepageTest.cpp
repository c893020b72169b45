#include "link/Codepage.h"

#include <gtest/gtest.h>

using namespace varnex;

TEST(Codepage, CentralEuropeanLettersTravelBothWays) {
    const std::wstring text = L"őűáéíóúöü ăâî č ď ě ň ř š ť ů ý ž €";
    const std::string bytes = EncodeAnsi(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(DecodeAnsi(bytes), text);
    EXPECT_EQ(static_cast<unsigned char>(EncodeAnsi(L"ő")[0]), 0xF5);
    EXPECT_EQ(static_cast<unsigned char>(EncodeAnsi(L"Š")[0]), 0x8A);
}

TEST(Codepage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(EncodeAnsi(DecodeAnsi(all)), all);
}

TEST(Codepage, UnmappableCharactersBecomeBestFitOrQuestionMark) {
    EXPECT_EQ(EncodeAnsi(L"ș"), EncodeAnsi(L"ş"));
    EXPECT_EQ(EncodeAnsi(L"ț"), EncodeAnsi(L"ţ"));
    EXPECT_EQ(EncodeAnsi(L"中"), "?");
}
