// The log page: every module log line in the wide pane, the lines of the two
// keyword lists in the narrower panes at the right.
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QSplitter>

#include "ui/FormMain.h"

namespace varnex {

namespace {
QPlainTextEdit* LogPane(const char* name) {
    auto* pane = new QPlainTextEdit;
    pane->setObjectName(QLatin1String(name));
    // Lines are only ever appended by the log stream; the user reads and copies.
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return pane;
}
}  // namespace

QWidget* TFormMain::BuildLogPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsLog"));
    MemoLog1 = LogPane("MemoLog1");
    MemoLog2 = LogPane("MemoLog2");
    MemoLog3 = LogPane("MemoLog3");

    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(MemoLog2);
    right->addWidget(MemoLog3);
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(MemoLog1);
    split->addWidget(right);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    return page;
}

}  // namespace varnex
