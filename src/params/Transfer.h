#pragma once
#include <QString>
#include <QStringList>
#include <functional>

#include "params/ControlDesc.h"

class QProgressBar;
class QWidget;

namespace varnex {

class CommandProtocol;

// Reads the whole configuration from the module into the window's controls
// and writes it back, one parameter per exchange in catalogue order. The
// window's controls stay the only copy of the configuration: this object
// holds the window's `busy` flag and the raw replies of the last read.
class ConfigurationTransfer {
public:
    using LinkStateRefresh = std::function<void(const char* reason)>;
    using Report = std::function<void(const QString& line)>;

    ConfigurationTransfer(CommandProtocol& protocol, const ControlDescList& parameters, QProgressBar* progress,
                          QWidget* window, LinkStateRefresh updateLinkState);

    // Each returns the outcome line for the status bar. A value the codec
    // cannot convert throws ConversionError, after busy has been cleared and
    // the link state refreshed; `report` then gets the outcome line first.
    QString ReadFromDevice(const Report& report = nullptr);
    QString WriteToDevice(const Report& report = nullptr);

    // Contact-ID and user-ID fields currently marked invalid (red).
    int InvalidFieldCount() const;

    bool busy = false;
    QStringList readReplies;
    // Whether the last read applied, or the last write sent, every setting.
    bool complete = false;

private:
    // Sets busy for `work` and clears it, refreshing the link state before
    // and after, however the work ends.
    QString RunBusy(const char* start, const char* end, const std::function<QString()>& work);
    QString Read(const Report& report);
    QString Write(const Report& report);
    void RepairHolders();
    // The protocol's link: a read or write stops once it is down, before the
    // next exchange or at the one it cut.
    bool LinkDown() const;

    CommandProtocol& protocol;
    const ControlDescList& parameters;
    QProgressBar* progress;
    QWidget* window;
    LinkStateRefresh updateLinkState;
};

// The background an invalid Contact-ID or user-ID field shows, and the test for it.
bool IsMarkedInvalid(const QWidget* edit);

}  // namespace varnex
