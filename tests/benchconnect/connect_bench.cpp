// The cost of a full connect and read of the unit, on the virtual clock:
// with the simulated 9600-baud line (the time the line needs, against the
// least time the image's bytes need) and without it (the program's own cost
// beyond its fixed waits).
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "formmain.h"
#include "language.h"
#include "platform/clock.h"
#include "tests/support/scriptedmodals.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "windowutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

struct Timing {
    double virtualMs;
    double realMs;
};

// One connect of the main window to a configured unit.
Timing Connect(SimUnit& sim, platform::VirtualClock& clock, int baud) {
    sim.setBaud(baud);
    StreamDati->SetModified(false);
    const uint32_t start = clock.tickCount();
    QElapsedTimer real;
    real.start();
    FormMain->ActionConnettiExecute();
    const Timing run{double(clock.tickCount() - start), real.nsecsElapsed() / 1e6};
    EXPECT_EQ(StreamDati->EcuLink()->IsConnected(), 1);
    return run;
}

TEST(ConnectBenchmark, FullConnectAndRead) {
    QTemporaryDir settings;
    UseStoredSettings(settings.path());
    platform::VirtualClock clock;
    platform::setClock(&clock);
    SimUnit sim;
    sim.reset();
    SetupEditionProfile(128);
    BindLanguageLibrary();
    ASSERT_TRUE(BindBasarioLibrary());
    shell::InstallProgramScreen();
    ScriptedModals modals;
    {
        TStreamDati data;
        StreamDati = &data;
        ASSERT_TRUE(data.EcuLink()->Connect());
        ASSERT_TRUE(data.Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll,
                                  false));
        data.EcuLink()->Disconnect();
        sim.setNeverConfigured(false);
        TFormMain main;
        FormMain = &main;

        const int runs = 5;
        Timing off{0, 0}, on{0, 0};
        for (int i = 0; i < runs; ++i) {
            const Timing a = Connect(sim, clock, 0), b = Connect(sim, clock, 9600);
            off.virtualMs += a.virtualMs / runs;
            off.realMs += a.realMs / runs;
            on.virtualMs += b.virtualMs / runs;
            on.realMs += b.realMs / runs;
        }
        const double bytes = data.ProgressTotal();
        const double minimumMs = bytes * 10 / 9600 * 1000;
        const double lineMs = on.virtualMs - off.virtualMs;
        std::printf("image: %.0f bytes, least time at 9600 baud: %.0f ms\n", bytes, minimumMs);
        std::printf("connect and read at 9600 baud: %.0f ms in all, %.0f ms of it on the line, "
                    "%.0f ms fixed waits\n",
                    on.virtualMs, lineMs, off.virtualMs);
        std::printf("line time / least time: %.2f; whole connect / least time: %.2f\n",
                    lineMs / minimumMs, on.virtualMs / minimumMs);
        std::printf("program's own cost of a connect beyond the fixed waits (line off): %.2f ms\n",
                    off.realMs);
        FormMain = nullptr;
        StreamDati = nullptr;
    }
    FreeBasarioLibrary();
    FreeLanguageLibrary();
    platform::setClock(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
