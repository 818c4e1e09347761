// The configuration file: what a good one gives, and that every kind of mistake is refused
// with its line and key.
#include <gtest/gtest.h>

#include "acquire/Config.h"
#include "support/Files.h"

namespace ql50::acquire {
namespace {

TEST(Config, TakesTheDocumentedShape) {
    test::TempDir dir;
    test::Spit(dir.File("secret"), "ql50\ns3;cret\n");
    const ConfigResult r = ParseConfig(R"(; ql50d
[store]
path = readings.db      ; relative to the file
[mqtt]
host = broker.lan
port = 1884
prefix = plant/a
credentials = secret
[module tank1]
port = /dev/ttyUSB0
address = 1
baud = 9600
period = 5
[module tank2]
port = /dev/ttyUSB0
address = 2
baud = 9600
[module demo]
port = simulate=3
)",
                                       dir.File("ql50d.conf"));
    ASSERT_FALSE(r.error) << r.error->Text();
    const Config& c = r.config;
    EXPECT_EQ(c.storePath, dir.File("readings.db"));
    ASSERT_TRUE(c.mqtt);
    EXPECT_EQ(std::tie(c.mqtt->host, c.mqtt->port, c.mqtt->prefix, c.mqtt->user, c.mqtt->password),
              std::tuple("broker.lan", 1884, "plant/a", "ql50", "s3;cret"));
    EXPECT_EQ(c.mqtt->clientId.rfind("ql50d-", 0), 0u);
    ASSERT_EQ(c.modules.size(), 3u);
    EXPECT_EQ(std::tie(c.modules[0].baud, c.modules[0].periodSeconds), std::tuple(9600, 5));
    EXPECT_EQ(std::tie(c.modules[1].address, c.modules[1].periodSeconds), std::tuple(2, 2));
    EXPECT_EQ(c.modules[2].simulateType, 3);
}

struct Bad {
    const char* text;
    int line;
    const char* key;
};

class BadConfig : public ::testing::TestWithParam<Bad> {};

TEST_P(BadConfig, IsRefusedWithItsLineAndKey) {
    const std::string head = "[store]\npath = x.db\n";  // lines 1 and 2
    const ConfigResult r = ParseConfig(head + GetParam().text, "/etc/ql50/ql50d.conf");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->line, GetParam().line) << r.error->Text();
    EXPECT_EQ(r.error->key, GetParam().key) << r.error->Text();
    EXPECT_EQ(r.error->Text().rfind("/etc/ql50/ql50d.conf:", 0), 0u) << r.error->Text();
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BadConfig,
    ::testing::Values(
        Bad{"[module a]\nport = /dev/ttyS0\naddress = 32\n", 5, "address"},
        Bad{"[module a]\nport = /dev/ttyS0\nbaud = 4711\n", 5, "baud"},
        Bad{"[module a]\nport = /dev/ttyS0\nperiod = 0\n", 5, "period"},
        Bad{"[module a]\nport = /dev/ttyS0\nperiode = 2\n", 5, "periode"},
        Bad{"[module a]\nport = /dev/ttyS0\nport = /dev/ttyS1\n", 5, "port"},
        Bad{"[module a]\nport = simulate=9\n", 4, "port"},
        Bad{"[module a]\naddress = 1\n", 3, "module a"},
        Bad{"[module a]\nport = /dev/ttyS0\n[module a]\nport = /dev/ttyS1\n", 5, "module a"},
        Bad{"[module a/b]\nport = /dev/ttyS0\n", 3, "module a/b"}, Bad{"[modules]\n", 3, "modules"},
        Bad{"[module a]\nport\n", 4, ""},
        Bad{"[module a]\nport = /dev/ttyS0\n[module b]\nport = /dev/ttyS0\n", 5, "module b"},
        Bad{"[module a]\nport = /dev/ttyS0\naddress = 0\n[module b]\nport = /dev/ttyS0\n"
            "address = 2\n",
            6, "module b"},
        Bad{"[module a]\nport = /dev/ttyS0\naddress = 1\n[module b]\nport = /dev/ttyS0\n"
            "address = 2\nbaud = 9600\n",
            6, "module b"},
        Bad{"[mqtt]\nport = 70000\n[module a]\nport = simulate\n", 4, "port"},
        Bad{"[mqtt]\nprefix = ql50/#\n[module a]\nport = simulate\n", 4, "prefix"},
        Bad{"[mqtt]\ncredentials = /nonexistent/secret\n[module a]\nport = simulate\n", 4,
            "credentials"},
        Bad{"\n", 0, ""}));

}  // namespace
}  // namespace ql50::acquire
