// Waits for the unit on the virtual clock, progress, the zone correction of
// the map, the default lambda thresholds and the identification bytes.
#include "imagefixture.h"

#include "core/paramid.h"

namespace {

class UnitTest : public ImageTest {
protected:
    size_t count(const std::string& line) const {
        const auto log = link.log();
        return size_t(std::count(log.begin(), log.end(), line));
    }
};

TEST_F(UnitTest, WaitForAUnitThatAnswersAtOnce) {
    EXPECT_TRUE(dm->WaitForEcu(20000));
    EXPECT_EQ(link.log(), (std::vector<std::string>{"Disconnect", "StartMonitor", "Reconnect",
                                                    "StopMonitor", "ReadParam 0x2"}));
    EXPECT_EQ(clock.sleptTotal(), 1000u);
}

TEST_F(UnitTest, WaitPollsReconnectionAgainstTheCallersDeadline) {
    link.reconnectAfterMs = 3000; // 1 s pause, then four polls
    link.readyAfterMs = 4500;
    EXPECT_TRUE(dm->WaitForEcu(20000));
    EXPECT_EQ(count("Reconnect"), 5u);
    EXPECT_EQ(count("ReadParam 0x2"), 4u);
    EXPECT_EQ(clock.sleptTotal(), 4500u);
    const auto log = link.log();
    EXPECT_EQ(log.front(), "Disconnect");
    EXPECT_EQ(log[1], "StartMonitor");
    EXPECT_LT(std::find(log.begin(), log.end(), "StopMonitor"),
              std::find(log.begin(), log.end(), "ReadParam 0x2"));
}

TEST_F(UnitTest, UnitThatNeverComesBack) {
    link.reconnectAfterMs = -1;
    EXPECT_FALSE(dm->WaitForEcu(20000));
    EXPECT_EQ(count("Reconnect"), 41u); // at once, then every 500 ms for 20 s
    EXPECT_EQ(count("ReadParam 0x2"), 0u);
    EXPECT_EQ(link.log().back(), "StopMonitor");
    EXPECT_EQ(clock.sleptTotal(), 21000u);
}

TEST_F(UnitTest, ReadyWaitAlwaysAllowsTwentySeconds) {
    link.readyAfterMs = 1000 + 15000;
    EXPECT_TRUE(dm->WaitForEcu(500)); // a short reconnect deadline does not shorten it
    link.clear();

    struct Case {
        int64_t readyAfter;
        bool ready;
    };
    for (const Case c : {Case{19500, true}, Case{20000, true}, Case{20500, false},
                         Case{25000, false}, Case{-1, false}}) {
        platform::VirtualClock fresh(5000);
        platform::setClock(&fresh);
        link.clock = &fresh;
        link.readyAfterMs = c.readyAfter;
        EXPECT_EQ(dm->WaitEcuReady(20000), c.ready) << c.readyAfter;
        EXPECT_LE(fresh.sleptTotal(), 20000u);
    }
    platform::setClock(&clock);
    link.clock = &clock;
}

// A deadline of start + timeout would wrap past 2^32 and end the wait at
// once; the elapsed time does not.
TEST_F(UnitTest, WaitsSurviveTheTickCountWrapping) {
    platform::VirtualClock nearWrap(0xFFFFFFFFu - 3000);
    platform::setClock(&nearWrap);
    link.clock = &nearWrap;
    link.reconnectAfterMs = 1000 + 8000;
    link.readyAfterMs = 1000 + 8000 + 12000;
    EXPECT_TRUE(dm->WaitForEcu(20000));
    EXPECT_EQ(nearWrap.sleptTotal(), 21000u);

    platform::VirtualClock again(0xFFFFFFFFu - 100);
    platform::setClock(&again);
    link.clock = &again;
    link.readyAfterMs = -1;
    link.clear();
    EXPECT_FALSE(dm->WaitEcuReady(20000));
    EXPECT_EQ(count("ReadParam 0x2"), 41u);
    EXPECT_EQ(again.sleptTotal(), 20000u);
    platform::setClock(&clock);
    link.clock = &clock;
}

TEST_F(UnitTest, ProgressGoesToTheRegisteredWaitWindowOnly) {
    EXPECT_EQ(dm->ProgressTotal(), 642u);
    dm->AddProgress(0x14100, 642, true); // 20 bytes: 2000 / 642
    dm->AddProgress(0xc30c, 642, false);
    dm->AddProgress(0x210, 642, true);
    dm->AddProgress(0x86, 642, true);
    EXPECT_EQ(dm->ProgressDone(), 20u + 24 + 2 + 1);
    const std::vector<MessageRecorder::Message> expected = {
        {WM_PROGRESS, 3, 0}, {WM_PROGRESS, 7, 0}, {WM_PROGRESS, 7, 0}};
    EXPECT_EQ(waitWindow.received, expected); // sent, no event loop needed
    deliverPosted();
    EXPECT_TRUE(form1.received.empty());

    // No wait window: dropped. An empty total never divides by zero.
    screen.SetProgressReceiver(nullptr);
    dm->AddProgress(0x86, 642, true);
    screen.SetProgressReceiver(&waitWindow);
    dm->AddProgress(0x86, 0, true);
    dm->ResetProgress();
    dm->AddProgress(0x1e18b, 10, true); // 30 of 10 bytes: the bar stops at its end
    EXPECT_EQ(waitWindow.received.size(), 5u);
    EXPECT_EQ(waitWindow.received[3].wParam, 100);
    EXPECT_EQ(waitWindow.received[4].wParam, 100);

    // The wait window may be gone before the screen hears of it.
    auto gone = std::make_unique<MessageRecorder>();
    screen.SetProgressReceiver(gone.get());
    gone.reset();
    dm->AddProgress(0x86, 642, true);
}

TEST_F(UnitTest, ProgressTotalFollowsTheItemSizes) {
    EXPECT_EQ(FullTransferBytes(12), 642u);
    EXPECT_EQ(FullTransferBytes(2), 642u - 10 * 12);
    for (const TImageItem& item : ImageItems()) {
        const uint32_t perRow = paramid::elementCount(item.id);
        const uint32_t rows = item.mapRows ? TEcuImage::kMapRows : item.rows;
        EXPECT_EQ(perRow * rows, item.size) << item.name;
        EXPECT_EQ(FindImageItem(item.id), &item) << item.name;
    }
    EXPECT_EQ(FindImageItem(2), nullptr);
}

TEST_F(UnitTest, ZoneOfEachMapCell) {
    struct Case {
        int row, col, zoneRow, zoneCol;
    };
    const Case cases[] = {{0, 0, 0, 0},  {2, 1, 0, 1},  {3, 0, 1, 0},  {5, 5, 1, 1},
                          {8, 3, 2, 1},  {9, 0, 3, 0},  {12, 5, 3, 1}, {13, 1, 0, 0},
                          {12, 6, 0, 0}, {-1, 1, 0, 0}, {4, -1, 0, 0}};
    for (const Case& c : cases) {
        int zr = -1, zc = -1;
        dm->GetCellZone(c.row, c.col, zr, zc);
        EXPECT_EQ(zr, c.zoneRow) << c.row << "," << c.col;
        EXPECT_EQ(zc, c.zoneCol) << c.row << "," << c.col;
    }
}

TEST_F(UnitTest, ShiftCorrectionZoneMovesOneZone) {
    editImage([](TEcuImage& m) {
        for (auto& row : m.MappaK)
            for (int32_t& cell : row)
                cell = 100;
    });
    const TEcuImage before = dm->Image();
    EXPECT_TRUE(dm->ShiftCorrectionZone(0, 1, 5));
    for (int r = 0; r <= 12; ++r)
        for (int c = 0; c < 12; ++c) {
            const bool inZone = r <= 2 && c >= 1 && c < 6;
            EXPECT_EQ(dm->Image().MappaK[r][c], inZone ? 105 : 100) << r << "," << c;
        }
    EXPECT_EQ(dm->GetMappaCorrAutotaratura(0, 1), 5);
    EXPECT_EQ(link.calls.size(), 3u * 5 + 1);
    EXPECT_TRUE(dm->ShiftCorrectionZone(0, 1, -5));
    EXPECT_EQ(dm->GetMappaCorrAutotaratura(0, 1), 0);
    for (int r = 0; r <= 12; ++r)
        for (int c = 0; c < 12; ++c)
            EXPECT_EQ(dm->Image().MappaK[r][c], before.MappaK[r][c]);
}

// One cell that would leave 0..255 stops the whole shift, so the correction
// always tells how far the zone moved.
TEST_F(UnitTest, ShiftThatWouldLeaveTheRangeChangesNothing) {
    editImage([](TEcuImage& m) {
        m.MappaK[10][0] = 250;
        m.MappaK[12][0] = 3;
        m.MappaCorrAutotaratura[2][2] = 125;
    });
    const TEcuImage before = dm->Image();
    EXPECT_FALSE(dm->ShiftCorrectionZone(3, 0, 6));
    EXPECT_FALSE(dm->ShiftCorrectionZone(3, 0, -4));
    EXPECT_FALSE(dm->ShiftCorrectionZone(2, 2, 3)); // covers no cell; the correction would pass 127
    EXPECT_FALSE(dm->ShiftCorrectionZone(4, 0, 1));
    EXPECT_FALSE(dm->ShiftCorrectionZone(0, -1, 1));
    EXPECT_TRUE(link.calls.empty());
    EXPECT_FALSE(dm->IsModified());
    for (int r = 0; r <= 12; ++r)
        for (int c = 0; c < 12; ++c)
            EXPECT_EQ(dm->Image().MappaK[r][c], before.MappaK[r][c]);
    EXPECT_EQ(dm->GetMappaCorrAutotaratura(2, 2), 125);
    EXPECT_EQ(dm->GetMappaCorrAutotaratura(3, 0), 0);

    EXPECT_TRUE(dm->ShiftCorrectionZone(3, 0, 5)); // 255 and 8: fits
    EXPECT_EQ(dm->Image().MappaK[10][0], 255);
    EXPECT_EQ(dm->GetMappaCorrAutotaratura(3, 0), 5);
}

TEST_F(UnitTest, LambdaDefaultsFollowTheLambdaType) {
    editImage([](TEcuImage& m) { m.TipoDiLambda = 0x42; }); // code 2 with bit 6
    EXPECT_TRUE(dm->HasLambdaDefaults());
    EXPECT_TRUE(dm->SetLambdaDefaults());
    EXPECT_EQ(link.log(), (std::vector<std::string>{"WriteParam 0x5 28", "WriteParam 0x9 15",
                                                    "WriteParam 0x8 31", "WriteParam 0xb 15",
                                                    "WriteParam 0xa 31", "WriteParam 0x48 5",
                                                    "WriteParam 0x47 41"}));
    link.clear();
    editImage([](TEcuImage& m) { m.TipoDiLambda = 4; });
    dm->SetLambdaDefaults();
    EXPECT_EQ(link.calls.front().text(), "WriteParam 0x5 69"); // 1.35 V
    EXPECT_EQ(dm->Image().LivelloAlto, 82);                    // 1.6 V
    link.clear();
    editImage([](TEcuImage& m) { m.TipoDiLambda = 17; });
    EXPECT_FALSE(dm->HasLambdaDefaults());
    EXPECT_FALSE(dm->SetLambdaDefaults());
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(dm->TestLambdaTypeBit0());
    // One refusal among the seven: not done, the others still go out.
    editImage([](TEcuImage& m) { m.TipoDiLambda = 2; });
    link.acceptWrite = [](const LinkCall& c) { return c.id != 0x8; };
    EXPECT_FALSE(dm->SetLambdaDefaults());
    EXPECT_EQ(link.calls.size(), 7u);
}

TEST_F(UnitTest, IdentificationBytes) {
    dm->SetEcuIdentity(31);
    EXPECT_EQ(std::vector<uint8_t>(dm->EcuIdentity(), dm->EcuIdentity() + 4),
              (std::vector<uint8_t>{10, 31, 0, 0}));
    EXPECT_TRUE(dm->ReadEcuIdentity());
    EXPECT_EQ(std::vector<uint8_t>(dm->EcuIdentity(), dm->EcuIdentity() + 4),
              (std::vector<uint8_t>{10, 30, 1, 2}));
    dm->SetEcuIdentity(30);
    link.acceptEcuId = false;
    EXPECT_FALSE(dm->ReadEcuIdentity());
    EXPECT_EQ(dm->EcuIdentity()[1], 30);
}

TEST_F(UnitTest, SnapshotRestoresImageAndCurves) {
    const TEcuImage snapshot = dm->Image();
    ASSERT_TRUE(dm->SetTipoSensoreTemperaturaGas(2));
    ASSERT_TRUE(dm->SetMappaK(0, 0, 9));
    EXPECT_EQ(dm->GasCurve().count, 35);
    dm->RestoreImage(snapshot);
    EXPECT_EQ(dm->GetMappaK(0, 0), 0);
    EXPECT_EQ(dm->GetTipoSensoreTemperaturaGas(), 0);
    EXPECT_EQ(dm->GasCurve().count, 48);
    EXPECT_FALSE(dm->IsModified());
}

} // namespace
