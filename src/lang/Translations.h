#pragma once
#include <span>
#include <string_view>

// The four built-in translation tables. Toolkit-free: texts are UTF-8.

namespace varnex {

// One text of the user interface, found by key: a control name or a text key.
struct TranslationEntry {
    std::string_view key;
    std::string_view text;  // may be empty: counts as no text
};

// An ordered, read-only table; every built-in table holds the same keys in
// the same order, the first being "Language" with the language's own name.
struct TranslationTable {
    std::span<const TranslationEntry> entries;
};

const TranslationTable& EnglishTable();
const TranslationTable& HungarianTable();
const TranslationTable& RomanianTable();
const TranslationTable& CzechTable();

// The fallback table for a normalised language code: "hu", "ro" and "cz" have
// their own, every other code (an unknown one too) falls back to English.
const TranslationTable& BuiltInTable(std::string_view code);

// First entry whose key equals the key exactly (case-sensitive); nullptr when
// the table has no such key.
const TranslationEntry* FindEntry(const TranslationTable& table, std::string_view key);

}  // namespace varnex
