// Real-time blocks 1 and 2: their lengths and an engine that moves with the
// platform clock.
#include "simfixture.h"

#include <set>

namespace {

struct Block {
    bool ok;
    int length;
    std::vector<uint8_t> bytes;
    int u16(int at) const { return bytes[size_t(at)] | bytes[size_t(at) + 1] << 8; }
};

} // namespace

class LiveTest : public SimTest {
protected:
    Block read(int block, int capacity) {
        Block b{false, capacity, std::vector<uint8_t>(64, 0xEE)};
        b.ok = link->ReadRealTimeBlock(block, b.bytes.data(), &b.length);
        return b;
    }
    // The block at a moment after the scenario began.
    Block at(uint32_t ms, int block = 1) {
        clock.advance(scenarioStart + ms - clock.tickCount());
        return read(block, block == 1 ? 34 : 30);
    }
    void start(SimUnit::Engine mode) {
        ASSERT_TRUE(link->Connect());
        sim.setEngine(mode);
        scenarioStart = clock.tickCount();
    }
    uint32_t scenarioStart = 0;
};

TEST_F(LiveTest, BlocksDeliverTheirSizeAtMostTheCapacity) {
    EXPECT_FALSE(read(1, 34).ok) << "nothing while closed";
    EXPECT_EQ(read(1, 34).length, 0);
    ASSERT_TRUE(link->Connect());
    const struct {
        int block, capacity;
        bool ok;
        int delivered;
    } cases[] = {{1, 34, true, 34}, {1, 64, true, 34}, {1, 10, true, 10}, {2, 30, true, 30},
                 {2, 34, true, 30}, {3, 34, false, 0}, {0, 34, false, 0}, {1, 0, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "block " << c.block << " capacity " << c.capacity);
        const Block b = read(c.block, c.capacity);
        EXPECT_EQ(b.ok, c.ok);
        EXPECT_EQ(b.length, c.delivered);
        EXPECT_EQ(b.bytes[size_t(c.delivered)], 0xEE) << "nothing written past what was delivered";
    }
    sim.setRealTimeLength(16);
    EXPECT_EQ(read(1, 34).length, 16);
}

TEST_F(LiveTest, IdlingEngineChangesOverToGasAndSwitchesItsProbe) {
    start(SimUnit::Engine::Idle);
    std::set<int> rpms, lambdas;
    for (uint32_t t = 0; t < 5000; t += 150) {
        const Block b = at(t);
        ASSERT_TRUE(b.ok);
        EXPECT_GE(b.u16(0), 780);
        EXPECT_LE(b.u16(0), 860);
        rpms.insert(b.u16(0));
        EXPECT_EQ(b.bytes[11] & 0x10, 0) << "still on petrol at " << t;
        EXPECT_EQ(b.u16(6), 0) << "no gas injection on petrol";
        EXPECT_GT(b.u16(8), 0);
    }
    EXPECT_GT(rpms.size(), 5u) << "the speed moves";
    const Block cold = at(0 + 5000);
    for (uint32_t t = 12000; t < 20000; t += 150) {
        const Block b = at(t);
        EXPECT_EQ(b.bytes[11] & 0x30, 0x30) << "on gas, probe active at " << t;
        EXPECT_GT(b.u16(6), b.u16(8)) << "gas times are longer than petrol times";
        EXPECT_NEAR(b.u16(14), 1100, 50) << "reducer pressure in mbar";
        lambdas.insert(b.bytes[2]);
    }
    EXPECT_EQ(lambdas.size(), 2u) << "the probe switches between lean and rich";
    const Block warm = at(600000);
    EXPECT_LT(warm.bytes[12], cold.bytes[12]) << "the sensor byte falls as the gas warms";
    EXPECT_LT(warm.bytes[16], cold.bytes[16]);
    EXPECT_GT(warm.bytes[16], 0);
}

TEST_F(LiveTest, SecondBlockShowsTheEngineStoppedOrHeldAt2000) {
    start(SimUnit::Engine::Stopped);
    const Block stopped = at(3000, 2);
    ASSERT_TRUE(stopped.ok);
    EXPECT_EQ(stopped.u16(0), 0);
    EXPECT_EQ(stopped.bytes[2] & 0x80, 0);

    start(SimUnit::Engine::Rpm2000);
    for (uint32_t t = 0; t < 3000; t += 100) {
        const Block b = at(t, 2);
        EXPECT_GE(b.u16(0), 1900);
        EXPECT_LE(b.u16(0), 2100);
        EXPECT_EQ(b.bytes[2] & 0x80, 0x80);
        EXPECT_LT(b.bytes[3], stopped.bytes[3]) << "manifold pressure falls when running";
        EXPECT_LT(b.bytes[4], stopped.bytes[4]) << "and the external sensor with it";
    }
}

TEST_F(LiveTest, DefaultScenarioRunsThroughAMinute) {
    start(SimUnit::Engine::Cycle);
    EXPECT_EQ(at(2000).u16(0), 0);
    EXPECT_NEAR(at(20000).u16(0), 820, 30);
    EXPECT_NEAR(at(40000).u16(0), 2000, 20);
    EXPECT_EQ(at(46000).bytes[11] & 0x04, 0x04) << "cut-off while slowing down";
    EXPECT_EQ(at(62000).u16(0), 0) << "and again from the start";
}

TEST_F(LiveTest, SingleBankLeavesTheSecondProbeOut) {
    start(SimUnit::Engine::Idle);
    EXPECT_NE(at(15000).bytes[21], 0);
    EXPECT_EQ(at(15000).bytes[11] & 0x40, 0x40);
    const int32_t flags[2] = {0x4, 0};
    ASSERT_TRUE(link->WriteParamArray(0x2303, flags));
    const Block single = at(15000);
    EXPECT_EQ(single.bytes[21], 0);
    EXPECT_EQ(single.bytes[11] & 0x40, 0);
}

TEST_F(LiveTest, FrozenBlockAnswersTheGivenBytes) {
    ASSERT_TRUE(link->Connect());
    sim.freezeRealTime(1, {0xd2, 0x04, 51});
    const Block frozen = read(1, 34);
    EXPECT_EQ(frozen.length, 34);
    EXPECT_EQ(frozen.u16(0), 1234);
    EXPECT_EQ(frozen.bytes[2], 51);
    EXPECT_EQ(frozen.bytes[33], 0);
    sim.freezeRealTime(1, {});
    EXPECT_NE(read(1, 34).u16(0), 1234);
}

TEST_F(LiveTest, QueuedReadingsAnswerOneReadEachThenTheFrozenBlock) {
    ASSERT_TRUE(link->Connect());
    sim.freezeRealTime(2, {0x10, 0x00});
    sim.queueRealTime(2, {1, 0, 0x80, 40, 50});
    sim.queueRealTime(2, {2, 0, 0x80});
    const Block first = read(2, 30);
    EXPECT_EQ(first.length, 5) << "as long as it was queued";
    EXPECT_EQ(first.bytes[4], 50);
    const Block second = read(2, 30);
    EXPECT_EQ(second.length, 3);
    EXPECT_EQ(second.u16(0), 2);
    EXPECT_EQ(read(2, 30).u16(0), 0x10);
    EXPECT_EQ(read(2, 30).u16(0), 0x10);
    sim.queueRealTime(1, {7, 0});
    EXPECT_EQ(read(2, 30).u16(0), 0x10) << "each block has its own queue";
    EXPECT_EQ(read(1, 34).u16(0), 7);
}

TEST_F(LiveTest, BlockOnesMapByteIsTheExternalSensorsUnlessTheInternalOneIsChosen) {
    start(SimUnit::Engine::Idle);
    const Block external = at(15000);
    EXPECT_EQ(external.bytes[3], at(15000, 2).bytes[4]) << "option bit 12 clear";
    const int32_t flags[2] = {0x8, 0};
    ASSERT_TRUE(link->WriteParamArray(0x2303, flags));
    EXPECT_EQ(at(15000).bytes[3], at(15000, 2).bytes[3]) << "the unit's own sensor";
    EXPECT_NE(at(15000).bytes[3], external.bytes[3]);
}
