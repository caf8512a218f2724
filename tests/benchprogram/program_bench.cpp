// The cost of firmware programming: with the simulated 9600-baud line, the
// programming call for a 64 KiB firmware on the virtual clock against the
// least time its bytes need, and the whole action; without the line, reading
// and decrypting a 1 MiB container.
#include "core/basario.h"
#include "core/edition.h"
#include "core/firmware.h"
#include "core/iodata.h"
#include "formmain.h"
#include "formscarica.h"
#include "language.h"
#include "platform/clock.h"
#include "tests/support/samplefirmware.h"
#include "tests/support/scriptedmodals.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormScarica.h"
#include "windowutil.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

constexpr int kCodeBytes = 64 * 1024 - 16; // a 64 KiB firmware with its header and CRC

double LeastMs(size_t bytes) {
    return double(bytes) * 10 / 9600 * 1000;
}

std::vector<uint8_t> LengthPrefixed(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> b(4);
    for (int i = 0; i < 4; ++i)
        b[size_t(i)] = uint8_t(payload.size() >> (8 * i));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

TEST(ProgramBenchmark, TheProgrammingCallAgainstTheLine) {
    platform::VirtualClock clock;
    platform::setClock(&clock);
    SimUnit sim;
    sim.reset();
    sim.setBaud(9600);
    TSerialEcuLink* link = sim.createLink();
    const std::vector<uint8_t> payload = FirmwarePayload(30, kCodeBytes);
    ASSERT_EQ(payload.size(), 64u * 1024);
    const std::vector<uint8_t> buffer = LengthPrefixed(payload);
    link->BeginProgramming();
    const uint32_t start = clock.tickCount();
    EXPECT_EQ(link->ProgramImage(buffer.data(), 2, 0, 1), 0);
    const double ms = clock.tickCount() - start;
    link->EndProgramming();
    std::printf("programming call, 64 KiB at 9600 baud: %.0f ms; least time of its bytes %.0f ms; "
                "ratio %.4f (target 1.05 or less)\n",
                ms, LeastMs(payload.size()), ms / LeastMs(payload.size()));
    EXPECT_LE(ms / LeastMs(payload.size()), 1.05);
    sim.destroyLink(link);
    platform::setClock(nullptr);
}

TEST(ProgramBenchmark, TheWholeAction) {
    QTemporaryDir settings, folder;
    UseStoredSettings(settings.path());
    // The program's folder, where the copy before programming goes: short,
    // since a configuration file's path has a length limit.
    QTemporaryDir workshop{"/tmp/vexano-shop-XXXXXX"};
    const QString previousFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(workshop.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(previousFolder); });
    platform::VirtualClock clock;
    platform::setClock(&clock);
    SimUnit sim;
    sim.reset();
    sim.setBaud(9600);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    ASSERT_TRUE(BindBasarioLibrary());
    shell::InstallProgramScreen();
    const TestFirmware firmware = MakeFirmwareFile(folder.path(), "big.po4", true, 30, kCodeBytes);
    ScriptedModals modals;
    {
        TStreamDati data;
        StreamDati = &data;
        TFormMain main;
        FormMain = &main;
        TFormScarica dialog(&main);
        FormScarica = &dialog;
        main.ActionConnettiExecute(); // a fresh unit: set up with the defaults
        ASSERT_EQ(data.EcuLink()->IsConnected(), 1);
        modals.expectFileDialog(firmware.path);
        modals.expectModal(
            [](QDialog& d) {
                static_cast<TFormScarica&>(d).ui()->ButtonRiprogr->click();
                return d.result();
            },
            "FormScarica");
        const uint32_t start = clock.tickCount();
        QElapsedTimer real;
        real.start();
        main.ActionProgrammaExecute();
        const double ms = clock.tickCount() - start;
        const double realMs = real.nsecsElapsed() / 1e6;
        ASSERT_TRUE(sim.lastProgram());
        EXPECT_EQ(sim.lastProgram()->payload, firmware.payload);
        std::printf("whole action, 64 KiB at 9600 baud: %.0f ms on the virtual clock "
                    "(programming %.0f ms at least, waits 1000 + 3000 + 200 ms, the unit's "
                    "restart and the write-back); %.0f ms of real time\n",
                    ms, LeastMs(firmware.payload.size()), realMs);
        FormScarica = nullptr;
        FormMain = nullptr;
        StreamDati = nullptr;
    }
    FreeBasarioLibrary();
    FreeLanguageLibrary();
    platform::setClock(nullptr);
}

TEST(ProgramBenchmark, ReadingAndDecryptingAMebibyteContainer) {
    QTemporaryDir folder;
    const TestFirmware firmware =
        MakeFirmwareFile(folder.path(), "huge.po4", true, 30, 1024 * 1024 - 16);
    const int runs = 10;
    double total = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const auto buffer = ReadEncryptedFirmwareFile(firmware.path);
        total += t.nsecsElapsed() / 1e6;
        ASSERT_TRUE(buffer);
        ASSERT_EQ(buffer->size(), 4 + firmware.payload.size());
    }
    std::printf("reading and decrypting a 1 MiB container: %.2f ms (mean of %d; target 50 ms "
                "or less)\n",
                total / runs, runs);
    EXPECT_LE(total / runs, 50.0);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
