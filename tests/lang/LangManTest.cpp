#include "lang/LangMan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QVBoxLayout>
#include <map>
#include <memory>
#include <optional>
#include <unistd.h>

#include "LangTestSupport.h"
#include "lang/LanguageStore.h"
#include "ui/RadioGroup.h"

namespace varnex {
namespace {

using test::ScopedCurrentDir;

// A label by inheritance but not by class name: not to be translated.
class FancyLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

const char* const kOriginal = "orig";

// A small main window: a page control with three pages, controls of every
// kind the manager handles and some it must leave alone, and a selector.
class SmallWindow {
public:
    SmallWindow() : root(std::make_unique<QWidget>()) {
        root->setObjectName("FormMain");
        auto* pages = Add<QTabWidget>(root.get(), "PageControl1");
        for (const char* name : {"tsSettings", "tsStatus", "TabSheet1"}) {
            auto* page = new QWidget;
            page->setObjectName(name);
            pages->addTab(page, kOriginal);
        }
        QWidget* settings = Find("tsSettings");
        Add<QLabel>(settings, "lbCent1");
        Add<QLabel>(settings, "lbEvent1");
        Add<QPushButton>(settings, "btnRead");
        auto* relay = Add<QGroupBox>(settings, "gbRelay1");
        Add<QCheckBox>(relay, "cbRelay1Z1Alarm");
        Add<QRadioButton>(relay, "rbRelay1Timed");
        auto* combo = Add<QComboBox>(settings, "cmbACK1");
        combo->addItems({"a", "b"});
        combo->setCurrentIndex(1);
        auto* rg = Add<RadioGroup>(settings, "rgIN1");
        rg->setItems({"NO", "NC"});
        Add<QLineEdit>(settings, "lbT1")->setText(kOriginal);  // a key, but an edit
        Add<FancyLabel>(settings, "lbMess1");
        Add<QLabel>(Add<QLabel>(settings, "lbIN1"), "lbIN2");  // inside a label: not walked
        auto* unnamed = new QCheckBox(kOriginal, settings);     // no name, no key
        unnamed->setObjectName("");
        auto* layout = new QVBoxLayout(Find("tsStatus"));
        layout->addWidget(Add<QGroupBox>(nullptr, "gbTemperature"));
        layout->addWidget(Add<QLabel>(nullptr, "lbGsmSignal"));
        Add<QComboBox>(root.get(), "cbLanguage");
        auto* dialog = new QDialog(root.get());  // another window the main window owns
        Add<QLabel>(dialog, "lbLoginpw");
    }

    QWidget* Find(const char* name) const { return root->findChild<QWidget*>(QString::fromLatin1(name)); }

    // What the control shows: a caption, or its items joined by "|".
    QString Caption(const char* name) const {
        QWidget* w = Find(name);
        if (!w) return "<none>";
        if (auto* stack = w->parentWidget(); stack && qobject_cast<QTabWidget*>(stack->parentWidget())) {
            auto* tabs = static_cast<QTabWidget*>(stack->parentWidget());
            return tabs->tabText(tabs->indexOf(w));
        }
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
            return items.join('|');
        }
        if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
        if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
        return "<?>";
    }
    QComboBox* Combo(const char* name) const { return qobject_cast<QComboBox*>(Find(name)); }

    std::unique_ptr<QWidget> root;

private:
    template <typename T>
    T* Add(QWidget* parent, const char* name) {
        auto* w = new T(parent);
        w->setObjectName(name);
        if constexpr (std::is_base_of_v<QGroupBox, T>) w->setTitle(kOriginal);
        else if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_base_of_v<QLabel, T>) w->setText(kOriginal);
        return w;
    }
};

class LangManTest : public ::testing::Test {
protected:
    void SetUp() override { test::ClearStoredLanguage(); }
    ScopedCurrentDir dir;
    SmallWindow window;
};

TEST_F(LangManTest, RecordsEveryControlDepthFirstButNotInsideLabelsOrOtherWindows) {
    const LangMan manager(window.root.get());
    const ControlList& controls = manager.controls();
    const QStringList ours = {"PageControl1", "tsSettings", "lbCent1", "lbEvent1", "btnRead", "gbRelay1",
                              "cbRelay1Z1Alarm", "rbRelay1Timed", "cmbACK1", "rgIN1", "lbT1", "lbMess1",
                              "lbIN1", "tsStatus", "gbTemperature", "lbGsmSignal", "TabSheet1", "cbLanguage",
                              "lbIN2", "lbLoginpw", "FormMain"};
    QStringList recorded;
    for (const auto& control : controls)
        if (ours.contains(control->objectName())) recorded << control->objectName();
    // The settings page keeps its children in the order they were made; the
    // tab widget orders its own pages, so only their set is fixed.
    QStringList onSettings;
    for (const QString& name : recorded)
        if (name != "tsSettings" && window.Find("tsSettings")->isAncestorOf(window.Find(name.toLatin1())))
            onSettings << name;
    EXPECT_EQ(onSettings, QStringList({"lbCent1", "lbEvent1", "btnRead", "gbRelay1", "cbRelay1Z1Alarm",
                                       "rbRelay1Timed", "cmbACK1", "rgIN1", "lbT1", "lbMess1", "lbIN1"}));
    EXPECT_THAT(recorded, ::testing::UnorderedElementsAreArray(ours.mid(0, 18)));

    // Depth first, parents first: each control's recorded descendants follow it at once.
    for (qsizetype i = 0; i < controls.size(); ++i) {
        qsizetype end = i + 1;
        while (end < controls.size() && controls[i]->isAncestorOf(controls[end])) ++end;
        for (qsizetype j = end; j < controls.size(); ++j) EXPECT_FALSE(controls[i]->isAncestorOf(controls[j]));
        for (qsizetype j = 0; j < i; ++j) EXPECT_FALSE(controls[i]->isAncestorOf(controls[j]));
    }
    EXPECT_EQ(manager.code(), "");
    EXPECT_EQ(manager.table(), nullptr);
}

// One language at a time on a fresh window; "orig" marks what must not change.
TEST_F(LangManTest, AppliesEachLanguageByExactControlClass) {
    const std::map<QString, QString> unchanged = {
        {"TabSheet1", kOriginal}, {"rgIN1", kOriginal},  {"lbT1", kOriginal},
        {"lbMess1", kOriginal},   {"lbIN2", kOriginal},
    };
    const struct {
        const char* code;
        std::map<QString, QString> expected;
    } cases[] = {
        {"en",
         {{"tsSettings", "Settings"}, {"tsStatus", "Status"}, {"lbCent1", "Mon."}, {"lbEvent1", "01.  IN1 Alarm"},
          {"btnRead", "Read"}, {"gbRelay1", " Relay 1 "}, {"cbRelay1Z1Alarm", "IN1 Alarm"},
          {"rbRelay1Timed", "Timed (1-9999 sec):"}, {"lbIN1", "IN1"}, {"gbTemperature", "Temperature"},
          {"lbGsmSignal", "GSM signal (0-31):"},
          {"cmbACK1", "no ack., # = Stop|* = ack., # = Stop|ack. upon call reject"}}},
        {"hu",
         {{"tsSettings", "Beállítások"}, {"tsStatus", "Státusz"}, {"lbCent1", kOriginal},
          {"lbEvent1", "01.  IN1 Riasztás"}, {"btnRead", "Beolvasás"}, {"gbRelay1", " Relé 1 "},
          {"cmbACK1", "nincs nyugta, # = Stop|* = nyugta, # = Stop|híváselutasítás nyugtáz"}}},
        {"RO",
         {{"tsSettings", "Setari"}, {"tsStatus", "Monitorizare"}, {"lbCent1", kOriginal},
          {"lbEvent1", "01.  IN1 Alarma"}, {"btnRead", "Citire"}, {"gbRelay1", " Releul 1 "},
          {"cmbACK1", "fara confirmare, # = oprire|* = confirmare, # = oprire|confirmare prin respingere apel"}}},
        {"cz",
         {{"tsSettings", "Nastavení"}, {"tsStatus", "Stav"}, {"lbCent1", "ARC."}, {"lbEvent1", "01.  IN1 Poplach"},
          {"btnRead", "Přečíst"}, {"gbRelay1", " Relé 1 "},
          {"cmbACK1", "ne potv., # = Stop|* = potv., # = Stop|potv. po odmítnutí hovoru"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        SmallWindow fresh;
        LangMan manager(fresh.root.get());
        manager.ApplyLanguage(c.code);
        EXPECT_EQ(manager.code(), QString(c.code).toLower());
        for (const auto& [name, text] : c.expected) EXPECT_EQ(fresh.Caption(name.toLatin1()), text) << name.toStdString();
        for (const auto& [name, text] : unchanged) EXPECT_EQ(fresh.Caption(name.toLatin1()), text) << name.toStdString();
        EXPECT_EQ(fresh.Combo("cmbACK1")->currentIndex(), 1);
        EXPECT_EQ(fresh.Combo("cbLanguage")->count(), 0);
    }
}

TEST_F(LangManTest, AControlWithoutTextKeepsThePreviousLanguage) {
    LangMan manager(window.root.get());
    manager.ApplyLanguage("en");
    manager.ApplyLanguage("hu");
    EXPECT_EQ(window.Caption("lbCent1"), "Mon.");
    EXPECT_EQ(manager.Translate("lbCent1"), "");
    manager.ApplyLanguage("cz");
    manager.ApplyLanguage("ro");
    EXPECT_EQ(window.Caption("lbCent1"), "ARC.");
    EXPECT_EQ(window.Caption("btnRead"), "Citire");
}

TEST(ComboItems, SplitsAtEveryKindOfLineBreak) {
    const std::pair<const char*, QStringList> cases[] = {
        {"a\\rb\\rc", {"a", "b", "c"}}, {"a\rb", {"a", "b"}},     {"a\r\nb\n", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},     {"a\\r\\rb", {"a", "", "b"}}, {"a\\r", {"a"}},
        {"\\ra", {"", "a"}},            {"one", {"one"}},          {"a\\Rb", {"a\\Rb"}},
        {"\r", {""}},
    };
    for (const auto& [text, items] : cases) EXPECT_EQ(ComboItems(text), items) << text;
}

// The selection survives new wording; only a position that no longer exists
// is lost, and that is the one change listeners hear about.
TEST_F(LangManTest, ComboBoxesKeepTheirSelectionAcrossNewItems) {
    const struct {
        const char* name;
        int initialIndex;
        const char* fileText;  // nullptr: the English table's text
        QStringList items;
        int index;
        int emitted;
    } cases[] = {
        {"index 2, two new items", 2, "x\\ry", {"x", "y"}, -1, 1},
        {"index 1 kept", 1, nullptr, {"no ack., # = Stop", "* = ack., # = Stop", "ack. upon call reject"}, 1, 0},
        {"index 0 kept", 0, "x\\ry", {"x", "y"}, 0, 0},
        {"no selection kept", -1, "x\\ry\\rz", {"x", "y", "z"}, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmallWindow fresh;
        QComboBox* combo = fresh.Combo("cmbACK1");
        combo->clear();
        combo->addItems({"a", "b", "c"});
        combo->setCurrentIndex(c.initialIndex);
        dir.Write("xx.ini", c.fileText ? QByteArray("[Language]\ncmbACK1=") + c.fileText + "\n" : QByteArray());
        LangMan manager(fresh.root.get());
        QSignalSpy spy(combo, &QComboBox::currentIndexChanged);
        manager.ApplyLanguage("xx");
        EXPECT_EQ(fresh.Caption("cmbACK1"), c.items.join('|'));
        EXPECT_EQ(combo->currentIndex(), c.index);
        ASSERT_EQ(spy.count(), c.emitted);
        if (c.emitted) {
            EXPECT_EQ(spy.at(0).at(0).toInt(), c.index);
        }
    }
}

TEST_F(LangManTest, CodeZeroMeansFrenchButIsStoredAsSelected) {
    dir.Write("fr.ini", "[Language]\nLanguage=Français\nbtnRead=Lire\nTabSheet1=Modem\n");
    LangMan manager(window.root.get());
    manager.SelectLanguage("0");
    EXPECT_EQ(manager.code(), "fr");
    EXPECT_EQ(manager.table(), &EnglishTable());
    EXPECT_EQ(window.Caption("btnRead"), "Lire");
    EXPECT_EQ(window.Caption("TabSheet1"), "Modem");     // a file can name any control
    EXPECT_EQ(window.Caption("tsSettings"), "Settings");  // the rest from English
    EXPECT_EQ(ReadStoredLanguageId(), "0");
}

// Reading the file once per apply must give what a lookup per control gives.
TEST_F(LangManTest, ApplyingEqualsLookingUpEveryControl) {
    dir.Write("hu.ini",
              "\xEF\xBB\xBF; test\n[LANGUAGE]\nBTNREAD = Olvas\nlbEvent1=\ngbrelay1= Relé \n"
              "[Other]\ntsStatus=Nem\n[Language]\ncmbACK1=egy\\rkettő\nlbMess1=Nem címke\n");
    LangMan manager(window.root.get());
    manager.ApplyLanguage("hu");
    for (const char* name : {"btnRead", "lbEvent1", "gbRelay1", "tsStatus", "cmbACK1", "tsSettings", "lbIN1"}) {
        const QString text = LookupText("hu", &HungarianTable(), name);
        EXPECT_EQ(window.Caption(name), QString(ComboItems(text).join('|'))) << name;
    }
    EXPECT_EQ(window.Caption("btnRead"), "Olvas");
    EXPECT_EQ(window.Caption("gbRelay1"), "Relé");  // trimmed in the file
    EXPECT_EQ(window.Caption("lbMess1"), kOriginal);
}

TEST_F(LangManTest, AnUnreadableFileStopsTheChangeAndTheWindowGoesOn) {
    ASSERT_EQ(::symlink("de.ini", dir.FilePath("de.ini").toLocal8Bit().constData()), 0);  // a loop
    LangMan manager(window.root.get());
    manager.SelectLanguage("hu");
    EXPECT_THROW(manager.SelectLanguage("de"), LanguageError);
    EXPECT_EQ(window.Caption("btnRead"), "Beolvasás");
    EXPECT_EQ(ReadStoredLanguageId(), "hu");
    // Nothing of the failed language took: the window and its texts stay Hungarian.
    EXPECT_EQ(manager.code().toStdString(), "hu");
    EXPECT_EQ(manager.Translate("btnRead"), "Beolvasás");
    manager.SelectLanguage("en");
    EXPECT_EQ(window.Caption("btnRead"), "Read");
    EXPECT_EQ(ReadStoredLanguageId(), "en");
}

TEST_F(LangManTest, ControlsDestroyedSinceRecordingAreSkipped) {
    LangMan manager(window.root.get());
    delete window.Find("gbRelay1");
    manager.ApplyLanguage("en");
    EXPECT_EQ(window.Caption("btnRead"), "Read");
}

// The worst a file within the size limit can do: a caption of nearly a
// megabyte, and a combo box value that is nothing but item separators.
TEST_F(LangManTest, AHugeFileAppliesWithoutStalling) {
    const qsizetype half = qsizetype(kMaxLanguageFileBytes) / 2 - 64;
    QByteArray bytes = "[Language]\nlbEvent1=" + QByteArray(half, 'x') + "\ncmbACK1=";
    for (qsizetype i = 0; i < half / 2; ++i) bytes += "\\r";
    dir.Write("xx.ini", bytes + "\n");
    LangMan manager(window.root.get());
    window.root->show();
    QCoreApplication::processEvents();
    manager.ApplyLanguage("xx");  // about half a second, shown window included
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Caption("lbEvent1").size(), half);
    EXPECT_EQ(window.Combo("cmbACK1")->count(), half / 2);
}

struct RestoreCase {
    const char* name;
    std::optional<QString> stored;
    std::vector<std::pair<const char*, QByteArray>> files;
    QStringList selector;
    int position;
    const char* appliedCode;
    const char* storedAfter;
    const char* btnRead;
};

TEST_F(LangManTest, RestoreSelectsTheStoredLanguageOrEnglish) {
    const QStringList builtIn = {"English", "Magyar", "Română", "Čeština"};
    const QByteArray german = "[Language]\nLanguage=Deutsch\nbtnRead=Lesen\n";
    const RestoreCase cases[] = {
        {"nothing stored", std::nullopt, {}, builtIn, 0, "en", "en", "Read"},
        {"stored hu", "hu", {}, builtIn, 1, "hu", "hu", "Beolvasás"},
        {"stored cz", "cz", {}, builtIn, 3, "cz", "cz", "Přečíst"},
        {"stored HU matches nothing", "HU", {}, builtIn, 0, "en", "en", "Read"},
        {"stored empty", "", {}, builtIn, 0, "en", "en", "Read"},
        {"stored xx, files present", "xx", {{"de.ini", german}}, {"Deutsch"}, 0, "en", "en", "Read"},
        {"stored de", "de", {{"de.ini", german}}, {"Deutsch"}, 0, "de", "de", "Lesen"},
        {"stored en with its file", "en", {{"de.ini", german}, {"en.ini", "[Language]\nLanguage=English\nbtnRead=Fetch\n"}},
         {"Deutsch", "English"}, -1, "en", "en", "Fetch"},
    };
    for (const RestoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedCurrentDir here;
        for (const auto& [name, bytes] : c.files) here.Write(name, bytes);
        test::ClearStoredLanguage();
        if (c.stored) test::WriteStoredLanguage(*c.stored);
        SmallWindow fresh;
        LanguageDescList languages;
        BuildLanguageList(languages);
        LangMan manager(fresh.root.get());
        QComboBox* selector = fresh.Combo("cbLanguage");
        QSignalSpy spy(selector, &QComboBox::currentIndexChanged);
        manager.RestoreLanguage(languages, selector);

        QStringList items;
        for (int i = 0; i < selector->count(); ++i) items << selector->itemText(i);
        if (c.position >= 0) {
            EXPECT_EQ(items, c.selector);
            EXPECT_EQ(selector->currentIndex(), c.position);
        } else {  // listing order decides where English is
            EXPECT_THAT(items, ::testing::UnorderedElementsAreArray(c.selector));
            EXPECT_EQ(selector->currentText(), "English");
        }
        EXPECT_EQ(spy.count(), 0);  // filling the selector does not run its handler
        EXPECT_EQ(manager.code(), c.appliedCode);
        EXPECT_EQ(ReadStoredLanguageId(), c.storedAfter);
        EXPECT_EQ(fresh.Caption("btnRead"), c.btnRead);
    }
}

TEST_F(LangManTest, TheSelectorsChangeHandlerSelectsItsEntry) {
    LanguageDescList languages;
    BuildLanguageList(languages);
    LangMan manager(window.root.get());
    QComboBox* selector = window.Combo("cbLanguage");
    manager.RestoreLanguage(languages, selector);

    selector->setCurrentIndex(3);
    manager.cbLanguageChange(languages, selector);
    EXPECT_EQ(manager.code(), "cz");
    EXPECT_EQ(window.Caption("btnRead"), "Přečíst");
    EXPECT_EQ(QSettings(test::SettingsFile(), QSettings::IniFormat).value("LanguageId").toString(), "cz");

    // A copy of the selector, as another window holds, works the same way.
    QComboBox copy;
    for (const LanguageDesc& language : languages) copy.addItem(language.name);
    copy.setCurrentIndex(1);
    manager.cbLanguageChange(languages, &copy);
    EXPECT_EQ(manager.code(), "hu");

    selector->setCurrentIndex(-1);
    manager.cbLanguageChange(languages, selector);
    EXPECT_EQ(manager.code(), "hu");
}

TEST_F(LangManTest, AStoredChoiceThatIsNoTextIsAnError) {
    test::WriteStoredLanguage(QStringList{"hu", "ro"});
    LanguageDescList languages;
    BuildLanguageList(languages);
    LangMan manager(window.root.get());
    EXPECT_THROW(manager.RestoreLanguage(languages, window.Combo("cbLanguage")), LanguageError);
    EXPECT_EQ(manager.table(), nullptr);
}

}  // namespace
}  // namespace varnex

#include "LangManTest.moc"
