// Connection, reconnection and readiness on the platform clock, offline
// editing, and the time the 9600-baud line takes.
#include "simfixture.h"

#include <cstdlib>

TEST_F(SimTest, AbsentUnitCannotBeConnected) {
    sim.setAbsent();
    EXPECT_FALSE(link->Connect());
    EXPECT_EQ(link->IsConnected(), 0);
    clock.advance(10000);
    EXPECT_EQ(link->Reconnect(), 0);
    sim.setAbsent(false);
    EXPECT_TRUE(link->Connect());
    EXPECT_NE(link->IsConnected(), 0);
}

TEST_F(SimTest, ClosedLinkReadsNothingAndAcceptsWritesWithoutTheUnit) {
    int32_t v = 0;
    uint8_t id[4] = {};
    EXPECT_FALSE(link->ReadParam(0x01, &v));
    EXPECT_FALSE(link->ReadEcuId(id));
    EXPECT_TRUE(link->WriteParamItem(0x20c, 0, 1500));
    EXPECT_TRUE(link->WriteParamCell(0x54, 0, 0, 99));
    EXPECT_FALSE(link->WriteParamItem(0x20c, 12, 1500)) << "a bad index stays bad offline";
    EXPECT_EQ(sim.peek(0x0c, 0), 0);
    EXPECT_EQ(sim.peek(0x54, 0), 0);

    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->Disconnect());
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_TRUE(link->WriteParam(0x210, 2000));
    EXPECT_EQ(sim.peek(0x10), 0);
}

TEST_F(SimTest, ReconnectWaitsForTheUnitThenItRestarts) {
    sim.setReconnectDelay(300);
    sim.setReadyDelay(500);
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x02), 0xAC);
    EXPECT_EQ(link->Reconnect(), 1) << "an open link answers at once";
    EXPECT_EQ(read1(0x02), 0xAC) << "and does not restart the unit";

    link->Close();
    clock.advance(299);
    EXPECT_EQ(link->Reconnect(), 0);
    EXPECT_EQ(link->IsConnected(), 0);
    clock.advance(1);
    EXPECT_EQ(link->Reconnect(), 1);
    EXPECT_NE(link->IsConnected(), 0);
    EXPECT_NE(read1(0x02), 0xAC);
    clock.advance(499);
    EXPECT_NE(read1(0x02), 0xAC);
    clock.advance(1);
    EXPECT_EQ(read1(0x02), 0xAC);
}

TEST_F(SimTest, UnitThatNeverGetsReadyKeepsSayingSo) {
    sim.setNeverReady();
    ASSERT_TRUE(link->Connect());
    clock.advance(60000);
    EXPECT_NE(read1(0x02), 0xAC);
    EXPECT_FALSE(sim.unitReady());
    sim.setNeverReady(false);
    EXPECT_EQ(read1(0x02), 0xAC);
}

TEST_F(SimTest, LineTimeIsTenBitsPerByteOfRequestAndAnswer) {
    sim.setBaud(9600);
    ASSERT_TRUE(link->Connect());
    int32_t values[12] = {};
    // ReadParam of 12 words: a 4-byte request, a 2-byte answer frame and 24 data bytes.
    const uint32_t start = clock.tickCount();
    ASSERT_TRUE(link->ReadParam(0xc30c, values));
    EXPECT_EQ(clock.tickCount() - start, 31u); // 30 x 10 / 9600 s = 31.25 ms
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(link->ReadParam(0xc30c, values));
    EXPECT_EQ(clock.tickCount() - start, 125u) << "the fractions are carried, not lost";

    const uint32_t single = clock.tickCount();
    for (int i = 0; i < 32; ++i)
        ASSERT_TRUE(link->WriteParam(0x04, 2));  // 5 + 2 bytes each
    EXPECT_EQ(clock.tickCount() - single, 233u); // 32 x 7 x 10 / 9600 s = 233.3 ms

    link->Close();
    sim.clearCallLog();
    const uint32_t offline = clock.tickCount();
    EXPECT_TRUE(link->WriteParam(0x04, 2));
    EXPECT_FALSE(link->ReadParam(0xc30c, values));
    EXPECT_EQ(clock.tickCount(), offline) << "nothing goes on the line while closed";
    EXPECT_EQ(sim.lineBytes(), 0);

    sim.setBaud(0);
    ASSERT_TRUE(link->Connect());
    sim.clearCallLog();
    const uint32_t off = clock.tickCount();
    ASSERT_TRUE(link->ReadParam(0xc30c, values));
    ASSERT_TRUE(link->WriteParam(0x04, 2));
    EXPECT_EQ(clock.tickCount(), off);
    EXPECT_EQ(sim.lineBytes(), 30 + 7) << "counted with the line model off too";
    sim.clearCallLog();
    EXPECT_EQ(sim.lineBytes(), 0);
}

TEST_F(SimTest, LineSpeedComesFromTheEnvironmentAtReset) {
    const char* saved = std::getenv("SERQUARN_SIM_BAUD");
    const std::string previous = saved ? saved : "";
    setenv("SERQUARN_SIM_BAUD", "19200", 1);
    sim.reset(); // without setBaud: the variable alone
    reopenLink();
    ASSERT_TRUE(link->Connect());
    int32_t values[12] = {};
    const uint32_t start = clock.tickCount();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(link->ReadParam(0xc30c, values));
    EXPECT_EQ(clock.tickCount() - start, 62u); // 4 x 30 x 10 / 19200 s = 62.5 ms
    if (saved)
        setenv("SERQUARN_SIM_BAUD", previous.c_str(), 1);
    else
        unsetenv("SERQUARN_SIM_BAUD");
    sim.reset();
}
