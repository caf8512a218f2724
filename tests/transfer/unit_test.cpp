// The engine against the simulated unit: the calls of a full read and a full
// write in the unit's order, groups, progress, the map geometry the unit
// reports, the pressure coefficients' form, refusals, a link lost midway and
// the bracket of commands 17 and 18.
#include "transferfixture.h"

#include "core/conversions.h"
#include "core/paramid.h"

#include <QFile>
#include <cstdio>
#include <functional>

namespace {

constexpr uint8_t kLoad = kTransferFileToImage;
constexpr uint8_t kRead = kTransferUnitToImage;
constexpr uint8_t kSave = kTransferImageToFile;
constexpr uint8_t kWrite = kTransferImageToUnit;

std::string Hex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id);
    return text;
}

// The calls of a full transfer with the map geometry (rows = NumeroRighe)
// and a unit whose pressure coefficients are words: reads with their result,
// writes up to their values.
std::vector<std::string> FullTransferCalls(bool write, uint32_t rows, uint32_t cols) {
    std::vector<std::string> out;
    const auto item = [&](uint32_t id) {
        const bool array = paramid::isMulti(id);
        out.push_back(write ? (array ? "WriteParamArray(" : "WriteParam(") + Hex(id) + ","
                            : "ReadParam(" + Hex(id) + ")=1");
    };
    const auto items = [&](std::initializer_list<uint32_t> ids) {
        for (uint32_t id : ids)
            item(id);
    };
    const auto rowsOf = [&](uint32_t id, uint32_t n) {
        for (uint32_t r = 0; r < n; ++r)
            out.push_back(write ? "WriteParamRow(" + Hex(id) + "," + std::to_string(r) + ","
                                : "ReadParamRow(" + Hex(id) + "," + std::to_string(r) + ")=1");
    };
    const auto readOnly = [&](std::initializer_list<uint32_t> ids) {
        for (uint32_t id : ids)
            if (!write)
                item(id);
    };
    items({0x2303});
    readOnly({0x279});
    items({0x86});
    if (write)
        out.push_back("ReadParam(0x86)=1");
    items({0x558a, 0x1e18b});
    out.push_back("SendCommand(4,[84],2)=1");
    items({paramid::withCount(0x737, rows), paramid::withCount(0x73d, cols),
           paramid::withCount(0x37f, cols)});
    rowsOf(paramid::withCount(0x154, cols), rows + 1);
    items({0x14100, 0x04,  0x05, 0x06, 0x07,  0x08,   0x09, 0x0a, 0x0b,   0xc30c, 0x0f,  0x210,
           0x11,    0x212, 0x14, 0x17, 0x218, 0xa119, 0x1a, 0x24, 0x4125, 0xa12a, 0x912b});
    rowsOf(0x3131, 3);
    items({0x34, 0x1e135, 0x38, 0x5139, 0x513a, 0x23b, 0x23c, 0x3e});
    readOnly({0x43, 0x44});
    items({0x47, 0x48, 0x234a, 0x24b, 0x4151, 0x253, 0x252, 0xa15c, 0x915d, 0x6d, 0x75, 0x76, 0x77,
           0x6778, 0x7a, 0xf37b});
    out.push_back("GetParamWidth(124,1)=2");
    items({0xf77c, 0x27d, 0x27e, 0x280, 0x3181, 0xc182, 0xc383, 0x2385, 0x87, 0x88, 0x89, 0x28d,
           0x28e});
    rowsOf(0x238f, 8);
    items({0x90, 0x2391, 0x292, 0x293});
    if (write) {
        out.push_back("WriteParamItem(0x94,0,");
        out.push_back("WriteParamItem(0x94,1,");
    } else {
        items({0x2194});
    }
    rowsOf(0x4595, 4);
    items({0x296, 0x3197});
    return out;
}

// A write marks the unit never configured before its first item and clears
// the mark after its last.
const std::vector<std::string> kMark = {"ReadParam(0x1)=1", "WriteParam(0x1,1)=1"};
const std::vector<std::string> kUnmark = {"WriteParam(0x1,0)=1"};

// After the save: the engine's disconnect, then the wait for the unit.
const std::vector<std::string> kWaitForUnit = {"Disconnect()=1",   "Disconnect()=1",
                                               "StartMonitor()=1", "Reconnect()=1",
                                               "StopMonitor()=1",  "ReadParam(0x2)=1"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

bool AnyRefused(const std::vector<std::string>& calls) {
    return std::any_of(calls.begin(), calls.end(),
                       [](const std::string& c) { return c.ends_with("=0"); });
}

} // namespace

class UnitTransferTest : public TransferTest {
protected:
    // Progress from 0 to 100 in steps that never go back. The items reach
    // the total with the last one when the map has its 13 rows; a smaller map
    // counts fewer rows and stops short until the final 100.
    void ExpectProgress(intptr_t lastItem = 100) const {
        ASSERT_GE(progress.percents.size(), 3u);
        EXPECT_EQ(progress.percents.front(), 0);
        EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
        EXPECT_EQ(progress.percents.back(), 100);
        EXPECT_EQ(progress.percents[progress.percents.size() - 2], lastItem);
    }
};

TEST_F(UnitTransferTest, FullReadFollowsTheUnitsOrder) {
    ASSERT_TRUE(sim.poke(0x05, 0, 77));
    ASSERT_TRUE(sim.poke(0x54, 12 * 6 + 5, 99)); // last cell of the 13 x 6 map
    ASSERT_TRUE(sim.poke(0x4b, 0, 1998));
    ASSERT_TRUE(sim.poke(0x7c, 14, -950));
    ASSERT_TRUE(dm->Transfer(kRead, "", 0, kGroupAll, true)) << dm->LastTransferError();

    ExpectCallsBeginWith(
        Calls(), Join({{"IsConnected()=1", "StopMonitor()=1"}, FullTransferCalls(false, 12, 6)}));
    ExpectProgress();
    const TEcuImage& m = dm->Image();
    EXPECT_EQ(m.NumeroRighe, 12);
    EXPECT_EQ(m.NumeroColonne, 6);
    EXPECT_EQ(m.RifLambda, 77);
    EXPECT_EQ(m.MappaK[12][5], 99);
    EXPECT_EQ(m.CoeffPressDiff[14], -950);
    EXPECT_EQ(m.CoeffPressDiffByte, 0);
    EXPECT_EQ(dm->GetSerialNumber(), sim.serialNumber());
    // The description follows the displacement just read, not the old one.
    EXPECT_EQ(m.CentCubici, 1998);
    EXPECT_TRUE(dm->IsModified());
}

// The default configuration into a unit whose map is 10 x 8: the unit's
// geometry wins over the file's, and the unit gets the placeholder serial
// number of a file load.
TEST_F(UnitTransferTest, FullWriteOfTheDefaultConfigurationTakesTheUnitsGeometry) {
    ASSERT_TRUE(sim.setMapGeometry(8, 10));
    ASSERT_TRUE(dm->Transfer(kLoad | kWrite, "", 18, kGroupAll, true)) << dm->LastTransferError();

    const std::vector<std::string> calls = Calls();
    ExpectCallsBeginWith(calls,
                         Join({{"IsConnected()=1", "StopMonitor()=1", "SendCommand(17,[0],5)=1"},
                               kMark,
                               FullTransferCalls(true, 9, 8),
                               kUnmark,
                               {"SendCommand(18,[0],5)=1"},
                               kWaitForUnit}));
    EXPECT_FALSE(AnyRefused(calls));
    ExpectProgress((642 - 3 * 12) * 100 / 642); // 10 map rows of 13
    EXPECT_EQ(dm->Image().NumeroRighe, 9);
    EXPECT_EQ(dm->Image().NumeroColonne, 8);
    EXPECT_EQ(sim.serialNumber(), "SerialNumberNotInEcu");
    EXPECT_EQ(sim.peek(0x05), 30);
    EXPECT_EQ(sim.peek(0x10), 1800);
    EXPECT_EQ(sim.peek(0x4b), 1400);
    EXPECT_EQ(sim.peek(0x54, 9 * 8 + 7), dm->Image().MappaK[9][7]);
    EXPECT_EQ(sim.peek(0x7c, 0), 114 * 30);
    EXPECT_FALSE(dm->IsModified());
}

// Every write of the base group clears the diagnosis states, in the unit and
// in the image.
TEST_F(UnitTransferTest, WritingTheBaseGroupClearsTheDiagnosisStates) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    TEcuImage image = dm->Image();
    std::fill(std::begin(image.Stato), std::end(image.Stato), 3);
    std::fill(std::begin(image.Abilitazione), std::end(image.Abilitazione), 1);
    dm->RestoreImage(image);
    ASSERT_TRUE(dm->Transfer(kWrite, "", 0, kGroupBase, false)) << dm->LastTransferError();
    EXPECT_EQ(sim.peekAll(0x39), std::vector<int>(5, 0));
    EXPECT_EQ(sim.peekAll(0x3a), std::vector<int>(5, 1));
    EXPECT_EQ(dm->Image().Stato[4], 0);
}

// Mask 0x04 moves the geometry, the map and the calibration items and, since
// tests 0x06 and 0x0C match it, the map references and corrections; mask
// 0x10 moves the injector items and the MAP-sensor offsets.
TEST_F(UnitTransferTest, GroupMaskSelectsItsItems) {
    const struct {
        uint32_t mask;
        std::vector<std::string> reads;
    } cases[] = {
        {0x04,
         Join({{"SendCommand(4,", "ReadParam(0xc737)", "ReadParam(0x673d)", "ReadParam(0x637f)"},
               std::vector<std::string>(13, "ReadParamRow(0x6154,"),
               {"ReadParam(0xa12a)", "ReadParam(0x912b)", "ReadParam(0xa15c)", "ReadParam(0x915d)",
                "ReadParam(0xf37b)", "GetParamWidth(", "ReadParam(0xf77c)", "ReadParam(0x3181)",
                "ReadParam(0x28d)", "ReadParam(0x90)", "ReadParam(0x2391)", "ReadParam(0x293)"},
               std::vector<std::string>(4, "ReadParamRow(0x4595,"),
               {"ReadParam(0x296)", "ReadParam(0x3197)"}})},
        {0x10,
         {"ReadParam(0x2303)", "ReadParam(0x38)", "ReadParam(0x234a)", "ReadParam(0x253)",
          "ReadParam(0x252)", "ReadParam(0x76)", "ReadParam(0x77)", "ReadParam(0x6778)",
          "ReadParam(0x27d)", "ReadParam(0x27e)", "ReadParam(0x2194)"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dm->SetMapGeometry(12, 6));
        sim.clearCallLog();
        progress.percents.clear();
        ASSERT_TRUE(dm->Transfer(kRead, "", 0, c.mask, true)) << dm->LastTransferError();
        SCOPED_TRACE(c.mask);
        ExpectCallsBeginWith(Calls({"ReadParam", "SendCommand", "GetParamWidth", "Write"}),
                             c.reads);
        // Items of other groups count too, so the progress still runs to 100.
        ExpectProgress();
    }
}

TEST_F(UnitTransferTest, NoGroupStillBracketsTheSaveAndRunsTheProgress) {
    ASSERT_TRUE(dm->SetMapGeometry(12, 6));
    ASSERT_TRUE(dm->Transfer(kWrite, "", 0, 0, true)) << dm->LastTransferError();
    EXPECT_EQ(Calls(), Join({{"IsConnected()=1", "StopMonitor()=1", "SendCommand(17,[0],5)=1"},
                             kMark,
                             kUnmark,
                             {"SendCommand(18,[0],5)=1"},
                             kWaitForUnit}));
    ExpectProgress();
}

// Command 4 gives the geometry: columns, then rows (one more than NumeroRighe).
// One the image cannot hold leaves its geometry, and the map items stay off
// the link entirely.
TEST_F(UnitTransferTest, MapGeometryComesFromTheUnit) {
    const struct {
        int columns, rows;
        bool usable;
    } cases[] = {{8, 10, true}, {12, 13, true}, {1, 1, true}, {13, 13, false}, {6, 14, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + " x " + std::to_string(c.rows));
        ASSERT_TRUE(sim.setMapGeometry(c.columns, c.rows));
        ASSERT_TRUE(dm->SetMapGeometry(12, 6));
        sim.clearCallLog();
        EXPECT_EQ(dm->Transfer(kRead, "", 0, kGroupAll, false), c.usable);
        const int rows = c.usable ? c.rows - 1 : 12, columns = c.usable ? c.columns : 6;
        EXPECT_EQ(dm->Image().NumeroRighe, rows);
        EXPECT_EQ(dm->Image().NumeroColonne, columns);
        const std::string mapRow = "ReadParamRow(" + Hex(paramid::withCount(0x154, columns));
        EXPECT_EQ(sim.countCalls(mapRow), c.usable ? c.rows : 0);
        // A map of one row has no row references to move.
        EXPECT_EQ(sim.countCalls("ReadParam(" + Hex(paramid::withCount(0x737, rows))),
                  c.usable && rows > 0 ? 1 : 0);
        if (!c.usable) {
            EXPECT_EQ(dm->LastTransferFault(), TTransferFault::UnitGeometry);
            EXPECT_EQ(dm->LastTransferError(), kTransferGeometryError);
            EXPECT_EQ(sim.countCalls("ReadParam(0x3197)=1"), 1); // the rest is read
        }
    }
}

// The unit says how wide its pressure coefficients are: nothing moves for 0,
// bytes for 1, words for 2; the image ends in the form the unit has.
TEST_F(UnitTransferTest, PressureCoefficientsFollowTheUnitsWidth) {
    const struct {
        int width;
        const char* call; // null: none
        int32_t unitValue, imageAfterRead;
    } cases[] = {
        {0, nullptr, 0, 3420},
        {-1, nullptr, 0, 3420},
        {1, "0xf57c", 114, 114},
        {2, "0xf77c", 3432, 3432},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false)); // word form: 114 x 30
        sim.setParamWidth(c.width);
        if (c.width > 0) {
            ASSERT_TRUE(sim.poke(0x7c, 0, c.unitValue));
        }
        sim.clearCallLog();
        ASSERT_TRUE(dm->Transfer(kRead, "", 0, 0x08, false)) << dm->LastTransferError();
        EXPECT_EQ(sim.countCalls("ReadParam(0xf"), c.call ? 2 : 1); // 0xf37b and the form's
        if (c.call) {
            EXPECT_EQ(sim.countCalls(std::string("ReadParam(") + c.call + ")=1"), 1);
        }
        EXPECT_EQ(dm->Image().CoeffPressDiff[0], c.imageAfterRead);
        EXPECT_EQ(dm->Image().CoeffPressDiffByte, c.width == 1 ? 1 : 0);

        // Writing the word form of the default: a byte unit gets 3420 / 30.
        ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
        sim.clearCallLog();
        ASSERT_TRUE(dm->Transfer(kWrite, "", 0, 0x08, false)) << dm->LastTransferError();
        EXPECT_EQ(sim.countCalls("WriteParamArray(0xf"), c.call ? 2 : 1);
        if (c.call) {
            EXPECT_EQ(sim.peek(0x7c, 0), c.width == 1 ? 114 : 3420);
        }
        EXPECT_EQ(dm->Image().CoeffPressDiff[0], c.width == 1 ? 114 : 3420);
        EXPECT_EQ(dm->Image().CoeffPressDiffByte, c.width == 1 ? 1 : 0);
        ASSERT_TRUE(dm->EcuLink()->IsConnected());
    }
}

// A refused value does not stop the write: the rest is written, the unit is
// told the save ended, and the caller learns the unit is not complete.
TEST_F(UnitTransferTest, RefusedWriteGoesOnAndFails) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    sim.refuseWritesTo(0x05);
    ASSERT_TRUE(sim.poke(0x05, 0, 12));
    sim.clearCallLog();
    EXPECT_FALSE(dm->Transfer(kWrite, "", 0, kGroupAll, true));
    EXPECT_EQ(dm->LastTransferFault(), TTransferFault::UnitWrite);
    EXPECT_EQ(dm->LastTransferError(), kTransferUnitWriteError);
    EXPECT_EQ(sim.countCalls("WriteParam(0x5,30)=0"), 1);
    EXPECT_EQ(sim.peek(0x05), 12);
    EXPECT_EQ(sim.peek(0x97, 1), 5); // ParametriAutotaratura, the last item
    EXPECT_EQ(sim.countCalls("SendCommand(18,[0],5)=1"), 1);
    EXPECT_EQ(sim.countCalls("ReadParam(0x2)=1"), 1);
    EXPECT_EQ(progress.percents.back(), 100);
    // Not all was taken: the unit stays marked to be set up again.
    EXPECT_EQ(sim.stateFlags() & 1, 1);
    EXPECT_TRUE(dm->UnitLeftMarked());
}

// A read the unit refuses keeps the image's value (the clock falls back to
// its default); the rest is read and the read succeeds, whether the unit
// refuses the item or one exchange fails with the link kept.
TEST_F(UnitTransferTest, RefusedReadGoesOnAndSucceeds) {
    ASSERT_TRUE(sim.poke(0x79, 0, 2600));
    ASSERT_TRUE(sim.poke(0x97, 2, 7));
    ASSERT_TRUE(sim.poke(0x05, 0, 44));
    ASSERT_TRUE(sim.poke(0x54, 3 * 6 + 2, 201));
    const struct {
        const char* what;
        std::function<void()> refuse;
        bool mapRead;
    } cases[] = {
        {"one exchange", [&] { sim.failCall(2); }, true}, // the clock, after the option words
        {"clock and map",
         [&] {
             sim.refuseReadsOf(0x79);
             sim.refuseReadsOf(0x54); // every row of the map
         },
         false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
        const int32_t defaultCell = dm->Image().MappaK[3][2];
        ASSERT_NE(defaultCell, 201);
        sim.clearCallLog();
        c.refuse();
        EXPECT_TRUE(dm->Transfer(kRead, "", 0, kGroupAll, false)) << dm->LastTransferError();
        EXPECT_EQ(dm->LastTransferFault(), TTransferFault::None) << c.what;
        EXPECT_EQ(sim.countCalls("ReadParam(0x279)=0"), 1) << c.what;
        EXPECT_EQ(dm->GetClock(), kDefaultClock) << c.what;
        EXPECT_EQ(dm->Image().MappaK[3][2], c.mapRead ? 201 : defaultCell) << c.what;
        EXPECT_EQ(dm->Image().RifLambda, 44) << c.what;
        EXPECT_EQ(dm->Image().ParametriAutotaratura[2], 7) << c.what;
        EXPECT_TRUE(dm->IsModified()) << c.what;
        EXPECT_TRUE(dm->EcuLink()->IsConnected()) << c.what;
        sim.refuseReadsOf(0x79, false);
        sim.refuseReadsOf(0x54, false);
    }
}

// The link is lost in the middle of a write: nothing more is tried on it
// but the end of the save, and the transfer fails.
TEST_F(UnitTransferTest, LinkLostDuringWrite) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    sim.dropAfter(20);
    sim.clearCallLog();
    EXPECT_FALSE(dm->Transfer(kWrite, "", 0, kGroupAll, true));
    const std::vector<std::string> calls = Calls();
    const auto lost = std::find_if(calls.begin(), calls.end(),
                                   [](const std::string& c) { return c.ends_with("=0"); });
    ASSERT_NE(lost, calls.end());
    EXPECT_TRUE(lost->starts_with("Write")) << *lost;
    EXPECT_EQ(std::vector<std::string>(lost + 1, calls.end()),
              (std::vector<std::string>{"IsConnected()=0", "SendCommand(18,[0],5)=0"}));
    EXPECT_EQ(dm->LastTransferFault(), TTransferFault::EndSave);
    EXPECT_EQ(dm->LastTransferError(), kTransferEndSaveError);
    EXPECT_EQ(sim.stateFlags() & 1, 1);
    EXPECT_TRUE(dm->UnitLeftMarked());
}

// Without the unit's state flags nothing is written, since the mark would
// wipe its other bits; a single refused read is read again. The save that
// began is ended either way.
TEST_F(UnitTransferTest, AWriteBeginsOnlyOnceTheUnitIsMarked) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    ASSERT_TRUE(sim.poke(0x01, 0, 0x40));
    ASSERT_TRUE(sim.poke(0x05, 0, 12));
    const struct {
        int call, times;
        bool written;
    } cases[] = {{2, 1, true}, {2, 2, false}, {3, 1, false}}; // 17 is exchange 1
    for (const auto& c : cases) {
        SCOPED_TRACE(c.times);
        sim.clearCallLog();
        sim.failCall(c.call, c.times);
        EXPECT_EQ(dm->Transfer(kWrite, "", 0, kGroupAll, false), c.written);
        EXPECT_EQ(sim.peek(0x05), c.written ? 30 : 12);
        EXPECT_EQ(sim.stateFlags(), 0x40);
        EXPECT_FALSE(dm->UnitLeftMarked());
        EXPECT_EQ(sim.countCalls("SendCommand(18,[0],5)=1"), 1);
        if (!c.written) {
            EXPECT_EQ(dm->LastTransferFault(), TTransferFault::BeginSave);
        }
        ASSERT_TRUE(sim.poke(0x05, 0, 12));
    }
}

// Lost in the middle of a read: the image holds what was read and keeps the
// rest, and the caller learns it is not the unit's.
TEST_F(UnitTransferTest, LinkLostDuringRead) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    ASSERT_TRUE(sim.poke(0x03, 0, 0x415));
    ASSERT_TRUE(sim.poke(0x97, 0, 9));
    sim.dropAfter(30);
    sim.clearCallLog();
    EXPECT_FALSE(dm->Transfer(kRead, "", 0, kGroupAll, false));
    EXPECT_EQ(dm->LastTransferFault(), TTransferFault::UnitRead);
    EXPECT_EQ(dm->LastTransferError(), kTransferUnitReadError);
    const std::vector<std::string> calls = Calls();
    const auto lost = std::find_if(calls.begin(), calls.end(),
                                   [](const std::string& c) { return c.ends_with("=0"); });
    ASSERT_NE(lost, calls.end());
    EXPECT_EQ(std::vector<std::string>(lost + 1, calls.end()),
              std::vector<std::string>{"IsConnected()=0"});
    EXPECT_EQ(dm->Image().Flag[0], 0x415);
    EXPECT_EQ(dm->Image().ParametriAutotaratura[0], 1);
    EXPECT_TRUE(dm->IsModified());
}

// A unit that will not begin a save gets nothing, and a file saved while it
// is connected stays as it was.
TEST_F(UnitTransferTest, RefusedBeginOfSaveWritesNothing) {
    const std::string path = Path("kept.vx4");
    Write(path, "old content");
    sim.refuseCommand(17);
    for (const uint8_t flags : {kSave, kWrite, uint8_t(kLoad | kWrite)}) {
        SCOPED_TRACE(int(flags));
        sim.clearCallLog();
        dm->SetModified(true);
        EXPECT_FALSE(dm->Transfer(flags, flags == kSave ? path : "", flags & kLoad ? 18 : 0,
                                  kGroupAll, true));
        EXPECT_EQ(dm->LastTransferFault(), TTransferFault::BeginSave);
        EXPECT_EQ(dm->LastTransferError(), kTransferBeginSaveError);
        EXPECT_EQ(Calls(), (std::vector<std::string>{"IsConnected()=1", "StopMonitor()=1",
                                                     "SendCommand(17,[0],5)=0"}));
        EXPECT_EQ(Read(path), "old content");
        EXPECT_TRUE(dm->IsModified());
        EXPECT_FALSE(dm->ConfigFile().IsOpen());
    }
}

// Saving a file while a unit is connected brackets the unit too and waits
// for it afterwards; the file is complete.
TEST_F(UnitTransferTest, SaveWhileConnectedBracketsTheUnit) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    sim.clearCallLog();
    ASSERT_TRUE(dm->Transfer(kSave, Path("saved.vx4"), 0, kGroupAll, false))
        << dm->LastTransferError();
    EXPECT_EQ(Calls(), Join({{"IsConnected()=1", "StopMonitor()=1", "SendCommand(17,[0],5)=1",
                              "SendCommand(18,[0],5)=1"},
                             kWaitForUnit}));
    EXPECT_NE(PlainText(Path("saved.vx4")).find("RifLambda=30\r\n"), std::string::npos);
}

// After command 18 is refused or the unit does not come back, the transfer
// fails; a failed write leaves no named file behind half stored.
TEST_F(UnitTransferTest, UnitThatDoesNotEndTheSave) {
    const struct {
        const char* what;
        bool refuseEnd;
        TTransferFault fault;
        const char* text;
    } cases[] = {
        {"end refused", true, TTransferFault::EndSave, kTransferEndSaveError},
        {"never ready", false, TTransferFault::UnitWait, kTransferWaitError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.reset();
        sim.setParamWidth(2);
        sim.setReconnectDelay(0);
        ASSERT_TRUE(dm->EcuLink()->Connect());
        sim.refuseCommand(18, c.refuseEnd);
        sim.setNeverReady(!c.refuseEnd);
        Write(Path("f.vx4"), "old");
        EXPECT_FALSE(dm->Transfer(kSave, Path("f.vx4"), 0, kGroupAll, false));
        EXPECT_EQ(dm->LastTransferFault(), c.fault);
        EXPECT_EQ(dm->LastTransferError(), c.text);
        EXPECT_EQ(Read(Path("f.vx4")), "old");
        EXPECT_EQ(sim.countCalls("Disconnect"), c.refuseEnd ? 0 : 2);
    }
}

// Whether the image holds the connected unit's configuration, along the
// transfers that replace or move it whole.
TEST_F(UnitTransferTest, TheImageIsTheUnitsOnceReadFromItOrWrittenIntoIt) {
    const std::string file = Path("Golf.vx4");
    struct Step {
        const char* what;
        std::function<bool()> run;
        bool fromUnit;
    };
    const Step steps[] = {
        {"read", [&] { return dm->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false); }, true},
        {"saved to a file",
         [&] { return dm->Transfer(kTransferImageToFile, file, 0, kGroupAll, false); }, true},
        {"a file loaded",
         [&] { return dm->Transfer(kTransferFileToImage, file, 0, kGroupAll, false); }, false},
        {"written into the unit",
         [&] { return dm->Transfer(kTransferImageToUnit, "", 0, kGroupAll, false); }, true},
        {"a read that loses the link",
         [&] {
             sim.dropAfter(10);
             return !dm->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false);
         },
         false},
        {"written while closed",
         [&] {
             sim.dropAfter(-1);
             dm->EcuLink()->Disconnect();
             dm->Transfer(kTransferImageToUnit, "", 0, kGroupAll, false);
             return true; // whatever the engine answers, no unit saw the image
         },
         false},
    };
    EXPECT_FALSE(dm->ImageFromUnit());
    for (const Step& s : steps) {
        EXPECT_TRUE(s.run()) << s.what;
        EXPECT_EQ(dm->ImageFromUnit(), s.fromUnit) << s.what;
    }
}
