// The application shell end to end over the simulated module: start-up,
// the automatic login with the password window, link changes, closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "params/ControlCodec.h"
#include "params/ControlDesc.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "support/Pump.h"
#include "ui/Batch.h"
#include "ui/ChangeMarks.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "ui/UsbConnectForm.h"
#include "support/StoredLanguage.h"
#include "lang/Texts.h"

namespace varnex {
namespace {

using testing::PumpFor;
using testing::PumpUntil;

std::vector<std::string> PasswordCommands(const sim::ModuleSimulator& module) {
    std::vector<std::string> found;
    for (const auto& c : module.Commands())
        if (c.rfind("set REM:UPW", 0) == 0) found.push_back(c);
    return found;
}

// Changes the module's password the way any tool would, before it is plugged in.
void SetModulePassword(sim::ModuleSimulator& module, const std::string& to) {
    // Silent, so no prompt of this exchange can reach the tool later.
    const std::string command = "set REM:UPW C," + module.Password() + "," + to + "\n";
    module.SetSilent(true);
    module.ReceiveCommandBytes(reinterpret_cast<const std::uint8_t*>(command.data()), command.size());
    module.SetSilent(false);
    module.SetLevel(0);
}

class Shell : public ::testing::Test {
protected:
    Shell() {
        testing::ForgetStoredLanguage();
        controller = std::make_unique<MainController>(backend);
        controller->execPasswordWindow = [this](QDialog& d) {
            auto& form = static_cast<TPwdForm&>(d);
            fieldsAtShow.push_back(form.ppassword->text().toStdString());
            if (onPassword) onPassword(form);
            else form.btPasswAction->click();
        };
        controller->execUsbConnectWindow = [this](QDialog& d) {
            if (onUsbConnect) onUsbConnect(static_cast<TUSBConnectForm&>(d));
        };
    }
    ~Shell() override { controller.reset(); }
    TFormMain& W() { return controller->window; }
    bool ButtonsEnabled() { return W().btnRead->isEnabled() && W().btnWrite->isEnabled(); }
    bool ButtonsDisabled() { return !W().btnRead->isEnabled() && !W().btnWrite->isEnabled(); }
    void PlugAndWaitForLogin(std::size_t shows) {
        backend.Plug();
        ASSERT_TRUE(PumpUntil([&] { return fieldsAtShow.size() >= shows && controller->loggedIn; }));
    }

    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend{module, false};
    std::unique_ptr<MainController> controller;
    std::vector<std::string> fieldsAtShow;
    std::function<void(TPwdForm&)> onPassword;
    std::function<void(TUSBConnectForm&)> onUsbConnect;
};

TEST_F(Shell, StartsWithoutTheModuleQuietlyAndLogsInWhenItComes) {
    controller->FormShow();
    PumpFor(150);
    EXPECT_TRUE(fieldsAtShow.empty());
    EXPECT_TRUE(ButtonsDisabled());
    EXPECT_TRUE(W().PageControl1->isEnabled());
    W().SetActivePage(TFormMain::kStatusPage);

    PlugAndWaitForLogin(1);
    EXPECT_EQ(fieldsAtShow, std::vector<std::string>{"7402"});
    EXPECT_EQ(PasswordCommands(module), std::vector<std::string>{"set REM:UPW P,7402\n"});
    EXPECT_EQ(module.Level(), 2);
    EXPECT_TRUE(ButtonsEnabled());
    EXPECT_EQ(W().PageControl1->currentIndex(), TFormMain::kSettingsPage);
}

TEST_F(Shell, FiveRefusedLoginsAndThenNoMoreUntilTheLinkDrops) {
    SetModulePassword(module, "1111");
    PlugAndWaitForLogin(5);
    PumpFor(100);
    EXPECT_EQ(fieldsAtShow.size(), 5u);
    EXPECT_EQ(PasswordCommands(module).size(), 1u + 5u);  // the change made beforehand, then five logins
    EXPECT_EQ(module.Level(), 0);
    EXPECT_TRUE(ButtonsEnabled());  // the link is up; later commands fail on their own
    controller->UpdateLinkState("ReadStart");
    controller->UpdateLinkState("EditValidation");
    EXPECT_EQ(fieldsAtShow.size(), 5u);
}

TEST_F(Shell, UnplugDisablesTheButtonsAndReplugStartsAgainFromTheDefault) {
    SetModulePassword(module, "1111");
    onPassword = [](TPwdForm& f) {
        f.ppassword->setText("1111");
        f.btPasswAction->click();
    };
    PlugAndWaitForLogin(1);
    ASSERT_EQ(module.Level(), 2);
    backend.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return ButtonsDisabled(); }));
    EXPECT_TRUE(W().PageControl1->isEnabled());
    EXPECT_FALSE(controller->loggedIn);

    onPassword = nullptr;
    SetModulePassword(module, "7402");
    PlugAndWaitForLogin(2);
    EXPECT_EQ(fieldsAtShow, (std::vector<std::string>{"7402", "7402"}));
    EXPECT_EQ(PasswordCommands(module).back(), "set REM:UPW P,7402\n");
    EXPECT_EQ(controller->password.toStdString(), "7402");
}

TEST_F(Shell, APasswordChangeSendsTheChangeAndThenLogsInWithTheNewPassword) {
    bool okBeforeMatch = true, okAfterMatch = false;
    onPassword = [&](TPwdForm& f) {
        f.rbcpw->click();
        f.cpasswordo->setText("7402");
        f.cpasswordn->setText("5555");
        f.cpasswordnp->setText("55");
        okBeforeMatch = f.btPasswAction->isEnabled();
        f.cpasswordnp->setText("5555");
        okAfterMatch = f.btPasswAction->isEnabled();
        f.btPasswAction->click();
    };
    PlugAndWaitForLogin(1);
    EXPECT_FALSE(okBeforeMatch);
    EXPECT_TRUE(okAfterMatch);
    EXPECT_EQ(PasswordCommands(module),
              (std::vector<std::string>{"set REM:UPW C,7402,5555\n", "set REM:UPW P,5555\n"}));
    EXPECT_EQ(module.Password(), "5555");
    EXPECT_EQ(module.Level(), 2);
}

TEST_F(Shell, ThePasswordWindowsOptionsFollowTheirRules) {
    onPassword = [](TPwdForm& f) {
        EXPECT_TRUE(f.rbepw->isChecked());
        EXPECT_FALSE(f.gbnewpw->isEnabled());
        f.rbcpw->click();
        EXPECT_TRUE(f.cpasswordn->isEnabled());
        EXPECT_FALSE(f.btPasswAction->isEnabled());
        f.rbepw->click();  // back to login: the change fields stay as they were
        EXPECT_TRUE(f.cpasswordn->isEnabled());
        EXPECT_FALSE(f.btPasswAction->isEnabled());
        f.cpasswordn->setText("1");
        f.cpasswordnp->setText("1");
        EXPECT_TRUE(f.btPasswAction->isEnabled());
        f.cpasswordnp->setText("12");  // OK is never taken back
        EXPECT_TRUE(f.btPasswAction->isEnabled());
        f.rbcpw->click();  // chosen afresh: OK waits for the confirmation again
        EXPECT_FALSE(f.btPasswAction->isEnabled());
        f.cpasswordnp->setText("1");
        EXPECT_TRUE(f.btPasswAction->isEnabled());
        f.rbcpw->click();  // a second click on the chosen option takes nothing back
        EXPECT_TRUE(f.btPasswAction->isEnabled());
        f.close();  // the close box: the stored password is still sent
    };
    PlugAndWaitForLogin(1);
    EXPECT_EQ(PasswordCommands(module), std::vector<std::string>{"set REM:UPW P,7402\n"});
}

TEST_F(Shell, ZeroIsRefusedAsANewPassword) {
    bool closedOnZero = true;
    std::string why;
    onPassword = [&](TPwdForm& f) {
        f.show();
        f.rbcpw->click();
        f.cpasswordo->setText("7402");
        f.cpasswordn->setText("0");
        f.cpasswordnp->setText("0");
        f.btPasswAction->click();
        closedOnZero = !f.isVisible();
        why = f.lbpwcRefused->isVisible() ? f.lbpwcRefused->text().toStdString() : "";
        EXPECT_TRUE(PasswordCommands(module).empty()) << "nothing goes to the module for it";
        f.cpasswordn->setText("4321");
        f.cpasswordnp->setText("4321");
        f.btPasswAction->click();
    };
    PlugAndWaitForLogin(1);
    EXPECT_FALSE(closedOnZero);
    EXPECT_EQ(why, "\"0\" cannot be a password: choose another one.");
    EXPECT_EQ(PasswordCommands(module),
              (std::vector<std::string>{"set REM:UPW C,7402,4321\n", "set REM:UPW P,4321\n"}));
    EXPECT_EQ(module.Level(), 2);
}

// The cable pulled while the password window waits, OK pressed, and the
// module plugged in again (after the login gave up, or while the window still
// waited): the module that came back is logged in, and a read works.
TEST_F(Shell, AModulePluggedInAgainDuringItsLoginIsLoggedInAgain) {
    for (const bool backBeforeOk : {false, true}) {
        SCOPED_TRACE(backBeforeOk ? "plugged in again before OK" : "plugged in again after the login");
        sim::ModuleSimulator m;
        sim::SimulatedHidBackend b{m, false};
        MainController c(b);
        int shows = 0;
        c.execUsbConnectWindow = [](QDialog&) {};
        c.execPasswordWindow = [&](QDialog& d) {
            // A modal window keeps the events coming: the unplug is handled inside it.
            if (++shows == 1) {
                b.Unplug();
                ASSERT_TRUE(PumpUntil([&] { return !c.window.btnRead->isEnabled(); }));
                if (backBeforeOk) {
                    b.Plug();
                    ASSERT_TRUE(PumpUntil([&] { return c.window.btnRead->isEnabled(); }));
                }
            }
            static_cast<TPwdForm&>(d).btPasswAction->click();
        };
        QElapsedTimer timer;
        timer.start();
        b.Plug();
        ASSERT_TRUE(PumpUntil([&] { return shows >= 1 && !c.loginSeries; }));
        EXPECT_LT(timer.elapsed(), 2000) << "a login sent to no module sat out its time-outs";
        if (!backBeforeOk) {
            EXPECT_FALSE(c.loggedIn);
            b.Plug();
        }
        ASSERT_TRUE(PumpUntil([&] { return c.loggedIn && m.Level() == 2; })) << "shows " << shows;
        EXPECT_EQ(shows, backBeforeOk ? 1 : 2);
        c.window.btnRead->click();
        EXPECT_EQ(c.Outcome().toStdString(), "Read 205 of 205 settings.");
    }
}

TEST_F(Shell, TheConnectWindowClosesWhenALoginBeginsAndSwitchesTheLanguage) {
    bool visibleDuringLogin = true;
    onPassword = [&](TPwdForm& f) {
        visibleDuringLogin = controller->usbConnectWindow->isVisible();
        f.btPasswAction->click();
    };
    onUsbConnect = [&](TUSBConnectForm& d) {
        d.show();
        const int magyar = d.cbLanguage->findText("Magyar");
        ASSERT_GE(magyar, 0);
        d.cbLanguage->setCurrentIndex(magyar);
        emit d.cbLanguage->activated(magyar);
        EXPECT_NE(d.lbReconnectMessage->text().toStdString(), "Connect the device!");
        EXPECT_EQ(d.windowTitle().toStdString(), "Talmeno");
        EXPECT_EQ(d.Button1->text().toStdString(), "OK");
        EXPECT_NE(W().btnRead->text().toStdString(), "Read");  // the main window switched too
        backend.Plug();
        ASSERT_TRUE(PumpUntil([&] { return controller->loggedIn; }));
    };
    controller->FormShow();
    EXPECT_FALSE(visibleDuringLogin);
    EXPECT_EQ(W().cbLanguage->currentText().toStdString(), "Magyar");
    EXPECT_EQ(controller->languageManager.code().toStdString(), "hu");
}

TEST_F(Shell, ClosingWithTheModuleAttachedRunsNothingAfterwards) {
    PlugAndWaitForLogin(1);
    controller->FormClose();
    EXPECT_EQ(controller->usbConnection, nullptr);
    backend.Unplug();
    PumpFor(100);
    EXPECT_TRUE(ButtonsEnabled());  // no "Detached" reached the window
    controller->FormClose();        // a second close is harmless
}

// A cable pulled in the middle of a read or write ends it at the exchange it
// cut, instead of leaving every remaining setting to sit out its time-outs.
// An exchange takes six output reports, and a command reaches the module with
// the sixth; a cut on that report leaves the command unanswered.
struct CutTransfer {
    const char* name;
    bool write;
    int reportsBeforeUnplug;
    std::size_t commandsReceived;
    int answered;
};
void PrintTo(const CutTransfer& c, std::ostream* os) { *os << c.name; }

class CutTransfers : public Shell, public ::testing::WithParamInterface<CutTransfer> {};

TEST_P(CutTransfers, StopAtTheCutAndLeaveTheRestAlone) {
    const CutTransfer& c = GetParam();
    PlugAndWaitForLogin(1);
    const std::size_t before = module.Commands().size();
    const ControlDescList& rows = W().parameterList;
    std::vector<QString> controls;
    for (int i = 0; i < rows.Count(); ++i) controls.push_back(GetControlValue(rows.At(i).control));
    const std::string lastKey = rows.At(rows.Count() - 1).key.toStdString();
    module.SetParameterValue(lastKey, "+36301112222");  // a read that ran on would bring it in

    module.SetUnplugAfterReports(c.reportsBeforeUnplug);
    QElapsedTimer timer;
    timer.start();
    (c.write ? W().btnWrite : W().btnRead)->click();
    const qint64 took = timer.elapsed();

    const int answered = c.answered;
    EXPECT_EQ(module.Commands().size() - before, c.commandsReceived);
    const QString expected =
        c.write ? QStringLiteral("Write stopped at setting %1 of %2 (%3): the link was lost.")
                      .arg(answered + 1)
                      .arg(rows.Count())
                      .arg(rows.At(answered).key)
                : QStringLiteral("Read stopped after %1 settings: the link was lost.").arg(answered);
    EXPECT_EQ(controller->Outcome(), expected);
    EXPECT_LT(took, 3000) << "the transfer sat out time-outs after the cut";
    EXPECT_FALSE(controller->transfer.complete);
    EXPECT_FALSE(controller->transfer.busy);
    ASSERT_TRUE(PumpUntil([&] { return ButtonsDisabled(); }));
    EXPECT_TRUE(W().PageControl1->isEnabled());
    EXPECT_EQ(GetControlValue(rows.At(rows.Count() - 1).control), controls.back());
    EXPECT_EQ(module.Parameter(lastKey), "+36301112222");

    // The next plug-in logs in afresh and everything works again.
    PlugAndWaitForLogin(2);
    (c.write ? W().btnWrite : W().btnRead)->click();
    EXPECT_TRUE(controller->transfer.complete) << controller->Outcome().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Shell, CutTransfers,
    ::testing::Values(CutTransfer{"ReadCutAtTheFirstCommand", false, 6, 1, 0},
                      CutTransfer{"ReadCutLate", false, 6 * 180, 180, 179},
                      CutTransfer{"ReadCutBetweenCommands", false, 6 * 50 + 3, 50, 50},
                      CutTransfer{"WriteCutAtACommand", true, 6 * 60, 60, 59},
                      CutTransfer{"WriteCutBetweenCommands", true, 6 * 20 + 1, 20, 20}),
    [](const ::testing::TestParamInfo<CutTransfer>& info) { return std::string(info.param.name); });

TEST_F(Shell, OperationsStateTheirOutcomeInTheStatusBar) {
    PlugAndWaitForLogin(1);
    W().btnRead->click();
    EXPECT_EQ(controller->Outcome().toStdString(), "Read 205 of 205 settings.");
    EXPECT_TRUE(ButtonsEnabled());
    EXPECT_TRUE(W().PageControl1->isEnabled());
    W().btnWrite->click();
    EXPECT_EQ(controller->Outcome().toStdString(), "Wrote 205 of 205 settings.");
}

// The window's own sentences come in its language; a batch run at the same
// time keeps English, for the scripts that read it.
TEST_F(Shell, TheWindowsSentencesSpeakItsLanguage) {
    controller->languageManager.SelectLanguage("hu");
    PlugAndWaitForLogin(1);
    W().btnRead->click();
    EXPECT_EQ(controller->Outcome().toStdString(), "205 be\u00E1ll\u00EDt\u00E1sb\u00F3l 205 beolvasva.");
    const std::string key = W().parameterList.At(10).key.toStdString();
    module.SetDropToLevelZeroAfter(10);
    W().btnWrite->click();
    EXPECT_EQ(controller->Outcome().toStdString(),
              "Az \u00EDr\u00E1s le\u00E1llt a(z) 205 be\u00E1ll\u00EDt\u00E1sb\u00F3l a(z) 11. "
              "be\u00E1ll\u00EDt\u00E1sn\u00E1l (" + key + "): a modul kijelentkezett.");

    sim::ModuleSimulator other;
    sim::SimulatedHidBackend otherCable{other, true};
    MainController batch(otherCable, MainController::Run::Unattended);
    BatchOptions options;
    QString error;
    ASSERT_TRUE(ParseBatchArguments({"read"}, &options, &error));
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch(batch, options, out, err), kBatchOk) << err.str();
    EXPECT_NE(err.str().find("varnex: read: Read 205 of 205 settings."), std::string::npos) << err.str();
    // And the window speaks Hungarian again after it.
    EXPECT_EQ(Text("txtReadDone").toStdString(), "%2 be\u00E1ll\u00EDt\u00E1sb\u00F3l %1 beolvasva.");
}

// What the module holds is forgotten when the cable goes: the module plugged
// in next may be another one.
TEST_F(Shell, TheModulesValuesAreForgottenWhenTheCableGoes) {
    PlugAndWaitForLogin(1);
    W().btnRead->click();
    EXPECT_TRUE(controller->transfer.record.Known());
    EXPECT_TRUE(W().btnWriteChanges->isEnabled());
    backend.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return ButtonsDisabled(); }));
    EXPECT_FALSE(W().btnWriteChanges->isEnabled());
    EXPECT_EQ(controller->transfer.record.state(), ModuleRecord::State::Unknown);
    PlugAndWaitForLogin(2);
    W().btnWriteChanges->click();
    EXPECT_EQ(controller->Outcome().toStdString(),
              "The module's values are not known: read it first, or write every setting with Write.");
}

// Every setting that differs from what the module holds is marked and
// counted, live, and a write of the changes clears the marks.
TEST_F(Shell, SettingsThatDifferFromTheModuleAreMarkedAndCounted) {
    const auto summary = [&] { return W().Control<QLabel>("lbChanges")->text().toStdString(); };
    EXPECT_EQ(summary(), "The module's values are not known.");
    PlugAndWaitForLogin(1);
    W().btnRead->click();
    EXPECT_EQ(summary(), "No setting differs from the module.");
    auto* phone = W().Control<QLineEdit>("EditPhoneNumber1");
    auto* forward = W().Control<QCheckBox>("cbSMSfw");
    const QString was = phone->text();
    phone->setText("+3620111");
    EXPECT_TRUE(controller->changeMarks->IsMarked(phone));
    EXPECT_TRUE(phone->font().bold());
    EXPECT_NE(W().Control<QWidget>("EditPhoneNumber1_changed"), nullptr) << "the bar beside it";
    EXPECT_EQ(phone->toolTip().toStdString(), "The module holds: " + (was.isEmpty() ? std::string("\"\"") : was.toStdString()));
    EXPECT_EQ(summary(), "1 setting differs from the module.");
    forward->toggle();
    EXPECT_EQ(summary(), "2 settings differ from the module.");
    phone->setText(was);  // back to the module's value: no longer a change
    EXPECT_FALSE(controller->changeMarks->IsMarked(phone));
    EXPECT_FALSE(phone->font().bold());
    EXPECT_EQ(summary(), "1 setting differs from the module.");
    W().btnWriteChanges->click();
    EXPECT_EQ(controller->Outcome().toStdString(), "Wrote 1 changed setting.");
    EXPECT_EQ(summary(), "No setting differs from the module.");
    EXPECT_FALSE(controller->changeMarks->IsMarked(forward));
    forward->toggle();
    backend.Unplug();
    ASSERT_TRUE(PumpUntil([&] { return ButtonsDisabled(); }));
    EXPECT_EQ(summary(), "The module's values are not known.");
    EXPECT_EQ(controller->changeMarks->Count(), 0);
}

// Revert and restore default set the control as any change does, so the
// setting rules follow: here the label a temperature bar drives.
TEST_F(Shell, RevertAndRestoreDefaultGoThroughTheRules) {
    module.SetParameterValue("TEMP:RANG.HIGH", "50");
    PlugAndWaitForLogin(1);
    W().btnRead->click();
    auto* maximum = W().Control<QSlider>("tbMaxTemp");
    auto* label = W().Control<QLabel>("lbMaxCelsius");
    ASSERT_TRUE(maximum && label);
    ASSERT_EQ(maximum->value(), 50);
    const QString at50 = label->text();
    EXPECT_FALSE(W().btnRevertAll->isEnabled());
    maximum->setValue(20);
    EXPECT_NE(label->text(), at50);
    EXPECT_TRUE(controller->changeMarks->IsMarked(maximum));
    controller->changeMarks->Revert(maximum);
    EXPECT_EQ(maximum->value(), 50);
    EXPECT_EQ(label->text(), at50);
    EXPECT_FALSE(controller->changeMarks->IsMarked(maximum));
    controller->changeMarks->RestoreDefault(maximum);
    EXPECT_EQ(maximum->value(), 40);
    EXPECT_NE(label->text(), at50);
    EXPECT_TRUE(controller->changeMarks->IsMarked(maximum)) << "the module still holds 50";

    W().Control<QLineEdit>("EditPhoneNumber3")->setText("+3630999");
    EXPECT_EQ(controller->changeMarks->Count(), 2);
    ASSERT_TRUE(W().btnRevertAll->isEnabled());
    W().btnRevertAll->click();
    EXPECT_EQ(controller->changeMarks->Count(), 0);
    EXPECT_EQ(maximum->value(), 50);
    EXPECT_EQ(label->text(), at50);
    EXPECT_FALSE(W().btnRevertAll->isEnabled());
}

// Cancel (the button, or Escape) stops a read or write after the exchange in
// flight: what was read is shown, what was not keeps its value, and the
// settings before the cut are written, the rest not.
TEST_F(Shell, ACancelStopsAReadOrAWriteAfterTheExchangeInFlight) {
    PlugAndWaitForLogin(1);
    W().show();
    W().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
    const ControlDescList& rows = W().parameterList;
    struct Case {
        const char* what;
        bool write;
        std::size_t at;  // commands the module has received when Cancel is pressed
        bool escape;
    };
    for (const Case& c : {Case{"read, button", false, 57, false}, Case{"read, Escape", false, 3, true},
                          Case{"write, button", true, 40, false}, Case{"write, Escape", true, 150, true}}) {
        SCOPED_TRACE(c.what);
        const std::string lastKey = rows.At(rows.Count() - 1).key.toStdString();
        module.SetParameterValue(lastKey, "+36309999999");
        const std::size_t base = module.Commands().size();
        bool visible = false;
        std::size_t atPress = 0;
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (module.Commands().size() - base < c.at) return;
            press.stop();
            atPress = module.Commands().size() - base;
            visible = !W().btnCancel->isHidden();
            if (c.escape) QTest::keyClick(&W(), Qt::Key_Escape);
            else W().btnCancel->click();
        });
        press.start(0);
        (c.write ? W().btnWrite : W().btnRead)->click();
        EXPECT_TRUE(visible);
        EXPECT_TRUE(W().btnCancel->isHidden());
        EXPECT_FALSE(controller->transfer.complete);
        const std::size_t sent = module.Commands().size() - base;
        ASSERT_GE(atPress, c.at);
        EXPECT_LE(sent, atPress + 1) << "stopped after the exchange in flight";
        const QString line = controller->Outcome();
        if (c.write) {
            EXPECT_EQ(line, QStringLiteral("Write cancelled after setting %1 of 205 (%2).")
                                .arg(sent)
                                .arg(rows.At(static_cast<int>(sent) - 1).key));
        } else {
            // The settings read: every query sent, the one in flight included
            // when its answer was whole.
            const bool either = line == QStringLiteral("Read cancelled after %1 settings.").arg(sent) ||
                                line == QStringLiteral("Read cancelled after %1 settings.").arg(sent - 1);
            EXPECT_TRUE(either) << line.toStdString() << " with " << sent << " queries sent";
            EXPECT_NE(GetControlValue(rows.At(rows.Count() - 1).control).toStdString(), "+36309999999");
        }
        EXPECT_TRUE(ButtonsEnabled());
    }
}

}  // namespace
}  // namespace varnex
