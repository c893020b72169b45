#include "lang/Texts.h"

#include <exception>

#include "lang/Translations.h"

namespace varnex {
namespace {

TextSource& Source() {
    static TextSource source;
    return source;
}

}  // namespace

TextSource SetTextSource(TextSource source) {
    TextSource previous = std::move(Source());
    Source() = std::move(source);
    return previous;
}

QString EnglishText(const char* key) {
    const TranslationEntry* entry = FindEntry(EnglishTable(), key);
    if (!entry || entry->text.empty()) return QString::fromLatin1(key);
    return QString::fromUtf8(entry->text.data(), static_cast<qsizetype>(entry->text.size()));
}

QString Text(const char* key) {
    // The source reads language files, and a file's own error is a text too:
    // asked from inside the source, the text is English.
    static thread_local bool inSource = false;
    if (Source() && !inSource) {
        struct Inside {
            bool& flag;
            explicit Inside(bool& f) : flag(f) { flag = true; }
            ~Inside() { flag = false; }
        } inside(inSource);
        try {
            const QString text = Source()(QString::fromLatin1(key));
            if (!text.isEmpty()) return text;
        } catch (const std::exception&) {
            // A language file that cannot be read: its trouble is shown where
            // the language is chosen, not in every sentence.
        }
    }
    return EnglishText(key);
}

}  // namespace varnex
