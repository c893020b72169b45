#include "params/Transfer.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSet>
#include <QWidget>
#include <exception>

#include "link/CommandProtocol.h"
#include "params/ControlCodec.h"
#include "params/SettingsRules.h"
#include "lang/Texts.h"

namespace varnex {
namespace {

std::wstring Wide(const QString& s) { return s.toStdWString(); }
QString FromWide(const std::wstring& s) { return QString::fromStdWString(s); }

}  // namespace

QString ConfigurationTransfer::RunBusy(const char* start, const char* end, const std::function<QString()>& work) {
    std::exception_ptr error;
    QString line;
    busy = true;
    cancelRequested = false;
    cancelled = false;
    try {
        if (updateLinkState) updateLinkState(start);
        line = work();
    } catch (...) {
        error = std::current_exception();
    }
    // Clears busy and refreshes the link state however the work ended, but
    // outside the unwinding: the refresh may log in and open a window, and an
    // error of its own must not meet the one on its way out.
    busy = false;
    try {
        if (updateLinkState) updateLinkState(end);
    } catch (...) {
        if (!error) error = std::current_exception();
    }
    if (error) std::rethrow_exception(error);
    return line;
}

bool IsMarkedInvalid(const QWidget* edit) {
    return edit && edit->palette().color(QPalette::Base) == QColor(255, 0, 0);
}

ConfigurationTransfer::ConfigurationTransfer(CommandProtocol& protocol, const ControlDescList& parameters,
                                             QProgressBar* progress, QWidget* window,
                                             LinkStateRefresh updateLinkState)
    : protocol(protocol),
      parameters(parameters),
      progress(progress),
      window(window),
      updateLinkState(std::move(updateLinkState)) {}

int ConfigurationTransfer::InvalidFieldCount() const {
    int count = 0;
    // Every field the code checks colour, the two sensor codes included.
    QStringList fields = ContactIdFields();
    fields << QStringLiteral("edTUserID");
    for (const QString& name : fields)
        if (IsMarkedInvalid(window->findChild<QWidget*>(name))) ++count;
    return count;
}

bool ConfigurationTransfer::LinkDown() const { return protocol.LinkDown(); }

void ConfigurationTransfer::RecordRead(const QSet<const ControlDesc*>& received, bool whole) {
    // Once every reply is in and the rules have run: what the controls show
    // of the module's values is what a change is measured against.
    for (const ControlDesc* row : received) record.Read(Wide(row->key), Wide(GetControlValue(row->control)));
    record.EndRead(whole);
}

QString ConfigurationTransfer::ReadFromDevice(const Report& report) {
    complete = false;
    return RunBusy("ReadStart", "ReadEnd", [&] { return Read(report); });
}

QString ConfigurationTransfer::Read(const Report& report) {
    record.BeginRead();
    readReplies.clear();
    if (progress) progress->setValue(0);
    const int total = parameters.Count();
    bool loggedOut = false;
    bool linkLost = false;
    for (int i = 0; i < total; ++i) {
        if (cancelRequested) {
            cancelled = true;
            break;
        }
        // Without a link every further query would sit out its time-outs.
        if (LinkDown()) {
            linkLost = true;
            break;
        }
        const std::wstring reply = protocol.QueryParameter(Wide(parameters.At(i).key));
        if (reply == CommandProtocol::DeviceNotAvailableText) {
            loggedOut = true;
            break;
        }
        if (reply.empty() && LinkDown()) {
            linkLost = true;
            break;
        }
        readReplies.append(FromWide(reply));
        if (progress) progress->setValue(progress->value() + 1);
    }

    // Settings that received a value. Replies that name another key than the
    // one asked would otherwise count a setting twice and hide one never read.
    QSet<const ControlDesc*> received;
    for (int i = 0; i < readReplies.size(); ++i) {
        const QString& text = readReplies.at(i);
        const int c = text.indexOf('=');
        const int d = text.indexOf("->PASS");
        if (c < 0 || d < 0) continue;
        // The reply's own key, not the row that asked, picks the control.
        const ControlDesc* row = parameters.Find(text.left(c));
        if (!row) continue;
        const QString value = FromWide(CommandProtocol::ExtractReplyValue(Wide(text)));
        try {
            SetControlValue(row->control, value);
        } catch (const ConversionError& e) {
            RecordRead(received, false);
            if (report)
                report(Text("txtReadStoppedAt")
                           .arg(QString::number(i + 1), QString::number(total), row->key,
                                QString::fromUtf8(e.what())));
            throw;  // the replies after it are not applied
        }
        received.insert(row);
    }
    const int applied = static_cast<int>(received.size());

    complete = !loggedOut && !linkLost && !cancelled && applied == total;
    RecordRead(received, complete);
    // A module that logged out may hold anything by its next login.
    if (loggedOut) record.Drop();
    QString line;
    // Settings that received a value, as the complete read counts them.
    if (cancelled)
        line = Text("txtReadCancelled").arg(applied);
    else if (loggedOut)
        line = Text("txtReadStoppedLoggedOut").arg(applied);
    else if (linkLost)
        line = Text("txtReadStoppedLinkLost").arg(applied);
    else if (applied == total)
        line = Text("txtReadDone").arg(applied).arg(total);
    else
        line = Text("txtReadPartly").arg(applied).arg(total).arg(total - applied);
    if (report) report(line);
    return line;
}

void ConfigurationTransfer::RepairHolders() {
    // The module needs a polarity and a control mode even when none was set.
    for (const char* name : {"_edIN1", "_edIN2"})
        if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(name)); e && e->text().size() < 2)
            e->setText(QStringLiteral("NO"));
    for (const char* name : {"_edRelay1Control", "_edRelay2Control"})
        if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(name)); e && e->text().isEmpty())
            e->setText(QStringLiteral("1"));
}

QString ConfigurationTransfer::WriteToDevice(const Report& report) {
    complete = false;
    return RunBusy("WriteStart", "WriteEnd", [&] { return WriteRows(report, false); });
}

ConfigurationTransfer::Warnings ConfigurationTransfer::WarnBeforeWrite(const Report& report) const {
    Warnings w;
    w.invalid = InvalidFieldCount();
    if (w.invalid > 0 && report)
        report(w.invalid == 1 ? Text("txtWritingInvalidOne") : Text("txtWritingInvalidMany").arg(w.invalid));
    // The module keeps texts in Windows-1250; characters it has no byte for
    // go out as "?", and the write goes on as it does for invalid codes.
    w.unstorable = UnstorableTextCount(parameters);
    if (w.unstorable > 0 && report)
        report(w.unstorable == 1 ? Text("txtWritingUnstorableOne")
                                 : Text("txtWritingUnstorableMany").arg(w.unstorable));
    return w;
}

QString ConfigurationTransfer::Warnings::Suffix() const {
    QString suffix;
    if (invalid > 0)
        suffix += QLatin1Char(' ') +
                  (invalid == 1 ? Text("txtFieldMarkedInvalid") : Text("txtFieldsMarkedInvalid").arg(invalid));
    if (unstorable > 0)
        suffix += QLatin1Char(' ') +
                  (unstorable == 1 ? Text("txtTextUnstorable") : Text("txtTextsUnstorable").arg(unstorable));
    return suffix;
}

QString ConfigurationTransfer::WhyUnconfirmed(int result) const {
    return result < 0    ? Text("txtWhyLoggedOut")
           : LinkDown() ? Text("txtWhyLinkLost")
                        : Text("txtWhyNotConfirmed");
}

int ConfigurationTransfer::SendSetting(const ControlDesc& row) {
    const QString value = GetControlValue(row.control);
    const int result = LinkDown() ? 0 : protocol.SetParameter(Wide(row.key), Wide(value));
    if (result == 1) record.Confirmed(Wide(row.key), Wide(value));
    // A module that logged out may hold anything by its next login.
    else if (result < 0) record.Drop();
    return result;
}

std::vector<int> ConfigurationTransfer::ChangedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < parameters.Count(); ++i) {
        const ControlDesc& row = parameters.At(i);
        const std::wstring* known = record.Value(Wide(row.key));
        if (!known || *known != Wide(GetControlValue(row.control))) rows.push_back(i);
    }
    return rows;
}

QString ConfigurationTransfer::WriteChangesToDevice(const Report& report) {
    complete = false;
    // Without the module's values there is nothing to compare with: the
    // full write is the way then.
    if (!record.Known()) {
        const QString line = Text(record.state() == ModuleRecord::State::Incomplete ? "txtChangesIncomplete"
                                                                                    : "txtChangesUnknown");
        if (report) report(line);
        return line;
    }
    return RunBusy("WriteStart", "WriteEnd", [&] { return WriteRows(report, true); });
}

// A full write sends every setting; a write of changes the same sets for the
// settings that differ from the module, in the same order. Either stops at a
// cancel (after the exchange in flight) or at the first set not confirmed.
QString ConfigurationTransfer::WriteRows(const Report& report, bool changesOnly) {
    const Warnings warnings = WarnBeforeWrite(report);
    RepairHolders();
    if (progress) progress->setValue(0);
    std::vector<int> rows;
    if (changesOnly) rows = ChangedRows();
    else
        for (int i = 0; i < parameters.Count(); ++i) rows.push_back(i);
    const int count = static_cast<int>(rows.size());
    QString line = !changesOnly ? Text("txtWriteDone").arg(count)
                   : count == 0 ? Text("txtNoChanges")
                   : count == 1 ? Text("txtWroteChangeOne")
                                : Text("txtWroteChanges").arg(count);
    const char* stopped = changesOnly ? "txtWriteChangesStopped" : "txtWriteStopped";
    const char* cancelledAfter = changesOnly ? "txtWriteChangesCancelled" : "txtWriteCancelled";
    complete = true;
    for (int n = 0; n < count; ++n) {
        const ControlDesc& row = parameters.At(rows[static_cast<std::size_t>(n)]);
        // After the exchange in flight: the settings before it are written.
        if (cancelRequested && n > 0) {
            const ControlDesc& last = parameters.At(rows[static_cast<std::size_t>(n - 1)]);
            line = Text(cancelledAfter).arg(QString::number(n), QString::number(count), last.key);
            cancelled = true;
            complete = false;
            break;
        }
        const int result = SendSetting(row);
        if (result != 1) {
            line = Text(stopped).arg(QString::number(n + 1), QString::number(count), row.key, WhyUnconfirmed(result));
            complete = false;
            break;
        }
        if (progress) progress->setValue((n + 1) * parameters.Count() / count);
    }
    if (progress && count == 0) progress->setValue(parameters.Count());
    line += warnings.Suffix();
    if (report) report(line);
    return line;
}

}  // namespace varnex
