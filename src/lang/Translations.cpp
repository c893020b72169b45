#include "lang/Translations.h"

namespace varnex {

const TranslationTable& BuiltInTable(std::string_view code) {
    if (code == "hu") return HungarianTable();
    if (code == "ro") return RomanianTable();
    if (code == "cz") return CzechTable();
    return EnglishTable();
}

// A plain scan: the tables are small and the order of the first match is the
// contract, so there is nothing for an index to win.
const TranslationEntry* FindEntry(const TranslationTable& table, std::string_view key) {
    for (const TranslationEntry& entry : table.entries)
        if (entry.key == key) return &entry;
    return nullptr;
}

}  // namespace varnex
