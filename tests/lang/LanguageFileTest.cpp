#include "lang/LanguageFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {
namespace {

struct ParseCase {
    const char* name;
    std::string content;
    const char* key;
    const char* expected;
};

class LanguageSectionParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(LanguageSectionParse, FindsTheValue) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(LanguageSection::Parse(c.content).Value(c.key), c.expected);
}

const ParseCase kParseCases[] = {
    {"Plain", "[Language]\nbtnRead=Olvas\n", "btnRead", "Olvas"},
    {"ByteOrderMarkSkipped", "\xEF\xBB\xBF[Language]\nbtnRead=Olvas\n", "btnRead", "Olvas"},
    {"SectionAndKeyWithoutRegardToCase", "[language]\nLANGUAGE = Deutsch\n", "Language", "Deutsch"},
    {"BlanksTrimmedEverywhere", "  [ Language ]  \r\n\t btnRead \t=\t Olvas  \t\r\n", "btnRead", "Olvas"},
    {"InnerBlanksKept", "[Language]\nlbEvent1=01.  IN1  Riasztás\n", "lbEvent1", "01.  IN1  Riasztás"},
    {"SplitAtFirstEquals", "[Language]\nlbX=a = b=c\n", "lbX", "a = b=c"},
    {"BackslashRStaysTwoCharacters", "[Language]\ncmbACK1=a\\rb\\rc\n", "cmbACK1", "a\\rb\\rc"},
    {"CarriageReturnAloneEndsALine", "[Language]\rbtnRead=Olvas\rbtnOpen=Nyit", "btnOpen", "Nyit"},
    {"LastLineWithoutLineEnd", "[Language]\nbtnRead=Olvas", "btnRead", "Olvas"},
    {"CommentSkipped", "[Language]\n;btnRead=Nem\n  ; btnRead=Nem\nbtnRead=Igen\n", "btnRead", "Igen"},
    {"InlineSemicolonIsText", "[Language]\nbtnRead=Olvas ; nem komment\n", "btnRead", "Olvas ; nem komment"},
    {"BeforeFirstSectionIgnored", "btnRead=Korai\n[Language]\n", "btnRead", ""},
    {"OtherSectionIgnored", "[Settings]\nbtnRead=Nem\n[Language]\nbtnOpen=Nyit\n", "btnRead", ""},
    {"SectionSwitchesBack", "[Language]\n[Settings]\nbtnRead=Nem\n", "btnRead", ""},
    {"LanguageSectionsMerge", "[Language]\na=1\n[Other]\nb=2\n[LANGUAGE]\nbtnRead=Olvas\n", "btnRead", "Olvas"},
    {"FirstOccurrenceWins", "[Language]\nbtnRead=Első\nBTNREAD=Második\n", "btnRead", "Első"},
    {"EmptyFirstOccurrenceHidesLaterOne", "[Language]\nbtnRead=\nbtnRead=Olvas\n", "btnRead", ""},
    {"LineWithoutEqualsIgnored", "[Language]\nbtnRead\n[Language\nbtnOpen=Nyit\n", "btnRead", ""},
    {"UnclosedHeaderIsNotASection", "[Settings]\n[Language\nbtnOpen=Nyit\n", "btnOpen", ""},
    {"EmptyKeyNeverMatches", "[Language]\n=orphan\n", "", ""},
    {"Empty", "", "btnRead", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, LanguageSectionParse, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LanguageSection, KeepsBytesOfBinaryValuesAndOutlivesItsSource) {
    LanguageSection copy;
    {
        const LanguageSection section = LanguageSection::Parse(std::string("[Language]\nk=a\0b\xff\n", 17));
        copy = section;
    }
    EXPECT_EQ(copy.Value("K"), std::string_view("a\0b\xff", 4));
}

TEST(LanguageCode, OnlyCodesThatStayInTheDirectoryAreSafe) {
    for (const char* code : {"en", "hu", "de", "0", "pt-br", "x.y", "", "ő"}) EXPECT_TRUE(IsSafeLanguageCode(code)) << code;
    for (const char* code : {"../x", "..", "a/b", "a\\b", "c:x", "C:", "x..y", "de:stream", "/etc/x"})
        EXPECT_FALSE(IsSafeLanguageCode(code)) << code;
    EXPECT_FALSE(IsSafeLanguageCode(std::string_view("de\0x", 4)));
}

class LanguageFileReadTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }
    void Write(const char* name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    QTemporaryDir m_dir;
};

TEST_F(LanguageFileReadTest, ReadsARegularFile) {
    Write("hu.ini", "[Language]\nbtnRead=Olvas\n");
    const LanguageFileRead read = ReadLanguageFile(Path("hu.ini"));
    EXPECT_EQ(read.status, LanguageFileRead::Status::Read);
    EXPECT_EQ(read.content, "[Language]\nbtnRead=Olvas\n");
    EXPECT_FALSE(read.truncated);
}

// Nothing that is not a regular file is read, and a pipe with no writer must
// not block the window thread.
TEST_F(LanguageFileReadTest, WhatIsNotARegularFileCountsAsNoFile) {
    ASSERT_EQ(::mkfifo(Path("pipe.ini").c_str(), 0600), 0);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("dir.ini"));
    ASSERT_EQ(::symlink("nowhere.ini", Path("dangling.ini").c_str()), 0);
    for (const char* name : {"missing.ini", "pipe.ini", "dir.ini", "dangling.ini"})
        EXPECT_EQ(ReadLanguageFile(Path(name)).status, LanguageFileRead::Status::Missing) << name;
    EXPECT_EQ(ReadLanguageFile("/dev/zero").status, LanguageFileRead::Status::Missing);
}

TEST_F(LanguageFileReadTest, AnEntryThatCannotBeOpenedFails) {
    ASSERT_EQ(::symlink("loop.ini", Path("loop.ini").c_str()), 0);
    const LanguageFileRead read = ReadLanguageFile(Path("loop.ini"));
    EXPECT_EQ(read.status, LanguageFileRead::Status::Failed);
    EXPECT_FALSE(read.error.empty());
    EXPECT_TRUE(read.content.empty());
}

TEST_F(LanguageFileReadTest, AFileWithoutReadPermissionFails) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    Write("locked.ini", "[Language]\n");
    ASSERT_EQ(::chmod(Path("locked.ini").c_str(), 0), 0);
    EXPECT_EQ(ReadLanguageFile(Path("locked.ini")).status, LanguageFileRead::Status::Failed);
}

TEST_F(LanguageFileReadTest, ALongFileIsCutAtTheLastWholeLineWithinTheLimit) {
    const struct {
        std::string bytes;
        std::string content;
        bool truncated;
    } cases[] = {
        {"[Language]\nabc=1\n", "[Language]\nabc=1\n", false},  // exactly the limit
        {"[Language]\nabc=12\n", "[Language]\n", true},        // one byte over: half a line dropped
        {"[Language]\r\nab=1\r\n", "[Language]\r\nab=1\r", true},
        {"[Language]abcdefghij", "", true},  // no line end at all within the limit
    };
    for (const auto& c : cases) {
        Write("long.ini", c.bytes);
        const LanguageFileRead read = ReadLanguageFile(Path("long.ini"), 17);
        EXPECT_EQ(read.status, LanguageFileRead::Status::Read);
        EXPECT_EQ(read.content, c.content) << c.bytes;
        EXPECT_EQ(read.truncated, c.truncated) << c.bytes;
    }
}

}  // namespace
}  // namespace varnex
