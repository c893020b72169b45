#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <ostream>

// Failures print Qt strings as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace varnex::test {

// Makes a fresh temporary directory the current one for the lifetime of the
// object, and returns to the previous one afterwards.
class ScopedCurrentDir {
public:
    ScopedCurrentDir();
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

    QString path() const { return m_dir.path(); }
    QString FilePath(const QString& name) const { return m_dir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Where the stored language choice goes during the tests: a temporary
// directory set up once per process, never the user's configuration.
QString SettingsRoot();
QString SettingsFile();
// Removes the stored choice, so each test starts without one.
void ClearStoredLanguage();
// Writes LanguageId directly, bypassing the code under test.
void WriteStoredLanguage(const QVariant& value);

}  // namespace varnex::test
