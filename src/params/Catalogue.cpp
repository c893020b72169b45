#include "params/Catalogue.h"

#include <array>

namespace varnex {
namespace {

// The 13 events in catalogue order. The two temperature-sensor events do not
// follow the numbered control scheme, so their names are spelled out here.
struct EventDef {
    const char* code;
    const char* stem;      // numbered stem, or nullptr for the sensor events
    const char* cidName;   // used when stem is nullptr
    const char* cbPrefix;  // check-box prefix for the sensor events, e.g. "cbEventTEMPS_"
    const char* smsName;
    bool hasCalls;         // the test report is never announced by voice call
    const char* defaultCid;
    const char* defaultSms;
};

constexpr std::array<EventDef, 13> kEvents{{
    {"Z1A", "1", nullptr, nullptr, nullptr, true, "1130", "IN1 Alarm"},
    {"Z1R", "2", nullptr, nullptr, nullptr, true, "3130", "IN1 Restore"},
    {"Z2A", "3", nullptr, nullptr, nullptr, true, "1130", "IN2 Alarm"},
    {"Z2R", "4", nullptr, nullptr, nullptr, true, "3130", "IN2 Restore"},
    {"TMPLA", "5", nullptr, nullptr, nullptr, true, "1159", "Low temperature ($T)"},
    {"TMPLR", "6", nullptr, nullptr, nullptr, true, "3159", "Low temperature restore ($T)"},
    {"TMPHA", "7", nullptr, nullptr, nullptr, true, "1158", "High temperature ($T)"},
    {"TMPHR", "8", nullptr, nullptr, nullptr, true, "3158", "High temperature restore ($T)"},
    {"BATTA", "9", nullptr, nullptr, nullptr, true, "1302", "Battery low ($V)"},
    {"BATTR", "10", nullptr, nullptr, nullptr, true, "3302", "Battery restore ($V)"},
    {"TEST", "11", nullptr, nullptr, nullptr, false, "1602", "Test report"},
    {"TMPSA", nullptr, "edCID_TEMP_S", "cbEventTEMPS_", "edSMSTEMP_S", true, "1391",
     "Temperature sensor error"},
    {"TMPSR", nullptr, "edCID_TEMP_R", "cbEventTEMPR_", "edSMSTEMP_R", true, "3391",
     "Temperature sensor restore"},
}};

// Reporting field of an event check box: key field and numbered-control suffix.
std::string EventCheckBox(const EventDef& e, const std::string& field, const std::string& suffix) {
    if (e.stem) return std::string("cbEvent") + e.stem + suffix;
    return std::string(e.cbPrefix) + field;
}

struct PlainRow {
    const char* key;
    const char* control;
    ControlKind kind;
    const char* defaultValue;
    int minimum;
    int maximum;
    int step;
};

constexpr std::array<PlainRow, 10> kCallRows{{
    {"CALL:USER1.PN", "EditPhoneNumber1", ControlKind::Edit, "", 0, 0, 1},
    {"CALL:USER2.PN", "EditPhoneNumber2", ControlKind::Edit, "", 0, 0, 1},
    {"CALL:USER3.PN", "EditPhoneNumber3", ControlKind::Edit, "", 0, 0, 1},
    {"CALL:USER4.PN", "EditPhoneNumber4", ControlKind::Edit, "", 0, 0, 1},
    {"CALL:USER1.NMOD", "cmbACK1", ControlKind::ComboBox, "0", 0, 0, 1},
    {"CALL:USER2.NMOD", "cmbACK2", ControlKind::ComboBox, "0", 0, 0, 1},
    {"CALL:USER3.NMOD", "cmbACK3", ControlKind::ComboBox, "0", 0, 0, 1},
    {"CALL:USER4.NMOD", "cmbACK4", ControlKind::ComboBox, "0", 0, 0, 1},
    {"CALL:FWNRS.MODE", "cbSMSfw", ControlKind::CheckBox, "1", 0, 0, 1},
    {"CALL:SUNR1.PN", "EditPhoneNumberSu", ControlKind::Edit, "", 0, 0, 1},
}};

constexpr std::array<PlainRow, 14> kDeviceRows{{
    {"BATT:RANG.LOW", "edBattLow", ControlKind::SpinEdit, "11500", 9000, 28000, 100},
    {"BATT:RANG.RES", "edBattHigh", ControlKind::SpinEdit, "12200", 9000, 28000, 100},
    {"EVH:PROPS.MAXTIM", "seAlarmMax", ControlKind::SpinEdit, "10", 5, 25, 1},
    {"EVH:PROPS.TESTFREQ", "seTestFreq", ControlKind::SpinEdit, "7", 0, 99, 1},
    {"DIN:CALA.SEC", "seCarAlarmSec", ControlKind::SpinEdit, "5", 1, 99, 1},
    {"DIN:Z1.SEN", "seIn1Sensitivity", ControlKind::SpinEdit, "200", 10, 600000, 10},
    {"DIN:Z2.SEN", "seIn2Sensitivity", ControlKind::SpinEdit, "200", 10, 600000, 10},
    {"DIN:Z1.POL", "_edIN1", ControlKind::Edit, "NO", 0, 0, 1},
    {"DIN:Z2.POL", "_edIN2", ControlKind::Edit, "NO", 0, 0, 1},
    {"TEMP:PROPS.EN", "cbTempSens", ControlKind::CheckBox, "0", 0, 0, 1},
    {"CALL:REMNR1.PN", "edTCentrPhone1", ControlKind::Edit, "", 0, 0, 1},
    {"UID:CIDUID.CID", "edTUserID", ControlKind::Edit, "0000", 0, 0, 1},
    {"TEMP:RANG.LOW", "tbMinTemp", ControlKind::TrackBar, "0", -32, 60, 1},
    {"TEMP:RANG.HIGH", "tbMaxTemp", ControlKind::TrackBar, "40", -32, 60, 1},
}};

// Relay rows with "#" standing for the relay number in key and control name.
constexpr std::array<PlainRow, 21> kRelayRows{{
    {"REL#:PROPS.TEN", "_cbRelay#Timed", ControlKind::CheckBox, "1", 0, 0, 1},
    {"REL#:PROPS.TIM", "seRelay#Timed", ControlKind::SpinEdit, "3", 1, 9999, 1},
    {"REL#:PROPS.MO", "_edRelay#Control", ControlKind::Edit, "1", 0, 0, 1},
    {"REL#:ONM1.Z1A", "cbRelay#Z1Alarm", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM1.Z1R", "cbRelay#Z1Restore", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:ONM1.Z2A", "cbRelay#Z2Alarm", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM1.Z2R", "cbRelay#Z2Restore", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:ONM2.T1", "cbRelay#T1Start", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM2.T1", "cbRelay#T1Stop", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:ONM2.T2", "cbRelay#T2Start", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM2.T2", "cbRelay#T2Stop", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:ONM2.T3", "cbRelay#T3Start", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM2.T3", "cbRelay#T3Stop", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:ONM2.T4", "cbRelay#T4Start", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM2.T4", "cbRelay#T4Stop", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:ONM2.TN", "cbRelay#UnknownStart", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:OFM2.TN", "cbRelay#UnknownStop", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:PROPS.SRP", "rbRelay#SendAnswerSMS", ControlKind::CheckBox, "0", 0, 0, 1},
    {"REL#:TMPL.VAL", "tbRelay#MinTemp", ControlKind::TrackBar, "0", -32, 60, 1},
    {"REL#:TMPH.VAL", "tbRelay#MaxTemp", ControlKind::TrackBar, "40", -32, 60, 1},
    {"REL#:ONM3.MTE", "_edRelay#TempInOut", ControlKind::Edit, "0", 0, 0, 1},
}};

std::string WithRelay(const char* text, char relay) {
    std::string s(text);
    for (char& c : s)
        if (c == '#') c = relay;
    return s;
}

ParamDef FromPlain(const PlainRow& r, char relay = '#') {
    return ParamDef{WithRelay(r.key, relay), WithRelay(r.control, relay), r.kind,
                    r.defaultValue, r.minimum, r.maximum, r.step};
}

std::vector<ParamDef> BuildParameters() {
    std::vector<ParamDef> rows;
    rows.reserve(205);
    for (const auto& r : kCallRows) rows.push_back(FromPlain(r));

    for (const auto& e : kEvents) {
        std::string control = e.stem ? std::string("edCID") + e.stem : std::string(e.cidName);
        rows.push_back({std::string("EVH:") + e.code + ".CEID", control, ControlKind::Edit,
                        e.defaultCid});
    }
    // Routing columns: each column walks all events before the next one starts.
    auto addColumn = [&](const std::string& field, const std::string& suffix, bool callsOnly) {
        for (const auto& e : kEvents) {
            if (callsOnly && !e.hasCalls) continue;
            rows.push_back({std::string("EVH:") + e.code + "." + field, EventCheckBox(e, field, suffix),
                            ControlKind::CheckBox, "0"});
        }
    };
    for (const char* k : {"1", "2", "3", "4"}) addColumn(std::string("T") + k, std::string("T") + k, true);
    for (const char* k : {"1", "2", "3", "4"}) addColumn(std::string("S") + k, std::string("S") + k, false);
    addColumn("C1", "IsCID", false);

    for (const auto& e : kEvents) {
        std::string control = e.stem ? std::string("edSMS") + e.stem : std::string(e.smsName);
        rows.push_back({std::string("SMS:") + e.code + ".SMS", control, ControlKind::Edit,
                        e.defaultSms});
    }

    for (const auto& r : kDeviceRows) rows.push_back(FromPlain(r));
    for (char relay : {'1', '2'})
        for (const auto& r : kRelayRows) rows.push_back(FromPlain(r, relay));
    return rows;
}

constexpr std::array<std::array<const char*, 2>, 15> kStatusRows{{
    {"TPv", "lbViTypeValue"},
    {"HWv", "lbViHwVerValue"},
    {"FWv", "lbViFwVerValue"},
    {"SUTM", "lbStUptimeValue"},
    {"RFP", "_edGsmSignalValue"},
    {"RFE", "lbGsmLowestSignalValue"},
    {"GUTM", "lbGsmUptimeValue"},
    {"VSU", "_edSupplyVoltageValue"},
    {"VSE", "_edMinVoltageValue"},
    {"TPS", "_edActTempSensorValue"},
    {"TPM", "_edActTempModuleValue"},
    {"IN1V", "_edInputsIN1Value"},
    {"IN2V", "_edInputsIN2Value"},
    {"RE1", "_edRelay1Value"},
    {"RE2", "_edRelay2Value"},
}};

std::vector<StatusDef> BuildStatus() {
    std::vector<StatusDef> rows;
    for (const auto& [key, control] : kStatusRows) {
        // Labels show the text as it comes; hidden edits feed a display of their own.
        std::string name(control);
        ControlKind kind = name.rfind("lb", 0) == 0 ? ControlKind::Label : ControlKind::Edit;
        rows.push_back({key, name, kind});
    }
    return rows;
}

}  // namespace

const std::vector<ParamDef>& ParameterCatalogue() {
    static const std::vector<ParamDef> rows = BuildParameters();
    return rows;
}

const std::vector<StatusDef>& StatusCatalogue() {
    static const std::vector<StatusDef> rows = BuildStatus();
    return rows;
}

const ParamDef* FindParameter(std::string_view key) {
    for (const auto& row : ParameterCatalogue())
        if (row.key == key) return &row;
    return nullptr;
}

const StatusDef* FindStatus(std::string_view key) {
    for (const auto& row : StatusCatalogue())
        if (row.key == key) return &row;
    return nullptr;
}

}  // namespace varnex
