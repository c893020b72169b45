// The program at its edges: a module already there when the window is built,
// language files that cannot be read, a language choice that cannot be kept.
// The dialogs run modally here, as they do for a person, so that whatever the
// window lets through its event loop meanwhile is part of the test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "support/ModalPerson.h"
#include "support/Pump.h"
#include "ui/ErrorDisplay.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "ui/UsbConnectForm.h"

namespace varnex {
namespace {

using testing::PumpUntil;

// Errors shown while the object lives, instead of message boxes.
class ShownErrors {
public:
    ShownErrors() : previous(SetErrorDisplay([this](QWidget*, const QString& m) { messages << m; })) {}
    ~ShownErrors() { SetErrorDisplay(std::move(previous)); }
    QStringList messages;

private:
    ErrorDisplay previous;
};

class CurrentDir {
public:
    CurrentDir() : previous(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~CurrentDir() { QDir::setCurrent(previous); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // A link to itself: listed while it was a file, unreadable from now on.
    void Break(const QString& name) {
        QFile::remove(dir.filePath(name));
        ASSERT_EQ(::symlink(name.toLocal8Bit().constData(), dir.filePath(name).toLocal8Bit().constData()), 0);
    }

private:
    QTemporaryDir dir;
    QString previous;
};

QString StoredLanguage() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrik/Talmeno"),
                       QStringLiteral("Varnex"));
    return settings.value(QStringLiteral("LanguageId")).toString();
}

void StoreLanguage(const QString& code) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrik/Talmeno"),
                       QStringLiteral("Varnex"));
    settings.setValue(QStringLiteral("LanguageId"), code);
}

// However soon the reader finds a module that is there from the start, the
// window's show sequence comes first and the module's login follows straight
// from it: one password window, never "Connect the device!" on top of it.
TEST(StartUp, AModuleThereFromTheStartLeadsStraightToThePasswordWindow) {
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        sim::ModuleSimulator module;
        sim::SimulatedHidBackend backend{module, true};  // plugged in before the window exists
        MainController controller(backend);
        testing::ModalPerson person;
        // Start-up takes its time; the reader finds the module meanwhile, or not yet.
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 6 * 8));
        controller.window.show();
        ASSERT_TRUE(PumpUntil([&] { return controller.loggedIn && !QApplication::activeModalWidget(); }, 8000))
            << person.Order();
        EXPECT_TRUE(person.StraightToTheLogin()) << person.Order();
        EXPECT_EQ(module.Level(), 2);
        EXPECT_FALSE(controller.usbConnectWindow->isVisible());
        EXPECT_TRUE(controller.window.btnRead->isEnabled());
    }
}

class LanguageFiles : public ::testing::Test {
protected:
    LanguageFiles() {
        StoreLanguage(QStringLiteral("hu"));
        dir.Write("hu.ini", "[Language]\nLanguage=Magyar\nbtnRead=Beolvas\nlbReconnectMessage=Csatlakoztassa!\n");
        dir.Write("de.ini", "[Language]\nLanguage=Deutsch\nbtnRead=Lesen\nlbReconnectMessage=Verbinden!\n");
    }
    ~LanguageFiles() override { StoreLanguage(QString()); }

    // The window speaks one language, which both selectors show.
    void ExpectHungarian(MainController& c) {
        EXPECT_EQ(c.languageManager.code().toStdString(), "hu");
        EXPECT_EQ(c.window.btnRead->text().toStdString(), "Beolvas");
        EXPECT_EQ(c.window.cbLanguage->currentText().toStdString(), "Magyar");
        if (c.usbConnectWindow) {
            EXPECT_EQ(c.usbConnectWindow->cbLanguage->currentText().toStdString(), "Magyar");
        }
        EXPECT_EQ(StoredLanguage().toStdString(), "hu");
    }

    CurrentDir dir;
    ShownErrors errors;
    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend{module, false};
};

TEST_F(LanguageFiles, OneThatBecameUnreadableIsRefusedFromEitherSelector) {
    MainController c(backend);
    c.execPasswordWindow = [](QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); };
    ExpectHungarian(c);
    dir.Break("de.ini");

    // The main window's selector.
    const int deutsch = c.window.cbLanguage->findText("Deutsch");
    ASSERT_GE(deutsch, 0);
    c.window.cbLanguage->setCurrentIndex(deutsch);
    emit c.window.cbLanguage->activated(deutsch);
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages.front().contains("de.ini")) << errors.messages.front().toStdString();
    ExpectHungarian(c);

    // The connect window's, in its own modal loop; then OK, as the user does.
    c.execUsbConnectWindow = [&](QDialog& d) {
        auto& connect = static_cast<TUSBConnectForm&>(d);
        QTimer::singleShot(0, &connect, [&] {
            connect.cbLanguage->setCurrentIndex(deutsch);
            emit connect.cbLanguage->activated(deutsch);
            EXPECT_EQ(connect.lbReconnectMessage->text().toStdString(), "Csatlakoztassa!");
            connect.Button1->click();
        });
        d.exec();
    };
    c.FormShow();
    EXPECT_EQ(errors.messages.size(), 2);
    ExpectHungarian(c);

    // The program goes on: a module plugged in now logs in.
    backend.Plug();
    ASSERT_TRUE(PumpUntil([&] { return c.loggedIn && module.Level() == 2; }));
}

TEST_F(LanguageFiles, OneThatBecameUnreadableDuringTheLoginIsShownAndTheLoginGoesOn) {
    MainController c(backend);
    dir.Break("hu.ini");
    bool shown = false;
    c.execPasswordWindow = [&](QDialog& d) {
        QTimer::singleShot(0, &d, [&] {
            shown = d.isVisible();
            static_cast<TPwdForm&>(d).btPasswAction->click();
        });
        d.exec();
    };
    backend.Plug();
    ASSERT_TRUE(PumpUntil([&] { return c.loggedIn && module.Level() == 2; }));
    EXPECT_TRUE(shown);
    ASSERT_FALSE(errors.messages.isEmpty());
    EXPECT_TRUE(errors.messages.front().contains("hu.ini")) << errors.messages.front().toStdString();
}

// A language choice that cannot be kept (a configuration folder that cannot
// be written) does not keep the program from starting; the reason is shown
// once, when the window is there.
TEST(StartUp, ALanguageChoiceThatCannotBeKeptIsShownOnceAndTheProgramGoesOn) {
    CurrentDir dir;  // no language files: the built-in languages
    QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrik/Talmeno"),
                    QStringLiteral("Varnex"));
    const QString root = probe.fileName().chopped(QStringLiteral("/Ostrik/Talmeno/Varnex.ini").size());
    struct PathBack {
        QString root;
        ~PathBack() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root); }
    } back{root};
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/proc/varnex-nowhere"));

    ShownErrors errors;
    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend{module, false};
    MainController c(backend);
    EXPECT_TRUE(errors.messages.isEmpty()) << "nothing is shown before the window";
    EXPECT_EQ(c.window.btnRead->text().toStdString(), "Read");
    EXPECT_EQ(c.window.cbLanguage->currentText().toStdString(), "English");
    c.execUsbConnectWindow = [](QDialog&) {};
    c.FormShow();
    ASSERT_EQ(errors.messages.size(), 1) << errors.messages.join('|').toStdString();
    EXPECT_TRUE(errors.messages.front().contains("language choice")) << errors.messages.front().toStdString();
}

}  // namespace
}  // namespace varnex
