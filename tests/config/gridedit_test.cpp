// Editing the grids through the cell dialog: a block of the map, the modes
// with their limits and signs, the reference rows kept in order, and what
// the unit and the image hold when the unit refuses a write or the link is
// lost in the middle of a block.
#include "gridfixture.h"

#include "cellmodes.h"
#include "formmodmappa.h"
#include "ui_FormModMappa.h"

#include "platform/cp1252.h"
#include "platform/numbers.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

class GridEdit : public GridTest {
protected:
    // Enter on the grid with the selection given.
    void EditBlock(TMapGrid& grid, const TGridRect& selection) {
        grid.SetSelection(selection);
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_Return);
    }
    ScriptedModals modals;
};

TEST_F(GridEdit, BlockOfTheMapLinearMinusFive) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::K);
    QTimer timer;
    timer.setInterval(170);
    timer.start();
    grid.SetTimer(&timer);
    std::string proposed;
    modals.expectModal(Answer("-5", kModeLinear, &proposed, &timer), "TFormModMappa");
    EditBlock(grid, {2, 3, 5, 5}); // map rows 2..4, columns 1..4
    EXPECT_EQ(modals.pendingExpectations(), 0u);
    EXPECT_EQ(proposed, std::to_string(MapValue(2, 1))) << "the top-left cell";
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), 12);
    for (int r = 0; r <= 8; ++r)
        for (int c = 0; c < 6; ++c) {
            const bool inside = r >= 2 && r <= 4 && c >= 1 && c <= 4;
            const int expected = MapValue(r, c) - (inside ? 5 : 0);
            EXPECT_EQ(UnitMap(r, c), expected) << r << "," << c;
            EXPECT_EQ(data->GetMappaK(r, c), expected) << r << "," << c;
        }
    EXPECT_EQ(grid.CellText(2, 3), std::to_string(MapValue(2, 1) - 5));
}

TEST_F(GridEdit, ModesOnOneCellHoldInsideTheMapsRange) {
    LoadUnit(6, 8);
    ASSERT_TRUE(data->SetMappaK(0, 0, 123));
    TMapGrid& grid = Grid(TGridKind::K);
    struct Case {
        const char* text;
        int mode;
        int expected;
    } cases[] = {
        {"10", kModePercentage, 135}, // 123 x 1.1 = 135.3
        {"-42", kModeAbsolute, 42},   // the map has no sign
        {"250", kModeLinear, 255},    // held at the top, not wrapped
        {"-300", kModeLinear, 0},     {"-100", kModePercentage, 0}, {"7", kModeAbsolute, 7},
    };
    for (const Case& c : cases) {
        modals.expectModal(Answer(c.text, c.mode), "TFormModMappa");
        // A double-click edits the cell under the mouse.
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(1, 1).center());
        EXPECT_EQ(UnitMap(0, 0), c.expected) << c.text;
        EXPECT_EQ(data->GetMappaK(0, 0), c.expected) << c.text;
    }
    // Double-clicks on the fixed cells open nothing.
    sim.clearCallLog();
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(0, 3).center());
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(3, 0).center());
    EXPECT_EQ(sim.countCalls("Write"), 0);
}

TEST_F(GridEdit, OkWaitsForANumberAndCancelWritesNothing) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::K);
    modals.expectModal(
        [](QDialog& d) {
            auto& dialog = dynamic_cast<TFormModMappa&>(d);
            for (const char* text : {"", "-", ",", "12,5", "99999999999", "1-2"}) {
                dialog.ui()->Edit1->setText(text);
                dialog.ui()->ButtonOK->click();
                EXPECT_TRUE(dialog.isVisible()) << "OK with \"" << text << "\"";
            }
            dialog.ui()->ButtonAnnulla->click();
            EXPECT_FALSE(dialog.isVisible());
            return 2;
        },
        "TFormModMappa");
    EditBlock(grid, {1, 1, 6, 8});
    EXPECT_EQ(sim.countCalls("Write"), 0);
    EXPECT_EQ(UnitMap(0, 0), MapValue(0, 0));
}

// The fifth cell refused: it keeps its value in the unit and the image, the
// others change.
TEST_F(GridEdit, RefusedFifthCellKeepsItsValue) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::K);
    modals.expectModal(Answer("-5", kModeLinear), "TFormModMappa");
    sim.failCall(5);
    EditBlock(grid, {2, 3, 5, 5});
    EXPECT_EQ(modals.interactions().size(), 1u) << "no message";
    for (int r = 2; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) {
            const bool fifth = r == 3 && c == 1;
            const int expected = MapValue(r, c) - (fifth ? 0 : 5);
            EXPECT_EQ(UnitMap(r, c), expected) << r << "," << c;
            EXPECT_EQ(data->GetMappaK(r, c), expected) << r << "," << c;
        }
    EXPECT_EQ(grid.CellText(2, 4), std::to_string(MapValue(3, 1))) << "springs back";
}

// The link lost after three cells: the rest spring back to what the unit holds.
TEST_F(GridEdit, LostLinkLeavesTheRestAsTheUnitHoldsThem) {
    LoadUnit(12, 12);
    TMapGrid& grid = Grid(TGridKind::K);
    modals.expectModal(Answer("10", kModeLinear), "TFormModMappa");
    sim.dropAfter(3);
    EditBlock(grid, {1, 1, 4, 3});
    int changed = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(data->GetMappaK(r, c), UnitMap(r, c)) << r << "," << c;
            changed += UnitMap(r, c) != MapValue(r, c);
            EXPECT_EQ(grid.CellText(c + 1, r + 1), std::to_string(UnitMap(r, c)));
        }
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(UnitMap(0, 2), MapValue(0, 2) + 10);
    EXPECT_EQ(UnitMap(0, 3), MapValue(0, 3));
}

// The open-loop coefficients are the map's row past its last, whatever the
// geometry; the open-loop times take decimals.
TEST_F(GridEdit, OpenLoopRowsOfASmallMap) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::OpenLoop);
    modals.expectModal(Answer("77", kModeAbsolute), "TFormModMappa");
    EditBlock(grid, {2, 2, 4, 2});
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(UnitMap(8, c), c >= 1 && c <= 3 ? 77 : MapValue(8, c)) << c;
    EXPECT_EQ(grid.CellText(3, 2), "77");

    std::string proposed;
    const std::string before =
        platform::FloatToStrF(double(data->GetTOpenLoop(0)), platform::TFloatFormat::ffFixed, 5, 3);
    modals.expectModal(Answer("2,5", kModeAbsolute, &proposed), "TFormModMappa");
    EditBlock(grid, {1, 1, 1, 1});
    EXPECT_EQ(proposed, before);
    EXPECT_NE(before.find(','), std::string::npos) << "three decimals";
    EXPECT_NEAR(double(data->GetTOpenLoop(0)), 2.5, 0.01);
    EXPECT_EQ(sim.peek(0x7f, 0), data->Image().TOpenLoop[0]);
    EXPECT_EQ(grid.CellText(1, 1), "2,50");
}

TEST_F(GridEdit, CorrectionsAndTheirReferences) {
    LoadUnit(6, 8);
    TMapGrid& rid = Grid(TGridKind::TempRid);
    // Row 1 shows coefficient - 100: an absolute -10 stores 90.
    modals.expectModal(Answer("-10", kModeAbsolute), "TFormModMappa");
    EditBlock(rid, {0, 1, 1, 1});
    EXPECT_EQ(sim.peek(0x2b, 8), 90);
    EXPECT_EQ(sim.peek(0x2b, 7), 90);
    EXPECT_EQ(rid.CellText(0, 1), "-10");

    // A temperature equal to its left neighbour is not written, and no
    // message says so; one between its neighbours is.
    const int left = data->GetRif(8 - 2);
    const int right = data->GetRif(8 - 4);
    sim.clearCallLog();
    modals.expectModal(Answer(std::to_string(left), kModeAbsolute), "TFormModMappa");
    EditBlock(rid, {3, 0, 3, 0});
    EXPECT_EQ(sim.countCalls("Write"), 0);
    const int between = (left + right) / 2;
    ASSERT_TRUE(between > left && between < right);
    modals.expectModal(Answer(std::to_string(between), kModeAbsolute), "TFormModMappa");
    QTest::keyClick(&rid, Qt::Key_Return);
    EXPECT_EQ(data->GetRif(8 - 3), between);
    EXPECT_EQ(modals.interactions().size(), 3u);

    // Enter on "Oltre" does nothing; a row of temperatures stops before it.
    sim.clearCallLog();
    EditBlock(rid, {8, 0, 8, 0});
    EXPECT_EQ(modals.interactions().size(), 3u);
    modals.expectModal(Answer("1", kModeLinear), "TFormModMappa");
    EditBlock(rid, {7, 0, 8, 0});
    EXPECT_EQ(sim.countCalls("WriteParamItem(0x2a,"), 1);

    // Pressure references are held at 65.535 and stay in order; the
    // coefficients keep their sign.
    TMapGrid& press = Grid(TGridKind::PressDiff);
    modals.expectModal(Answer("100", kModeLinear), "TFormModMappa");
    EditBlock(press, {14, 0, 14, 0});
    EXPECT_EQ(sim.peek(0x7b, 14), 65534) << "65.535 is a hair below it in double";
    modals.expectModal(Answer("-3", kModeAbsolute), "TFormModMappa");
    EditBlock(press, {0, 1, 2, 1});
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(press.CellText(c, 1), "-3,00");
}

TEST_F(GridEdit, EmulationReferencesOpenTheirDialog) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::Emissioni);
    QSignalSpy changed(&grid, &TMapGrid::referencesChanged);
    modals.expectModal(2, "TFormCentriCelle");
    EditBlock(grid, {3, 0, 3, 0});
    EXPECT_EQ(changed.count(), 1);
    // The volts of the row below through the cell dialog.
    modals.expectModal(Answer("2", kModeAbsolute), "TFormModMappa");
    EditBlock(grid, {1, 1, 2, 1});
    EXPECT_EQ(grid.CellText(1, 1), "2,00");
    EXPECT_EQ(grid.CellText(2, 1), "2,00");
    EXPECT_EQ(grid.CellText(3, 1), platform::FloatToStrF(double(data->GetRiferimentiSondaLambda(2)),
                                                         platform::TFloatFormat::ffFixed, 3, 2));
}

} // namespace
