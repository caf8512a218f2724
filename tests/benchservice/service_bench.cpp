// The cost of the two service windows' periodic work with the link-speed
// model off, median and worst: one diagnosis refresh (five state reads, the
// rows that changed, the running times) and one calibration tick (live read,
// decode, state query); and the refresh's time on a 9600-baud line against
// the least time of its bytes. SERVICE_BENCH_RUNS sets the count (1,000).
#include "core/edition.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "formcalibratar.h"
#include "formdiagnosi.h"
#include "language.h"
#include "platform/clock.h"
#include "tests/support/linecost.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

int Runs() {
    const QByteArray v = qgetenv("SERVICE_BENCH_RUNS");
    return v.isEmpty() ? 1000 : v.toInt();
}

class ServiceBench : public ::testing::Test {
protected:
    void SetUp() override {
        UseStoredSettings(settings.path());
        platform::setClock(&clock);
        sim.reset();
        sim.setBaud(0);
        sim.setReconnectDelay(0);
        sim.setEngine(SimUnit::Engine::Idle);
        SetupEditionProfile(128);
        BindLanguageLibrary();
        data = std::make_unique<TStreamDati>();
        StreamDati = data.get();
        ASSERT_TRUE(data->EcuLink()->Connect());
        sim.poke(0x3a, 0, 0xff);
        sim.poke(0x3a, 1, 0x1f);
        sim.setSensorOpen(16); // some rows in error, so a refresh has rows to redraw
    }
    void TearDown() override {
        StreamDati = nullptr;
        data.reset();
        FreeLanguageLibrary();
        platform::setClock(nullptr);
    }
    // Median and worst of `work` run `runs` times, the clock moved by `stepMs` first.
    void measure(const char* what, uint32_t stepMs, const std::function<void()>& work) {
        const int runs = Runs();
        std::vector<double> us;
        for (int i = 0; i < runs; ++i) {
            clock.advance(stepMs);
            QElapsedTimer t;
            t.start();
            work();
            us.push_back(t.nsecsElapsed() / 1000.0);
        }
        std::sort(us.begin(), us.end());
        std::printf("%s, line model off, %d runs: median %.3f ms, 99th percentile %.3f ms, "
                    "worst %.3f ms\n",
                    what, runs, us[us.size() / 2] / 1000, us[us.size() * 99 / 100] / 1000,
                    us.back() / 1000);
        EXPECT_LT(us[us.size() / 2], 2000.0) << what;
    }

    QTemporaryDir settings;
    platform::VirtualClock clock;
    SimUnit sim;
    std::unique_ptr<TStreamDati> data;
};

TEST_F(ServiceBench, DiagnosisRefresh) {
    TFormDiagnosi w(nullptr);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    measure("diagnosis refresh", 4000, [&] {
        w.TimerTimer();
        QCoreApplication::processEvents();
    });

    MeasureOnLine("diagnosis refresh", sim, clock, 9600, 10, [&] { w.TimerTimer(); });
}

TEST_F(ServiceBench, CalibrationTick) {
    sim.setCalibrationStep(100000000); // it stays in its first states
    clock.advance(7000);
    TFormCalibraTar w(nullptr);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.FormKeyPress(13);
    ASSERT_EQ(w.CalibState, 1);
    measure("calibration tick", 150, [&] {
        w.TimerBlinkTimer();
        QCoreApplication::processEvents();
    });
    EXPECT_EQ(w.CalibState, 1);
    w.close();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
