#include "params/SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "params/ControlCodec.h"
#include "params/ProfileFile.h"
#include "params/SettingsRules.h"
#include "lang/Texts.h"

namespace varnex {
namespace {

const std::wstring kSection = L"Settings";

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A file past the size limit is no settings file; reading part of it or
// writing over it would both lose something.
void ThrowIfTooLarge(const ProfileFile& file, const QString& path) {
    if (file.TooLarge()) throw SettingsFileError(Text("txtFileTooLarge").arg(path));
}

}  // namespace

QString OpenSettingsFile(const QString& path, const ControlDescList& parameters) {
    const std::string native = Native(path);
    ProfileFile file;
    // A path that is not there would empty every control; the configuration
    // in the window is worth more than that, so nothing changes.
    if (!QFileInfo::exists(path) || !file.Load(native)) {
        ThrowIfTooLarge(file, path);
        throw SettingsFileError(Text("txtUnableToOpen").arg(path));
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
        return Text("txtNoSettingsInFile").arg(name);
    if (found < parameters.Count())
        return Text("txtOpenedSome").arg(QString::number(found), QString::number(parameters.Count()), name);
    return Text("txtOpened").arg(QString::number(found), name);
}

QString SaveSettingsFile(const QString& chosen, const ControlDescList& parameters) {
    const QString path = QFile::decodeName(SettingsFileName(Native(chosen)).c_str());
    const std::string native = Native(path);
    ProfileFile file;
    if (!file.Load(native)) {
        ThrowIfTooLarge(file, path);
        throw SettingsFileError(Text("txtUnableToWrite").arg(path));
    }
    for (int i = 0; i < parameters.Count(); ++i) {
        const ControlDesc& row = parameters.At(i);
        file.WriteString(kSection, row.control->objectName().toStdWString(),
                         GetControlValue(row.control).toStdWString());
    }
    if (!file.Save(native)) throw SettingsFileError(Text("txtUnableToWrite").arg(path));
    QString line = Text("txtSaved").arg(QString::number(parameters.Count()), QFileInfo(path).fileName());
    // A UTF-8 or UTF-16 file keeps such characters; a Windows-1250 one, as
    // the module, gets "?" in their place.
    if (const int unstorable = UnstorableTextCount(parameters)) {
        const bool ansi = file.FileEncoding() == ProfileFile::Encoding::Ansi;
        line += QLatin1Char(' ');
        if (unstorable == 1) line += Text(ansi ? "txtSavedUnstorableOne" : "txtTextUnstorable");
        else line += Text(ansi ? "txtSavedUnstorableMany" : "txtTextsUnstorable").arg(unstorable);
    }
    return line;
}

}  // namespace varnex
