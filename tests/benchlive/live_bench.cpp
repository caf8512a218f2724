// The cost of the live display: one tick (read, decode, repaint of what
// changed) with the link-speed model off, median and worst; the tick's time
// on a 9600-baud line against the least time of its bytes; and a long
// two-bank recording from the writer, opened and first painted, with the
// peak memory of the process. LIVE_BENCH_TICKS and LIVE_BENCH_ROWS set the
// sizes (1,000 and 1,000,000).
#include "core/edition.h"
#include "core/iodata.h"
#include "core/tracefile.h"
#include "formgraficodrt.h"
#include "formvisualizza.h"
#include "language.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "tests/support/linecost.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "windowutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtCharts/QLineSeries>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

namespace {

int EnvOr(const char* name, int fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : v.toInt();
}

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

class LiveBench : public ::testing::Test {
protected:
    void SetUp() override {
        UseStoredSettings(settings.path());
        platform::setClock(&clock);
        sim.reset();
        sim.setBaud(0);
        SetupEditionProfile(128);
        BindLanguageLibrary();
        data = std::make_unique<TStreamDati>();
        StreamDati = data.get();
        TEcuImage im = data->Image();
        im.Clock = 2000;
        im.Flag[0] &= ~0x4; // two banks
        data->RestoreImage(im);
        ASSERT_TRUE(data->EcuLink()->Connect());
        sim.setEngine(SimUnit::Engine::Cycle);
    }
    void TearDown() override {
        StreamDati = nullptr;
        data.reset();
        FreeLanguageLibrary();
        platform::setClock(nullptr);
    }
    QTemporaryDir settings;
    platform::VirtualClock clock;
    SimUnit sim;
    std::unique_ptr<TStreamDati> data;
};

TEST_F(LiveBench, OneTick) {
    TFormVisualizza w(nullptr);
    w.Timer1->stop();
    w.resize(1024, 768);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    const int ticks = EnvOr("LIVE_BENCH_TICKS", 1000);
    // Painted as the event loop paints what changed, and the whole window.
    for (const bool whole : {false, true}) {
        std::vector<double> us;
        for (int i = 0; i < ticks; ++i) {
            clock.advance(150);
            QElapsedTimer t;
            t.start();
            w.Timer1Timer();
            if (whole)
                w.repaint();
            else
                QCoreApplication::processEvents();
            us.push_back(t.nsecsElapsed() / 1000.0);
        }
        const long worst = long(std::max_element(us.begin(), us.end()) - us.begin());
        std::sort(us.begin(), us.end());
        std::printf("live tick, line model off, %s, %d ticks: median %.3f ms, 99th percentile "
                    "%.3f ms, worst %.3f ms (tick %ld) of a 150 ms period\n",
                    whole ? "whole window repainted" : "what changed repainted", ticks,
                    us[us.size() / 2] / 1000, us[us.size() * 99 / 100] / 1000, us.back() / 1000,
                    worst);
    }

    MeasureOnLine("live tick", sim, clock, 9600, 20, [&] { w.Timer1Timer(); });
}

TEST_F(LiveBench, LongRecordingOpened) {
    const int rows = EnvOr("LIVE_BENCH_ROWS", 1000000);
    QTemporaryDir dir;
    const QString path = dir.filePath("long.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        TTraceWriter writer(f, 2);
        ASSERT_TRUE(writer.WriteHeader("bench"));
        std::string chunk;
        for (int i = 0; i < rows; ++i) {
            TTraceRow r;
            r.tempo = uint32_t(i) * 150;
            r.giri = 800 + int(3000 * (1 + std::sin(i * 0.001)));
            r.lambda = int(45 + 40 * std::sin(i * 0.05)) * 0.01;
            r.inj = 3 + std::sin(i * 0.002);
            r.injBnz = 2.5 + std::cos(i * 0.002);
            r.press = 1 + 0.1 * std::sin(i * 0.0003);
            r.tRid = 20 + i % 60;
            r.tMot = 30 + i % 70;
            r.lambda2 = r.lambda;
            r.inj2 = r.inj;
            r.injBnz2 = r.injBnz;
            chunk += TTraceWriter::RowText(2, r);
            if (chunk.size() > (1 << 20)) {
                ASSERT_EQ(f.write(chunk.data(), qint64(chunk.size())), qint64(chunk.size()));
                chunk.clear();
            }
        }
        ASSERT_EQ(f.write(chunk.data(), qint64(chunk.size())), qint64(chunk.size()));
    }
    const long before = PeakKb();
    QElapsedTimer t;
    t.start();
    TTrace trace;
    double megabytes = 0;
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        megabytes = bytes.size() / 1e6;
        ASSERT_TRUE(ParseTrace(std::string_view(bytes.constData(), size_t(bytes.size())), trace));
    }
    const double parsedMs = t.nsecsElapsed() / 1e6;
    TFormGraficoDrt chart(nullptr, platform::fromUnicode(path), std::move(trace));
    chart.resize(1024, 768);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    QCoreApplication::processEvents();
    chart.Decimate();
    chart.repaint();
    const double paintedMs = t.nsecsElapsed() / 1e6;
    const qsizetype points = chart.Series()[0]->count();
    std::printf("%d-row two-bank recording (%.0f MB): read and parsed in %.0f ms, opened and "
                "first painted in %.0f ms; %lld points a series; peak memory %ld MB (%ld MB "
                "before opening)\n",
                rows, megabytes, parsedMs, paintedMs, (long long)points, PeakKb() / 1024,
                before / 1024);
    EXPECT_LE(points, 2 * 1024 + 4);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
