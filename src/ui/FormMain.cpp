#include "ui/FormMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/ErrorDisplay.h"
#include "ui/PageKit.h"

namespace varnex {

namespace {
constexpr const char* kTitle = "Talmeno Varnex v1.31";
}

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QLatin1String(kTitle));

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(pagekit::kSpacing, pagekit::kSpacing, pagekit::kSpacing, pagekit::kSpacing);
    column->setSpacing(pagekit::kSpacing);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    tsSettings = BuildSettingsPage();
    tsStatus = BuildStatusPage();
    tsLog = BuildLogPage();
    TabSheet1 = BuildModemPage();
    PageControl1->addTab(tsSettings, QStringLiteral("Settings"));
    PageControl1->addTab(tsStatus, QStringLiteral("Status"));
    PageControl1->addTab(tsLog, QStringLiteral("Log"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Modem"));
    // The log page is for service: its tab appears on Ctrl+Alt+D only.
    PageControl1->setTabVisible(kLogPage, false);
    PageControl1->setCurrentIndex(kSettingsPage);

    column->addWidget(PageControl1, 1);
    column->addWidget(BuildBottomBar());
    setCentralWidget(central);
    // Key presses that a control did not take climb to the window; the window
    // answers only to its own, so stop them at the central widget.
    central->installEventFilter(this);

    BindCatalogues();
    ConnectHandlers();
    // Captions come from language files and values from the module: text
    // that looks like markup is shown as it is, never rendered.
    for (QLabel* label : findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    // Lists follow their items, which a change of language rewrites; left to
    // themselves they would keep the width of the first language shown.
    for (QComboBox* list : findChildren<QComboBox*>()) list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The catalogue's controls were made in catalogue order; the user tabs in
    // reading order.
    pagekit::TabInLayoutOrder(central);

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kInitialWidth, kInitialHeight);
}

TFormMain::~TFormMain() = default;

QWidget* TFormMain::BuildBottomBar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(pagekit::kSectionSpacing);

    ProgressBarRW = new QProgressBar;
    ProgressBarRW->setObjectName(QStringLiteral("ProgressBarRW"));
    ProgressBarRW->setTextVisible(false);
    ProgressBarRW->setValue(0);

    cbLanguage = new QComboBox;
    cbLanguage->setObjectName(QStringLiteral("cbLanguage"));
    cbLanguage->setEditable(false);
    cbLanguage->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbLanguage->setMinimumContentsLength(10);

    btnCancel = new QPushButton(QStringLiteral("Cancel"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->hide();
    row->addWidget(ProgressBarRW, 1);
    row->addWidget(btnCancel);
    row->addWidget(cbLanguage);
    return bar;
}

void TFormMain::BindCatalogues() {
    QStringList problems;
    parameterList = BuildParameterList(this, &problems);
    statusList = BuildStatusList(this, &problems);
    if (!problems.isEmpty()) qFatal("window lacks catalogue controls: %s", qPrintable(problems.join(", ")));
    ProgressBarRW->setRange(0, parameterList.Count());
    ProgressBarRW->setValue(0);
}

void TFormMain::ConnectHandlers() {
    connect(btnRead, &QPushButton::clicked, this, &TFormMain::btnReadClick);
    connect(btnWrite, &QPushButton::clicked, this, &TFormMain::btnWriteClick);
    connect(btnWriteChanges, &QPushButton::clicked, this, &TFormMain::btnWriteChangesClick);
    connect(btnRevertAll, &QPushButton::clicked, this, &TFormMain::btnRevertAllClick);
    connect(btnCancel, &QPushButton::clicked, this, &TFormMain::btnCancelClick);
    // Escape stops a read or write, whatever has the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!btnCancel->isHidden()) btnCancelClick();
    });
    connect(btnOpen, &QPushButton::clicked, this, &TFormMain::btnOpenClick);
    connect(btnSave, &QPushButton::clicked, this, &TFormMain::btnSaveClick);
    connect(btTestReportNow, &QPushButton::clicked, this, &TFormMain::btTestReportNowClick);
    connect(btCSDConnect, &QPushButton::clicked, this, &TFormMain::btCSDConnectClick);
    connect(btCSDDisconnect, &QPushButton::clicked, this, &TFormMain::btCSDDisconnectClick);
    // A page or language chosen by the user, not one set from code: the
    // language manager fills and selects cbLanguage itself, and a login selects
    // the settings page without asking the module for a status report.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!m_settingPage) PageControl1Change();
    });
    connect(cbLanguage, &QComboBox::activated, this, &TFormMain::cbLanguageChange);
    for (QPushButton* button : {btnOpen, btnRead, btnSave, btnWrite}) button->installEventFilter(this);
}

void TFormMain::SetActivePage(int index) {
    m_settingPage = true;
    PageControl1->setCurrentIndex(index);
    m_settingPage = false;
}

void TFormMain::RunHandler(const std::function<void()>& handler) { RunGuarded(this, handler); }

void TFormMain::btnReadClick() { RunHandler(handlers.btnReadClick); }
void TFormMain::btnWriteClick() { RunHandler(handlers.btnWriteClick); }
void TFormMain::btnWriteChangesClick() { RunHandler(handlers.btnWriteChangesClick); }
void TFormMain::btnRevertAllClick() { RunHandler(handlers.btnRevertAllClick); }
void TFormMain::btnCancelClick() { RunHandler(handlers.btnCancelClick); }
void TFormMain::btnOpenClick() { RunHandler(handlers.btnOpenClick); }
void TFormMain::btnSaveClick() { RunHandler(handlers.btnSaveClick); }
void TFormMain::PageControl1Change() { RunHandler(handlers.PageControl1Change); }
void TFormMain::cbLanguageChange() { RunHandler(handlers.cbLanguageChange); }
void TFormMain::btTestReportNowClick() { RunHandler(handlers.btTestReportNowClick); }
void TFormMain::btCSDConnectClick() { RunHandler(handlers.btCSDConnectClick); }
void TFormMain::btCSDDisconnectClick() { RunHandler(handlers.btCSDDisconnectClick); }

void TFormMain::FormCanResize(int& width, int& height) {
    if (width < kMinimumWidth) width = kMinimumWidth;
    if (height < kMinimumHeight) height = kMinimumHeight;
}

bool TFormMain::IsLogTabVisible() const { return PageControl1->isTabVisible(kLogPage); }

bool TFormMain::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::AltModifier;
    if (key != Qt::Key_D || (modifiers & both) != both) return false;
    // Hiding the open log page moves the selection; that is not the user's pick.
    m_settingPage = true;
    PageControl1->setTabVisible(kLogPage, !IsLogTabVisible());
    m_settingPage = false;
    return true;
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (FormKeyDown(event->key(), event->modifiers())) return;
    QMainWindow::keyPressEvent(event);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    // Write changes follows Write, however Write was switched.
    if (watched == btnWrite && event->type() == QEvent::EnabledChange)
        btnWriteChanges->setEnabled(btnWrite->isEnabled());
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == centralWidget()) {
        key->accept();
        return true;
    }
    // One of the four buttons has the focus.
    return FormKeyDown(key->key(), key->modifiers());
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) return;
    // Queued, so the window is on screen before the show handler opens a modal one.
    m_showPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_showPending = false;
            RunHandler(handlers.FormShow);
        },
        Qt::QueuedConnection);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    RunHandler(handlers.FormClose);
    QMainWindow::closeEvent(event);
}

}  // namespace varnex
