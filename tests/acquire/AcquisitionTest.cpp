// ql50d as it runs unattended: a child process polling six virtual modules on three lines (two
// of them buses) into its store and a real mosquitto broker, with a subscriber in the test.
// The cases share one running set-up and follow each other: the readings arrive; the broker
// goes away for 30 s while one line hangs up for 60 s, and afterwards every reading has arrived
// in order and the gap is filled from that module's data logger; ql50d killed with SIGKILL and
// started again keeps every reading once. A bad configuration is refused with its line.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <thread>

#include "link/Encoding.h"
#include "link/Registers.h"
#include "sim/PtyServer.h"
#include "sim/VirtualBus.h"
#include "store/Store.h"
#include "support/Broker.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/Wait.h"

namespace ql50 {
namespace {

using namespace std::chrono_literals;
using test::Eventually;

constexpr auto kLong = std::chrono::milliseconds(90'000);

// For conditions that read the store: looked at ten times a second.
template <class Condition>
bool Until(Condition condition, std::chrono::milliseconds limit = kLong) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

const std::string kPrefix = "test";

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// What a consumer does: subscribes with a persistent session, drops repeats by their sequence
// number, and notes whether a new one ever came out of order.
class Subscriber {
public:
    struct Module {
        std::int64_t newest = 0;  // all of 1..newest came, in order
        int outOfOrder = 0;
        std::map<std::string, int> types, sources;
    };
    explicit Subscriber(int port) {
        mosq_ = mosquitto_new("ql50-test-subscriber", false, this);
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void*, int) {
            mosquitto_subscribe(m, nullptr, (kPrefix + "/#").c_str(), 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self,
                                                 const mosquitto_message* m) {
            static_cast<Subscriber*>(self)->Take(
                m->topic, std::string(static_cast<char*>(m->payload), std::size_t(m->payloadlen)));
        });
        mosquitto_connect(mosq_, "127.0.0.1", port, 10);
        mosquitto_loop_start(mosq_);
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    bool Subscribed() const { return subscribed_; }
    Module Of(const std::string& module) {
        std::lock_guard lock(mutex_);
        return modules_[module];
    }
    // The texts of a status topic in the order they came, without their times.
    std::vector<std::string> Statuses(const std::string& topic) {
        std::lock_guard lock(mutex_);
        return statuses_[topic];
    }
    std::string LastStatus(const std::string& topic) {
        const auto all = Statuses(topic);
        return all.empty() ? "" : all.back();
    }

private:
    void Take(const std::string& topic, const std::string& payload) {
        static const std::regex reading(
            R"re(^\{"module":"([^"]+)","seq":(\d+),"time":"[^"]+","source":"(live|logger)","type":(\d+|null),"values":\[.*\]\}$)re");
        std::lock_guard lock(mutex_);
        std::smatch m;
        if (!std::regex_match(payload, m, reading)) {
            statuses_[topic].push_back(payload.substr(0, payload.find(" since")));
            return;
        }
        Module& module = modules_[m[1]];
        const std::int64_t seq = std::stoll(m[2]);
        if (seq <= module.newest) return;  // a repeat
        if (seq != module.newest + 1) ++module.outOfOrder;
        module.newest = seq;
        ++module.types[m[4]];
        ++module.sources[m[3]];
    }

    mosquitto* mosq_;
    std::atomic<bool> subscribed_{false};
    std::mutex mutex_;
    std::map<std::string, Module> modules_;
    std::map<std::string, std::vector<std::string>> statuses_;
};

// A line: a virtual bus behind a pseudo-terminal, reached through a symbolic link that
// outlives the terminal, so the line can hang up and come back under the same name.
struct Line {
    Line(std::string path, const std::vector<sim::BusSlot>& slots)
        : link(std::move(path)), bus(slots) {
        bus.SetLineRate(4800);
        Plug();
    }
    void Plug() {
        server = std::make_unique<sim::PtyServer>(bus);
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
        std::filesystem::remove(link);
        std::filesystem::create_symlink(server->SlavePath(), link);
    }
    void HangUp() {
        std::filesystem::remove(link);
        server->HangUp();
    }
    std::string link;
    sim::VirtualBus bus;
    std::unique_ptr<sim::PtyServer> server;
};

struct Module {
    const char* name;
    int line, address, type;
};
constexpr Module kModules[] = {{"a1", 0, 1, 7}, {"a2", 0, 2, 0}, {"a5", 0, 5, 3},
                               {"b1", 1, 1, 1}, {"b3", 1, 3, 2}, {"c", 2, 1, 7}};

class Acquisition : public ::testing::Test {
protected:
    static void SetUpTestSuite() { rig = new Rig; }
    static void TearDownTestSuite() { delete rig; }

    struct Rig {
        Rig() {
            EXPECT_TRUE(broker.Start()) << test::Slurp(dir.File("mosquitto.log"));
            lines.push_back(std::make_unique<Line>(
                dir.File("line-a"), std::vector<sim::BusSlot>{{1, 7}, {2, 0}, {5, 3}}));
            lines.push_back(std::make_unique<Line>(dir.File("line-b"),
                                                   std::vector<sim::BusSlot>{{1, 1}, {3, 2}}));
            lines.push_back(
                std::make_unique<Line>(dir.File("line-c"), std::vector<sim::BusSlot>{{1, 7}}));
            // The hanging line's module logs every minute and holds a few records so far.
            sim::VirtualModule& logging = *lines[2]->bus.At(1);
            logging.SetParameter(kParamLoggerInterval, EncodeUint16(1));
            logging.FillLoggerRecords(5);
            std::string config = "[store]\npath = readings.db\n[mqtt]\nhost = 127.0.0.1\nport = " +
                                 std::to_string(broker.Port()) + "\nprefix = " + kPrefix +
                                 "\nclient_id = ql50d-test\n";
            for (const Module& m : kModules)
                config += std::string("[module ") + m.name +
                          "]\nport = " + lines[std::size_t(m.line)]->link +
                          "\naddress = " + std::to_string(m.address) + "\nperiod = 1\n";
            test::Spit(dir.File("ql50d.conf"), config);
            subscriber = std::make_unique<Subscriber>(broker.Port());
            EXPECT_TRUE(Eventually([&] { return subscriber->Subscribed(); }));
            StartService();
        }
        void StartService() {
            ASSERT_TRUE(service.Start({QL50D_EXE, "--config", dir.File("ql50d.conf")},
                                      dir.File("ql50d.out"), dir.File("ql50d.err")));
        }
        store::Store::ModuleState Stored(const std::string& module) {
            store::Store store;
            if (!store.Open(dir.File("readings.db"), true)) return {};
            return store.State(module);
        }
        std::vector<store::Reading> Readings(const std::string& module) {
            std::vector<store::Reading> all;
            store::Store store;
            EXPECT_TRUE(store.Open(dir.File("readings.db"), true)) << store.ErrorText();
            store.ForEach(module, 0, 1LL << 60, [&](const store::Reading& r) { all.push_back(r); });
            return all;
        }
        // Every module's readings up to what the store holds now reached the subscriber.
        bool AllArrived() {
            for (const Module& m : kModules)
                if (subscriber->Of(m.name).newest < Stored(m.name).lastSeq) return false;
            return true;
        }
        test::TempDir dir;
        test::Broker broker{dir.Path()};
        std::vector<std::unique_ptr<Line>> lines;
        std::unique_ptr<Subscriber> subscriber;
        test::ChildProcess service;
        std::int64_t hungUpMs = 0, backMs = 0;
    };
    static inline Rig* rig = nullptr;

    void TearDown() override {
        if (HasFailure()) std::cerr << test::Slurp(rig->dir.File("ql50d.err"));
    }
};

TEST_F(Acquisition, EveryModuleOnEveryLineIsPublishedWithItsOwnType) {
    for (const Module& m : kModules) {
        EXPECT_TRUE(Eventually([&] { return rig->subscriber->Of(m.name).newest >= 3; }, kLong))
            << m.name;
        const auto types = rig->subscriber->Of(m.name).types;
        ASSERT_EQ(types.size(), 1u) << m.name;
        EXPECT_EQ(types.begin()->first, std::to_string(m.type)) << m.name;
    }
}

TEST_F(Acquisition, BrokerAwayAndLineHungUpLoseNothingAndTheGapIsFilledFromTheLogger) {
    Line& line = *rig->lines[2];
    rig->hungUpMs = NowMs();
    line.HangUp();
    rig->broker.Stop();
    // The outages are the ones to survive: 30 s without the broker, 60 s without the line.
    std::this_thread::sleep_for(30s);
    ASSERT_TRUE(rig->broker.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(rig->hungUpMs + 60'000 - NowMs()));
    line.Plug();
    rig->backMs = NowMs();
    const auto statuses = rig->subscriber->Statuses(kPrefix + "/c/status");
    EXPECT_GE(std::count(statuses.begin(), statuses.end(), "line lost"), 1);
    ASSERT_TRUE(Eventually([] { return rig->subscriber->Of("c").sources["logger"] > 0; }, kLong));
    EXPECT_TRUE(Until([] { return rig->AllArrived(); }));
    for (const Module& m : kModules) EXPECT_EQ(rig->subscriber->Of(m.name).outOfOrder, 0) << m.name;
    int inGap = 0;
    for (const store::Reading& r : rig->Readings("c"))
        if (r.source == store::Source::Logger) {
            EXPECT_GT(r.timeMs, rig->hungUpMs - 2000);
            EXPECT_LT(r.timeMs, rig->backMs + 2000);
            EXPECT_TRUE(r.HasValues());
            ++inGap;
        }
    EXPECT_GE(inGap, 1);
}

TEST_F(Acquisition, KilledAndStartedAgainItHoldsEveryReadingOnce) {
    std::map<std::string, std::int64_t> before;
    for (const Module& m : kModules) before[m.name] = rig->Stored(m.name).lastSeq;
    const std::string service = kPrefix + "/service/ql50d-test";
    rig->service.Stop(SIGKILL);
    // The broker marks the service offline with its last will.
    EXPECT_TRUE(Eventually([&] { return rig->subscriber->LastStatus(service) == "offline"; }));
    rig->StartService();
    EXPECT_TRUE(Eventually([&] { return rig->subscriber->LastStatus(service) == "online"; }));
    for (const Module& m : kModules)
        EXPECT_TRUE(Until([&] { return rig->Stored(m.name).lastSeq >= before[m.name] + 3; }));
    // The readings the killed service had stored and not yet published follow after the restart.
    EXPECT_TRUE(Until([] { return rig->AllArrived(); }));
    EXPECT_EQ(rig->service.Stop(SIGTERM), 0);
    for (const Module& m : kModules) {
        std::set<std::int64_t> seqs;
        std::set<std::pair<std::int64_t, int>> times;
        for (const store::Reading& r : rig->Readings(m.name)) {
            seqs.insert(r.seq);
            EXPECT_TRUE(times.insert({r.timeMs, int(r.source)}).second) << m.name;
        }
        // 1..N, each once: nothing lost, nothing twice, no number used again after the restart.
        EXPECT_EQ(std::int64_t(seqs.size()), rig->Stored(m.name).lastSeq) << m.name;
        EXPECT_EQ(*seqs.rbegin(), rig->Stored(m.name).lastSeq) << m.name;
    }
}

TEST(AcquisitionConfig, BadFileIsRefusedWithItsLineNumber) {
    test::TempDir dir;
    test::Spit(dir.File("bad.conf"),
               "[store]\npath = x.db\n[module a]\nport = /dev/null\nadress = 3\n");
    test::ChildProcess service;
    ASSERT_TRUE(service.Start({QL50D_EXE, "--config", dir.File("bad.conf")}, dir.File("out"),
                              dir.File("err")));
    EXPECT_EQ(service.Wait(std::chrono::milliseconds(test::kWaitLimit)), 2);
    EXPECT_NE(test::Slurp(dir.File("err")).find(dir.File("bad.conf") + ":5: adress: unknown key"),
              std::string::npos)
        << test::Slurp(dir.File("err"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.db")));
}

}  // namespace
}  // namespace ql50
