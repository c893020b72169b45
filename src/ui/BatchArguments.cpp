#include "ui/BatchArguments.h"

#include <algorithm>

namespace varnex {

const char kBatchUsageText[] =
    "Usage: varnex [--demo]\n"
    "       varnex --batch [--demo | --modem PORT --phone NUMBER] [--password PASSWORD] STEP...\n"
    "\n"
    "Without --batch the window opens; --demo puts a simulated module behind\n"
    "the USB path (password 7402).\n"
    "\n"
    "Batch mode runs the steps in order, without a window:\n"
    "  open FILE     load a settings file into the configuration\n"
    "  save FILE     save the configuration to a settings file (.ini is added)\n"
    "  read          read all 205 settings from the module\n"
    "  write         write all 205 settings to the module\n"
    "  write-changes write only the settings that differ from what an earlier\n"
    "                read of this run found on the module\n"
    "  test-report   make the module send a test report now\n"
    "  status        print the module's status values as KEY=VALUE lines\n"
    "\n"
    "Options:\n"
    "  --demo              use the simulated module\n"
    "  --modem PORT        dial the module through the GSM modem on PORT (e.g. /dev/ttyUSB0)\n"
    "  --phone NUMBER      the module's phone number, with --modem\n"
    "  --password PASSWORD the module's password (default 7402)\n"
    "  --help              show this text\n"
    "  --version           show the program's version\n"
    "\n"
    "Steps that need no module (open, save) open no link. Otherwise the USB\n"
    "module is used unless --modem or --demo is given; batch mode waits a few\n"
    "seconds for it to appear.\n"
    "\n"
    "Exit status: 0 every step succeeded; 1 a step failed; 2 wrong usage;\n"
    "3 no module found or the dial failed; 4 the module refused the login.\n";

bool BatchOptions::NeedsModule() const {
    for (const auto& step : steps)
        if (step.name != "open" && step.name != "save") return true;
    return false;
}

bool ParseBatchArguments(const QStringList& arguments, BatchOptions* options, QString* error) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        auto value = [&](QString* into) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            *into = arguments.at(++i);
            return true;
        };
        if (a == "--demo") {
            options->demo = true;
        } else if (a == "--modem") {
            if (!value(&options->modemPort)) return false;
        } else if (a == "--phone") {
            if (!value(&options->phone)) return false;
        } else if (a == "--password") {
            if (!value(&options->password)) return false;
        } else if (a == "open" || a == "save") {
            BatchStep step{a, QString()};
            if (!value(&step.argument)) return false;
            options->steps.append(step);
        } else if (a == "read" || a == "write" || a == "write-changes" || a == "test-report" || a == "status") {
            // Changes are measured against what a read of this run found.
            if (a == "write-changes" &&
                std::none_of(options->steps.cbegin(), options->steps.cend(),
                             [](const BatchStep& s) { return s.name == "read"; })) {
                *error = QStringLiteral("write-changes needs a read before it");
                return false;
            }
            options->steps.append({a, QString()});
        } else {
            *error = QStringLiteral("unknown step or option '%1'").arg(a);
            return false;
        }
    }
    if (options->steps.isEmpty()) {
        *error = QStringLiteral("no steps given");
        return false;
    }
    if (options->modemPort.isEmpty() != options->phone.isEmpty()) {
        *error = QStringLiteral("--modem and --phone go together");
        return false;
    }
    if (options->demo && !options->modemPort.isEmpty()) {
        *error = QStringLiteral("--demo and --modem exclude each other");
        return false;
    }
    return true;
}

namespace {

// The toolkit's own options that take a value; it removes them, with their
// values, before the program sees its arguments.
bool ToolkitOptionWithValue(const QString& a) {
    static const QStringList options = {
        "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style", "-stylesheet", "-session",
        "-display", "-geometry", "-title", "-name", "-qwindowgeometry", "-qwindowtitle", "-qwindowicon",
    };
    return options.contains(a);
}

}  // namespace

QStringList WithoutToolkitOptions(const QStringList& arguments) {
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        // "--x" is ours; "-x" is the toolkit's (it rejects what it does not know).
        if (a.size() > 1 && a.startsWith(QLatin1Char('-')) && !a.startsWith(QStringLiteral("--")) && a != "-h") {
            if (ToolkitOptionWithValue(a)) ++i;
            continue;
        }
        rest << a;
    }
    return rest;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    if (arguments.contains("--help") || arguments.contains("-h")) {
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (arguments.contains("--version")) {
        line.action = CommandLine::Action::Version;
        return line;
    }
    if (arguments.contains("--batch")) {
        QStringList rest = arguments;
        rest.removeAll("--batch");
        if (!ParseBatchArguments(rest, &line.batch, &line.error)) {
            line.action = CommandLine::Action::Usage;
            return line;
        }
        line.action = CommandLine::Action::Batch;
        line.demo = line.batch.demo;
        return line;
    }
    for (const QString& a : arguments) {
        if (a != "--demo") {
            line.action = CommandLine::Action::Usage;
            line.error = QStringLiteral("unknown argument '%1'").arg(a);
            return line;
        }
        line.demo = true;
    }
    line.action = CommandLine::Action::Window;
    return line;
}

}  // namespace varnex
