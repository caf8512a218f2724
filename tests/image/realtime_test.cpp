// Real-time block 1: the decode of known bytes, the MAP value, the pressure
// ring, and the live read against the simulated unit with its wait for a
// lost link, on the virtual clock.
#include "imagefixture.h"
#include "tests/support/simunit.h"

#include "core/realtime.h"

#include <algorithm>

namespace {

// A block whose every field holds a value of its own.
std::array<uint8_t, kBlock1Size> KnownBlock() {
    std::array<uint8_t, kBlock1Size> b{};
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = uint8_t(0xA0 + i); // marks bytes no field reads
    b[0] = 0xD2, b[1] = 0x04;     // 1234 rpm
    b[2] = 51;                    // 1.0 V
    b[3] = 204;
    b[6] = 0xE8, b[7] = 0x03;   // 1000
    b[8] = 0xD0, b[9] = 0x07;   // 2000
    b[11] = 0x30;               // on gas, lambda 1 coloured
    b[12] = 120;                // reducer sensor
    b[14] = 0x18, b[15] = 0xFC; // -1000 mbar
    b[16] = 80;                 // engine sensor
    b[21] = 255;                // 5.0 V
    b[24] = 0xB8, b[25] = 0x0B; // 3000
    b[28] = 0xA0, b[29] = 0x0F; // 4000
    return b;
}

class Block1Decode : public ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        editImage([](TEcuImage& im) { im.Clock = 2000; }); // raw x 0.002 ms
        dm->BuildTempGasTable(1);
    }
    TBlock1Values decode(int length, bool secondBank, TBlock1Values start = {}) {
        const auto b = KnownBlock();
        DecodeBlock1(b.data(), length, *dm, secondBank, start);
        return start;
    }
};

TEST_F(Block1Decode, EveryFieldAndItsConversion) {
    const TBlock1Values v = decode(kBlock1Size, true);
    EXPECT_EQ(v.rpm, 1234);
    EXPECT_DOUBLE_EQ(v.lambda1, 1.0);
    EXPECT_EQ(v.mapByte, 204);
    EXPECT_DOUBLE_EQ(v.gasTime1, 2.0);
    EXPECT_DOUBLE_EQ(v.petrolTime1, 4.0);
    EXPECT_EQ(v.status, 0x30);
    EXPECT_EQ(v.pressure, -1000);
    EXPECT_DOUBLE_EQ(v.lambda2, 5.0);
    EXPECT_DOUBLE_EQ(v.gasTime2, 6.0);
    EXPECT_DOUBLE_EQ(v.petrolTime2, 8.0);
    // Byte 12 on the gas sensor's curve, byte 16 on the engine's.
    EXPECT_DOUBLE_EQ(v.reducerTemp, double(dm->ConvertRawToTempGas(120)));
    EXPECT_DOUBLE_EQ(v.engineTemp, double(dm->ConvertRawToTempMotore(80)));
    EXPECT_NE(dm->ConvertRawToTempGas(120), dm->ConvertRawToTempMotore(120))
        << "the two curves must differ for the check above to tell them apart";
    EXPECT_NE(v.reducerTemp, double(dm->ConvertRawToTempMotore(120)));
}

TEST_F(Block1Decode, RawZeroTemperaturesAreZeroDegrees) {
    auto b = KnownBlock();
    b[12] = 0;
    b[16] = 0;
    TBlock1Values v;
    v.reducerTemp = v.engineTemp = 55;
    DecodeBlock1(b.data(), kBlock1Size, *dm, true, v);
    EXPECT_EQ(v.reducerTemp, 0.0);
    EXPECT_EQ(v.engineTemp, 0.0);
}

TEST_F(Block1Decode, FieldsDecodedOnlyWhenTheReadCoversThem) {
    TBlock1Values old;
    old.rpm = 7;
    old.engineTemp = -7;
    old.lambda2 = 0.5;
    old.gasTime2 = 0.25;
    old.petrolTime2 = 0.125;
    struct Case {
        int length;
        bool secondBank;
        bool rpm, engineTemp, lambda2, gasTime2, petrolTime2;
    };
    for (const Case c : {Case{0, true, false, false, false, false, false},
                         Case{16, true, true, false, false, false, false},
                         Case{17, true, true, true, false, false, false},
                         Case{22, true, true, true, true, false, false},
                         Case{26, true, true, true, true, true, false},
                         Case{30, true, true, true, true, true, true},
                         Case{34, false, true, true, false, false, false}}) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes, second bank " << c.secondBank);
        const TBlock1Values v = decode(c.length, c.secondBank, old);
        EXPECT_EQ(v.rpm != old.rpm, c.rpm);
        EXPECT_EQ(v.engineTemp != old.engineTemp, c.engineTemp);
        EXPECT_EQ(v.lambda2 != old.lambda2, c.lambda2);
        EXPECT_EQ(v.gasTime2 != old.gasTime2, c.gasTime2);
        EXPECT_EQ(v.petrolTime2 != old.petrolTime2, c.petrolTime2);
    }
}

TEST_F(Block1Decode, MapValueOfTheInternalAndAnExternalSensor) {
    editImage([](TEcuImage& im) {
        im.OffsetPendenzaMap[2] = -1350;
        im.OffsetPendenzaMap[3] = 0xFF06; // -250 as the unit's word
    });
    ASSERT_TRUE(dm->SetFlag(12, false));
    EXPECT_DOUBLE_EQ(MapBar(*dm, 0), -1.35);
    EXPECT_DOUBLE_EQ(MapBar(*dm, 102), (-135.0 - 250 * 2.0 * 102 / 1020) * 0.01);
    ASSERT_TRUE(dm->SetFlag(12, true));
    EXPECT_DOUBLE_EQ(MapBar(*dm, 0), 0.1);
    EXPECT_NEAR(MapBar(*dm, 102), 1.1, 1e-12);
}

TEST(PressureRing, MeanOfTheLastTenSamplesTowardZero) {
    TPressureRing ring;
    EXPECT_EQ(ring.Average(), 0);
    ring.Add(1009); // 100
    EXPECT_EQ(ring.Average(), 10) << "averaged with the nine empty slots";
    for (int i = 0; i < 9; ++i)
        ring.Add(1000);
    EXPECT_EQ(ring.Average(), 100);
    ring.Add(-59); // -5 replaces the oldest, 100: (900 - 5) / 10
    EXPECT_EQ(ring.Average(), 89);
    for (int i = 0; i < 10; ++i)
        ring.Add(-15);
    EXPECT_EQ(ring.Average(), -1);
}

TEST(TickLatch, AnInnerTickIsLetGo) {
    TTickLatch latch;
    {
        TTickLatch::Scope outer(latch);
        EXPECT_TRUE(outer.Entered());
        {
            TTickLatch::Scope inner(latch);
            EXPECT_FALSE(inner.Entered());
        }
        EXPECT_TRUE(latch.Running()) << "the inner one leaves the outer one running";
    }
    EXPECT_FALSE(latch.Running());
}

class LiveRead : public ::testing::Test {
protected:
    LiveRead() {
        EnsureTestApplication();
        platform::setClock(&clock);
        sim.reset();
        sim.setBaud(0);
        link = sim.createLink();
    }
    ~LiveRead() override {
        sim.destroyLink(link);
        platform::setClock(nullptr);
    }
    void SetUp() override {
        ASSERT_NE(link, nullptr);
        ASSERT_TRUE(link->Connect());
        const auto block = KnownBlock();
        sim.freezeRealTime(1, std::vector<uint8_t>(block.begin(), block.end()));
        RealTimeBuffer1().fill(0);
        sim.clearCallLog();
    }
    TLiveRead read() { return ReadLiveBlock1(*link); }
    std::vector<std::string> log() const {
        auto calls = sim.callLog();
        calls.erase(std::remove(calls.begin(), calls.end(), "IsConnected()=1"), calls.end());
        return calls;
    }
    bool bufferHoldsTheBlock() const { return RealTimeBuffer1() == KnownBlock(); }

    platform::VirtualClock clock{5000};
    SimUnit sim;
    TSerialEcuLink* link = nullptr;
};

TEST_F(LiveRead, ReadOfAConnectedUnit) {
    const TLiveRead r = read();
    EXPECT_EQ(r.status, TLiveReadStatus::Read);
    EXPECT_EQ(r.length, kBlock1Size);
    EXPECT_FALSE(r.reconnected);
    EXPECT_TRUE(bufferHoldsTheBlock());
    EXPECT_EQ(log(), (std::vector<std::string>{"StartMonitor()=1", "ReadRealTimeBlock(1,34)=1"}));
    EXPECT_EQ(clock.sleptTotal(), 0u);

    sim.setRealTimeLength(20);
    EXPECT_EQ(read().length, 20);
}

TEST_F(LiveRead, NoConnectionReadsNothing) {
    link->Close();
    sim.clearCallLog();
    EXPECT_EQ(read().status, TLiveReadStatus::NotConnected);
    EXPECT_EQ(sim.callLog(), (std::vector<std::string>{"IsConnected()=0"}));
}

TEST_F(LiveRead, RecoveryPaths) {
    using S = TLiveReadStatus;
    struct Case {
        const char* what;
        int reconnectDelayMs; // after the loss; -1 never
        int failingReads;     // reads failing with the link open
        S status;
        int reconnects;
        uint32_t slept;
        int reads;
    };
    const Case cases[] = {
        {"back at once", 0, 0, S::Read, 1, 0, 2},
        {"back after 1200 ms", 1200, 0, S::Read, 4, 1500, 2},
        {"never back", -1, 0, S::Lost, 9, 4000, 1},
        {"back, but the second read fails too", 0, 2, S::Lost, 1, 0, 2},
        {"a single failed read, link open", 0, 1, S::Read, 1, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::VirtualClock fresh(9000);
        platform::setClock(&fresh);
        ASSERT_TRUE(link->Connect());
        RealTimeBuffer1().fill(0);
        if (c.failingReads > 0) {
            sim.failRealTimeReads(c.failingReads);
        } else {
            sim.setReconnectDelay(c.reconnectDelayMs < 0 ? 1000000 : c.reconnectDelayMs);
            sim.dropAfter(0);
        }
        sim.clearCallLog();

        const TLiveRead r = read();
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.reconnected, c.status == S::Read && c.reads == 2);
        EXPECT_EQ(r.length, c.status == S::Read ? kBlock1Size : 0);
        EXPECT_EQ(bufferHoldsTheBlock(), c.status == S::Read);
        const auto calls = log();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Reconnect()=0") +
                      std::count(calls.begin(), calls.end(), "Reconnect()=1"),
                  c.reconnects);
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [](const std::string& s) {
                                    return s.rfind("ReadRealTimeBlock(1,34)=", 0) == 0;
                                }),
                  c.reads)
            << "the second read asks for the whole block again";
        EXPECT_EQ(fresh.sleptTotal(), c.slept);
        platform::setClock(&clock);
        sim.failRealTimeReads(0);
    }
}

TEST_F(LiveRead, OrderOfTheCallsWhileWaiting) {
    sim.setReconnectDelay(700);
    sim.dropAfter(0);
    sim.clearCallLog();
    ASSERT_EQ(read().status, TLiveReadStatus::Read);
    EXPECT_EQ(log(), (std::vector<std::string>{"StartMonitor()=1", "ReadRealTimeBlock(1,34)=0",
                                               "Reconnect()=0", "Reconnect()=0", "Reconnect()=1",
                                               "StopMonitor()=1", "ReadRealTimeBlock(1,34)=1",
                                               "StopMonitor()=1"}));
}

TEST_F(LiveRead, FaultKeyOfTheEnvironmentForm) {
    ASSERT_TRUE(sim.applyFaults("rt_fail=3"));
    for (int i = 0; i < 4; ++i) {
        int length = kBlock1Size;
        EXPECT_EQ(link->ReadRealTimeBlock(1, RealTimeBuffer1().data(), &length), i == 3) << i;
        EXPECT_EQ(link->IsConnected(), 1) << "the link stays open";
    }
}

} // namespace
