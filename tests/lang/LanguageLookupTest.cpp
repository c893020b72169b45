#include "lang/LanguageLookup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <unistd.h>

#include "LangTestSupport.h"

namespace varnex {

// Readable failures for language lists.
void PrintTo(const LanguageDesc& d, std::ostream* os) { *os << d.name.toStdString() << "/" << d.code.toStdString(); }
bool operator==(const LanguageDesc& a, const LanguageDesc& b) { return a.name == b.name && a.code == b.code; }

namespace {

using test::ScopedCurrentDir;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

const LanguageDescList kBuiltIn = {{"English", "en"}, {"Magyar", "hu"}, {"Română", "ro"}, {"Čeština", "cz"}};

LanguageDescList Build() {
    LanguageDescList list;
    BuildLanguageList(list);
    return list;
}

TEST(BuildLanguageList, WithoutLanguageFilesOffersTheBuiltInLanguagesInOrder) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, QByteArray>> files;
    } cases[] = {
        {"empty directory", {}},
        {"settings file only", {{"mine.ini", "[Settings]\nCALL:USER1.PN=+3612345678\n"}}},
        {"file without a Language value", {{"hu.ini", "[Language]\nbtnRead=Olvas\n"}}},
        {"empty Language value", {{"xx.ini", "[Language]\nLanguage=\n"}}},
        {"Language outside its section", {{"yy.ini", "Language=Korai\n[Other]\nLanguage=Más\n"}}},
        {"not an .ini file", {{"de.txt", "[Language]\nLanguage=Deutsch\n"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedCurrentDir dir;
        for (const auto& [name, bytes] : c.files) dir.Write(name, bytes);
        EXPECT_EQ(Build(), kBuiltIn);
    }
}

TEST(BuildLanguageList, ALanguageFileNamesItsLanguageWhateverTheCaseOfItsName) {
    ScopedCurrentDir dir;
    dir.Write("DE.INI", "[language]\nlanguage = Deutsch\n");
    EXPECT_THAT(Build(), ElementsAre(LanguageDesc{"Deutsch", "de"}));
}

TEST(BuildLanguageList, OneValidFileReplacesTheBuiltInList) {
    ScopedCurrentDir dir;
    dir.Write("de.ini", "[Language]\nLanguage=Deutsch\n");
    dir.Write("Fr.Ini", "\xEF\xBB\xBF[Language]\nLanguage=Français\n");
    dir.Write("hu.ini", "[Language]\nbtnRead=Olvas\n");
    dir.Write("settings.ini", "[Settings]\nUID:CIDUID.CID=1234\n");
    EXPECT_THAT(Build(), UnorderedElementsAre(LanguageDesc{"Deutsch", "de"}, LanguageDesc{"Français", "fr"}));
}

TEST(BuildLanguageList, NamesThatDifferOnlyInCaseOfferTheirLanguageOnce) {
    ScopedCurrentDir dir;
    dir.Write("de.ini", "[Language]\nLanguage=Deutsch\n");
    dir.Write("DE.ini", "[Language]\nLanguage=Anders\n");
    // The exactly named file serves the code, so it names the language too.
    EXPECT_THAT(Build(), ElementsAre(LanguageDesc{"Deutsch", "de"}));
}

// Names the listing hands out are untrusted as well: one that would read as
// a path elsewhere, or an entry that is not a regular file, offers nothing.
TEST(BuildLanguageList, EntriesThatAreNoSafeRegularFilesAreNotOffered) {
    ScopedCurrentDir dir;
    dir.Write("c:de.ini", "[Language]\nLanguage=Drive\n");
    dir.Write("a\\b.ini", "[Language]\nLanguage=Backslash\n");
    dir.Write("...ini", "[Language]\nLanguage=Dots\n");
    ASSERT_EQ(::mkfifo(dir.FilePath("pipe.ini").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_EQ(Build(), kBuiltIn);
}

TEST(BuildLanguageList, AnUnreadableLanguageFileIsAnError) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    ScopedCurrentDir dir;
    dir.Write("de.ini", "[Language]\nLanguage=Deutsch\n");
    ASSERT_EQ(::chmod(dir.FilePath("de.ini").toLocal8Bit().constData(), 0), 0);
    EXPECT_THROW(Build(), LanguageError);
}

TEST(LookupText, TheFileComesFirstAndTheTableFillsTheGaps) {
    ScopedCurrentDir dir;
    dir.Write("hu.ini", "[Language]\nbtnRead=Olvas\nbtnOpen=\nTabSheet1=Modem\n");
    const struct {
        const char* code;
        const TranslationTable* table;
        const char* key;
        const char* expected;
    } cases[] = {
        {"hu", &HungarianTable(), "btnRead", "Olvas"},
        {"hu", &HungarianTable(), "BTNREAD", "Olvas"},        // the file ignores case...
        {"hu", &HungarianTable(), "BtnWrite", ""},            // ...the table does not
        {"hu", &HungarianTable(), "btnOpen", "Megnyitás"},    // an empty value is no text
        {"hu", &HungarianTable(), "tsSettings", "Beállítások"},
        {"hu", &HungarianTable(), "lbCent1", ""},             // empty in the table, and no file text
        {"hu", &HungarianTable(), "TabSheet1", "Modem"},      // a control without a built-in key
        {"hu", nullptr, "tsSettings", ""},
        {"de", &EnglishTable(), "btnRead", "Read"},           // no de.ini
        {"de", &EnglishTable(), "lbCent1", "Mon."},
        {"ro", &RomanianTable(), "btnRead", "Citire"},
        {"cz", &CzechTable(), "lbCent1", "ARC."},
        {"xx", nullptr, "btnRead", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookupText(c.code, c.table, c.key), QString::fromUtf8(c.expected)) << c.code << " " << c.key;
}

TEST(LookupText, ComboItemSeparatorsStayAsWritten) {
    ScopedCurrentDir dir;
    dir.Write("xx.ini", "[Language]\ncmbACK1=a\\rb\\rc\n");
    EXPECT_EQ(LookupText("xx", &EnglishTable(), "cmbACK1"), "a\\rb\\rc");
    EXPECT_EQ(LookupText("xx", &EnglishTable(), "cmbACK1").size(), 7);
}

TEST(LookupText, EveryLookupReadsTheFileAfresh) {
    ScopedCurrentDir dir;
    EXPECT_EQ(LookupText("hu", &HungarianTable(), "btnRead"), "Beolvasás");
    dir.Write("hu.ini", "[Language]\nbtnRead=Olvas\n");
    EXPECT_EQ(LookupText("hu", &HungarianTable(), "btnRead"), "Olvas");
    dir.Write("hu.ini", "[Language]\nbtnRead=Olvasd\n");
    EXPECT_EQ(LookupText("hu", &HungarianTable(), "btnRead"), "Olvasd");
    QFile::remove(dir.FilePath("hu.ini"));
    EXPECT_EQ(LookupText("hu", &HungarianTable(), "btnRead"), "Beolvasás");
}

TEST(LanguageFilePath, ACodeFindsItsFileWhateverTheCaseOfTheName) {
    ScopedCurrentDir dir;
    const QDir here(dir.path());
    dir.Write("DE.INI", "[Language]\nbtnRead=Lesen\n");
    dir.Write("Fr.ini", "[Language]\nbtnRead=Lire\n");
    dir.Write("fR.ini", "[Language]\nbtnRead=Autre\n");
    EXPECT_EQ(LanguageFilePath(here, "de"), here.filePath("DE.INI"));
    EXPECT_EQ(LanguageFilePath(here, "fr"), here.filePath("Fr.ini"));  // the first of several, by name
    EXPECT_EQ(LanguageFilePath(here, "it"), here.filePath("it.ini"));  // none: the plain name
    EXPECT_EQ(LookupText("de", &EnglishTable(), "btnRead"), "Lesen");
    dir.Write("fr.ini", "[Language]\nbtnRead=Exact\n");
    EXPECT_EQ(LanguageFilePath(here, "fr"), here.filePath("fr.ini"));  // the exact name wins
}

TEST(LookupText, ACodeThatWouldReachOutsideTheDirectoryHasNoFile) {
    ScopedCurrentDir dir;
    dir.Write("x.ini", "[Language]\nbtnRead=Outside\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    dir.Write("sub/x.ini", "[Language]\nbtnRead=Below\n");
    ASSERT_TRUE(QDir::setCurrent(dir.FilePath("sub")));
    EXPECT_EQ(LookupText("x", &EnglishTable(), "btnRead"), "Below");  // the control case
    for (const char* code : {"../x", "..\\x", "..", "./x", "sub/x", "c:x", "C:\\x", "/etc/passwd", "x:y"})
        EXPECT_EQ(LookupText(code, &EnglishTable(), "btnRead"), "Read") << code;
    EXPECT_EQ(LanguageFilePath(QDir::current(), "../x"), QString());
}

TEST(LookupText, AFileThatExistsButCannotBeReadIsAnErrorNamingIt) {
    ScopedCurrentDir dir;
    ASSERT_EQ(::symlink("hu.ini", dir.FilePath("hu.ini").toLocal8Bit().constData()), 0);  // a loop
    try {
        LookupText("hu", &HungarianTable(), "btnRead");
        FAIL() << "no error";
    } catch (const LanguageError& e) {
        EXPECT_TRUE(e.message().contains("hu.ini")) << e.message().toStdString();
    }
}

TEST(LookupText, AHugeFileIsReadOnlyUpToItsLimit) {
    ScopedCurrentDir dir;
    QByteArray bytes = "[Language]\nLanguage=Big\n";
    const QByteArray filler = "; " + QByteArray(1000, 'x') + "\n";
    while (bytes.size() <= qsizetype(kMaxLanguageFileBytes)) bytes += filler;
    bytes += "btnRead=Late\n";
    dir.Write("big.ini", bytes);
    EXPECT_EQ(LookupText("big", &EnglishTable(), "Language"), "Big");
    EXPECT_EQ(LookupText("big", &EnglishTable(), "btnRead"), "Read");
    LanguageDescList list;
    BuildLanguageList(list);
    EXPECT_THAT(list, ElementsAre(LanguageDesc{"Big", "big"}));
}

TEST(LookupText, ABinaryFileGivesWhatTextItHoldsAndNoMore) {
    ScopedCurrentDir dir;
    QByteArray bytes(64 * 1024, '\0');
    QRandomGenerator random(7);
    for (char& b : bytes) b = static_cast<char>(random.bounded(256));
    bytes += QByteArray("\n[Language]\nbtnRead=\xC3\xA9\xFF") + QByteArray(1, '\0') + "z\n";
    dir.Write("bin.ini", bytes);
    const QString text = LookupText("bin", &EnglishTable(), "btnRead");
    EXPECT_TRUE(text.startsWith(QStringLiteral("é"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QChar(0xFFFD)));  // the invalid byte, replaced
}

}  // namespace
}  // namespace varnex
