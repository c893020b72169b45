#include "lang/LanguageLookup.h"
#include "lang/Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <filesystem>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace varnex {
namespace {

const QString kExtension = QStringLiteral(".ini");

std::filesystem::path ToFsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

#ifdef Q_OS_WIN
// Entries with attribute bits beyond the ordinary ones (reparse points,
// offline or encrypted files and the like) are not offered.
bool HasOrdinaryAttributes(const QString& path) {
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & ~DWORD(0x1FF)) == 0;
}
#endif

}  // namespace

LanguageError::LanguageError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

QString LanguageFilePath(const QDir& dir, const QString& code) {
    if (!IsSafeLanguageCode(code.toStdString())) return {};
    const QString wanted = code + kExtension;
    const QString exact = dir.filePath(wanted);
    // isSymLink() too: a broken link is an entry of that name, and reading it
    // must report the fault rather than fall through to another file.
    const QFileInfo exactInfo(exact);
    if (exactInfo.exists() || exactInfo.isSymLink()) return exact;

    const QString folded = wanted.toLower();
    QString best;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names)
        if (name.toLower() == folded && (best.isEmpty() || name < best)) best = name;
    return dir.filePath(best.isEmpty() ? wanted : best);
}

LanguageFile LanguageFile::Load(const QString& code) {
    LanguageFile file;
    const QString path = LanguageFilePath(QDir::current(), code);
    if (path.isEmpty()) return file;
    LanguageFileRead read = ReadLanguageFile(ToFsPath(path));
    switch (read.status) {
        case LanguageFileRead::Status::Missing: return file;
        case LanguageFileRead::Status::Failed:
            throw LanguageError(varnex::Text("txtLanguageFileUnreadable")
                                    .arg(QDir::toNativeSeparators(path), QString::fromStdString(read.error)));
        case LanguageFileRead::Status::Read: break;
    }
    file.m_section = LanguageSection::Parse(std::move(read.content));
    file.m_path = path;
    return file;
}

QString LanguageFile::Text(const QString& key) const {
    if (m_section.size() == 0) return {};
    const QByteArray utf8 = key.toUtf8();
    const std::string_view text = m_section.Value(std::string_view(utf8.constData(), utf8.size()));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString TableText(const TranslationTable* table, const QString& key) {
    if (!table) return {};
    const QByteArray utf8 = key.toUtf8();
    const TranslationEntry* entry = FindEntry(*table, std::string_view(utf8.constData(), utf8.size()));
    if (!entry) return {};
    return QString::fromUtf8(entry->text.data(), static_cast<qsizetype>(entry->text.size()));
}

QString LookupText(const QString& code, const TranslationTable* table, const QString& key) {
    const QString text = LanguageFile::Load(code).Text(key);
    return text.isEmpty() ? TableText(table, key) : text;
}

void BuildLanguageList(LanguageDescList& list) {
    const QDir dir = QDir::current();
    // Regular files and links to them only: a pipe or a device named *.ini is
    // not a language file and must not be opened.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QString& name : names) {
        const QString lower = name.toLower();
        if (!lower.endsWith(kExtension)) continue;
#ifdef Q_OS_WIN
        if (!HasOrdinaryAttributes(dir.filePath(name))) continue;
#endif
        const QString code = lower.chopped(kExtension.size());
        // de.ini and DE.INI both give "de" and are served by one file; offer it once.
        const bool offered =
            std::any_of(list.cbegin(), list.cend(), [&code](const LanguageDesc& d) { return d.code == code; });
        if (offered) continue;
        const QString language = LookupText(code, nullptr, QStringLiteral("Language"));
        if (!language.isEmpty()) list.append({language, code});
    }
    if (list.isEmpty()) AppendBuiltInLanguages(list);
}

void AppendBuiltInLanguages(LanguageDescList& list) {
    const struct {
        const TranslationTable& table;
        const char* code;
    } builtIn[] = {{EnglishTable(), "en"}, {HungarianTable(), "hu"}, {RomanianTable(), "ro"}, {CzechTable(), "cz"}};
    for (const auto& language : builtIn)
        list.append({TableText(&language.table, QStringLiteral("Language")), QString::fromLatin1(language.code)});
}

}  // namespace varnex
