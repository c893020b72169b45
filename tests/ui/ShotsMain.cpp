// Test-only helper: renders the main window's pages to PNG files for review.
// Usage: ui_shots OUTDIR [STRETCH | TABLE.tsv]. STRETCH > 1 lengthens every
// caption by that factor; a table of name<TAB>text lines captions the controls
// by name ("\r" separating combo box items), as a language would.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>

#include "ui/FormMain.h"

namespace {
QString Stretched(const QString& text, double factor) {
    if (text.trimmed().isEmpty() || factor <= 1.0) return text;
    const int extra = static_cast<int>(text.size() * (factor - 1.0));
    QString tail = QStringLiteral(" \u00E1\u0159\u0219\u0151x");
    QString pad;
    while (pad.size() < extra) pad += tail;
    return text + pad.left(extra);
}

void StretchCaptions(QWidget* root, double factor) {
    for (QLabel* l : root->findChildren<QLabel*>())
        if (!l->objectName().isEmpty()) l->setText(Stretched(l->text(), factor));
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (!b->objectName().isEmpty()) b->setText(Stretched(b->text(), factor));
    for (QGroupBox* g : root->findChildren<QGroupBox*>())
        if (!g->objectName().isEmpty()) g->setTitle(Stretched(g->title(), factor));
}
void ApplyTable(varnex::TFormMain& window, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) qFatal("cannot read %s", qPrintable(path));
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const auto tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) continue;
        const QString name = line.left(tab);
        const QString text = line.mid(tab + 1);
        if (text.isEmpty()) continue;
        QWidget* w = window.findChild<QWidget*>(name);
        if (!w) continue;
        if (const int page = window.PageControl1->indexOf(w); page >= 0) window.PageControl1->setTabText(page, text);
        else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
        else if (auto* g = qobject_cast<QGroupBox*>(w); g && !w->inherits("varnex::RadioGroup")) g->setTitle(text);
        else if (auto* c = qobject_cast<QComboBox*>(w)) {
            const int index = c->currentIndex();
            c->clear();
            c->addItems(text.split(QStringLiteral("\\r")));
            c->setCurrentIndex(index);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString option = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const bool table = option.endsWith(QLatin1String(".tsv"));
    const double factor = !table && !option.isEmpty() ? option.toDouble() : 1.0;
    const QString tag = table ? "-" + QFileInfo(option).baseName() : factor > 1.0 ? QStringLiteral("-long") : QString();
    QDir().mkpath(dir);

    varnex::TFormMain window;
    if (factor > 1.0) StretchCaptions(&window, factor);
    if (table) ApplyTable(window, option);
    window.PageControl1->setTabVisible(varnex::TFormMain::kLogPage, true);
    window.show();
    const char* names[] = {"settings", "status", "log", "modem"};
    for (int page = 0; page < 4; ++page) {
        window.PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        window.grab().save(dir + QStringLiteral("/%1%2.png").arg(names[page], tag));
    }
    // The settings page in full, as if scrolled through.
    window.PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    auto* scroll = window.tsSettings->findChild<QScrollArea*>();
    QWidget* content = scroll->widget();
    const QImage full = content->grab().toImage();
    full.save(dir + QStringLiteral("/settings-full%1.png").arg(tag));
    for (int top = 0, part = 1; top < full.height(); top += 800, ++part)
        full.copy(0, top, full.width(), 800).save(dir + QStringLiteral("/settings-part%1%2.png").arg(part).arg(tag));
    qInfo("settings content %dx%d, minimum %dx%d", content->width(), content->height(),
          content->minimumSizeHint().width(), content->minimumSizeHint().height());
    for (QObject* child : content->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && w->isVisibleTo(content))
            qInfo("  section %s: minimum width %d", qPrintable(w->findChild<QLabel*>() ? w->findChild<QLabel*>()->objectName() : QString()),
                  w->minimumSizeHint().width());
    return 0;
}
