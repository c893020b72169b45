#include "params/ProfileFile.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "params/Unprivileged.h"

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

std::string Utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t w : text) {
        auto c = static_cast<std::uint32_t>(w);
        auto unit = [&](std::uint32_t u) {
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        };
        if (c > 0xFFFF) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

// Rules checked against the Windows profile functions (as Wine implements
// them), each on a file of its own.
TEST(ProfileFile, ReadsAsTheWindowsProfileFunctions) {
    const std::wstring none = L"(none)";
    struct Case {
        const char* what;
        std::string bytes;
        const wchar_t* key;
        std::wstring value;
    };
    const Case cases[] = {
        {"an unclosed header is no section", "[Settings\r\n[Settings]\r\nedCID1=1130\r\n", L"edCID1", L"1130"},
        {"an unclosed header is an entry", "[Settings]\r\n[edCID1\r\nedCID1=1130\r\n", L"edCID1", L"1130"},
        {"a name alone is an entry and wins", "[Settings]\r\nedCID1\r\nedCID1=1130\r\n", L"edCID1", none},
        {"a lone CR ends a line", "[Settings]\redCID1=1\redCID2=2", L"edCID2", L"2"},
        {"the header name is trimmed", "[ Settings\t]\r\nedCID1=1\r\n", L"edCID1", L"1"},
        {"the header ends at its last ]", "[Set]tings]\r\nedCID1=1\r\n", L"edCID1", none},
        {"text after the header", "[Settings] ;x\r\nedCID1=1\r\n", L"edCID1", L"1"},
        {"VT, FF and ^Z are blanks", "[Settings]\r\nedCID1=\v\f1130\x1a\r\n", L"edCID1", L"1130"},
        {"a no-break space is text", "[Settings]\r\nedSMS1=\xA0x\xA0\r\n", L"edSMS1", L"\u00A0x\u00A0"},
        {"a NUL ends the value", std::string("[Settings]\r\nedSMS1=ab\0cd\r\n", 23), L"edSMS1", L"ab"},
        {"a NUL ends the name", std::string("[Settings]\r\nedSMS1\0x=y\r\n", 22), L"edSMS1", L"y"},
        {"a lone quote stays", "[Settings]\r\nedSMS1=\"\r\n", L"edSMS1", L"\""},
        {"an empty pair goes", "[Settings]\r\nedSMS1=\"\"\r\n", L"edSMS1", L""},
        {"unlike quotes stay", "[Settings]\r\nedSMS1=\"x'\r\n", L"edSMS1", L"\"x'"},
        {"blanks inside quotes stay", "[Settings]\r\nedSMS1= \" x \" \r\n", L"edSMS1", L" x "},
        {"only ASCII letters fold", "\xEF\xBB\xBF[Settings]\r\nedC\xC4\xB0" "D1=1\r\n", L"edCiD1", none},
        {"a UTF-8 file", "\xEF\xBB\xBF[Settings]\r\nedSMS1=\xC3\xA1rv\xC3\xADz \xE4\xB8\xAD\r\n", L"edSMS1",
         L"árvíz 中"},
        {"UTF-8 gone wrong", "\xEF\xBB\xBF[Settings]\r\nedSMS1=a\xED\xA0\x80" "b\xE2\x82" "c\r\n", L"edSMS1",
         L"a\uFFFD\uFFFDb\uFFFDc"},
        {"UTF-8 cut off by the end", "\xEF\xBB\xBF[Settings]\r\nedSMS1=a\xF0\x9F", L"edSMS1", L"a\uFFFD"},
        {"a UTF-16 file", "\xFF\xFE" + Utf16(L"[Settings]\r\nedSMS1=Žluť 😀\r\n"), L"edSMS1", L"Žluť 😀"},
        {"UTF-16 with half a unit at the end", "\xFF\xFE" + Utf16(L"[Settings]\r\nedSMS1=x\r\n") + "y", L"edSMS1",
         L"x"},
        {"a big-endian mark is no mark", "\xFE\xFF[Settings]\r\n[Settings]\r\nedSMS1=\xFE\r\n", L"edSMS1", L"ţ"},
        {"quotes come off before the limit", "[Settings]\r\nedSMS1=\"" + std::string(2047, 'x') + "\"\r\n",
         L"edSMS1", std::wstring(2047, L'x')},
        {"the limit counts UTF-16 units", "\xEF\xBB\xBF[Settings]\r\nedSMS1=" + std::string(2046, 'x') +
         "\xF0\x9F\x98\x80" "z\r\n", L"edSMS1", std::wstring(2046, L'x') + L"\xD83D"},
    };
    for (const auto& c : cases) {
        ProfileFile f;
        f.Parse(c.bytes);
        EXPECT_EQ(f.ReadString(L"Settings", c.key, none), c.value) << c.what;
        EXPECT_EQ(f.Bytes(), c.bytes) << c.what;  // reading changes nothing
    }
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

// Texts the reading rules would change if they stood in the file as they
// are: each is written so that it reads back exactly, in every encoding.
TEST(ProfileFile, EveryAwkwardTextReadsBackExactly) {
    const std::vector<std::wstring> texts = {
        L"Alarm ",  L" Alarm",   L"  ",       L"\"quoted\"", L"'single'", L"\"",      L"'",
        L"a\"b\"c", L"\"\"",     L"''",       L"\"x'",       L"\tTab",    L"x\v",     L"\x1a",
        L"\"  \"",  L" \"a\" ",  L"a=b",      L"[Settings]", L";c",       L"",        L"őű ŽČ ăî ş",
        std::wstring(2047, L'x'), std::wstring(2046, L'x') + L" ", L" " + std::wstring(2045, L'x') + L"\"",
    };
    const std::pair<const char*, std::string> files[] = {
        {"Windows-1250", ""}, {"UTF-8", "\xEF\xBB\xBF"}, {"UTF-16", "\xFF\xFE"}};
    for (const auto& [encoding, start] : files) {
        ProfileFile f;
        f.Parse(start);
        for (std::size_t i = 0; i < texts.size(); ++i) f.WriteString(L"Settings", L"edSMS" + std::to_wstring(i), texts[i]);
        f.WriteString(L"Settings", L"EDSMS0", texts[0]);  // a second write replaces the first
        ProfileFile again;
        again.Parse(f.Bytes());
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(again.ReadString(L"Settings", L"edSMS" + std::to_wstring(i)), texts[i]) << encoding << " " << i;
        EXPECT_EQ(f.Bytes().substr(0, start.size()), start) << encoding;
    }
    // Only texts that need them get quotes; every other value is written as
    // it is, so a plain save stays as it was.
    ProfileFile f;
    f.WriteString(L"Settings", L"edSMS1", L"Alarm ");
    f.WriteString(L"Settings", L"edSMS2", L"Alarm");
    f.WriteString(L"Settings", L"edSMS3", L"\"");
    f.WriteString(L"Settings", L"edSMS4", L"say \"hi\"");
    f.WriteString(L"Settings", L"edSMS5", L"'x'");
    EXPECT_EQ(f.Bytes(),
              "[Settings]\r\nedSMS1=\"Alarm \"\r\nedSMS2=Alarm\r\nedSMS3=\"\r\nedSMS4=say \"hi\"\r\nedSMS5=\"'x'\"\r\n");
}

// A file in UTF-8 or UTF-16 is written in its own encoding, characters that
// Windows-1250 lacks included; any other file stays Windows-1250.
TEST(ProfileFile, WritingKeepsTheFilesEncoding) {
    struct Case {
        const char* what;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"Windows-1250", "[Settings]\r\nedSMS1=x\r\n", "[Settings]\r\nedSMS1=\xF5 ? \xBA\r\nedSMS2=1\r\n"},
        {"UTF-8", "\xEF\xBB\xBF[Settings]\r\nedSMS1=x\r\n",
         "\xEF\xBB\xBF[Settings]\r\nedSMS1=\xC5\x91 \xE4\xB8\xAD \xC8\x99\r\nedSMS2=1\r\n"},
        {"UTF-16", "\xFF\xFE" + Utf16(L"[Settings]\r\nedSMS1=x\r\n"),
         "\xFF\xFE" + Utf16(L"[Settings]\r\nedSMS1=ő 中 ș\r\nedSMS2=1\r\n")},
        {"UTF-16, new section after half a unit", "\xFF\xFE" + Utf16(L"[A]\r\nb=c") + "z",
         "\xFF\xFE" + Utf16(L"[A]\r\nb=c\r\n[Settings]\r\nedSMS1=ő 中 ș\r\nedSMS2=1\r\n") + "z"},
        {"only a mark", "\xEF\xBB\xBF", "\xEF\xBB\xBF[Settings]\r\nedSMS1=\xC5\x91 \xE4\xB8\xAD \xC8\x99\r\nedSMS2=1\r\n"},
        // The last line's cut-off sequence swallows its "]"; with a line end
        // after it, it would become a header and take the new entries. It is
        // written as it read.
        {"UTF-8 cut off at the end", "\xEF\xBB\xBF[Settings]\r\n[x\xF3]",
         "\xEF\xBB\xBF[Settings]\r\n[x\xEF\xBF\xBD\r\nedSMS1=\xC5\x91 \xE4\xB8\xAD \xC8\x99\r\nedSMS2=1\r\n"},
    };
    for (const auto& c : cases) {
        ProfileFile f;
        f.Parse(c.before);
        f.WriteString(L"Settings", L"edSMS1", L"ő 中 ș");
        f.WriteString(L"Settings", L"edSMS2", L"1");
        EXPECT_EQ(f.Bytes(), c.after) << c.what;
        ProfileFile again;
        again.Parse(f.Bytes());
        EXPECT_EQ(again.ReadString(L"Settings", L"edSMS1", L"(none)"), f.ReadString(L"Settings", L"edSMS1")) << c.what;
    }
}

TEST(ProfileFile, AFileOverTheLimitIsNeitherReadNorWritten) {
    TempDir dir;
    std::string big = "[Settings]\r\nedCID1=1130\r\n";
    big += std::string(ProfileFile::kMaxFileSize - big.size(), ';');
    Put(dir.File("limit.ini"), big);
    ProfileFile f;
    EXPECT_TRUE(f.Load(dir.File("limit.ini")));
    EXPECT_EQ(f.ReadString(L"Settings", L"edCID1"), L"1130");
    Put(dir.File("big.ini"), big + ";");
    EXPECT_FALSE(f.Load(dir.File("big.ini")));
    EXPECT_TRUE(f.TooLarge());
    EXPECT_FALSE(f.HasEntry(L"Settings", L"edCID1"));
    f.WriteString(L"Settings", L"edCID1", L"3130");
    EXPECT_FALSE(f.Save(dir.File("big.ini")));
    EXPECT_EQ(Get(dir.File("big.ini")), big + ";");
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ProfileFile Edited() {
    ProfileFile f;
    f.Parse("[Settings]\r\nedCID1=1130\r\n");
    f.WriteString(L"Settings", L"edCID1", L"3130");
    return f;
}

// What a save may and may not do to a file, as a user to whom file modes
// apply.
TEST(ProfileFile, ASaveWritesOnlyWhereTheUserMay) {
    const auto run = testing::RunUnprivileged([](const std::string& folder, testing::Checks& check) {
        const std::string old = "[Settings]\r\nedCID1=1130\r\n";
        const std::string edited = "[Settings]\r\nedCID1=3130\r\n";
        auto path = [&](const std::string& name) { return folder + "/" + name; };
        auto mode = [&](const std::string& name) {
            struct stat st {};
            ::stat(path(name).c_str(), &st);
            return st.st_mode & 07777;
        };

        // A read-only file: refused and left as it was, though the folder
        // would let it be replaced.
        Put(path("ro.ini"), old);
        ::chmod(path("ro.ini").c_str(), 0444);
        check.Expect(!Edited().Save(path("ro.ini")), "a read-only file was written");
        check.Expect(Get(path("ro.ini")) == old && mode("ro.ini") == 0444, "a read-only file changed");

        // The mode of the file it replaces.
        Put(path("mode.ini"), old);
        ::chmod(path("mode.ini").c_str(), 0604);
        check.Expect(Edited().Save(path("mode.ini")), "a writable file was not written");
        check.Expect(Get(path("mode.ini")) == edited && mode("mode.ini") == 0604, "the mode was not kept");

        // A link to a file not there yet creates that file, not a file in
        // place of the link.
        ::mkdir(path("sub").c_str(), 0700);
        ::symlink("sub/target.ini", path("dangling.ini").c_str());
        check.Expect(Edited().Save(path("dangling.ini")), "a save through a dangling link failed");
        struct stat st {};
        check.Expect(::lstat(path("dangling.ini").c_str(), &st) == 0 && S_ISLNK(st.st_mode), "the link was replaced");
        check.Expect(Get(path("sub/target.ini")) == edited, "the link's target was not written");

        // A second hard link still shares the new content.
        Put(path("linked.ini"), old);
        ::link(path("linked.ini").c_str(), path("other-name.ini").c_str());
        check.Expect(Edited().Save(path("linked.ini")), "a hard-linked file was not written");
        check.Expect(Get(path("other-name.ini")) == edited, "a hard link was parted from the file");

        // A folder that takes no new file: a writable file in it is written
        // in place; a read-only one is not written at all.
        ::mkdir(path("closed").c_str(), 0700);
        Put(path("closed/w.ini"), old + std::string(100, ';'));  // longer than the new content
        Put(path("closed/ro.ini"), old);
        ::chmod(path("closed/ro.ini").c_str(), 0400);
        ::chmod(path("closed").c_str(), 0500);
        check.Expect(Edited().Save(path("closed/w.ini")), "a writable file in a closed folder was not written");
        check.Expect(Get(path("closed/w.ini")) == edited, "the in-place write left the old tail");
        check.Expect(!Edited().Save(path("closed/ro.ini")), "a read-only file in a closed folder was written");
        check.Expect(!Edited().Save(path("closed/new.ini")), "a new file appeared in a closed folder");
        check.Expect(Names(path("closed")) == std::vector<std::string>{"ro.ini", "w.ini"}, "a closed folder changed");
        ::chmod(path("closed").c_str(), 0700);

        check.Expect(Names(folder) == std::vector<std::string>{"dangling.ini", "linked.ini", "mode.ini",
                                                               "other-name.ini", "ro.ini", "sub"} ||
                         Names(folder) == std::vector<std::string>{"closed", "dangling.ini", "linked.ini", "mode.ini",
                                                                   "other-name.ini", "ro.ini", "sub"},
                     "a temporary file was left behind");
    });
    if (!run.skipped.empty()) GTEST_SKIP() << "no user other than root: " << run.skipped;
    EXPECT_EQ(run.failures, "");
}

// A file that another user owns and lets this one write (here, as root runs
// the suite, root's own file open to all) keeps its owner: replacing it
// would hand it to the saving user.
TEST(ProfileFile, ASaveKeepsTheFilesOwner) {
    uid_t owner = 0;
    const auto run = testing::RunUnprivileged(
        [&owner](const std::string& folder, testing::Checks& check) {
            const std::string path = folder + "/shared.ini";
            check.Expect(Edited().Save(path), "a file open to all was not written");
            struct stat st {};
            check.Expect(::stat(path.c_str(), &st) == 0 && st.st_uid == owner, "the owner changed");
            check.Expect((st.st_mode & 07777) == 0666, "the mode changed");
            check.Expect(Get(path) == "[Settings]\r\nedCID1=3130\r\n", "the content is wrong");
            check.Expect(Names(folder) == std::vector<std::string>{"shared.ini"}, "a temporary file was left behind");
        },
        [&owner](const std::string& folder) {
            const std::string path = folder + "/shared.ini";
            Put(path, "[Settings]\r\nedCID1=1130\r\n" + std::string(50, ';') + "\r\n");
            ::chmod(path.c_str(), 0666);
            owner = ::geteuid();
        });
    if (!run.skipped.empty()) GTEST_SKIP() << "no user other than root: " << run.skipped;
    EXPECT_EQ(run.failures, "");
}

// A save that fails while writing, here at the file size limit of the
// process, leaves the old file whole and no temporary file, whether it was
// replacing the file or writing it in place, or was killed.
TEST(ProfileFile, ASaveThatFailsHalfWayLeavesTheOldFile) {
    const auto run = testing::RunUnprivileged([](const std::string& folder, testing::Checks& check) {
        const std::string old = "[Settings]\r\nedCID1=1130\r\n";
        ProfileFile big;
        big.Parse(old);
        big.WriteString(L"Settings", L"edSMS1", std::wstring(8000, L'x'));
        ::mkdir((folder + "/open").c_str(), 0700);
        ::mkdir((folder + "/closed").c_str(), 0700);
        ::mkdir((folder + "/killed").c_str(), 0700);
        Put(folder + "/open/a.ini", old);
        Put(folder + "/closed/a.ini", old);
        Put(folder + "/killed/a.ini", old);
        ::chmod((folder + "/closed").c_str(), 0500);

        // Killed half-way, by the size limit's own signal: the new file had
        // no name yet, so nothing is left.
        const pid_t saver = ::fork();
        if (saver == 0) {
            const rlimit noCore{0, 0}, limit{4096, 4096};
            ::setrlimit(RLIMIT_CORE, &noCore);
            ::signal(SIGXFSZ, SIG_DFL);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            big.Save(folder + "/killed/a.ini");
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(saver, &status, 0);
        check.Expect(WIFSIGNALED(status), "the save was not killed");
        check.Expect(Get(folder + "/killed/a.ini") == old, "a killed save changed the file");
        check.Expect(Names(folder + "/killed") == std::vector<std::string>{"a.ini"}, "a killed save left a file behind");

        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        check.Expect(::setrlimit(RLIMIT_FSIZE, &limit) == 0, "no file size limit");
        for (const char* where : {"open", "closed"}) {
            const std::string path = folder + "/" + where + "/a.ini";
            check.Expect(!big.Save(path), std::string("a save past the limit succeeded in ") + where);
            check.Expect(Get(path) == old, std::string("the old file changed in ") + where);
            check.Expect(Names(folder + "/" + where) == std::vector<std::string>{"a.ini"},
                         std::string("a temporary file was left in ") + where);
        }
    });
    if (!run.skipped.empty()) GTEST_SKIP() << "no user other than root: " << run.skipped;
    EXPECT_EQ(run.failures, "");
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
