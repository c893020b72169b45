#pragma once
#include <QString>
#include <QStringList>
#include <ostream>

#include "usb/HidBackend.h"

namespace varnex {

class MainController;

// Exit statuses of a batch run.
enum BatchExit {
    kBatchOk = 0,
    kBatchStepFailed = 1,  // a read, write, file, test report or status step failed
    kBatchUsage = 2,       // the command line is wrong
    kBatchNoLink = 3,      // no module found, or the dial failed
    kBatchLoginRefused = 4,
};

struct BatchStep {
    QString name;      // open, save, read, write, test-report, status
    QString argument;  // the file of open and save
};

struct BatchOptions {
    bool demo = false;
    QString modemPort;
    QString phone;
    QString password = QStringLiteral("7402");
    QList<BatchStep> steps;
    // The keys a status step asks for over a data call, in order; a call
    // carries no status reports.
    QStringList remoteStatusKeys;
    // Whether any step talks to the module; open and save alone open no link.
    bool NeedsModule() const;
};

extern const char kBatchUsageText[];

// Parses what follows "--batch". False, with a message, on misuse.
bool ParseBatchArguments(const QStringList& arguments, BatchOptions* options, QString* error);

// Runs the steps in order on the window's own code paths, the window never
// shown and no modal window opened. Progress and one line per step go to
// `err`, the status values of a status step to `out`.
int RunBatch(MainController& controller, const BatchOptions& options, std::ostream& out, std::ostream& err,
             int moduleWaitMs = 5000);

// A system without HID devices: what a run that needs no module uses.
class NoHidBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate() override { return {}; }
    int OpenPath(const std::string&, bool) override { return kInvalidHandle; }
    bool WriteReport(int, const std::uint8_t*, std::size_t) override { return false; }
    int ReadReport(int, std::uint8_t*, std::size_t, int) override { return -1; }
    void CloseHandle(int) override {}
};

}  // namespace varnex
