#pragma once
#include <QString>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "params/ControlDesc.h"
#include "params/ModuleRecord.h"

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
    // Writes only the settings whose control differs from the module's known
    // value, in catalogue order, with the sets a full write sends for them.
    // Without a complete record of the module it sends nothing and says so.
    QString WriteChangesToDevice(const Report& report = nullptr);
    // The rows, in order, whose control differs from the module's known
    // value (or whose value is not known).
    std::vector<int> ChangedRows() const;

    // Contact-ID and user-ID fields currently marked invalid (red).
    int InvalidFieldCount() const;

    bool busy = false;
    // Asks the read or write in progress to stop after the exchange in
    // flight. Safe from a signal handler.
    void Cancel() { cancelRequested = true; }
    bool Cancelled() const { return cancelled; }
    // What the module holds, from the latest read and the sets it confirmed.
    ModuleRecord record;
    QStringList readReplies;
    // Whether the last read applied, or the last write sent, every setting.
    bool complete = false;

private:
    // Sets busy for `work` and clears it, refreshing the link state before
    // and after, however the work ends.
    QString RunBusy(const char* start, const char* end, const std::function<QString()>& work);
    struct Warnings {
        int invalid = 0;     // Contact-ID and user-ID fields marked invalid
        int unstorable = 0;  // texts with characters the module cannot store
        QString Suffix() const;
    };
    Warnings WarnBeforeWrite(const Report& report) const;
    QString WhyUnconfirmed(int result) const;
    // One set; the record follows what the module confirmed.
    int SendSetting(const ControlDesc& row);
    void RecordRead(const QSet<const ControlDesc*>& received, bool whole);
    QString Read(const Report& report);
    QString WriteRows(const Report& report, bool changesOnly);
    void RepairHolders();
    // The protocol's link: a read or write stops once it is down, before the
    // next exchange or at the one it cut.
    bool LinkDown() const;

    // Set by Cancel, cleared when a transfer starts and read between exchanges.
    std::atomic<bool> cancelRequested{false};
    bool cancelled = false;  // the last transfer stopped on a cancel

    CommandProtocol& protocol;
    const ControlDescList& parameters;
    QProgressBar* progress;
    QWidget* window;
    LinkStateRefresh updateLinkState;
};

// The background an invalid Contact-ID or user-ID field shows, and the test for it.
bool IsMarkedInvalid(const QWidget* edit);

}  // namespace varnex
