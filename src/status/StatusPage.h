#pragma once
#include <QColor>
#include <QObject>
#include <QString>
#include <array>

namespace varnex {

class MainController;

// What the status page does: the page change that asks the module for its
// state, the display handlers that turn the raw values of the hidden edits
// into what the user reads, and the test report button of the settings page.
// Everything runs on the window thread; it lives no longer than the
// controller it is given.
class StatusPage : public QObject {
public:
    // Font colours of the input and relay states.
    static const QColor kRed;
    static const QColor kGrey;
    static const QColor kGreen;

    // One step of the refresh over a data call: the key asked for and the
    // control that receives its value, in the order they are asked.
    struct RemoteQuery {
        const char* key;
        const char* control;
    };
    static const std::array<RemoteQuery, 11> kRemoteQueries;

    // Sets the window's page-change and test-report hooks and connects the
    // display handlers to their hidden edits.
    explicit StatusPage(MainController& controller);
    ~StatusPage() override;
    StatusPage(const StatusPage&) = delete;
    StatusPage& operator=(const StatusPage&) = delete;

    void PageControl1Change();
    void btTestReportNowClick();
    // The eleven queries over a data call, one after another.
    void RemoteRefresh();

    void _edGsmSignalValueChange();
    void _edSupplyVoltageValueChange();
    void _edMinVoltageValueChange();
    void _edActTempSensorValueChange();
    void _edActTempModuleValueChange();
    void _edInputsIN1ValueChange();
    void _edInputsIN2ValueChange();
    void _edRelay1ValueChange();
    void _edRelay2ValueChange();

private:
    // The state words of the inputs and relays, again in the language now shown.
    void RefreshStateWords();
    bool RemoteCallUp() const;
    QString ValueOf(const char* edit) const;
    void ShowWithUnit(const char* edit, const char* label, const QString& unit);
    // `onKey` is shown for "1", `otherKey` for any other non-empty value.
    void ShowState(const char* edit, const char* label, const char* onKey, const QColor& onColour,
                   const char* otherKey, const QColor& otherColour);
    int languageWatch = 0;

    MainController& controller;
    bool refreshing = false;
    // The status bar line of the last signal value that could not be shown,
    // taken down again by the next good one.
    QString signalFailure;
};

}  // namespace varnex
