#include "params/SettingsFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "params/ControlCodec.h"
#include "params/Unprivileged.h"
#include "support/CatalogueWindow.h"

namespace varnex {
namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString OtherValue(const ParamDef& row) { return QString::fromStdString(testing::OtherValue(row)); }

class SettingsFiles : public ::testing::Test {
protected:
    QString File(const QString& name) { return dir.filePath(name); }
    QTemporaryDir dir;
    testing::CatalogueWindow ui;
};

TEST_F(SettingsFiles, AFreshWindowSavesTheSectionAndEveryDefaultInOrder) {
    EXPECT_EQ(SaveSettingsFile(File("config"), ui.parameters).toStdString(), "Saved 205 settings to config.ini.");
    QByteArray expected = "[Settings]\r\n";
    for (const auto& row : ParameterCatalogue()) expected += QByteArray::fromStdString(row.control + "=" + row.defaultValue + "\r\n");
    EXPECT_EQ(Read(File("config.ini")), expected);
    EXPECT_TRUE(expected.startsWith("[Settings]\r\nEditPhoneNumber1=\r\nEditPhoneNumber2=\r\n"));
    EXPECT_TRUE(expected.endsWith("_edRelay2TempInOut=0\r\n"));
}

TEST_F(SettingsFiles, WhatIsSavedOpensAgain) {
    for (const auto& row : ParameterCatalogue()) ui.SetValue(row.control, OtherValue(row));
    ui.SetValue("edSMS1", "  padded  ");
    ui.SetValue("edSMS2", "\"quoted\"");
    SaveSettingsFile(File("site.ini"), ui.parameters);
    // Written in quotes, so that the reading rules (trim, then drop one pair
    // of quotes) give back the text itself.
    EXPECT_TRUE(Read(File("site.ini")).contains("edSMS1=\"  padded  \"\r\n"));
    EXPECT_TRUE(Read(File("site.ini")).contains("edSMS2=\"\"quoted\"\"\r\n"));
    testing::CatalogueWindow other;
    EXPECT_EQ(OpenSettingsFile(File("site.ini"), other.parameters).toStdString(), "Opened 205 settings from site.ini.");
    for (const auto& row : ParameterCatalogue())
        ASSERT_EQ(other.Value(row.control).toStdString(), ui.Value(row.control).toStdString()) << row.control;
}

// Every awkward text comes back from a save and an open exactly as it was.
TEST_F(SettingsFiles, AwkwardTextsComeBackExactly) {
    const QStringList texts = {
        "Alarm ",    " Alarm",      "  ",   "\"quoted\"", "'single'", "\"",    "'",  "say \"hi\" now",
        "\"\"",      "\"x'",         "\tTab", "a=b",        "[Settings]", ";note", "",   "Riasztás: ŐŰ őű",
        "Poplach č. 1 ŠČŘŽ", "Alarmă ăâî ş ţ", QString(2047, 'x'), QString(2046, 'x') + ' ',
    };
    const char* const edits[] = {"edSMS1", "edSMS2", "edSMS3", "edSMS4", "edSMS5", "edSMS6", "edSMS7",
                                 "edSMS8", "edSMS9", "edSMS10", "edSMS11", "edSMSTEMP_S", "edSMSTEMP_R",
                                 "EditPhoneNumber1", "EditPhoneNumber2", "EditPhoneNumber3", "EditPhoneNumber4",
                                 "EditPhoneNumberSu", "edTCentrPhone1"};
    for (int round = 0; round < texts.size(); round += 19) {
        for (int i = round; i < texts.size() && i < round + 19; ++i) ui.SetValue(edits[i - round], texts[i]);
        SaveSettingsFile(File("awkward.ini"), ui.parameters);
        testing::CatalogueWindow other;
        OpenSettingsFile(File("awkward.ini"), other.parameters);
        for (int i = round; i < texts.size() && i < round + 19; ++i)
            EXPECT_EQ(other.Value(edits[i - round]).toStdString(), texts[i].toStdString()) << i;
    }
}

TEST_F(SettingsFiles, UTF8AndUTF16FilesAreReadAndWrittenInTheirEncoding) {
    Write(File("u8.ini"), "\xEF\xBB\xBF[Settings]\r\nedSMS1=\xC3\xA1rv\xC3\xADz \xE4\xB8\xAD\r\n");
    EXPECT_EQ(OpenSettingsFile(File("u8.ini"), ui.parameters).toStdString(),
              "Opened 1 of 205 settings from u8.ini; the others were set empty.");
    EXPECT_EQ(ui.Value("edSMS1").toStdString(), "árvíz 中");
    ui.SetValue("edSMS2", QString::fromUtf8("Žluť ș"));
    EXPECT_EQ(SaveSettingsFile(File("u8.ini"), ui.parameters).toStdString(),
              "Saved 205 settings to u8.ini. 1 text holds characters the module cannot store.");
    const QByteArray u8 = Read(File("u8.ini"));
    EXPECT_TRUE(u8.startsWith("\xEF\xBB\xBF[Settings]\r\nedSMS1=\xC3\xA1rv\xC3\xADz \xE4\xB8\xAD\r\n"));
    EXPECT_TRUE(u8.contains("edSMS2=\xC5\xBDlu\xC5\xA5 \xC8\x99\r\n"));

    QByteArray u16("\xFF\xFE", 2);
    for (QChar c : QString("[Settings]\r\nedSMS1=Žluť 中\r\n")) u16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    Write(File("u16.ini"), u16);
    OpenSettingsFile(File("u16.ini"), ui.parameters);
    EXPECT_EQ(ui.Value("edSMS1").toStdString(), "Žluť 中");
    SaveSettingsFile(File("u16.ini"), ui.parameters);
    testing::CatalogueWindow other;
    OpenSettingsFile(File("u16.ini"), other.parameters);
    for (const auto& row : ParameterCatalogue())
        ASSERT_EQ(other.Value(row.control).toStdString(), ui.Value(row.control).toStdString()) << row.control;
    EXPECT_TRUE(Read(File("u16.ini")).startsWith(u16));

    // A Windows-1250 file, like the module, gets "?" for what it cannot hold.
    EXPECT_EQ(SaveSettingsFile(File("ansi.ini"), ui.parameters).toStdString(),
              "Saved 205 settings to ansi.ini. 1 text holds characters the module cannot store; the file has \"?\" in "
              "their place.");
    EXPECT_TRUE(Read(File("ansi.ini")).contains("edSMS1=\x8Elu\x9D ?\r\n"));
}

TEST_F(SettingsFiles, AFileTooLargeIsRefusedAndNothingChanges) {
    QByteArray big = "[Settings]\r\nEditPhoneNumber1=+361\r\n";
    big += QByteArray(1024 * 1024 + 1 - big.size(), ';');
    Write(File("big.ini"), big);
    ui.SetValue("EditPhoneNumber1", "+3620");
    for (bool save : {false, true}) {
        try {
            save ? SaveSettingsFile(File("big.ini"), ui.parameters) : OpenSettingsFile(File("big.ini"), ui.parameters);
            FAIL() << "no error";
        } catch (const SettingsFileError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + File("big.ini").toStdString() + "' is too large to be a settings file");
        }
    }
    EXPECT_EQ(ui.Value("EditPhoneNumber1").toStdString(), "+3620");
    EXPECT_EQ(Read(File("big.ini")), big);
}

TEST_F(SettingsFiles, AReadOnlyFileIsNotWrittenOver) {
    const auto run = testing::RunUnprivileged([this](const std::string& folder, testing::Checks& check) {
        const QString path = QString::fromStdString(folder + "/ro.ini");
        Write(path, "[Settings]\r\nedCID1=1130\r\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        try {
            SaveSettingsFile(path, ui.parameters);
            check.Expect(false, "a read-only file was saved over");
        } catch (const SettingsFileError& e) {
            check.Expect(std::string(e.what()) == "Unable to write to " + path.toStdString(), e.what());
        }
        check.Expect(Read(path) == "[Settings]\r\nedCID1=1130\r\n", "the read-only file changed");
        check.Expect(QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden) == QStringList{"ro.ini"},
                     "a temporary file was left behind");
    });
    if (!run.skipped.empty()) GTEST_SKIP() << "no user other than root: " << run.skipped;
    EXPECT_EQ(run.failures, "");
}

TEST_F(SettingsFiles, SavingKeepsWhatElseTheFileHolds) {
    Write(File("mixed.ini"), "; installer notes\r\n[Site]\r\nname=Depot 4\r\n[SETTINGS]\r\nforeign=keep\r\ncbSMSFW=1\r\n");
    ui.SetValue("cbSMSfw", "0");
    SaveSettingsFile(File("mixed.ini"), ui.parameters);
    const QByteArray saved = Read(File("mixed.ini"));
    EXPECT_TRUE(saved.startsWith("; installer notes\r\n[Site]\r\nname=Depot 4\r\n[SETTINGS]\r\nforeign=keep\r\ncbSMSfw=0\r\n"));
    EXPECT_EQ(saved.count("cbSMSfw="), 1);
    EXPECT_EQ(saved.count("\r\n"), 5 + 205);  // five kept lines and the 205 entries
}

TEST_F(SettingsFiles, EntriesAreFoundWhateverTheirCaseAndMissingOnesApplyEmpty) {
    Write(File("few.ini"), "[settings]\nEDITPHONENUMBER1=+3612345\nCMBACK1=2\n");
    ui.SetValue("cbSMSfw", "0");
    EXPECT_EQ(OpenSettingsFile(File("few.ini"), ui.parameters).toStdString(),
              "Opened 2 of 205 settings from few.ini; the others were set empty.");
    EXPECT_EQ(ui.Value("EditPhoneNumber1").toStdString(), "+3612345");
    EXPECT_EQ(ui.Value("cmbACK1").toStdString(), "2");
    EXPECT_EQ(ui.Value("cbSMSfw").toStdString(), "1");  // the empty text checks a box
    EXPECT_EQ(ui.Value("edCID1").toStdString(), "");
}

TEST_F(SettingsFiles, AFileWithoutTheSectionEmptiesEverySetting) {
    Write(File("other.ini"), "[Network]\nEditPhoneNumber1=1\n");
    EXPECT_EQ(OpenSettingsFile(File("other.ini"), ui.parameters).toStdString(),
              "other.ini holds no settings: every setting was set empty.");
    EXPECT_EQ(ui.Value("EditPhoneNumber1").toStdString(), "");
}

TEST_F(SettingsFiles, ABadNumberStopsTheOpenAtItsRow) {
    const auto& rows = ParameterCatalogue();
    std::size_t bad = 0;
    while (rows[bad].control != "tbMaxTemp") ++bad;
    QByteArray text = "[Settings]\r\n";
    for (std::size_t i = 0; i < rows.size(); ++i)
        text += QByteArray::fromStdString(rows[i].control + "=") +
                (i == bad ? QByteArray("abc") : OtherValue(rows[i]).toUtf8()) + "\r\n";
    Write(File("bad.ini"), text);
    try {
        OpenSettingsFile(File("bad.ini"), ui.parameters);
        FAIL() << "no conversion error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].kind == ControlKind::Edit && OtherValue(rows[i]).contains(QChar(0x151))) continue;  // not UTF-8 on disk
        ASSERT_EQ(ui.Value(rows[i].control).toStdString(),
                  i < bad ? OtherValue(rows[i]).toStdString() : rows[i].defaultValue)
            << rows[i].control;
    }
}

TEST_F(SettingsFiles, AMissingFileChangesNothing) {
    ui.SetValue("EditPhoneNumber1", "+361");
    EXPECT_THROW(OpenSettingsFile(File("absent.ini"), ui.parameters), SettingsFileError);
    EXPECT_EQ(ui.Value("EditPhoneNumber1").toStdString(), "+361");
}

TEST_F(SettingsFiles, AnUnwritablePlaceLeavesTheOldFile) {
    QDir(dir.path()).mkdir("folder.ini");
    try {
        SaveSettingsFile(File("folder.ini"), ui.parameters);
        FAIL() << "no error";
    } catch (const SettingsFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + File("folder.ini").toStdString());
    }
    EXPECT_THROW(SaveSettingsFile(File("no/such/dir/x.ini"), ui.parameters), SettingsFileError);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);  // no temporary file left behind
}

}  // namespace
}  // namespace varnex
