#include "params/Catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace varnex {
namespace {

TEST(CatalogueTest, SizesAndUniqueness) {
    const auto& params = ParameterCatalogue();
    ASSERT_EQ(params.size(), 205u);
    std::set<std::string> keys, controls;
    for (const auto& p : params) {
        EXPECT_TRUE(keys.insert(p.key).second) << "duplicate key " << p.key;
        EXPECT_TRUE(controls.insert(p.control).second) << "duplicate control " << p.control;
    }
    const auto& status = StatusCatalogue();
    ASSERT_EQ(status.size(), 15u);
    std::set<std::string> skeys, scontrols;
    for (const auto& s : status) {
        EXPECT_TRUE(skeys.insert(s.key).second) << s.key;
        EXPECT_TRUE(scontrols.insert(s.control).second) << s.control;
        EXPECT_TRUE(s.kind == ControlKind::Label || s.kind == ControlKind::Edit) << s.key;
    }
}

// Block boundaries: an off-by-one in any block shifts everything after it.
TEST(CatalogueTest, RowPositions) {
    const struct {
        int row;  // 1-based
        const char* key;
        const char* control;
    } cases[] = {
        {1, "CALL:USER1.PN", "EditPhoneNumber1"},
        {10, "CALL:SUNR1.PN", "EditPhoneNumberSu"},
        {11, "EVH:Z1A.CEID", "edCID1"},
        {22, "EVH:TMPSA.CEID", "edCID_TEMP_S"},
        {24, "EVH:Z1A.T1", "cbEvent1T1"},
        {35, "EVH:TMPSR.T1", "cbEventTEMPR_T1"},
        {36, "EVH:Z1A.T2", "cbEvent1T2"},
        {71, "EVH:TMPSR.T4", "cbEventTEMPR_T4"},
        {72, "EVH:Z1A.S1", "cbEvent1S1"},
        {82, "EVH:TEST.S1", "cbEvent11S1"},
        {123, "EVH:TMPSR.S4", "cbEventTEMPR_S4"},
        {124, "EVH:Z1A.C1", "cbEvent1IsCID"},
        {134, "EVH:TEST.C1", "cbEvent11IsCID"},
        {136, "EVH:TMPSR.C1", "cbEventTEMPR_C1"},
        {137, "SMS:Z1A.SMS", "edSMS1"},
        {149, "SMS:TMPSR.SMS", "edSMSTEMP_R"},
        {150, "BATT:RANG.LOW", "edBattLow"},
        {160, "CALL:REMNR1.PN", "edTCentrPhone1"},
        {163, "TEMP:RANG.HIGH", "tbMaxTemp"},
        {164, "REL1:PROPS.TEN", "_cbRelay1Timed"},
        {184, "REL1:ONM3.MTE", "_edRelay1TempInOut"},
        {185, "REL2:PROPS.TEN", "_cbRelay2Timed"},
        {202, "REL2:PROPS.SRP", "rbRelay2SendAnswerSMS"},
        {205, "REL2:ONM3.MTE", "_edRelay2TempInOut"},
    };
    const auto& params = ParameterCatalogue();
    for (const auto& c : cases) {
        const auto& p = params.at(c.row - 1);
        EXPECT_EQ(p.key, c.key) << "row " << c.row;
        EXPECT_EQ(p.control, c.control) << "row " << c.row;
    }
}

TEST(CatalogueTest, TestReportHasNoVoiceCallFields) {
    for (const char* key : {"EVH:TEST.T1", "EVH:TEST.T2", "EVH:TEST.T3", "EVH:TEST.T4"})
        EXPECT_EQ(FindParameter(key), nullptr) << key;
    EXPECT_NE(FindParameter("EVH:TEST.S4"), nullptr);
}

TEST(CatalogueTest, LookupIsExactAndCaseSensitive) {
    const ParamDef* p = FindParameter("CALL:USER1.PN");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p, &ParameterCatalogue()[0]);
    EXPECT_EQ(FindParameter("call:user1.pn"), nullptr);
    EXPECT_EQ(FindParameter("CALL:USER1.P"), nullptr);
    EXPECT_EQ(FindParameter("CALL:USER1.PN "), nullptr);
    EXPECT_EQ(FindParameter(""), nullptr);

    const StatusDef* s = FindStatus("RFP");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->control, "_edGsmSignalValue");
    EXPECT_EQ(s->kind, ControlKind::Edit);
    EXPECT_EQ(FindStatus("rfp"), nullptr);
    EXPECT_EQ(FindStatus("XYZ"), nullptr);
    EXPECT_EQ(FindStatus("TPv")->kind, ControlKind::Label);
    EXPECT_EQ(StatusCatalogue().back().key, "RE2");
}

TEST(CatalogueTest, DefaultsKindsAndRanges) {
    const struct {
        const char* key;
        ControlKind kind;
        const char* def;
        int min, max, step;
    } cases[] = {
        {"CALL:USER1.PN", ControlKind::Edit, "", 0, 0, 1},
        {"CALL:USER4.NMOD", ControlKind::ComboBox, "0", 0, 0, 1},
        {"CALL:FWNRS.MODE", ControlKind::CheckBox, "1", 0, 0, 1},
        {"EVH:TMPSA.CEID", ControlKind::Edit, "1391", 0, 0, 1},
        {"EVH:TEST.CEID", ControlKind::Edit, "1602", 0, 0, 1},
        {"EVH:BATTR.T4", ControlKind::CheckBox, "0", 0, 0, 1},
        {"SMS:TMPHR.SMS", ControlKind::Edit, "High temperature restore ($T)", 0, 0, 1},
        {"SMS:TMPSR.SMS", ControlKind::Edit, "Temperature sensor restore", 0, 0, 1},
        {"BATT:RANG.LOW", ControlKind::SpinEdit, "11500", 9000, 28000, 100},
        {"BATT:RANG.RES", ControlKind::SpinEdit, "12200", 9000, 28000, 100},
        {"EVH:PROPS.TESTFREQ", ControlKind::SpinEdit, "7", 0, 99, 1},
        {"DIN:Z2.SEN", ControlKind::SpinEdit, "200", 10, 600000, 10},
        {"DIN:Z1.POL", ControlKind::Edit, "NO", 0, 0, 1},
        {"TEMP:PROPS.EN", ControlKind::CheckBox, "0", 0, 0, 1},
        {"UID:CIDUID.CID", ControlKind::Edit, "0000", 0, 0, 1},
        {"TEMP:RANG.LOW", ControlKind::TrackBar, "0", -32, 60, 1},
        {"TEMP:RANG.HIGH", ControlKind::TrackBar, "40", -32, 60, 1},
        {"REL2:PROPS.TEN", ControlKind::CheckBox, "1", 0, 0, 1},
        {"REL2:PROPS.TIM", ControlKind::SpinEdit, "3", 1, 9999, 1},
        {"REL2:PROPS.MO", ControlKind::Edit, "1", 0, 0, 1},
        {"REL1:TMPH.VAL", ControlKind::TrackBar, "40", -32, 60, 1},
        {"REL2:ONM3.MTE", ControlKind::Edit, "0", 0, 0, 1},
    };
    for (const auto& c : cases) {
        const ParamDef* p = FindParameter(c.key);
        ASSERT_NE(p, nullptr) << c.key;
        EXPECT_EQ(p->kind, c.kind) << c.key;
        EXPECT_EQ(p->defaultValue, c.def) << c.key;
        if (c.kind == ControlKind::SpinEdit || c.kind == ControlKind::TrackBar) {
            EXPECT_EQ(p->minimum, c.min) << c.key;
            EXPECT_EQ(p->maximum, c.max) << c.key;
            EXPECT_EQ(p->step, c.step) << c.key;
        }
    }
}

// The relay blocks are twins: same fields in the same order, only the number differs.
TEST(CatalogueTest, RelayBlocksMirrorEachOther) {
    const auto& params = ParameterCatalogue();
    for (int i = 0; i < 21; ++i) {
        const auto& r1 = params[163 + i];
        const auto& r2 = params[184 + i];
        std::string k = r1.key, c = r1.control;
        k[3] = '2';
        c.replace(c.find("Relay1"), 6, "Relay2");
        EXPECT_EQ(r2.key, k);
        EXPECT_EQ(r2.control, c);
        EXPECT_EQ(r2.kind, r1.kind);
        EXPECT_EQ(r2.defaultValue, r1.defaultValue);
    }
}

}  // namespace
}  // namespace varnex
