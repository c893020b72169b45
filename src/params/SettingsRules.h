#pragma once
#include <functional>

#include <QString>
#include <QStringList>

#include "params/ControlDesc.h"

class QLineEdit;
class QWidget;

namespace varnex {

// The rules that keep the settings page consistent: temperature pairs and
// their degree labels, the Contact-ID and user-number checks, the hidden
// holders mirrored by radio buttons and radio groups, and the temperature
// sensor sharing input IN1. They hang on the signals that fire on every
// change, so reads and file loads set them off exactly as the user does.
// Controls are found by name under `window`; a missing one is skipped.
void ConnectSettingsRules(QWidget* window, std::function<void(const char* reason)> updateLinkState);

// Runs the change of each minimum and then of each maximum once, as the
// window does at the end of its construction, so the labels show the bars.
void RunTemperatureRules(QWidget* window);

// White when the text is a Contact-ID code (4 digits, the first 1 or 3),
// red otherwise.
bool IsValidContactId(const QString& text);
// The 13 Contact-ID code edits, which all share the code check.
QStringList ContactIdFields();
bool IsValidUserId(const QString& text);
void ValidateContactIdEdit(QLineEdit* edit);

// Whether the module can store the text: it keeps texts in Windows-1250, and
// any character without a byte there (or a best fit) would reach it as "?".
// An edit or spin edit holding such a text is marked red as an invalid code
// is, at every change of its text.
bool IsStorableText(const QString& text);
// The rows whose value text the module cannot store.
int UnstorableTextCount(const ControlDescList& parameters);

}  // namespace varnex
