// Every language the program speaks, switched to while the window is on
// screen in English (as a user does from the connect window or the selector),
// at the initial and at the smallest size: no caption, list or button shows
// less than its text, on any page or in either dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <string>

#include "lang/LangMan.h"
#include "lang/Translations.h"
#include "support/Clipping.h"
#include "ui/FormMain.h"
#include "ui/PwdForm.h"
#include "ui/UsbConnectForm.h"

namespace varnex {
namespace {

using testing::Clipped;

// A language whose every text runs 40 % longer than English, with the
// letters that make Central European texts wider and taller.
QByteArray LongLanguageFile() {
    QByteArray file = "[Language]\nLanguage=Hosszabb\n";
    const QString filler = QStringLiteral(" \u0150\u0159\u0219\u00C1\u010D\u0171");
    for (const auto& entry : EnglishTable().entries) {
        if (entry.key == "Language" || entry.text.empty()) continue;
        QStringList items;
        for (const QString& item :
             QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size())).split(QChar(u'\r'))) {
            QString pad;
            while (pad.size() < item.size() * 2 / 5 + 1) pad += filler;
            items << (item.trimmed().isEmpty() ? item : item + pad.left(item.size() * 2 / 5 + 1));
        }
        file += QByteArray(entry.key.data(), static_cast<qsizetype>(entry.key.size())) + "=" +
                items.join(QStringLiteral("\\r")).toUtf8() + "\n";
    }
    return file;
}

struct LayoutCase {
    const char* code;
    QSize size;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.code << ' ' << c.size.width() << 'x' << c.size.height(); }

class LanguageLayout : public ::testing::TestWithParam<LayoutCase> {
protected:
    LanguageLayout() : previous(QDir::currentPath()) {
        QDir::setCurrent(dir.path());
        QFile file(dir.filePath("xx.ini"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(LongLanguageFile());
    }
    ~LanguageLayout() override { QDir::setCurrent(previous); }
    static void Settle() {
        for (int round = 0; round < 3; ++round) QApplication::processEvents();
    }

    QTemporaryDir dir;
    QString previous;
};

TEST_P(LanguageLayout, NothingIsCutAfterASwitch) {
    const LayoutCase& c = GetParam();
    TFormMain window;
    LangMan manager(&window);
    manager.ApplyLanguage("en");
    window.PageControl1->setTabVisible(TFormMain::kLogPage, true);
    window.show();
    window.resize(c.size);
    Settle();
    manager.ApplyLanguage(c.code);
    Settle();
    ASSERT_NE(window.Control<QComboBox>("cmbACK1")->itemText(0), "no ack., # = Stop") << "the language applied";
    for (int page = 0; page < window.PageControl1->count(); ++page) {
        window.PageControl1->setCurrentIndex(page);
        Settle();
        SCOPED_TRACE(window.PageControl1->widget(page)->objectName().toStdString());
        EXPECT_EQ(Clipped(window.PageControl1->widget(page)).join("; ").toStdString(), "");
    }
    EXPECT_EQ(Clipped(window.centralWidget()).join("; ").toStdString(), "") << "the bottom bar";
    const QSize minimum = window.centralWidget()->minimumSizeHint();
    EXPECT_LE(minimum.width(), TFormMain::kMinimumWidth);
    EXPECT_LE(minimum.height(), TFormMain::kMinimumHeight);

    const auto translate = [&manager](const QString& key) { return manager.Translate(key); };
    TUSBConnectForm connect(&window, {translate, nullptr});
    connect.cbLanguage->addItems({"English", "Magyar", "Rom\u00E2n\u0103", "\u010Ce\u0161tina", "Hosszabb"});
    connect.show();
    Settle();
    EXPECT_EQ(Clipped(&connect).join("; ").toStdString(), "") << "the connect window";
    TPwdForm password(&window, {nullptr, nullptr, nullptr, translate});
    password.show();
    Settle();
    EXPECT_EQ(Clipped(&password).join("; ").toStdString(), "") << "the password window";
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LanguageLayout,
    ::testing::Values(LayoutCase{"hu", {824, 638}}, LayoutCase{"hu", {800, 400}}, LayoutCase{"ro", {824, 638}},
                      LayoutCase{"ro", {800, 400}}, LayoutCase{"cz", {824, 638}}, LayoutCase{"cz", {800, 400}},
                      LayoutCase{"xx", {824, 638}}, LayoutCase{"xx", {800, 400}}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) {
        return std::string(info.param.code) + "_" + std::to_string(info.param.size.height());
    });

// A language file's text, and a value from the module, that look like markup
// are shown as they are: never rendered, and never a way to load an image.
TEST(PlainText, EveryLabelShowsItsTextAsItIs) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile file(dir.filePath("mk.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Language]\nLanguage=Markup\nlbTPhone1=<b>Phone</b> <img src=\"/usr/share/pixmaps/debian-logo.png\">\n");
    file.close();
    TFormMain window;
    LangMan manager(&window);
    manager.ApplyLanguage("mk");
    QDir::setCurrent(previous);
    auto* label = window.Control<QLabel>("lbTPhone1");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "<b>Phone</b> <img src=\"/usr/share/pixmaps/debian-logo.png\">");
    TPwdForm password(&window, {});
    TUSBConnectForm connect(&window, {});
    for (QWidget* root : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&password),
                          static_cast<QWidget*>(&connect)})
        for (QLabel* l : root->findChildren<QLabel*>()) {
            EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->objectName().toStdString();
        }
}

}  // namespace
}  // namespace varnex
