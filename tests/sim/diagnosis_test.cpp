// The unit's diagnosis, running times and the calibration's faults.
#include "simfixture.h"

namespace {

constexpr uint32_t kStates = 0x5139;
constexpr uint32_t kEnables = 0x513a;

} // namespace

class SimDiagnosis : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        sim.setEngine(SimUnit::Engine::Idle);
        ASSERT_TRUE(link->Connect());
    }
    std::vector<int32_t> states() {
        std::vector<int32_t> v(5, -1);
        EXPECT_TRUE(link->ReadParam(kStates, v.data()));
        return v;
    }
    void enableAll() {
        const int32_t all[5] = {0xff, 0x1f, 0, 0, 0};
        ASSERT_TRUE(link->WriteParamArray(kEnables, all));
    }
    uint8_t status() {
        uint8_t block[34] = {};
        int length = 34;
        EXPECT_TRUE(link->ReadRealTimeBlock(1, block, &length));
        return block[11];
    }
};

TEST_F(SimDiagnosis, EnabledCheckLatchesUntilWrittenZeroAndReturnsWhileItsCauseHolds) {
    const int32_t thresholds[4] = {247, 2, 247, 2};
    ASSERT_TRUE(link->WriteParamArray(0x4151, thresholds));
    sim.setSensorOpen(16);
    clock.advance(2000);
    EXPECT_EQ(states()[0], 0) << "nothing latches while its check is disabled";

    enableAll();
    clock.advance(1000);
    // Open byte-16 sensor: disconnected (row 7) and colder than threshold 2 (row 8).
    EXPECT_EQ(states()[0], 0x80);
    EXPECT_EQ(states()[1], 0x01);

    sim.setSensorOpen(16, false);
    clock.advance(5000);
    EXPECT_EQ(states()[0], 0x80) << "a latched check stays after its cause went";
    ASSERT_TRUE(link->WriteParamItem(0x39, 0, 0));
    ASSERT_TRUE(link->WriteParamItem(0x39, 1, 0));
    clock.advance(5000);
    EXPECT_EQ(states()[0], 0);

    sim.setDiagnosisCondition(10);
    sim.setInjectorFaults(0x0a, 0);
    clock.advance(1000);
    EXPECT_EQ(states()[0], 0x02) << "injectors 2 and 4";
    EXPECT_EQ(states()[1], 0x04) << "row 10: word 1, bit 2";
    EXPECT_EQ(sim.peek(0x4d), 0x0a);
    ASSERT_TRUE(link->WriteParamItem(0x39, 0, 0));
    EXPECT_EQ(states()[0], 0) << "read back before the next check";
    clock.advance(1000);
    EXPECT_EQ(states()[0], 0x02) << "back while the fault holds";
}

TEST_F(SimDiagnosis, LatchedCheckWithChangeOverActionPutsTheEngineOnPetrol) {
    clock.advance(10000);
    EXPECT_TRUE(status() & 0x10) << "idling on gas";
    enableAll();
    sim.setDiagnosisCondition(3); // pressure high
    clock.advance(1000);
    EXPECT_TRUE(status() & 0x10) << "action 0: the unit only reports";
    ASSERT_TRUE(link->WriteParamCell(0x31, 1, 0, 0x08)); // plane 1: action 2 for row 3
    clock.advance(1000);
    EXPECT_FALSE(status() & 0x10);
    sim.setDiagnosisCondition(3, false);
    ASSERT_TRUE(link->WriteParamItem(0x39, 0, 0));
    clock.advance(1000);
    EXPECT_TRUE(status() & 0x10) << "cleared: back on gas";
}

TEST_F(SimDiagnosis, RunningTimesCountTheEngineOnEachFuel) {
    // One count is clock x 0.00025 x 20 minutes: 12.8 with the default clock.
    clock.advance(6000); // the first six seconds run on petrol
    clock.advance(uint32_t(12.8 * 60000 * 10));
    int32_t gas = -1, petrol = -1;
    ASSERT_TRUE(link->ReadParam(0x23b, &gas));
    ASSERT_TRUE(link->ReadParam(0x23c, &petrol));
    EXPECT_NEAR(gas, 10, 1);
    EXPECT_EQ(petrol, 0);
    sim.setEngine(SimUnit::Engine::Stopped);
    clock.advance(3600000);
    ASSERT_TRUE(link->ReadParam(0x23b, &gas));
    EXPECT_NEAR(gas, 10, 1) << "a stopped engine counts nothing";
}

TEST_F(SimDiagnosis, CalibrationFaults) {
    sim.setCalibrationStep(1000);
    sim.setEngine(SimUnit::Engine::Stopped);
    ASSERT_TRUE(command(19, 0, 2).ok);
    EXPECT_EQ(command(20, 0, 2).bytes[1], 0x08) << "no speed signal";

    sim.setEngine(SimUnit::Engine::Idle);
    sim.setCalibrationRefusalAt(0x01, 4);
    ASSERT_TRUE(command(19, 0, 2).ok);
    clock.advance(3000);
    EXPECT_EQ(command(20, 0, 2).bytes, (std::vector<uint8_t>{3, 0}));
    clock.advance(1000);
    EXPECT_EQ(command(20, 0, 2).bytes, (std::vector<uint8_t>{0, 0x01}));

    sim.setCalibrationRefusalAt(0, 0);
    sim.setCalibrationStateCode(-1);
    sim.failCalibrationQueries(2);
    ASSERT_TRUE(command(19, 0, 2).ok);
    EXPECT_FALSE(command(20, 0, 2).ok);
    EXPECT_FALSE(command(20, 0, 2).ok);
    EXPECT_EQ(int8_t(command(20, 0, 2).bytes[0]), -1);
    sim.setCalibrationStateCode(std::nullopt);
    clock.advance(5000);
    EXPECT_EQ(int8_t(command(20, 0, 2).bytes[0]), 5);
}

TEST_F(SimDiagnosis, FaultKeys) {
    EXPECT_TRUE(sim.applyFaults(
        "diag_rows=0,11;inj_gas=1;inj_petrol=0x10;sensor_open=12;calib_flags=2;calib_flags_at=3;"
        "calib_state=13;calib_fail=1"));
    const int32_t thresholds[4] = {247, 2, 247, 2};
    ASSERT_TRUE(link->WriteParamArray(0x4151, thresholds));
    enableAll();
    clock.advance(1000);
    EXPECT_EQ(states()[0], 0x1 | 0x2 | 0x10 | 0x20) << "0, gas injectors, open sensor, cold";
    EXPECT_EQ(states()[1], 0x08 | 0x10) << "11 and petrol injectors";
    ASSERT_TRUE(command(19, 0, 2).ok);
    EXPECT_FALSE(command(20, 0, 2).ok);
    EXPECT_EQ(command(20, 0, 2).bytes, (std::vector<uint8_t>{13, 0}));
    clock.advance(4500); // state 3 at the default 1.5 s a state
    EXPECT_EQ(command(20, 0, 2).bytes, (std::vector<uint8_t>{0, 2}));
    EXPECT_FALSE(sim.applyFaults("sensor_open=x"));
}
