// The batch command line. Any arguments parse or give a message; what parses
// holds steps only of the known kinds, and the same options written out as a
// command line again parse to the same thing.
#include <QStringList>

#include "FuzzCheck.h"
#include "ui/BatchArguments.h"

using namespace varnex;

namespace {

QStringList Arguments(const BatchOptions& o) {
    QStringList a;
    if (o.demo) a << "--demo";
    if (!o.modemPort.isEmpty()) a << "--modem" << o.modemPort << "--phone" << o.phone;
    a << "--password" << o.password;
    for (const auto& step : o.steps) {
        a << step.name;
        if (step.name == "open" || step.name == "save") a << step.argument;
    }
    return a;
}

bool Same(const BatchOptions& x, const BatchOptions& y) {
    if (x.demo != y.demo || x.modemPort != y.modemPort || x.phone != y.phone || x.password != y.password ||
        x.steps.size() != y.steps.size())
        return false;
    for (qsizetype i = 0; i < x.steps.size(); ++i)
        if (x.steps[i].name != y.steps[i].name || x.steps[i].argument != y.steps[i].argument) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Arguments are separated by NUL bytes, as they are in the process's memory.
    QStringList arguments;
    const char* p = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || p[i] == '\0') {
            arguments << QString::fromLocal8Bit(p + start, static_cast<qsizetype>(i - start));
            start = i + 1;
        }
    }
    BatchOptions options;
    QString error;
    if (!ParseBatchArguments(arguments, &options, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!options.steps.isEmpty());
    FUZZ_CHECK(options.modemPort.isEmpty() == options.phone.isEmpty());
    FUZZ_CHECK(!(options.demo && !options.modemPort.isEmpty()));
    static const QStringList kinds = {"open", "save", "read", "write", "test-report", "status"};
    for (const auto& step : options.steps) FUZZ_CHECK(kinds.contains(step.name));

    BatchOptions again;
    QString error2;
    FUZZ_CHECK(ParseBatchArguments(Arguments(options), &again, &error2));
    FUZZ_CHECK(Same(options, again));
    return 0;
}
