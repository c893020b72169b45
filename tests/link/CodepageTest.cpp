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

// UTF-8 gone wrong reads as the Windows conversion reads it (these answers
// are Wine's): a lead byte and the continuation bytes it took give one
// U+FFFD, each stray byte one more.
TEST(Codepage, IllFormedUtf8ReadsAsWindowsReadsIt) {
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"a\xC3" "b", L"a\uFFFDb"},
        {"a\xE2\x82" "b", L"a\uFFFDb"},
        {"a\xED\xA0\x80" "b", L"a\uFFFD\uFFFDb"},         // a surrogate
        {"a\xF4\x90\x80\x80" "b", L"a\uFFFD\uFFFD\uFFFDb"},  // past U+10FFFF
        {"a\xC0\xAF" "b", L"a\uFFFD\uFFFDb"},
        {"a\xE0\x80\x80" "b", L"a\uFFFD\uFFFDb"},         // too long a form
        {"a\xF0\x80\x80\x80" "b", L"a\uFFFD\uFFFD\uFFFDb"},
        {"a\xF5\x80" "b", L"a\uFFFD\uFFFDb"},
        {"a\xE2\x82\x41" "b", L"a\uFFFDAb"},
        {"a\xC3\x80\x80" "b", L"a\u00C0\uFFFDb"},
        {"a\xED\x9F\xBF" "b", L"a\uD7FFb"},
        {"a\xF0\x9F\x98\x80" "b", L"a\U0001F600b"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeUtf8(bytes, false), text) << bytes;
    // Cut off by the end of the text, a sequence swallows what is left.
    EXPECT_EQ(DecodeUtf8("a\xF0\x9F]", true), L"a\uFFFD");
    EXPECT_EQ(DecodeUtf8("a\xF0\x9F]", false), L"a\uFFFD]");
    const std::wstring all = L"aő中\U0001F600";
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(all), true), all);
    EXPECT_EQ(DecodeUtf16Le(EncodeUtf16Le(all)), all);
    EXPECT_EQ(EncodeUtf16Le(L"\U0001F600"), std::string("\x3D\xD8\x00\xDE", 4));
}
