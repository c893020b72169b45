#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace varnex {

// The program's one way of showing an error that escaped an operation: a
// message box over the window, as the toolkit's exception display shows it.
// Batch mode replaces it, so that no error ever waits for a person.
using ErrorDisplay = std::function<void(QWidget* parent, const QString& message)>;

// Replaces the display for the whole program; an empty one restores the
// message box. Returns the one it replaced.
ErrorDisplay SetErrorDisplay(ErrorDisplay display);
void ShowError(QWidget* parent, const QString& message);

// The boundary around every handler and every window call: runs `action`,
// shows what it throws and returns normally, so that no exception ever
// unwinds through the toolkit's event loop. True when nothing was thrown.
bool RunGuarded(QWidget* parent, const std::function<void()>& action);

}  // namespace varnex
