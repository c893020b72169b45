#pragma once
#include <QMainWindow>
#include <QString>
#include <functional>

#include "params/ControlDesc.h"

class QComboBox;
class QEvent;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace varnex {

// The main window. Its controls are the only store of the configuration, so
// every control carries its name as objectName and later code finds it by that
// name (or through the members below, for the ones it uses directly).
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 400;
    static constexpr int kInitialWidth = 824;
    static constexpr int kInitialHeight = 638;

    // Page indices of PageControl1; the handlers rely on this order.
    enum Page { kSettingsPage = 0, kStatusPage = 1, kLogPage = 2, kModemPage = 3 };

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // What other subsystems attach. Each hook runs on the window thread when its
    // event fires; an exception escaping it is shown and the window keeps running.
    struct Handlers {
        std::function<void()> btnReadClick;
        std::function<void()> btnWriteClick;
        std::function<void()> btnWriteChangesClick;
        std::function<void()> btnRevertAllClick;
        std::function<void()> btnCancelClick;
        std::function<void()> btnOpenClick;
        std::function<void()> btnSaveClick;
        std::function<void()> PageControl1Change;  // the user selected another page
        std::function<void()> cbLanguageChange;    // the user picked a language
        std::function<void()> btTestReportNowClick;
        std::function<void()> btCSDConnectClick;
        std::function<void()> btCSDDisconnectClick;
        std::function<void()> FormShow;   // queued after each show, so a modal window can open
        std::function<void()> FormClose;  // before the window closes
    };
    Handlers handlers;

    // Bound once in the constructor to the controls of this window.
    ControlDescList parameterList;
    ControlDescList statusList;

    // Controls used directly by other code; set by the constructor, owned by the
    // widget tree. Everything else is reached by name with Control().
    QTabWidget* PageControl1 = nullptr;
    QWidget* tsSettings = nullptr;
    QWidget* tsStatus = nullptr;
    QWidget* tsLog = nullptr;
    QWidget* TabSheet1 = nullptr;

    QPushButton* btnRead = nullptr;
    QPushButton* btnWrite = nullptr;
    // Writes only what differs from the module; usable exactly when Write is.
    QPushButton* btnWriteChanges = nullptr;
    // Gives every marked control the module's value back; on while any is marked.
    QPushButton* btnRevertAll = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btTestReportNow = nullptr;

    QProgressBar* ProgressBarRW = nullptr;
    // Shown while a read or write runs, in place of Read and Write (which the
    // page control holds, disabled then); Escape does the same.
    QPushButton* btnCancel = nullptr;
    QComboBox* cbLanguage = nullptr;

    QPlainTextEdit* MemoLog1 = nullptr;
    QPlainTextEdit* MemoLog2 = nullptr;
    QPlainTextEdit* MemoLog3 = nullptr;

    QComboBox* cbModemPortSel = nullptr;
    QLineEdit* edCSDPhnr = nullptr;
    QPushButton* btCSDConnect = nullptr;
    QPushButton* btCSDDisconnect = nullptr;
    QPlainTextEdit* edATLogWin = nullptr;

    // The descendant of the given name and class, or nullptr.
    template <typename T = QWidget>
    T* Control(const QString& name) const {
        return findChild<T*>(name);
    }

    // Raises a proposed size to the window's minimum; larger sizes pass.
    static void FormCanResize(int& width, int& height);
    // Ctrl+Alt+D (Shift does not matter) toggles the log page's tab. Returns
    // whether the key was that combination.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool IsLogTabVisible() const;
    // Selects a page from code. Unlike the user's selection it does not run
    // PageControl1Change.
    void SetActivePage(int index);
    // The window has been shown and its show sequence has not begun yet:
    // whatever else is queued must wait for it.
    bool ShowSequencePending() const { return m_showPending; }

public slots:
    void btnReadClick();
    void btnWriteClick();
    void btnWriteChangesClick();
    void btnRevertAllClick();
    void btnCancelClick();
    void btnOpenClick();
    void btnSaveClick();
    void PageControl1Change();
    void cbLanguageChange();
    void btTestReportNowClick();
    void btCSDConnectClick();
    void btCSDDisconnectClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildSettingsPage();
    QWidget* BuildStatusPage();
    QWidget* BuildLogPage();
    QWidget* BuildModemPage();
    QWidget* BuildBottomBar();
    void BindCatalogues();
    void ConnectHandlers();

    // The event-handler boundary: runs a hook, shows what it throws.
    void RunHandler(const std::function<void()>& handler);

    bool m_settingPage = false;  // the page changes from code, not from the user
    bool m_showPending = false;
};

}  // namespace varnex
