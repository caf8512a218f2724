// What a paste of the whole 12 x 6 map costs on the real clock, at 9600 baud
// against the least time of the bytes it put on the line (10 bits a byte),
// and the clipboard text's own cost with the line model off; then the
// sensor search's reads and time on the virtual clock against its least:
// 11 reads and 1.4 s of pauses, plus the line.
#include "core/edition.h"
#include "core/iodata.h"
#include "core/transfer.h"
#include "formconfig.h"
#include "language.h"
#include "mapclipboard.h"
#include "mapgrid.h"
#include "platform/clock.h"
#include "tests/support/linecost.h"
#include "tests/support/scriptedmodals.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

constexpr int kRows = 12;
constexpr int kColumns = 6;

class ToolsBenchmark : public ::testing::Test {
protected:
    void SetUp() override {
        UseStoredSettings(settings.path());
        sim.reset();
        sim.setBaud(0);
        SetupEditionProfile(128);
        BindLanguageLibrary();
        shell::InstallProgramScreen();
        ASSERT_TRUE(sim.setMapGeometry(kColumns, kRows + 1));
        sim.poke(0x78, 2, 100);
        sim.poke(0x78, 3, 500);
        data = std::make_unique<TStreamDati>();
        StreamDati = data.get();
        ASSERT_TRUE(data->EcuLink()->Connect());
        ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false));
        editor = std::make_unique<TFormConfig>();
        editor->LoadCaptions();
        editor->ui()->DrawGridK->ShapeFromImage();
    }
    void TearDown() override {
        editor.reset();
        data->EcuLink()->Disconnect();
        data.reset();
        StreamDati = nullptr;
    }
    static std::string Block(int base) {
        return MapBlockText(kRows, kColumns, [base](int r, int c) { return base + r + c; });
    }
    // One paste of the whole map from its first cell; its milliseconds.
    double Paste(int base) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(Block(base)));
        editor->ui()->DrawGridK->SetSelection({1, 1, 1, 1});
        QElapsedTimer real;
        real.start();
        editor->MenuIncollaTaraturaClick();
        return real.nsecsElapsed() / 1e6;
    }

    QTemporaryDir settings;
    SimUnit sim;
    ScriptedModals modals;
    std::unique_ptr<TStreamDati> data;
    std::unique_ptr<TFormConfig> editor;
};

TEST_F(ToolsBenchmark, PasteOfTheWholeMap) {
    const int runs = 3;
    WorstRatioOnRealLine("Paste of the whole map", sim, 9600, runs, [&](int i) {
        const double ms = Paste(10 * (i + 1));
        EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), kRows * kColumns);
        return ms;
    });
    EXPECT_EQ(data->GetMappaK(kRows - 1, kColumns - 1), 30 + kRows - 1 + kColumns - 1);

    double own = 1e9;
    for (int i = 0; i < runs; ++i) {
        sim.clearCallLog();
        own = std::min(own, Paste(i));
        EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), kRows * kColumns);
    }
    const std::string text = Block(0);
    QElapsedTimer real;
    real.start();
    const int n = 1000;
    size_t cells = 0;
    for (int i = 0; i < n; ++i)
        cells += ReadPastedBlock(text).Lines.size() + Block(i % 100).size();
    const double textOnly = real.nsecsElapsed() / 1e6 / n;
    std::printf("line model off: paste %.3f ms for %d cells; text read and written %.4f ms "
                "(target under 1 ms)\n",
                own, kRows * kColumns, textOnly);
    EXPECT_GT(cells, 0u);
}

TEST_F(ToolsBenchmark, SearchReadsAndTime) {
    platform::VirtualClock clock;
    platform::setClock(&clock);
    sim.setBaud(9600);
    const std::vector<uint8_t> stopped = {0, 0, 0, 102, 51};
    const std::vector<uint8_t> running = {0xd0, 0x07, 0x80, 51, 153};
    sim.queueRealTime(2, stopped);
    for (int i = 0; i < 10; ++i)
        sim.queueRealTime(2, running);
    sim.clearCallLog();
    modals.expectMessageBox(1, "correttamente");
    editor->ui()->ButtonRicercaParametri->click();
    const long long bytes = sim.lineBytes();
    const double line = bytes * 10 * 1000.0 / 9600;
    std::printf("search: %d reads (least 11), %llu ms on the virtual clock, least %.0f ms "
                "(1400 of pauses and %.0f of %lld bytes on the line)\n",
                sim.countCalls("ReadRealTimeBlock(2,"),
                static_cast<unsigned long long>(clock.sleptTotal()), 1400 + line, line, bytes);
    EXPECT_EQ(sim.countCalls("ReadRealTimeBlock(2,"), 11);
    EXPECT_EQ(data->GetOffsetPendenzaMap(3), -250);
    platform::setClock(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
