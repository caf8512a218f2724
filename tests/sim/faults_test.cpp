// Faults a test can ask of the unit, their text form, and the call log.
#include "simfixture.h"

#include <cstdlib>

namespace {

// Every write form once, on elements of different parameters.
std::vector<bool> writeAll(TSerialEcuLink* link) {
    const int32_t words[2] = {1, 2};
    const int32_t row[6] = {1, 2, 3, 4, 5, 6};
    return {link->WriteParam(0x04, 2), link->WriteParamItem(0x20c, 1, 900),
            link->WriteParamArray(0x2303, words), link->WriteParamCell(0x54, 1, 1, 50),
            link->WriteParamRow(0x6154, row, 2)};
}

} // namespace

TEST_F(SimTest, RefusedWritesLeaveTheUnitAsItWas) {
    ASSERT_TRUE(link->Connect());
    sim.refuseAllWrites();
    EXPECT_EQ(writeAll(link), std::vector<bool>(5, false));
    link->Close();
    EXPECT_EQ(writeAll(link), std::vector<bool>(5, false)) << "refused offline as well";
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x01), 1) << "reads still answer";
    EXPECT_EQ(sim.peek(0x04), 0);
    EXPECT_EQ(sim.peekAll(0x54), std::vector<int>(sim.peekAll(0x54).size(), 0));

    sim.refuseAllWrites(false);
    sim.refuseWritesTo(0x54);
    EXPECT_EQ(writeAll(link), (std::vector<bool>{true, true, true, false, false}));
    EXPECT_EQ(sim.peek(0x0c, 1), 900);
    EXPECT_EQ(sim.peek(0x54, 6 + 1), 0);
    sim.refuseWritesTo(0x54, false);
    EXPECT_TRUE(link->WriteParamCell(0x54, 1, 1, 50));
}

// A refused read answers false and leaves the link open; the text form
// refuses the same way.
TEST_F(SimTest, RefusedReadsKeepTheLink) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(sim.poke(0x79, 0, 2600));
    for (const bool byText : {false, true}) {
        if (byText)
            ASSERT_TRUE(sim.applyFaults("refuse_reads=0x79,0x54"));
        else
            sim.refuseReadsOf(0x79);
        int32_t v = 0;
        int32_t row[6] = {};
        EXPECT_FALSE(link->ReadParam(0x279, &v)) << byText;
        EXPECT_EQ(v, 0) << byText;
        EXPECT_NE(link->IsConnected(), 0) << byText;
        EXPECT_EQ(link->ReadParamRow(0x6154, row, 0), !byText) << byText;
        EXPECT_TRUE(link->ReadParam(0x04, &v)) << "other reads answer";
        sim.refuseReadsOf(0x79, false);
        sim.refuseReadsOf(0x54, false);
        EXPECT_TRUE(link->ReadParam(0x279, &v)) << byText;
        EXPECT_EQ(v, 2600) << byText;
    }
}

TEST_F(SimTest, KthExchangeFromNowFails) {
    ASSERT_TRUE(link->Connect());
    sim.failCall(3);
    int32_t v = 0;
    EXPECT_TRUE(link->ReadParam(0x01, &v));
    EXPECT_NE(link->IsConnected(), 0) << "asking the link state is no exchange";
    EXPECT_TRUE(link->WriteParam(0x04, 2));
    EXPECT_FALSE(link->WriteParam(0x04, 40));
    EXPECT_TRUE(link->ReadParam(0x01, &v));
    EXPECT_EQ(sim.peek(0x04), 2) << "the failed write did nothing";
    EXPECT_NE(link->IsConnected(), 0) << "a single failure keeps the link";

    // A read and its retry.
    sim.failCall(2, 2);
    uint8_t block[34];
    int length = 34;
    EXPECT_TRUE(link->ReadParam(0x01, &v));
    EXPECT_FALSE(link->ReadRealTimeBlock(1, block, &length));
    length = 34;
    EXPECT_FALSE(link->ReadRealTimeBlock(1, block, &length));
    length = 34;
    EXPECT_TRUE(link->ReadRealTimeBlock(1, block, &length));
    EXPECT_NE(link->IsConnected(), 0);
}

TEST_F(SimTest, DroppedLinkFailsUntilReconnected) {
    sim.setReconnectDelay(300);
    ASSERT_TRUE(link->Connect());
    sim.dropAfter(2);
    int32_t v = 0;
    uint8_t block[34];
    int length = 34;
    EXPECT_TRUE(link->ReadParam(0x01, &v));
    EXPECT_TRUE(link->ReadRealTimeBlock(1, block, &length));
    EXPECT_NE(link->IsConnected(), 0) << "the loss shows at the next exchange";
    length = 34;
    EXPECT_FALSE(link->ReadRealTimeBlock(1, block, &length));
    EXPECT_EQ(length, 0);
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_FALSE(link->WriteParam(0x04, 2)) << "a lost link is no offline editing";
    EXPECT_EQ(link->Reconnect(), 0);
    clock.advance(300);
    EXPECT_EQ(link->Reconnect(), 1);
    EXPECT_TRUE(link->ReadParam(0x01, &v));
    EXPECT_TRUE(link->WriteParam(0x04, 2));
}

TEST_F(SimTest, UnitGoneWhileConnectedLosesTheLink) {
    ASSERT_TRUE(link->Connect());
    sim.setAbsent();
    int32_t v = 0;
    EXPECT_FALSE(link->ReadParam(0x01, &v));
    EXPECT_EQ(link->IsConnected(), 0);
    clock.advance(10000);
    EXPECT_EQ(link->Reconnect(), 0);
}

TEST_F(SimTest, RefusedCommandAnswersFalse) {
    ASSERT_TRUE(link->Connect());
    sim.refuseCommand(17);
    EXPECT_FALSE(command(17, 1, 5).ok);
    EXPECT_TRUE(command(18, 1, 5).ok);
    sim.refuseCommand(17, false);
    EXPECT_TRUE(command(17, 1, 5).ok);
}

TEST_F(SimTest, FaultTextSetsTheSameThings) {
    EXPECT_TRUE(sim.applyFaults(" model=31; refuse_writes=0x54,0x0c ;port=3;param_width=2;"
                                "geometry=8x10;ready_delay=0;program_status=-5;program_times=1"));
    ASSERT_TRUE(link->Connect());
    uint8_t id[4] = {};
    ASSERT_TRUE(link->ReadEcuId(id));
    EXPECT_EQ(id[1], 31);
    EXPECT_FALSE(link->WriteParamCell(0x54, 0, 0, 1));
    EXPECT_FALSE(link->WriteParamItem(0x20c, 0, 1));
    EXPECT_TRUE(link->WriteParam(0x04, 2));
    EXPECT_EQ(link->GetPortNumber(), 3);
    EXPECT_EQ(link->GetParamWidth(124, 1), 2);
    EXPECT_EQ(command(4, 1, 2, 84).bytes, (std::vector<uint8_t>{8, 10}));
    const uint8_t image[] = {1, 0, 0, 0, 0x55};
    link->BeginProgramming();
    EXPECT_EQ(link->ProgramImage(image, 2, 0, 1), -5);
    EXPECT_EQ(link->ProgramImage(image, 2, 0, 1), -3) << "status used up: the payload is checked";
    link->EndProgramming();

    EXPECT_TRUE(sim.applyFaults("refuse_writes;never_configured;drop_after=0"));
    EXPECT_FALSE(link->WriteParam(0x04, 2));
    EXPECT_EQ(sim.stateFlags() & 1, 1);
    EXPECT_EQ(link->IsConnected(), 0) << "dropped at the write above";

    EXPECT_FALSE(sim.applyFaults("model=31;no_such_fault;geometry=8"));
    EXPECT_TRUE(sim.applyFaults("absent"));
    EXPECT_FALSE(link->Connect());
}

TEST_F(SimTest, FaultsFromTheEnvironmentApplyAtReset) {
    setenv("SERQUARN_SIM_FAULTS", "model=31;absent", 1);
    sim.reset();
    unsetenv("SERQUARN_SIM_FAULTS");
    EXPECT_FALSE(link->Connect());
    sim.setAbsent(false);
    ASSERT_TRUE(link->Connect());
    uint8_t id[4] = {};
    ASSERT_TRUE(link->ReadEcuId(id));
    EXPECT_EQ(id[1], 31);
    sim.reset();
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->ReadEcuId(id));
    EXPECT_EQ(id[1], 30) << "a reset without the variable is a plain unit";
}

TEST_F(SimTest, CallLogShowsEveryOperationWithItsArguments) {
    sim.clearCallLog();
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 3, 1500));
    const int32_t flags[2] = {2, 0};
    ASSERT_TRUE(link->WriteParamArray(0x2303, flags));
    EXPECT_FALSE(link->WriteParamCell(0x54, 13, 0, 5));
    int32_t v[12];
    ASSERT_TRUE(link->ReadParam(0xc30c, v));
    ASSERT_TRUE(command(17, 1, 5).ok);
    uint8_t block[34];
    int length = 34;
    ASSERT_TRUE(link->ReadRealTimeBlock(1, block, &length));
    link->GetParamWidth(124, 1);
    link->Disconnect();
    EXPECT_EQ(sim.callLog(), (std::vector<std::string>{
                                 "Connect()=1",
                                 "WriteParamItem(0x20c,3,1500)=1",
                                 "WriteParamArray(0x2303,[2,0])=1",
                                 "WriteParamCell(0x54,13,0,5)=0",
                                 "ReadParam(0xc30c)=1",
                                 "SendCommand(17,[0],5)=1",
                                 "ReadRealTimeBlock(1,34)=1",
                                 "GetParamWidth(124,1)=1",
                                 "Disconnect()=1",
                             }));
    EXPECT_EQ(sim.countCalls("Write"), 3);
    sim.clearCallLog();
    EXPECT_TRUE(sim.callLog().empty());
}
