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

QString ConfigurationTransfer::ReadFromDevice(const Report& report) {
    complete = false;
    return RunBusy("ReadStart", "ReadEnd", [&] { return Read(report); });
}

QString ConfigurationTransfer::Read(const Report& report) {
    readReplies.clear();
    if (progress) progress->setValue(0);
    const int total = parameters.Count();
    bool loggedOut = false;
    bool linkLost = false;
    for (int i = 0; i < total; ++i) {
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
            if (report)
                report(Text("txtReadStoppedAt")
                           .arg(QString::number(i + 1), QString::number(total), row->key,
                                QString::fromUtf8(e.what())));
            throw;  // the replies after it are not applied
        }
        received.insert(row);
    }
    const int applied = static_cast<int>(received.size());

    complete = !loggedOut && !linkLost && applied == total;
    QString line;
    // Settings that received a value, as the complete read counts them.
    if (loggedOut)
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
    return RunBusy("WriteStart", "WriteEnd", [&] { return Write(report); });
}

QString ConfigurationTransfer::Write(const Report& report) {
    const int invalid = InvalidFieldCount();
    if (invalid > 0 && report)
        report(invalid == 1 ? Text("txtWritingInvalidOne") : Text("txtWritingInvalidMany").arg(invalid));
    // The module keeps texts in Windows-1250; characters it has no byte for
    // go out as "?", and the write goes on as it does for invalid codes.
    const int unstorable = UnstorableTextCount(parameters);
    if (unstorable > 0 && report)
        report(unstorable == 1 ? Text("txtWritingUnstorableOne") : Text("txtWritingUnstorableMany").arg(unstorable));
    RepairHolders();
    if (progress) progress->setValue(0);
    const int total = parameters.Count();
    QString line = Text("txtWriteDone").arg(total);
    complete = true;
    for (int i = 0; i < total; ++i) {
        const ControlDesc& row = parameters.At(i);
        const int result =
            LinkDown() ? 0 : protocol.SetParameter(Wide(row.key), Wide(GetControlValue(row.control)));
        if (result != 1) {
            const QString why = result < 0   ? Text("txtWhyLoggedOut")
                                : LinkDown() ? Text("txtWhyLinkLost")
                                             : Text("txtWhyNotConfirmed");
            line = Text("txtWriteStopped").arg(QString::number(i + 1), QString::number(total), row.key, why);
            complete = false;
            break;
        }
        if (progress) progress->setValue(progress->value() + 1);
    }
    if (invalid > 0)
        line += QLatin1Char(' ') + (invalid == 1 ? Text("txtFieldMarkedInvalid") : Text("txtFieldsMarkedInvalid").arg(invalid));
    if (unstorable > 0)
        line += QLatin1Char(' ') +
                (unstorable == 1 ? Text("txtTextUnstorable") : Text("txtTextsUnstorable").arg(unstorable));
    if (report) report(line);
    return line;
}

}  // namespace varnex
