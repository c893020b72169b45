#include "params/SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "params/ControlCodec.h"
#include "params/ProfileFile.h"
#include "params/SettingsRules.h"

namespace varnex {
namespace {

const std::wstring kSection = L"Settings";

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A file past the size limit is no settings file; reading part of it or
// writing over it would both lose something.
void ThrowIfTooLarge(const ProfileFile& file, const QString& path) {
    if (file.TooLarge()) throw SettingsFileError(QStringLiteral("'%1' is too large to be a settings file").arg(path));
}

}  // namespace

QString OpenSettingsFile(const QString& path, const ControlDescList& parameters) {
    const std::string native = Native(path);
    ProfileFile file;
    // A path that is not there would empty every control; the configuration
    // in the window is worth more than that, so nothing changes.
    if (!QFileInfo::exists(path) || !file.Load(native)) {
        ThrowIfTooLarge(file, path);
        throw SettingsFileError(QStringLiteral("Unable to open %1").arg(path));
    }
    const QString name = QFileInfo(path).fileName();
    int found = 0;
    for (int i = 0; i < parameters.Count(); ++i) {
        const ControlDesc& row = parameters.At(i);
        const std::wstring control = row.control->objectName().toStdWString();
        if (file.HasEntry(kSection, control)) ++found;
        SetControlValue(row.control, QString::fromStdWString(file.ReadString(kSection, control)));
    }
    if (found == 0)
        return QStringLiteral("%1 holds no settings: every setting was set empty.").arg(name);
    if (found < parameters.Count())
        return QStringLiteral("Opened %1 of %2 settings from %3; the others were set empty.")
            .arg(found)
            .arg(parameters.Count())
            .arg(name);
    return QStringLiteral("Opened %1 settings from %2.").arg(found).arg(name);
}

QString SaveSettingsFile(const QString& chosen, const ControlDescList& parameters) {
    const QString path = QFile::decodeName(SettingsFileName(Native(chosen)).c_str());
    const std::string native = Native(path);
    ProfileFile file;
    if (!file.Load(native)) {
        ThrowIfTooLarge(file, path);
        throw SettingsFileError(QStringLiteral("Unable to write to %1").arg(path));
    }
    for (int i = 0; i < parameters.Count(); ++i) {
        const ControlDesc& row = parameters.At(i);
        file.WriteString(kSection, row.control->objectName().toStdWString(),
                         GetControlValue(row.control).toStdWString());
    }
    if (!file.Save(native)) throw SettingsFileError(QStringLiteral("Unable to write to %1").arg(path));
    QString line =
        QStringLiteral("Saved %1 settings to %2.").arg(parameters.Count()).arg(QFileInfo(path).fileName());
    // A UTF-8 or UTF-16 file keeps such characters; a Windows-1250 one, as
    // the module, gets "?" in their place.
    if (const int unstorable = UnstorableTextCount(parameters)) {
        line += unstorable == 1 ? QStringLiteral(" 1 text holds characters the module cannot store")
                                : QStringLiteral(" %1 texts hold characters the module cannot store").arg(unstorable);
        line += file.FileEncoding() == ProfileFile::Encoding::Ansi
                    ? QStringLiteral("; the file has \"?\" in their place.")
                    : QStringLiteral(".");
    }
    return line;
}

}  // namespace varnex
