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

// Romanian keyboards type the comma-below letters; the code page has only
// the cedilla ones. Nothing else gets a best fit.
TEST(Codepage, OnlyTheRomanianCommaLettersHaveABestFit) {
    const std::pair<const wchar_t*, const char*> fits[] = {
        {L"ș", "\xBA"}, {L"ț", "\xFE"}, {L"Ș", "\xAA"}, {L"Ț", "\xDE"},
        {L"Știință", "\xAAtiin\xFE\xE3"}, {L"ā", "?"}, {L"ı", "?"}, {L"😀", "?"},
    };
    for (const auto& [text, bytes] : fits) EXPECT_EQ(EncodeAnsi(text), bytes);
    const std::pair<const wchar_t*, bool> storable[] = {
        {L"", true},     {L"Riasztás őű", true}, {L"ŠČŘŽ ščřž €", true}, {L"ș ț Ș Ț", true},
        {L"\x81", true}, {L"中", false},         {L"ok 😀", false},       {L"ā", false},
    };
    for (const auto& [text, ok] : storable) EXPECT_EQ(CanEncodeAnsi(text), ok);
}
