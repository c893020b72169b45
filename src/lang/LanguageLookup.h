#pragma once
#include <QList>
#include <QString>
#include <stdexcept>

#include "lang/LanguageFile.h"
#include "lang/Translations.h"

class QDir;

namespace varnex {

// A language file that exists but cannot be read, or a language choice that
// cannot be read or stored. The window shows message() and goes on; during
// start-up it ends the program instead.
class LanguageError : public std::runtime_error {
public:
    explicit LanguageError(const QString& message);
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// One language offered in the selector.
struct LanguageDesc {
    QString name;
    QString code;
};
using LanguageDescList = QList<LanguageDesc>;

// The file that serves a code in a directory: "<code>.ini". On a file system
// with case-sensitive names, when no entry has exactly that name, an entry
// whose name in lower case equals "<code>.ini" in lower case serves instead
// (the alphabetically first, if several do), so DE.INI serves the code "de"
// exactly as the listing that offered it lower-cased it. Returns an empty
// path for a code that could reach outside the directory.
QString LanguageFilePath(const QDir& dir, const QString& code);

// The "Language" section of the file of a code in the current directory, read
// once. A missing file (or an unsafe code) has no texts.
class LanguageFile {
public:
    // Throws LanguageError when the file exists but cannot be read.
    static LanguageFile Load(const QString& code);

    // The file's text for the key; empty when it has none.
    QString Text(const QString& key) const;
    // The path that was read; empty when there was no file.
    const QString& path() const { return m_path; }

private:
    LanguageSection m_section;
    QString m_path;
};

// The text of the first entry of the table with exactly this key; empty when
// there is no table or no such entry.
QString TableText(const TranslationTable* table, const QString& key);

// The text of a key for a language code: the code's language file first (read
// afresh), then the table. Throws LanguageError for an unreadable file.
QString LookupText(const QString& code, const TranslationTable* table, const QString& key);

// Appends the languages named by the language files of the current directory,
// in listing order; when none names one, the four built-in languages.
// Throws LanguageError for an unreadable file.
void BuildLanguageList(LanguageDescList& list);
// Appends English, Hungarian, Romanian and Czech from the built-in tables.
void AppendBuiltInLanguages(LanguageDescList& list);

}  // namespace varnex
