// The unit's commands: save and auto-calibration.
#include "simfixture.h"

TEST_F(SimTest, UnknownOrMalformedCommandsAreRefused) {
    EXPECT_FALSE(command(4, 1, 2, 84).ok) << "nothing answers while closed";
    ASSERT_TRUE(link->Connect());
    EXPECT_FALSE(command(5, 1, 5).ok);
    EXPECT_FALSE(command(0, 0, 2).ok);
    EXPECT_FALSE(command(4, 1, 1, 84).ok) << "the geometry does not fit one byte";
    EXPECT_FALSE(command(20, 0, 1).ok);
    EXPECT_FALSE(link->SendCommand(17, nullptr, 1, 5));
}

TEST_F(SimTest, EndOfSaveRestartsTheUnit) {
    sim.setReadyDelay(500);
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(command(17, 1, 5).ok);
    EXPECT_EQ(read1(0x02), 0xAC) << "beginning a save changes nothing yet";
    ASSERT_TRUE(command(18, 1, 5).ok);
    EXPECT_NE(read1(0x02), 0xAC);
    clock.advance(500);
    EXPECT_EQ(read1(0x02), 0xAC);
}

// The program's diagnosis register tells what started the unit last; the
// byte after it counts the starts, kept with the memory.
TEST_F(SimTest, DiagnosisRegisterAndRestartCount) {
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x43), 0x01) << "a fresh unit was switched on";
    EXPECT_EQ(read1(0x44), 0);
    EXPECT_FALSE(link->WriteParam(0x44, 7)) << "read only";
    for (int n = 1; n <= 2; ++n) {
        ASSERT_TRUE(command(17, 1, 5).ok);
        ASSERT_TRUE(command(18, 1, 5).ok);
        EXPECT_EQ(read1(0x44), n);
    }
    EXPECT_EQ(read1(0x43), 0x02) << "started again on command";
    ASSERT_TRUE(link->Disconnect());
    reopenLink();
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x44), 2) << "the count is kept with the memory";
}

TEST_F(SimTest, CalibrationClimbsToTwelveAndLeavesANewMap) {
    sim.setCalibrationStep(1000);
    sim.setEngine(SimUnit::Engine::Idle);
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParam(0x296, 2500)); // GiriAutotaratura
    ASSERT_TRUE(link->WriteParamCell(0x54, 4, 2, 100));
    ASSERT_TRUE(command(19, 0, 2).ok);

    const struct {
        uint32_t atMs;
        int state;
    } steps[] = {{0, 0}, {999, 0}, {1000, 1}, {2000, 2}, {5500, 5}, {10000, 10}, {11999, 11}};
    const uint32_t start = clock.tickCount();
    for (const auto& s : steps) {
        clock.advance(start + s.atMs - clock.tickCount());
        const Answer a = command(20, 0, 2);
        ASSERT_TRUE(a.ok);
        EXPECT_EQ(int8_t(a.bytes[0]), s.state) << s.atMs;
        EXPECT_EQ(a.bytes[1], 0);
        if (s.state < 2 || s.state > 10)
            continue;
        // While the unit calibrates, the engine is held at the calibration speed.
        uint8_t block[34] = {};
        int length = 34;
        ASSERT_TRUE(link->ReadRealTimeBlock(1, block, &length));
        EXPECT_NEAR(block[0] | block[1] << 8, 2500, 20) << s.atMs;
    }
    EXPECT_EQ(sim.peek(0x54, 4 * 6 + 2), 100) << "nothing changes before the end";
    clock.advance(start + 12000 - clock.tickCount());
    EXPECT_EQ(int8_t(command(20, 0, 2).bytes[0]), 12);
    EXPECT_EQ(int8_t(command(20, 0, 2).bytes[0]), 12) << "the end stays";

    const std::vector<int> map = sim.peekAll(0x54);
    EXPECT_NE(map[4 * 6 + 2], 100);
    EXPECT_NEAR(map[4 * 6 + 2], 100, 10) << "cells move around their old value";
    EXPECT_NEAR(map[0], 128, 10) << "an empty cell starts from 1.0";
    int changedZones = 0;
    for (int z : sim.peekAll(0x95))
        changedZones += z != 0;
    EXPECT_GT(changedZones, 0);
}

TEST_F(SimTest, CalibrationRefusalReportsItsFlagsAndStops) {
    ASSERT_TRUE(link->Connect());
    sim.setCalibrationRefusal(0x0c);
    ASSERT_TRUE(command(19, 0, 2).ok);
    clock.advance(3000);
    const Answer refused = command(20, 0, 2);
    ASSERT_TRUE(refused.ok);
    EXPECT_EQ(refused.bytes[1], 0x0c);
    clock.advance(30000);
    EXPECT_EQ(sim.calibrationState(), 0) << "a refused calibration does not go on";

    sim.setCalibrationRefusal(0);
    ASSERT_TRUE(command(19, 0, 2).ok);
    clock.advance(3000);
    const Answer going = command(20, 0, 2);
    EXPECT_EQ(going.bytes[1], 0);
    EXPECT_EQ(int8_t(going.bytes[0]), 2);
}

TEST_F(SimTest, StoppedCalibrationKeepsTheMapAndRestarts) {
    sim.setCalibrationStep(1000);
    sim.setReadyDelay(500);
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamCell(0x54, 1, 1, 77));
    ASSERT_TRUE(command(19, 0, 2).ok);
    clock.advance(6000);
    ASSERT_TRUE(command(21, 0, 2).ok);
    EXPECT_EQ(int8_t(command(20, 0, 2).bytes[0]), 0);
    clock.advance(20000);
    EXPECT_EQ(sim.peek(0x54, 1 * 6 + 1), 77);
    EXPECT_EQ(sim.peekAll(0x95), std::vector<int>(16, 0));
    EXPECT_TRUE(sim.unitReady());
}
