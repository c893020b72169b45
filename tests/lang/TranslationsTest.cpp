#include "lang/Translations.h"

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace varnex {
namespace {

// The keys every built-in table holds, in this order.
const std::vector<std::string> kKeys = {
    "Language", "tsSettings", "btnOpen", "btnRead", "btnSave", "btnWrite", "lbUserPhones", "lbEvents",
    "lnInputs", "lbRelayOutputs", "lbTCentr", "lbTPhone1", "lbTPhone2", "lbTPhone3", "lbTPhone4",
    "lbTPhoneSu", "lbTACK", "cbSMSfw", "lbContactID", "lbCode", "lbT1", "lbT2", "lbT3", "lbT4", "lbS1",
    "lbS2", "lbS3", "lbS4", "lbCent1", "lbCent2", "lbSMStext", "lbTAlarmMax", "lbTTestFreq", "lbLowBattery",
    "lbLowBatteryRestore", "lbEvent1", "lbEvent2", "lbEvent3", "lbEvent4", "lbEvent5", "lbEvent6",
    "lbEvent7", "lbEvent8", "lbEventTEMP_S", "lbEventTEMP_R", "lbEvent9", "lbEvent10", "lbEvent11",
    "btTestReportNow", "gbTemp", "lbMinTemp", "lbMaxTemp", "lbMinCelsius", "lbMaxCelsius", "rlbOpenAct",
    "rlbShortAct", "lbIN1", "lbIN2", "lbCarAlarm", "lbIN1Sensitivity", "lbIN2Sensitivity",
    "lbCarAlarmInterval", "lbTempSens", "gbRelay2", "rbRelay2Bistable", "rbRelay2Timed", "gbRelay2Control",
    "gbRelay2AlarmStartEvent", "cbRelay2Z1Alarm", "cbRelay2Z2Alarm", "gbRelay2AlarmStopEvent",
    "cbRelay2Z1Restore", "cbRelay2Z2Restore", "rbRelay2ControlPhone", "rbRelay2ControlAlarm",
    "gbRelay2PhoneStartEvent", "cbRelay2T1Start", "cbRelay2T2Start", "cbRelay2T3Start", "cbRelay2T4Start",
    "cbRelay2UnknownStart", "gbRelay2PhoneStopEvent", "cbRelay2T1Stop", "cbRelay2T2Stop", "cbRelay2T3Stop",
    "cbRelay2T4Stop", "cbRelay2UnknownStop", "rbRelay2ControlTemp", "lbRelay2MinTemp", "lbRelay2MaxTemp",
    "lbRelay2MinCelsius", "lbRelay2MaxCelsius", "rbRelay2TempIn", "rbRelay2TempOut", "rbRelay2SendAnswerSMS",
    "gbRelay1", "rbRelay1Bistable", "rbRelay1Timed", "gbRelay1Control", "gbRelay1AlarmStartEvent",
    "cbRelay1Z1Alarm", "cbRelay1Z2Alarm", "gbRelay1AlarmStopEvent", "cbRelay1Z1Restore", "cbRelay1Z2Restore",
    "rbRelay1ControlPhone", "rbRelay1ControlAlarm", "gbRelay1PhoneStartEvent", "cbRelay1T1Start",
    "cbRelay1T2Start", "cbRelay1T3Start", "cbRelay1T4Start", "cbRelay1UnknownStart", "gbRelay1PhoneStopEvent",
    "cbRelay1T1Stop", "cbRelay1T2Stop", "cbRelay1T3Stop", "cbRelay1T4Stop", "cbRelay1UnknownStop",
    "rbRelay1ControlTemp", "lbRelay1MinTemp", "lbRelay1MaxTemp", "lbRelay1MinCelsius", "lbRelay1MaxCelsius",
    "rbRelay1TempIn", "rbRelay1TempOut", "rbRelay1SendAnswerSMS", "lbTCentrPhone1", "lbTUserID", "tsStatus",
    "gbVersionInformation", "lbViType", "lbViHwVer", "lbViFwVer", "gbSystemTimer", "lbStUptime", "gGsmStatus",
    "lbGsmSignal", "lbGsmUptime", "lbGsmLowestSignal", "gbPowerSupply", "lbSupplyVoltage", "lbMinVoltage",
    "gbTemperature", "lbActTempSensor", "lbActTempModule", "gbInputs", "lbInputsIN1", "lbInputsIN2",
    "gbRelays", "lbRelay1", "lbRelay2", "tsLog", "cmbACK1", "cmbACK2", "cmbACK3", "cmbACK4", "txtActive",
    "txtInactive", "txtOn", "txtOff", "rbRelay1TempPlus", "rbRelay1TempMinus", "rbRelay2TempPlus",
    "rbRelay2TempMinus", "rbepw", "rbcpw", "lbLoginpw", "lbpwcorig", "lbpwcnew1", "lbpwcnew2",
    "lbSerportSelect", "lbModulePhoneNumber", "lbModemdetails", "btCSDConnect", "btCSDDisconnect",
    "lbReconnectMessage", "lbMess1", "lbMess2", "txtPasswordZero",
    "txtReadStoppedAt", "txtReadStoppedLoggedOut", "txtReadStoppedLinkLost", "txtReadDone", "txtReadPartly",
    "txtWritingInvalidOne", "txtWritingInvalidMany", "txtWriteDone", "txtWriteStopped", "txtWhyLoggedOut",
    "txtWhyLinkLost", "txtWhyNotConfirmed", "txtFieldMarkedInvalid", "txtFieldsMarkedInvalid",
    "txtUnableToOpen", "txtUnableToWrite", "txtOpenedSome", "txtOpened", "txtSaved", "txtOpenStopped",
    "txtNotAnInteger", "txtStatusProblem", "txtGsmSignalProblem", "txtAlreadyConnected", "txtTypePhoneNumber",
    "txtDialling", "txtDiallingCancelled", "txtNoSerialPort", "txtNoCall", "txtCallLoggingIn", "txtConnectedTo",
    "txtHungUp", "txtCallDroppedAtLogin", "txtLoginFailedHungUp", "txtHangingUp", "txtCallDropped",
    "txtDisconnected", "txtModem", "txtLanguageFileUnreadable", "txtLanguageNotStored", "txtLanguageNotText",
    "txtLogConnectionError", "txtLogHangingUp",
    "txtWritingUnstorableOne", "txtWritingUnstorableMany", "txtTextUnstorable", "txtTextsUnstorable",
    "txtSavedUnstorableOne", "txtSavedUnstorableMany", "txtNoSettingsInFile", "txtFileTooLarge",
    "btnWriteChanges", "txtChangesUnknown", "txtChangesIncomplete", "txtNoChanges", "txtWroteChangeOne",
    "txtWroteChanges", "txtWriteChangesStopped",
    "txtModuleHolds", "txtModuleValuesUnknown", "txtSettingDiffersOne", "txtSettingsDiffer",
    "btnRevertAll", "mnuRevert", "mnuRestoreDefault",
    "btnCancel", "txtReadCancelled", "txtWriteCancelled", "txtWriteChangesCancelled",
};

// Texts that a translation rightly leaves as in English: signal names,
// temperatures, and what the rows of the tables prescribe per language.
const std::set<std::string> kSameInEveryLanguage = {
    "lbT1", "lbT2", "lbT3", "lbT4", "lbS1", "lbS2", "lbS3", "lbS4", "lbIN1", "lbIN2", "lbInputsIN1",
    "lbInputsIN2", "lbMinCelsius", "lbMaxCelsius", "lbRelay1MinCelsius", "lbRelay1MaxCelsius",
    "lbRelay2MinCelsius", "lbRelay2MaxCelsius", "txtModem",
};

struct Language {
    const char* name;
    const TranslationTable& (*table)();
    const char* ownName;
    std::set<std::string> alsoSameAsEnglish;
    std::set<std::string> empty;
    QString letters;  // the letters beyond ASCII the language may use
};

const std::vector<Language>& Translated() {
    static const std::vector<Language> languages = {
        {"Hungarian", &HungarianTable, "Magyar", {"lbContactID"}, {"lbCent1"}, "áéíóöőúüűÁÉÍÓÖŐÚÜŰ"},
        {"Romanian", &RomanianTable, "Română", {"txtActive", "txtInactive", "txtOn", "txtOff"}, {"lbCent1"},
         "ăâîșțĂÂÎȘȚ"},
        {"Czech", &CzechTable, "Čeština", {"txtOn", "txtOff"}, {}, "áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"},
    };
    return languages;
}

std::string Text(const TranslationTable& table, const std::string& key) {
    const TranslationEntry* entry = FindEntry(table, key);
    return entry ? std::string(entry->text) : std::string("<missing>");
}

std::string Digits(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

// The %1, %2, ... placeholders of a text, sorted: a translation may reorder
// them but must keep every one.
std::multiset<std::string> Placeholders(const std::string& text) {
    std::multiset<std::string> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text.substr(i, 2));
    return found;
}

std::string WithoutPlaceholders(std::string text) {
    for (std::size_t i = 0; i + 1 < text.size();)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') text.erase(i, 2);
        else ++i;
    return text;
}

std::vector<std::string> Keys(const TranslationTable& table) {
    std::vector<std::string> keys;
    for (const auto& entry : table.entries) keys.emplace_back(entry.key);
    return keys;
}

TEST(Translations, EveryTableHoldsTheKeysInOrderAndNamesItsLanguageFirst) {
    const struct {
        const TranslationTable& table;
        const char* ownName;
    } tables[] = {{EnglishTable(), "English"},
                  {HungarianTable(), "Magyar"},
                  {RomanianTable(), "Română"},
                  {CzechTable(), "Čeština"}};
    for (const auto& t : tables) {
        SCOPED_TRACE(t.ownName);
        EXPECT_EQ(Keys(t.table), kKeys);
        EXPECT_EQ(Text(t.table, "Language"), t.ownName);
    }
}

TEST(Translations, EnglishKeepsItsExactWording) {
    const std::pair<const char*, const char*> rows[] = {
        {"cbSMSfw", "Forward incomming SMS to phone number 1"},
        {"lbCarAlarm", "Car alarm adaptation  (Activation on impulses received in a regular rhythm)"},
        {"lbEvent9", "11.  Battery low"},
        {"lbEventTEMP_S", "09.  Temperature sensor error"},
        {"gbRelay1PhoneStartEvent", " Activation "},
        {"gbRelay2PhoneStartEvent", " Activation event "},
        {"cbRelay2T3Stop", "Call from T3 phone number"},
        {"lbRelay2MaxCelsius", "40 °C"},
        {"lbTTestFreq", "Test report frequency (0 - 99 days):"},
        {"cmbACK3", "no ack., # = Stop\r* = ack., # = Stop\rack. upon call reject"},
    };
    for (const auto& [key, text] : rows) EXPECT_EQ(Text(EnglishTable(), key), text) << key;
}

TEST(Translations, PrescribedRowsOfTheOtherLanguages) {
    const struct {
        const char* key;
        const char* hu;
        const char* ro;
        const char* cz;
    } rows[] = {
        {"tsSettings", "Beállítások", "Setari", "Nastavení"},
        {"tsStatus", "Státusz", "Monitorizare", "Stav"},
        {"btnRead", "Beolvasás", "Citire", "Přečíst"},
        {"btnWrite", "Írás", "Inscriere", "Zapsat"},
        {"lbCent1", "", "", "ARC."},
        {"lbCent2", "Távf.", "Disp.", "stan."},
        {"lbContactID", "Contact-ID", "Cod", "Kontakt-ID"},
        {"lbCode", "kód", "CID", "kód"},
        {"lbEvent1", "01.  IN1 Riasztás", "01.  IN1 Alarma", "01.  IN1 Poplach"},
        {"gbRelay1", " Relé 1 ", " Releul 1 ", " Relé 1 "},
        {"cmbACK1", "nincs nyugta, # = Stop\r* = nyugta, # = Stop\rhíváselutasítás nyugtáz",
         "fara confirmare, # = oprire\r* = confirmare, # = oprire\rconfirmare prin respingere apel",
         "ne potv., # = Stop\r* = potv., # = Stop\rpotv. po odmítnutí hovoru"},
        {"txtActive", "Aktív", "Active", "Aktivní"},
        {"txtInactive", "Inaktív", "Inactive", "Neaktivní"},
        {"txtOn", "Be", "On", "On"},
        {"txtOff", "Ki", "Off", "Off"},
        {"lbReconnectMessage", "Csatlakoztassa a készüléket!", "Conectati modulul!", "Připojit zařízení!"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Text(HungarianTable(), row.key), row.hu) << row.key;
        EXPECT_EQ(Text(RomanianTable(), row.key), row.ro) << row.key;
        EXPECT_EQ(Text(CzechTable(), row.key), row.cz) << row.key;
    }
    // The combo boxes share one item list per language.
    for (const char* key : {"cmbACK2", "cmbACK3", "cmbACK4"}) {
        EXPECT_EQ(Text(HungarianTable(), key), Text(HungarianTable(), "cmbACK1"));
        EXPECT_EQ(Text(RomanianTable(), key), Text(RomanianTable(), "cmbACK1"));
        EXPECT_EQ(Text(CzechTable(), key), Text(CzechTable(), "cmbACK1"));
    }
}

TEST(Translations, TranslatedTextsDifferFromEnglishExceptWhereTheyMustNot) {
    for (const Language& language : Translated()) {
        SCOPED_TRACE(language.name);
        std::set<std::string> expected = kSameInEveryLanguage;
        expected.insert(language.alsoSameAsEnglish.begin(), language.alsoSameAsEnglish.end());
        std::set<std::string> same;
        std::set<std::string> empty;
        for (const auto& entry : language.table().entries) {
            if (entry.text.empty()) empty.emplace(entry.key);
            else if (entry.text == Text(EnglishTable(), std::string(entry.key))) same.emplace(entry.key);
        }
        EXPECT_EQ(same, expected);
        EXPECT_EQ(empty, language.empty);
    }
}

// What a translation keeps: numbers and ranges, units and signal names, the
// event numbering with its two blanks, the blanks that pad group box titles,
// and three combo items separated by carriage returns.
TEST(Translations, TranslationsKeepNumbersUnitsNumberingAndBlanks) {
    const char* const kept[] = {"mV", "°C", "msec.", "sec)", "SMS", "GSM", "USB", "OK",
                                "IN1", "IN2", "T1", "T2", "T3", "T4", "#", "*"};
    for (const Language& language : Translated()) {
        SCOPED_TRACE(language.name);
        for (const auto& entry : language.table().entries) {
            const std::string key(entry.key);
            const std::string text(entry.text);
            const std::string english = Text(EnglishTable(), key);
            if (text.empty()) continue;
            SCOPED_TRACE(key + ": " + text);
            EXPECT_EQ(Digits(WithoutPlaceholders(text)), Digits(WithoutPlaceholders(english)));
            EXPECT_EQ(Placeholders(text), Placeholders(english));
            for (const char* token : kept)
                if (english.find(token) != std::string::npos) {
                    EXPECT_NE(text.find(token), std::string::npos) << token;
                }
            EXPECT_EQ(text.front() == ' ', english.front() == ' ');
            EXPECT_EQ(text.back() == ' ', english.back() == ' ');
            if (english.size() > 4 && std::isdigit(static_cast<unsigned char>(english[0])) &&
                std::isdigit(static_cast<unsigned char>(english[1])) && english[2] == '.') {  // an event line: "NN.  "
                EXPECT_EQ(text.substr(0, 5), english.substr(0, 5));
            }
            if (key.rfind("cmbACK", 0) == 0) {
                EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
                EXPECT_EQ(text.find('\n'), std::string::npos);
            }
        }
    }
}

TEST(Translations, TranslationsUseOnlyTheLettersOfTheirLanguage) {
    for (const Language& language : Translated()) {
        SCOPED_TRACE(language.name);
        for (const auto& entry : language.table().entries) {
            const QString text = QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
            for (const QChar c : text) {
                if (c.unicode() < 0x80 || c == u'°' || c == u'\u2026' || language.letters.contains(c)) continue;
                ADD_FAILURE() << std::string(entry.key) << ": " << QString(c).toStdString() << " in "
                              << text.toStdString();
            }
        }
    }
}

TEST(Translations, TheCodeChoosesTheFallbackTable) {
    const std::pair<const char*, const TranslationTable*> cases[] = {
        {"hu", &HungarianTable()}, {"ro", &RomanianTable()}, {"cz", &CzechTable()}, {"en", &EnglishTable()},
        {"de", &EnglishTable()},   {"fr", &EnglishTable()},  {"cs", &EnglishTable()}, {"", &EnglishTable()},
    };
    for (const auto& [code, table] : cases) EXPECT_EQ(&BuiltInTable(code), table) << code;
}

TEST(Translations, KeysMatchExactly) {
    EXPECT_NE(FindEntry(EnglishTable(), "btnRead"), nullptr);
    EXPECT_EQ(FindEntry(EnglishTable(), "btnread"), nullptr);
    EXPECT_EQ(FindEntry(EnglishTable(), "TabSheet1"), nullptr);
}

}  // namespace
}  // namespace varnex
