#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The batch command line. Only QtCore here, so the parser can be built and
// fuzzed on its own.

namespace varnex {

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

// The whole command line: what to do, and with what.
struct CommandLine {
    enum class Action {
        Window,   // open the window
        Batch,    // run the batch steps
        Help,     // print the usage to standard output
        Version,  // print the version to standard output
        Usage,    // wrong usage: print `error` and the usage to standard error
    };
    Action action = Action::Window;
    bool demo = false;
    BatchOptions batch;
    QString error;
};

// Parses the arguments after the program's name. Help and version win
// wherever they stand.
CommandLine ParseCommandLine(const QStringList& arguments);

// The arguments with the toolkit's own options ("-platform offscreen",
// "-reverse", ...) taken out, as the toolkit takes them out once it runs:
// so the command line can be checked before there is a display.
QStringList WithoutToolkitOptions(const QStringList& arguments);

}  // namespace varnex
