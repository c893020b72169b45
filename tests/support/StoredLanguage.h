#pragma once
// The window restores the language a test before it chose: tests that look at
// the window's sentences start from none stored, so English.
#include <QSettings>
#include <QString>

namespace varnex::testing {

inline void ForgetStoredLanguage() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrik/Talmeno"),
                       QStringLiteral("Varnex"));
    settings.remove(QStringLiteral("LanguageId"));
}

}  // namespace varnex::testing
