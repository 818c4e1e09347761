// The store: sequence numbers per module that survive a reopening and are never reused, values
// kept at their decimals with missing ones kept missing, a reading never stored twice, and a
// publishing queue that keeps its order across a reopening.
#include <gtest/gtest.h>

#include "store/Store.h"
#include "support/Files.h"

namespace ql50::store {
namespace {

Reading Make(const std::string& module, std::int64_t timeMs, std::optional<double> value,
             Source source = Source::Live) {
    return {.module = module,
            .timeMs = timeMs,
            .source = source,
            .type = 0,
            .channels = {{0, "pH value", "pH", 2, value}, {5, "temperature", "°C", 1, 21.5}}};
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(store.Open(path)) << store.ErrorText(); }
    void Reopen() {
        store.Close();
        ASSERT_TRUE(store.Open(path)) << store.ErrorText();
    }
    Reading Add(Reading r, Store::Added expected = Store::Added::Stored) {
        EXPECT_EQ(store.Add(r, true), expected) << store.ErrorText();
        return r;
    }
    std::vector<Reading> All(const std::string& module) {
        std::vector<Reading> all;
        EXPECT_TRUE(
            store.ForEach(module, 0, 1LL << 60, [&](const Reading& r) { all.push_back(r); }));
        return all;
    }

    test::TempDir dir;
    std::string path = dir.File("readings.db");
    Store store;
};

TEST_F(StoreTest, NumbersEachModulesReadingsFromOneAcrossReopening) {
    EXPECT_EQ(Add(Make("a", 1000, 7.0)).seq, 1);
    EXPECT_EQ(Add(Make("b", 1000, 7.0)).seq, 1);
    EXPECT_EQ(Add(Make("a", 2000, 7.0)).seq, 2);
    // A logger record of a time the module has already: refused, its number not used up.
    Add(Make("a", 2000, 7.0, Source::Logger));
    Add(Make("a", 2000, 7.0, Source::Logger), Store::Added::Duplicate);
    Reopen();
    EXPECT_EQ(Add(Make("a", 3000, 7.0)).seq, 4);
    EXPECT_EQ(store.State("a").lastSeq, 4);
    EXPECT_EQ(store.State("a").newestValued, 3000);
}

TEST_F(StoreTest, KeepsValuesAtTheirDecimalsAndMissingOnesMissing) {
    Add(Make("a", 1000, 7.126));
    Add(Make("a", 2000, std::nullopt));
    const std::vector<Reading> all = All("a");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_DOUBLE_EQ(*all[0].channels[0].value, 7.13);
    EXPECT_EQ(all[0].channels[1].unit, "°C");
    EXPECT_FALSE(all[1].channels[0].value);
    EXPECT_DOUBLE_EQ(*all[1].channels[1].value, 21.5);
    EXPECT_EQ(store.State("a").newestValued, 2000);  // the temperature came
}

TEST_F(StoreTest, QueueKeepsItsOrderUntilAcknowledged) {
    for (std::int64_t t = 1; t <= 5; ++t) Add(Make(t % 2 ? "a" : "b", t * 1000, 7.0));
    std::vector<Reading> queued = store.Queued(0, 2);
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[1].module, "b");
    ASSERT_TRUE(store.Dequeue({queued[0].id}));
    Reopen();
    queued = store.Queued(0, 10);
    ASSERT_EQ(queued.size(), 4u);
    for (std::size_t i = 0; i < queued.size(); ++i) EXPECT_EQ(queued[i].timeMs, (i + 2) * 1000);
    EXPECT_EQ(store.Queued(queued[1].id, 10).front().timeMs, 4000);
}

TEST_F(StoreTest, BatchRolledBackLeavesNeitherReadingNorNumberNorLayout) {
    ASSERT_TRUE(store.Begin());
    Add(Make("a", 1000, 7.0));
    store.Rollback();
    ASSERT_TRUE(store.Begin());
    EXPECT_EQ(Add(Make("a", 2000, 7.0)).seq, 1);
    ASSERT_TRUE(store.Commit());
    Reopen();
    const std::vector<Reading> all = All("a");
    ASSERT_EQ(all.size(), 1u);
    ASSERT_FALSE(all[0].channels.empty());
    EXPECT_EQ(all[0].channels[0].label, "pH value");
}

TEST_F(StoreTest, KeepsGapsUntilRemoved) {
    ASSERT_TRUE(store.AddGap("a", {1000, 90000}));
    Reopen();
    ASSERT_EQ(store.Gaps("a").size(), 1u);
    ASSERT_TRUE(store.RemoveGap("a", {1000, 90000}));
    EXPECT_TRUE(store.Gaps("a").empty());
}

TEST(Store, RefusesWhatIsNoStore) {
    test::TempDir dir;
    test::Spit(dir.File("text"), std::string(4096, 'x'));
    Store store;
    EXPECT_FALSE(store.Open(dir.File("text")));
    EXPECT_NE(store.ErrorText().find(dir.File("text")), std::string::npos);
    EXPECT_FALSE(store.Open(dir.File("missing/readings.db")));
}

}  // namespace
}  // namespace ql50::store
