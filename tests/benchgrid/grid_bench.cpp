// What a Linear edit of the whole 12 x 6 map costs on the real clock: from
// the dialog's OK to the last cell stored and the grid repainted, at 9600
// baud against the least time of the bytes it put on the line (10 bits a
// byte), and its own cost with the line model off.
#include "cellmodes.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/transfer.h"
#include "formmodmappa.h"
#include "language.h"
#include "mapgrid.h"
#include "tests/support/linecost.h"
#include "tests/support/scriptedmodals.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormModMappa.h"
#include "windowutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

constexpr int kRows = 12;
constexpr int kColumns = 6;

class GridBenchmark : public ::testing::Test {
protected:
    void SetUp() override {
        UseStoredSettings(settings.path());
        sim.reset();
        sim.setBaud(0);
        SetupEditionProfile(128);
        BindLanguageLibrary();
        shell::InstallProgramScreen();
        ASSERT_TRUE(sim.setMapGeometry(kColumns, kRows + 1));
        for (int i = 0; i < (kRows + 1) * kColumns; ++i)
            ASSERT_TRUE(sim.poke(0x54, i, 100));
        data = std::make_unique<TStreamDati>();
        StreamDati = data.get();
        ASSERT_TRUE(data->EcuLink()->Connect());
        ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false));
        grid = std::make_unique<TMapGrid>();
        grid->SetKind(TGridKind::K);
        grid->ShapeFromImage();
        grid->resize(700, 400);
        grid->show();
    }
    void TearDown() override {
        grid.reset();
        data->EcuLink()->Disconnect();
        data.reset();
        StreamDati = nullptr;
    }

    // One edit of the whole map; the milliseconds from OK to the repainted grid.
    double Edit(const char* value) {
        QElapsedTimer real;
        modals.expectModal(
            [&](QDialog& d) {
                auto& ui = *dynamic_cast<TFormModMappa&>(d).ui();
                ui.Edit1->setText(value);
                ui.RadioLineare->setChecked(true);
                real.start();
                ui.ButtonOK->click();
                return 1;
            },
            "TFormModMappa");
        grid->SetSelection({1, 1, kColumns, kRows});
        grid->setFocus();
        QTest::keyClick(grid.get(), Qt::Key_Return);
        return real.nsecsElapsed() / 1e6;
    }

    QTemporaryDir settings;
    SimUnit sim;
    ScriptedModals modals;
    std::unique_ptr<TStreamDati> data;
    std::unique_ptr<TMapGrid> grid;
};

TEST_F(GridBenchmark, LinearEditOfTheWholeMap) {
    const int runs = 3;
    WorstRatioOnRealLine("Linear edit of the whole map", sim, 9600, runs, [&](int i) {
        const double ms = Edit(i % 2 ? "5" : "-5");
        EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), kRows * kColumns);
        return ms;
    });
    EXPECT_EQ(data->GetMappaK(kRows - 1, kColumns - 1), 95);

    double own = 1e9;
    for (int i = 0; i < runs; ++i)
        own = std::min(own, Edit(i % 2 ? "5" : "-5"));
    std::printf("line model off: %.2f ms for %d cells (own cost)\n", own, kRows * kColumns);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
