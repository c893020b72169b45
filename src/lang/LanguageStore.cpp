#include "lang/LanguageStore.h"

#include <QSettings>
#include <QVariant>
#include <memory>

#include "lang/LanguageLookup.h"
#include "lang/Texts.h"

namespace varnex {
namespace {

const QString kValueName = QStringLiteral("LanguageId");

std::unique_ptr<QSettings> OpenStore() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Ostrik\\Talmeno\\Varnex"),
                                       QSettings::NativeFormat);
#else
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                QStringLiteral("Ostrik/Talmeno"), QStringLiteral("Varnex"));
    // Only our own file: an organisation-wide Talmeno.ini must not answer for it.
    settings->setFallbacksEnabled(false);
    return settings;
#endif
}

}  // namespace

QString ReadStoredLanguageId() {
    const auto settings = OpenStore();
    if (settings->status() != QSettings::NoError) return {};
    const QVariant value = settings->value(kValueName);
    if (!value.isValid()) return {};
    if (value.typeId() != QMetaType::QString)
        throw LanguageError(Text("txtLanguageNotText").arg(kValueName));
    return value.toString();
}

void StoreLanguageId(const QString& code) {
    const auto settings = OpenStore();
    if (settings->isWritable()) {
        settings->setValue(kValueName, code);
        settings->sync();
    }
    if (!settings->isWritable() || settings->status() != QSettings::NoError)
        throw LanguageError(Text("txtLanguageNotStored")
                                .arg(kValueName, settings->fileName()));
}

}  // namespace varnex
