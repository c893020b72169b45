#pragma once
#include <QString>
#include <functional>

// The program's own sentences (outcome lines, status lines, warnings) live in
// the translation tables beside the captions, under keys of their own. Texts
// with numbers carry %1, %2, ... placeholders, which a translation may
// reorder: fill them with QString::arg in the order of the numbers.

namespace varnex {

// Where Text looks: the window's language (language file first, then its
// table). None set: English, as batch mode writes it for scripts to read.
using TextSource = std::function<QString(const QString& key)>;

// Replaces the source for the whole program; returns the one it replaced.
TextSource SetTextSource(TextSource source);

// The text of a key: from the source, else the English table, else the key
// itself (a missing text then shows, rather than nothing). Never throws: a
// source that fails gives the English text.
QString Text(const char* key);

// The English text of a key, whatever the window speaks.
QString EnglishText(const char* key);

}  // namespace varnex
