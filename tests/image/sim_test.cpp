// The data module against the simulated unit: what the unit holds after each
// setter, partial refusals of the name and serial number, and the wait for
// the unit with its call sequence and 20-second limits, on the virtual clock.
#include "imagefixture.h"
#include "settercases.h"
#include "tests/support/simunit.h"

#include "core/quarnconnectecu.h"

#include <QCoreApplication>
#include <functional>
#include <sstream>

namespace {

// "WriteParamCell 0x54 12 5 77" as the unit's call log writes it; the values
// of an array in brackets.
std::string logForm(const std::string& call) {
    std::istringstream in(call);
    std::string op, id, word;
    in >> op >> id;
    const bool array = op == "WriteParamArray";
    std::string out = op + "(" + id + (array ? ",[" : "");
    for (bool first = true; in >> word; first = false)
        out += (first && array ? "" : ",") + word;
    return out + (array ? "])" : ")");
}

class SimTest : public ::testing::Test {
protected:
    SimTest() {
        EnsureTestApplication();
        platform::setClock(&clock);
        screen.SetMessageHandler([](const std::string&, const std::string&, unsigned) {});
    }
    ~SimTest() override {
        dm.reset();
        QCoreApplication::sendPostedEvents();
        platform::setClock(nullptr);
    }
    void SetUp() override {
        ASSERT_TRUE(sim.loaded());
        sim.resetAnsweringAtOnce(2);
        dm = std::make_unique<TStreamDati>(nullptr, &screen);
        ASSERT_TRUE(dm->QuarnConnectEcu->Loaded());
        ASSERT_TRUE(dm->EcuLink()->Connect());
        ASSERT_TRUE(dm->SetMapGeometry(12, 6));
        ASSERT_TRUE(dm->SetNomeConfigurazione("Standard"));
        ASSERT_TRUE(dm->SetUfficiale(true));
        dm->SetModified(false);
        sim.clearCallLog();
    }
    std::string unitText(int param, int first, int n) const {
        std::string text;
        for (int i = first; i < first + n; ++i) {
            const int ch = sim.peek(param, i).value_or(0) & 0xff;
            if (ch == 0)
                break;
            text += char(ch);
        }
        return text;
    }

    platform::VirtualClock clock{1000};
    SimUnit sim;
    TScreen screen;
    std::unique_ptr<TStreamDati> dm;
};

class SimSetterTest : public SimTest, public ::testing::WithParamInterface<SetterCase> {};

TEST_P(SimSetterTest, UnitAndImageAgree) {
    const SetterCase& c = GetParam();
    EXPECT_TRUE(c.set(*dm));
    EXPECT_EQ(sim.countCalls(logForm(c.call)), 1) << logForm(c.call);
    EXPECT_EQ(sim.peek(c.param, c.index), c.raw);
    EXPECT_EQ(c.get(dm->Image()), c.raw);
    EXPECT_TRUE(dm->IsModified());
    EXPECT_EQ(dm->IsUfficiale(), c.cls == Cls::Signal);
    EXPECT_EQ(sim.peek(0x35, 0).value_or(-1) & 0x80, c.cls == Cls::Signal ? 0x80 : 0);
}

TEST_P(SimSetterTest, RefusedByTheUnit) {
    const SetterCase& c = GetParam();
    const int32_t before = c.get(dm->Image());
    const auto unitBefore = sim.peek(c.param, c.index);
    sim.refuseWritesTo(c.param);
    EXPECT_FALSE(c.set(*dm));
    // The unit does not show the values of an array it refused.
    const std::string call = logForm(c.call).substr(0, logForm(c.call).find('['));
    EXPECT_EQ(sim.countCalls(call), 1) << call;
    EXPECT_EQ(sim.peek(c.param, c.index), unitBefore);
    EXPECT_EQ(c.get(dm->Image()), before);
    EXPECT_EQ(dm->IsModified(), c.cls == Cls::A || c.cls == Cls::B);
    EXPECT_EQ(dm->IsUfficiale(), c.cls != Cls::B);
}

INSTANTIATE_TEST_SUITE_P(Setters, SimSetterTest, ::testing::ValuesIn(kSetters),
                         [](const auto& info) { return CaseName(info.param); });

// One exchange fails in the middle of a text: what was written goes back.
TEST_F(SimTest, NameRefusedHalfWayIsPutBackInTheUnit) {
    sim.failCall(4); // the fourth character
    EXPECT_FALSE(dm->SetNomeConfigurazione("Hello"));
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Standard");
    EXPECT_EQ(unitText(0x35, 2, 28), "Standard");
    EXPECT_FALSE(dm->IsModified());
}

TEST_F(SimTest, SerialNumberRefusedHalfWayIsPutBackInTheUnit) {
    ASSERT_TRUE(dm->SetSerialNumber("SerialNumberNotInEcu"));
    sim.failCall(14); // ten characters and three zeros went through
    EXPECT_FALSE(dm->SetSerialNumber("0123456789"));
    EXPECT_EQ(dm->GetSerialNumber(), "SerialNumberNotInEcu");
    EXPECT_EQ(sim.serialNumber(), "SerialNumberNotInEcu");
}

// The link is lost in the middle of a text: nothing can go back, and the
// image holds what the unit took.
TEST_F(SimTest, SerialNumberCutByALostLinkMirrorsTheUnit) {
    ASSERT_TRUE(dm->SetSerialNumber("SerialNumberNotInEcu"));
    dm->SetModified(false);
    sim.dropAfter(13);
    EXPECT_FALSE(dm->SetSerialNumber("0123456789"));
    EXPECT_EQ(dm->GetSerialNumber(), "0123456789");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(sim.peek(0x00, i), dm->Image().SerialNumber[i]) << "element " << i;
    EXPECT_EQ(dm->Image().SerialNumber[13], 'o');
    EXPECT_TRUE(dm->IsModified());
}

// A zone shift moves the map cells and the zone's correction together or not
// at all: a refusal anywhere on the way writes the moved cells back.
class ZoneShiftTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        for (int r = 0; r <= 12; ++r)
            for (int c = 0; c < 6; ++c)
                ASSERT_TRUE(dm->SetMappaK(r, c, 100 + 6 * r + c));
        ASSERT_TRUE(dm->SetMappaCorrAutotaratura(0, 1, 2));
        ASSERT_TRUE(dm->SetUfficiale(false)); // one exchange per cell from here
        sim.clearCallLog();
    }
    // Every map cell and the correction (0, 1) as the image and the unit hold them.
    void expectMap(const std::function<int32_t(int r, int c)>& cell, int32_t correction,
                   const std::string& name) {
        for (int r = 0; r <= 12; ++r)
            for (int c = 0; c < 6; ++c) {
                EXPECT_EQ(dm->GetMappaK(r, c), cell(r, c)) << name << " " << r << "," << c;
                EXPECT_EQ(sim.peek(0x54, 6 * r + c), cell(r, c)) << name << " " << r << "," << c;
            }
        EXPECT_EQ(dm->GetMappaCorrAutotaratura(0, 1), correction) << name;
        EXPECT_EQ(sim.peek(0x95, 1), correction) << name;
    }
    static int32_t initial(int r, int c) { return 100 + 6 * r + c; }
};

TEST_F(ZoneShiftTest, RefusedWriteLeavesMapAndCorrectionAsTheyWere) {
    // Zone (0, 1): rows 0-2, columns 1-5, fifteen cells, then the correction.
    struct Refusal {
        const char* name;
        int exchange;
        int cellWrites; // the refused one included: each moved cell is written back once
    };
    const Refusal refusals[] = {{"first cell", 1, 1},
                                {"middle cell", 8, 15},
                                {"last cell", 15, 29},
                                {"correction", 16, 30}};
    for (const Refusal& k : refusals) {
        sim.failCall(k.exchange);
        EXPECT_FALSE(dm->ShiftCorrectionZone(0, 1, 5)) << k.name;
        expectMap(initial, 2, k.name);
        EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), k.cellWrites) << k.name;
        sim.clearCallLog();
    }
    // The shift goes through afterwards, and back again.
    auto shifted = [](int r, int c) { return initial(r, c) + (r <= 2 && c >= 1 ? 5 : 0); };
    EXPECT_TRUE(dm->ShiftCorrectionZone(0, 1, 5));
    expectMap(shifted, 7, "shifted");
    EXPECT_TRUE(dm->ShiftCorrectionZone(0, 1, -5));
    expectMap(initial, 2, "shifted back");
}

// With the link gone nothing can be written back: the result is false and the
// image still shows what the unit holds, cell by cell.
TEST_F(ZoneShiftTest, LinkLostHalfWayLeavesTheImageAsTheUnit) {
    sim.dropAfter(7);
    EXPECT_FALSE(dm->ShiftCorrectionZone(0, 1, 5));
    const int moved[][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {1, 1}, {1, 2}};
    auto cell = [&](int r, int c) {
        for (const auto& m : moved)
            if (m[0] == r && m[1] == c)
                return initial(r, c) + 5;
        return initial(r, c);
    };
    expectMap(cell, 2, "link lost");
}

TEST_F(SimTest, WaitForEcuCallSequence) {
    sim.setReconnectDelay(3000); // from the disconnect: the pause and four polls
    sim.setReadyDelay(1500);     // from the reconnection: three more reads
    EXPECT_TRUE(dm->WaitForEcu(20000));
    EXPECT_EQ(clock.sleptTotal(), 4500u);
    std::vector<std::string> ops;
    for (const std::string& line : sim.callLog())
        ops.push_back(line.substr(0, line.find('(')));
    EXPECT_EQ(ops, (std::vector<std::string>{"Disconnect", "StartMonitor", "Reconnect", "Reconnect",
                                             "Reconnect", "Reconnect", "Reconnect", "StopMonitor",
                                             "ReadParam", "ReadParam", "ReadParam", "ReadParam"}));
    EXPECT_EQ(sim.countCalls("ReadParam(0x2"), 4);
}

TEST_F(SimTest, WaitGivesUpAfterTwentySeconds) {
    sim.setAbsent();
    EXPECT_FALSE(dm->WaitForEcu(20000));
    EXPECT_EQ(sim.countCalls("Reconnect"), 41);
    EXPECT_EQ(sim.countCalls("ReadParam"), 0);
    EXPECT_EQ(clock.sleptTotal(), 21000u);

    sim.setAbsent(false);
    sim.setNeverReady();
    sim.clearCallLog();
    const uint64_t start = clock.sleptTotal();
    EXPECT_FALSE(dm->WaitForEcu(20000));
    EXPECT_EQ(sim.countCalls("ReadParam(0x2"), 41);
    EXPECT_EQ(clock.sleptTotal() - start, 1000u + 20000u);
}

} // namespace
