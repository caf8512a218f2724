// Firmware programming on the simulated unit: its format, the bracket of
// BeginProgramming and EndProgramming, and its faults.
#include "simfixture.h"

#include "tests/support/samplefirmware.h"
#include "tests/support/specialfiles.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <functional>

namespace {

constexpr uint32_t kSerialNumber = 0x14100;

std::vector<uint8_t> LengthPrefixed(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> b(4 + payload.size());
    const uint32_t n = uint32_t(payload.size());
    for (int i = 0; i < 4; ++i)
        b[size_t(i)] = uint8_t(n >> (8 * i));
    std::copy(payload.begin(), payload.end(), b.begin() + 4);
    return b;
}

class Programming : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        // A configured unit with values of its own.
        ASSERT_TRUE(link->Connect());
        ASSERT_TRUE(link->WriteParam(0x05, 44));
        ASSERT_TRUE(link->WriteParamCell(0x54, 2, 3, 201));
        ASSERT_TRUE(link->WriteParam(0x01, 0x40));
        link->Disconnect();
    }
    int program(const std::vector<uint8_t>& payload) {
        const auto buffer = LengthPrefixed(payload);
        return link->ProgramImage(buffer.data(), 2, 0, 1);
    }
    int programInBracket(const std::vector<uint8_t>& payload) {
        link->BeginProgramming();
        const int status = program(payload);
        link->EndProgramming();
        return status;
    }
    std::vector<std::vector<int>> memory() const {
        return sim.peekEach({0x00, 0x01, 0x05, 0x54, 0x79});
    }
};

TEST_F(Programming, AFirmwareOfItsModelErasesTheConfigurationAndRestartsTheUnit) {
    sim.setReadyDelay(500);
    const std::vector<uint8_t> payload = FirmwarePayload(30, 300);
    const int clockValue = *sim.peek(0x79);
    EXPECT_EQ(programInBracket(payload), 0);

    const auto last = sim.lastProgram();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->payload, payload);
    const QByteArray bytes(reinterpret_cast<const char*>(payload.data()),
                           qsizetype(payload.size()));
    EXPECT_EQ(last->md5,
              QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString());
    // Configuration gone, serial number included; state flags and clock kept.
    EXPECT_EQ(sim.peek(0x05), 0);
    EXPECT_EQ(sim.peek(0x54, 2 * 6 + 3), 0);
    EXPECT_EQ(sim.serialNumber(), "");
    EXPECT_EQ(sim.stateFlags(), 0x40);
    EXPECT_EQ(sim.peek(0x79), clockValue);
    EXPECT_EQ(sim.firmwareVersion(), 0x0208);

    clock.advance(300); // the reconnection delay
    EXPECT_EQ(link->Reconnect(), 1);
    uint8_t id[4] = {};
    ASSERT_TRUE(link->ReadEcuId(id));
    EXPECT_EQ(id[2], 8);
    EXPECT_EQ(id[3], 2);
    EXPECT_NE(read1(0x02), 0xAC) << "the unit starts again";
    clock.advance(500);
    EXPECT_EQ(read1(0x02), 0xAC);

    // The new firmware is kept with the memory.
    reopenLink();
    EXPECT_EQ(sim.firmwareVersion(), 0x0208);
}

TEST_F(Programming, TheProgrammingDropsAnOpenLink) {
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(programInBracket(FirmwarePayload(30, 64)), 0);
    EXPECT_EQ(link->IsConnected(), 0);
}

// Every refusal leaves the unit as it was.
struct Refusal {
    const char* name;
    std::function<void(SimUnit&)> arrange;
    std::function<std::vector<uint8_t>()> payload;
    bool bracket;
    int status;
};

class ProgrammingRefusals : public Programming, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ProgrammingRefusals, LeaveTheUnitAsItWas) {
    GetParam().arrange(sim);
    const auto before = memory();
    const auto payload = GetParam().payload();
    const int status = GetParam().bracket ? programInBracket(payload) : program(payload);
    EXPECT_EQ(status, GetParam().status);
    EXPECT_FALSE(sim.lastProgram());
    EXPECT_EQ(memory(), before);
    EXPECT_EQ(sim.firmwareVersion(), 0x0207);
}

std::vector<uint8_t> Damaged(size_t at) {
    auto p = FirmwarePayload(30, 256);
    p[at] ^= 0x20;
    return p;
}

std::vector<uint8_t> Truncated() {
    auto p = FirmwarePayload(30, 256);
    p.pop_back();
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Unit, ProgrammingRefusals,
    ::testing::Values(
        Refusal{"OutsideTheBracket", [](SimUnit&) {}, [] { return FirmwarePayload(30, 64); }, false,
                -5},
        Refusal{"DamagedCode", [](SimUnit&) {}, [] { return Damaged(100); }, true, -3},
        Refusal{"DamagedMagic", [](SimUnit&) {}, [] { return Damaged(0); }, true, -3},
        Refusal{"Truncated", [](SimUnit&) {}, Truncated, true, -3},
        Refusal{"NotAFirmware", [](SimUnit&) {},
                [] {
                    return std::vector<uint8_t>{'a', 'b', 'c'};
                },
                true, -3},
        Refusal{"OtherModel", [](SimUnit&) {}, [] { return FirmwarePayload(31, 64); }, true, -4},
        Refusal{"Empty", [](SimUnit&) {}, [] { return std::vector<uint8_t>{}; }, true, -2},
        Refusal{"LowBattery", [](SimUnit& s) { s.setProgramStatus(1, 1); },
                [] { return FirmwarePayload(30, 64); }, true, 1},
        Refusal{"Status2", [](SimUnit& s) { s.setProgramStatus(2, 1); },
                [] { return FirmwarePayload(30, 64); }, true, 2},
        Refusal{"LinkLostHalfWay", [](SimUnit& s) { s.setProgramLinkLost(); },
                [] { return FirmwarePayload(30, 64); }, true, -1},
        Refusal{"Absent", [](SimUnit& s) { s.setAbsent(); }, [] { return FirmwarePayload(30, 64); },
                true, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Programming, StatusFaultsCountDown) {
    sim.setProgramStatus(-3, 2);
    link->BeginProgramming();
    const auto payload = FirmwarePayload(30, 64);
    EXPECT_EQ(program(payload), -3);
    EXPECT_EQ(program(payload), -3);
    EXPECT_EQ(program(payload), 0);
    link->EndProgramming();
    EXPECT_EQ(program(payload), -5) << "the bracket is closed";
    EXPECT_EQ(link->ProgramImage(nullptr, 2, 0, 1), -2);
}

TEST_F(Programming, ABootLoaderAloneAnswersOnlyProgrammingUntilItSucceeds) {
    sim.setBootLoaderOnly();
    EXPECT_FALSE(link->Connect());
    EXPECT_EQ(link->Reconnect(), 0);
    link->BeginProgramming();
    EXPECT_EQ(program(FirmwarePayload(31, 64)), -4);
    EXPECT_EQ(link->Reconnect(), 0);
    EXPECT_EQ(program(FirmwarePayload(30, 64)), 0);
    link->EndProgramming();
    clock.advance(300);
    EXPECT_EQ(link->Reconnect(), 1);
}

TEST_F(Programming, ReconnectFailsAfterProgrammingAsAsked) {
    sim.setReconnectFailsAfterProgram(2);
    clock.advance(300);
    EXPECT_EQ(link->Reconnect(), 1) << "only after a programming";
    EXPECT_EQ(programInBracket(FirmwarePayload(30, 64)), 0);
    clock.advance(300);
    EXPECT_EQ(link->Reconnect(), 0);
    EXPECT_EQ(link->Reconnect(), 0);
    EXPECT_EQ(link->Reconnect(), 1);

    sim.setReconnectFailsAfterProgram(-1);
    EXPECT_EQ(programInBracket(FirmwarePayload(30, 64)), 0);
    clock.advance(300);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(link->Reconnect(), 0);
}

TEST_F(Programming, ProgramFileReadsThePayloadFromThePath) {
    QTemporaryDir dir;
    const auto payload = FirmwarePayload(30, 64);
    const std::string path = WriteTestFile(
        dir.path(), "unit.bin",
        QByteArray(reinterpret_cast<const char*>(payload.data()), qsizetype(payload.size())));
    link->BeginProgramming();
    EXPECT_EQ(link->ProgramFile(path.c_str(), 2, 0, 1), 0);
    const auto last = sim.lastProgram();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->payload, payload);
    EXPECT_EQ(link->ProgramFile(dir.filePath("missing.bin").toLocal8Bit().constData(), 2, 0, 1),
              -2);
    // A name that holds no file is refused at once, neither read without end
    // nor waited on.
    for (const SpecialCase& c : SpecialCases()) {
        const QString special = dir.filePath("special" + QString::number(int(c.kind)));
        ASSERT_TRUE(PlantSpecial(c.kind, special)) << c.what;
        EXPECT_EQ(link->ProgramFile(special.toLocal8Bit().constData(), 2, 0, 1), -2) << c.what;
    }
}

TEST_F(Programming, TheIdentificationFailsOnceAsAsked) {
    ASSERT_TRUE(link->Connect());
    sim.failEcuId(2);
    uint8_t id[4] = {};
    EXPECT_TRUE(link->ReadEcuId(id));
    EXPECT_FALSE(link->ReadEcuId(id));
    EXPECT_TRUE(link->ReadEcuId(id));
}

TEST_F(Programming, WritesWhileClosedAreRefusedWhenAsked) {
    EXPECT_TRUE(link->WriteParam(0x05, 9)) << "accepted, never seen";
    EXPECT_EQ(sim.peek(0x05), 44);
    sim.refuseOfflineWrites();
    EXPECT_FALSE(link->WriteParam(0x05, 9));
    EXPECT_FALSE(link->WriteParamArray(kSerialNumber, std::vector<int32_t>(20, 'A').data()));
    ASSERT_TRUE(link->Connect());
    EXPECT_TRUE(link->WriteParam(0x05, 9));
    EXPECT_EQ(sim.peek(0x05), 9);
}

TEST_F(Programming, TheFaultTextSetsTheProgrammingFaults) {
    EXPECT_TRUE(sim.applyFaults("boot_loader;reconnect_fail_after_program=-1;fail_ecu_id=1;"
                                "refuse_offline_writes;program_lost=1"));
    EXPECT_FALSE(link->Connect());
    EXPECT_FALSE(link->WriteParam(0x05, 9));
    link->BeginProgramming();
    EXPECT_EQ(program(FirmwarePayload(30, 64)), -1);
    EXPECT_EQ(program(FirmwarePayload(30, 64)), 0);
    clock.advance(300);
    EXPECT_EQ(link->Reconnect(), 0);
    EXPECT_TRUE(sim.applyFaults("reconnect_fail_after_program=0;boot_loader=0"));
    EXPECT_TRUE(link->Connect());
    uint8_t id[4] = {};
    EXPECT_FALSE(link->ReadEcuId(id));
    EXPECT_TRUE(link->ReadEcuId(id));
}

// A memory file written before the unit kept its firmware version still loads.
TEST_F(SimTest, AMemoryFileWithoutTheFirmwareVersionLoadsWithTheFirstFirmware) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParam(0x05, 44));
    link->Disconnect();
    reopenLink();
    QByteArray body = memoryFile();
    body.chop(16); // the hash
    body.chop(2);  // the firmware version
    body[8] = 1;   // format version 1
    body += QCryptographicHash::hash(body, QCryptographicHash::Md5);
    reopenLinkWithFile(body);
    EXPECT_EQ(sim.peek(0x05), 44);
    EXPECT_EQ(sim.firmwareVersion(), 0x0207);
}

} // namespace
