#pragma once
#include <QString>
#include <stdexcept>

#include "params/ControlDesc.h"

namespace varnex {

// A settings file that cannot be written or read; what() is the message the
// window shows, e.g. "Unable to write to /x/site.ini".
class SettingsFileError : public std::runtime_error {
public:
    explicit SettingsFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Both return the outcome line for the status bar. The dialogs only choose
// the path; these take it as it is.
//
// Open applies every row's entry (a missing one as the empty text) in
// catalogue order; a value the codec cannot convert throws ConversionError
// and leaves the rows from it on unchanged. A file that cannot be opened, or
// is too large to be a settings file, throws SettingsFileError and changes
// nothing.
QString OpenSettingsFile(const QString& path, const ControlDescList& parameters);

// Save adds ".ini" where the name lacks it and writes every row's entry, in
// the file's own encoding (Windows-1250 for a new file). On failure (a file
// the user may not write, a place that cannot take it, a file too large) the
// old file stays as it was and SettingsFileError is thrown. The outcome line
// counts the texts that hold characters the module cannot store.
QString SaveSettingsFile(const QString& path, const ControlDescList& parameters);

}  // namespace varnex
