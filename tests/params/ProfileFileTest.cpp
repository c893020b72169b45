#include "params/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace varnex {
namespace {

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/varnex-profile-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ProfileFile FromBytes(const TempDir& dir, const std::string& bytes) {
    Put(dir.File("in.ini"), bytes);
    ProfileFile f;
    EXPECT_TRUE(f.Load(dir.File("in.ini")));
    return f;
}

TEST(ProfileFile, ReadingFollowsTheProfileRules) {
    TempDir dir;
    const std::string text =
        "; comment\r\n"
        "[Other]\r\nedCID1=9999\r\n"
        "  [settings]  \r\n"
        "EDITPHONENUMBER1 =  +36 30 123  \r\n"
        "edSMS1=\"  quoted  \"\r\n"
        "edSMS2='single'\r\n"
        "edSMS3=\"unbalanced\r\n"
        "edSMS4=a=b\r\n"
        "edCID1=1130\r\n"
        "edCID1=2222\r\n"
        "[Settings]\r\nedCID2=3333\r\n"
        "noequals\n"
        "edCID3=\xE1rv\xED\x9E\n";  // Windows-1250 letters, LF only
    const ProfileFile f = FromBytes(dir, text);
    struct Case {
        const wchar_t* key;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"EditPhoneNumber1", L"+36 30 123"},
        {L"edSMS1", L"  quoted  "},
        {L"edSMS2", L"single"},
        {L"edSMS3", L"\"unbalanced"},
        {L"edSMS4", L"a=b"},
        {L"edCID1", L"1130"},   // the first entry of the first matching section
        {L"edCID2", L"(none)"},  // in a second section of the same name: not seen
        {L"edCID3", L"(none)"},
        {L"missing", L"(none)"},
    };
    for (const auto& c : cases) EXPECT_EQ(f.ReadString(L"Settings", c.key, L"(none)"), c.value) << c.key;
    EXPECT_EQ(FromBytes(dir, "[Settings]\nedCID3=\xE1rv\xED\x9E\n").ReadString(L"SETTINGS", L"edcid3"), L"árvíž");
}

TEST(ProfileFile, ALongValueIsCutAtTheLimit) {
    TempDir dir;
    const ProfileFile f = FromBytes(dir, "[Settings]\nedSMS1=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(f.ReadString(L"Settings", L"edSMS1").size(), ProfileFile::kMaxValue);
}

TEST(ProfileFile, WritingKeepsEveryOtherLine) {
    TempDir dir;
    ProfileFile f = FromBytes(dir,
                              "; kept\n[Other]\nedCID1=9999\n\n[SETTINGS]\nforeign=1\nEDCID1=1\n\n\n[Tail]\nx=y");
    f.WriteString(L"Settings", L"edCID1", L"1130");
    f.WriteString(L"Settings", L"edCID2", L"3130");
    f.WriteString(L"Extra", L"a", L"b");
    EXPECT_EQ(f.Bytes(),
              "; kept\n[Other]\nedCID1=9999\n\n[SETTINGS]\nforeign=1\nedCID1=1130\r\nedCID2=3130\r\n\n\n[Tail]\nx=y\r\n"
              "[Extra]\r\na=b\r\n");
}

TEST(ProfileFile, ANewFileHoldsTheSectionAndItsEntries) {
    TempDir dir;
    ProfileFile f;
    ASSERT_TRUE(f.Load(dir.File("new.ini")));
    f.WriteString(L"Settings", L"EditPhoneNumber1", L"");
    f.WriteString(L"Settings", L"edSMS1", L"Riasztás \"1\"\r\nedCID1=0");
    ASSERT_TRUE(f.Save(dir.File("new.ini")));
    EXPECT_EQ(Get(dir.File("new.ini")),
              "[Settings]\r\nEditPhoneNumber1=\r\nedSMS1=Riaszt\xE1s \"1\"  edCID1=0\r\n");
}

TEST(ProfileFile, AFailedSaveLeavesTheOldFile) {
    TempDir dir;
    ProfileFile f;
    f.WriteString(L"Settings", L"edCID1", L"1130");
    EXPECT_FALSE(f.Save(dir.File("no-such-dir/x.ini")));
    Put(dir.File("keep.ini"), "old");
    ASSERT_EQ(::chmod(dir.path.c_str(), 0500), 0);
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_FALSE(f.Save(dir.File("keep.ini")));
    }
    ASSERT_EQ(::chmod(dir.path.c_str(), 0700), 0);
    EXPECT_EQ(Get(dir.File("keep.ini")), "old");
    ::mkdir(dir.File("adir.ini").c_str(), 0700);
    EXPECT_FALSE(f.Save(dir.File("adir.ini")));
}

TEST(ProfileFile, SavingKeepsTheModeAndReplacesALinksTarget) {
    TempDir dir;
    Put(dir.File("real.ini"), "[Settings]\nedCID1=1\n");
    ::chmod(dir.File("real.ini").c_str(), 0640);
    ASSERT_EQ(::symlink(dir.File("real.ini").c_str(), dir.File("link.ini").c_str()), 0);
    ProfileFile f;
    ASSERT_TRUE(f.Load(dir.File("link.ini")));
    f.WriteString(L"Settings", L"edCID1", L"2");
    ASSERT_TRUE(f.Save(dir.File("link.ini")));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(dir.File("real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Get(dir.File("real.ini")), "[Settings]\nedCID1=2\r\n");
}

TEST(ProfileFile, AFileThatCannotBeReadFailsToLoad) {
    TempDir dir;
    ::mkdir(dir.File("d.ini").c_str(), 0700);
    ProfileFile f;
    EXPECT_FALSE(f.Load(dir.File("d.ini")));
    EXPECT_TRUE(f.Load(dir.File("absent.ini")));
}

TEST(SettingsFileName, IniIsAddedUnlessPresent) {
    const std::pair<const char*, const char*> cases[] = {
        {"config", "config.ini"}, {"config.INI", "config.INI"}, {"a.in", "a.in.ini"},
        {"ab", "ab.ini"},         {".ini", ".ini"},             {"/x/site.Ini", "/x/site.Ini"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(SettingsFileName(in), out) << in;
}

}  // namespace
}  // namespace varnex
