#include "modem/SerialPortList.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ModemTestSupport.h"
#include "modem/Tserial.h"

namespace varnex {
namespace {

using modemtest::PortIsFree;
using modemtest::Pty;

TEST(SerialPortList, ListsThePortsThatOpenInProbingOrder) {
    Pty first, second, busy;
    Tserial call;  // a modem call of ours holds this one
    ASSERT_EQ(call.OpenPort(busy.path, 9600, 0), Tserial::kOpened);
    const std::vector<std::string> probed = {second.path, "/dev/varnex-no-such-port", first.path, "/dev/null",
                                             busy.path};
    const SerialPortList list = RefreshSerialPortList([&] { return probed; });
    EXPECT_EQ(list.names, (std::vector<std::string>{second.path, first.path}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_TRUE(PortIsFree(first.path)) << "probing closes every port again";
    EXPECT_TRUE(PortIsFree(second.path));
}

TEST(SerialPortList, NothingOpensNothingSelected) {
    for (const auto& probed : {std::vector<std::string>{}, std::vector<std::string>{"/dev/varnex-no-such-port"}}) {
        const SerialPortList list = RefreshSerialPortList([&] { return probed; });
        EXPECT_TRUE(list.names.empty());
        EXPECT_EQ(list.selected, -1);
    }
}

TEST(SerialPortList, CandidatesComeByFamilyInNaturalOrder) {
    char dirName[] = "/tmp/varnex-dev-XXXXXX";
    ASSERT_NE(mkdtemp(dirName), nullptr);
    const std::string dir = dirName;
    for (const char* name : {"ttyS10", "ttyACM1", "ttyS2", "ttyUSB10", "console", "ttyS0", "ttyUSB9", "tty0",
                             "ttyACM0", "ttyprintk", "ttyS", "ttyS1"})
        std::ofstream(dir + "/" + name).put('x');
    const std::vector<std::string> expected = {dir + "/ttyS0",    dir + "/ttyS1",   dir + "/ttyS2",
                                               dir + "/ttyS10",   dir + "/ttyUSB9", dir + "/ttyUSB10",
                                               dir + "/ttyACM0",  dir + "/ttyACM1"};
    EXPECT_EQ(SerialPortCandidates(dir), expected);
    std::filesystem::remove_all(dir);
    EXPECT_TRUE(SerialPortCandidates(dir).empty());
}

TEST(SerialPortList, NaturalOrder) {
    struct Case {
        const char* a;
        const char* b;
        bool less;
    };
    const Case cases[] = {
        {"ttyS2", "ttyS10", true},  {"ttyS10", "ttyS2", false}, {"ttyS3", "ttyS3", false},
        {"ttyS1", "ttyS01", true},  {"ttyS01", "ttyS1", false}, {"ttyS9", "ttyS10a", true},
        {"ttyS", "ttyS0", true},    {"ttyS0", "ttyS", false},   {"ttyS99999999999999999999", "ttyS100000000000000000000", true},
    };
    for (const auto& c : cases) EXPECT_EQ(NaturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

}  // namespace
}  // namespace varnex
