// The cost of the live display: one tick (read, decode, repaint of what
// changed) with the link-speed model off, median and worst; the tick's time
// on a 9600-baud line against the least time of its bytes; and long
// two-bank recordings from the writer, opened to the chart's first paint
// against a plain read of the same file, with the cuts before that paint,
// the undo of a zoom (its paints, and the time to the end of the last) and
// the peak memory. LIVE_BENCH_TICKS sets the ticks (1,000), LIVE_BENCH_ROWS
// and LIVE_BENCH_REPEAT the recordings (below).
#include "core/edition.h"
#include "core/iodata.h"
#include "core/tracefile.h"
#include "formgraficodrt.h"
#include "formvisualizza.h"
#include "language.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "tests/support/linecost.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormGraficoDrt.h"
#include "windowutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtCharts/QLineSeries>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

int EnvOr(const char* name, int fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : v.toInt();
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

// A two-bank recording of `rows` rows as the live display writes it.
void WriteRecording(const QString& path, int rows) {
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

// What one child run of the trace benchmark reports.
struct TraceRun {
    double ms = 0;        // floor: read and parsed; open: to the first paint
    double settledMs = 0; // open: to the paint after which no cut is pending
    double undoMs = 0;    // open: undo of a zoom to the end of its last paint
    int undoPaints = 0;   // open: the paints of that undo
    int cuts = 0;         // open: cuts before the first paint
    int openingCuts = 0;  // open: cuts until the window is idle after it
    long points = 0;      // open: points of series 0 at the first paint
    long peakKb = 0;      // whole process
    long startKb = 0;     // before the file is read
};

QList<QString> ChildArgs(const char* mode, const QString& path) {
    return {"--trace", mode, path};
}

TraceRun RunChild(const char* mode, const QString& path) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), ChildArgs(mode, path));
    TraceRun r;
    EXPECT_TRUE(child.waitForFinished(-1));
    EXPECT_EQ(child.exitCode(), 0) << mode;
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(std::sscanf(out.constData(), "%lf %lf %lf %d %d %d %ld %ld %ld", &r.ms, &r.settledMs,
                          &r.undoMs, &r.undoPaints, &r.cuts, &r.openingCuts, &r.points, &r.peakKb,
                          &r.startKb),
              9)
        << out.constData();
    return r;
}

struct Range {
    double lo = std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::lowest();
    void add(double v) { lo = std::min(lo, v), hi = std::max(hi, v); }
};

// Each size is read by the plain program (the floor) and opened in the
// chart, each in a process of its own so that its peak memory is its own,
// one after the other so that both see the same load; the ratio is taken
// within each pair. LIVE_BENCH_ROWS: the sizes, comma-separated
// (1000000,5000000); LIVE_BENCH_REPEAT: the pairs a size (3).
TEST(TraceBench, RecordingOpenedToFirstPaint) {
    const QStringList sizes =
        QString::fromLocal8Bit(qgetenv("LIVE_BENCH_ROWS")).split(',', Qt::SkipEmptyParts);
    const int repeat = EnvOr("LIVE_BENCH_REPEAT", 3);
    for (const QString& size : sizes.isEmpty() ? QStringList{"1000000", "5000000"} : sizes) {
        const int rows = size.toInt();
        QTemporaryDir dir;
        const QString path = dir.filePath("long.txt");
        WriteRecording(path, rows);
        Range floorMs, readerMs, readerRatio, openMs, settledMs, ratio, undoMs, undoPaints, peak,
            floorPeak, start, cuts, opening;
        long points = 0;
        for (int i = 0; i < repeat; ++i) {
            const TraceRun f = RunChild("floor", path);
            const TraceRun r = RunChild("reader", path);
            const TraceRun o = RunChild("open", path);
            readerMs.add(r.ms), readerRatio.add(r.ms / std::max(f.ms, 1e-3));
            floorMs.add(f.ms), floorPeak.add(f.peakKb / 1024.0);
            openMs.add(o.ms), settledMs.add(o.settledMs), undoMs.add(o.undoMs);
            undoPaints.add(o.undoPaints);
            ratio.add(o.ms / std::max(f.ms, 1e-3));
            peak.add(o.peakKb / 1024.0), start.add(o.startKb / 1024.0);
            cuts.add(o.cuts), opening.add(o.openingCuts);
            points = o.points;
            EXPECT_GT(o.points, 0) << "the first paint shows the trace";
            EXPECT_EQ(o.undoPaints, 1) << "an undone zoom is painted once";
        }
        std::printf(
            "%d-row two-bank recording (%.0f MB), %d runs: floor (plain read and parse) "
            "%.0f-%.0f ms, peak %.0f-%.0f MB; the program's reader alone %.0f-%.0f ms = "
            "%.2f-%.2fx; "
            "opened to first paint %.0f-%.0f ms = %.2f-%.2fx "
            "the floor (settled %.0f-%.0f ms); cuts before first paint %.0f-%.0f, while opening "
            "%.0f-%.0f; undo zoom %.0f-%.0f paints, to the end of the last %.0f-%.0f ms (target: "
            "one, 150 ms); peak memory %.0f-%.0f MB (%.0f-%.0f MB before reading); %ld points a "
            "series at first paint\n",
            rows, QFileInfo(path).size() / 1e6, repeat, floorMs.lo, floorMs.hi, floorPeak.lo,
            floorPeak.hi, readerMs.lo, readerMs.hi, readerRatio.lo, readerRatio.hi, openMs.lo,
            openMs.hi, ratio.lo, ratio.hi, settledMs.lo, settledMs.hi, cuts.lo, cuts.hi, opening.lo,
            opening.hi, undoPaints.lo, undoPaints.hi, undoMs.lo, undoMs.hi, peak.lo, peak.hi,
            start.lo, start.hi, points);
        std::fflush(stdout);
    }
}

long StatusKb(const char* key) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

// The least a program must do to hold a trace: read the file in blocks, cut
// them in lines and convert every number once into its column.
bool PlainRead(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::vector<int64_t> tempo;
    std::vector<int32_t> giri;
    std::array<std::vector<float>, 9> values;
    std::vector<char> buffer(1 << 20);
    size_t held = 0;
    int line = 0;
    const auto row = [&](const char* p, const char* end) {
        if (line++ < 2)
            return;
        int64_t t = 0;
        int32_t g = 0;
        p = std::from_chars(p, end, t).ptr + 1;
        p = std::from_chars(p, end, g).ptr;
        tempo.push_back(t);
        giri.push_back(g);
        for (auto& column : values) {
            if (p >= end)
                break;
            float v = 0;
            p = std::from_chars(p + 1, end, v).ptr;
            column.push_back(v);
        }
    };
    for (;;) {
        const size_t got = std::fread(buffer.data() + held, 1, buffer.size() - held, f);
        const char* p = buffer.data();
        const char* const end = p + held + got;
        for (const char* lf; (lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))));
             p = lf + 1)
            row(p, lf[-1] == '\r' ? lf - 1 : lf);
        held = size_t(end - p);
        if (got == 0) {
            if (held)
                row(p, end);
            break;
        }
        std::memmove(buffer.data(), p, held);
    }
    std::fclose(f);
    return !tempo.empty();
}

// Stands in for the user while the chart is open: shows it, waits for its
// first paint, zooms in, and undoes the zoom.
class ChartOpening final : public platform::ModalScript, public QObject {
public:
    explicit ChartOpening(QElapsedTimer& clock) : clock_(clock) {}
    TraceRun run;
    bool refused = false;

    int messageBox(const platform::MessageBoxRequest&) override {
        refused = true;
        return platform::IDOK;
    }
    std::optional<platform::FileDialogResult>
    fileDialog(const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> inputQuery(const platform::InputRequest&) override {
        return std::nullopt;
    }
    int execDialog(QDialog& dialog) override {
        auto& chart = dynamic_cast<TFormGraficoDrt&>(dialog);
        first_ = chart.Series().first();
        // Points already there were cut in the constructor.
        if (first_->count() > 0)
            cutSeq_ = ++seq_, ++cuts_;
        connect(first_, &QXYSeries::pointsReplaced, this, [this] { cutSeq_ = ++seq_, ++cuts_; });
        QWidget* viewport = chart.ui()->ChartDrt->viewport();
        viewport->installEventFilter(this);
        chart.resize(1024, 768);
        chart.show();
        waitForPaint();
        run.ms = clock_.nsecsElapsed() / 1e6;
        run.cuts = cuts_;
        run.points = pointsAtPaint_;
        run.settledMs = settle(clock_) / 1e6;
        run.openingCuts = cuts_;

        const QRectF plot = chart.Chart()->plotArea();
        chart.Chart()->zoomIn(QRectF(plot.left(), plot.top(), plot.width() / 2, plot.height()));
        settle(clock_);
        const qint64 undoAt = clock_.nsecsElapsed();
        const int paints = paints_;
        chart.MenuAnnullaZoomClick();
        while (paints_ == paints)
            QCoreApplication::processEvents();
        settle(clock_);
        run.undoMs = (lastPaintAt_ - undoAt) / 1e6;
        run.undoPaints = paints_ - paints;
        viewport->removeEventFilter(this);
        return QDialog::Accepted;
    }

protected:
    // A paint counts once it is over, so a cut made while it is handled
    // comes before it.
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (paintSeq_ == 0)
                        pointsAtPaint_ = first_->count();
                    paintSeq_ = ++seq_;
                    ++paints_;
                    lastPaintAt_ = clock_.nsecsElapsed();
                },
                Qt::QueuedConnection);
        return false;
    }

private:
    void waitForPaint() {
        while (paintSeq_ == 0)
            QCoreApplication::processEvents();
    }
    // The time of the paint after which nothing is left to cut: a cut
    // queued behind a paint needs a paint of its own.
    qint64 settle(const QElapsedTimer& since) {
        for (;;) {
            while (cutSeq_ > paintSeq_)
                QCoreApplication::processEvents();
            const qint64 at = since.nsecsElapsed();
            const int seq = seq_;
            QTest::qWait(20);
            if (seq_ == seq)
                return at;
        }
    }

    QElapsedTimer& clock_;
    QLineSeries* first_ = nullptr;
    int seq_ = 0; // of paints and cuts
    int paintSeq_ = 0;
    int cutSeq_ = 0;
    int cuts_ = 0;
    int paints_ = 0;
    qint64 lastPaintAt_ = 0; // the end of the last paint, on clock_
    long pointsAtPaint_ = 0;
};

// One run in a process of its own; prints its figures for the parent.
int TraceChild(const char* mode, const char* path) {
    TraceRun run;
    run.startKb = StatusKb("VmHWM:");
    QElapsedTimer clock;
    clock.start();
    if (std::strcmp(mode, "floor") == 0) {
        if (!PlainRead(path))
            return 1;
        run.ms = clock.nsecsElapsed() / 1e6;
    } else if (std::strcmp(mode, "reader") == 0) {
        TTrace trace;
        platform::ReadFault fault{};
        if (!ReadTraceFile(path, int64_t(1) << 40, trace, fault))
            return 1;
        run.ms = clock.nsecsElapsed() / 1e6;
    } else {
        QTemporaryDir settings;
        UseStoredSettings(settings.path());
        ChartOpening opening(clock);
        platform::setModalScript(&opening);
        clock.restart();
        TFormGraficoDrt::ShowTrace(nullptr, path);
        platform::setModalScript(nullptr);
        if (opening.refused)
            return 1;
        run = TraceRun{
            opening.run.ms,   opening.run.settledMs,   opening.run.undoMs, opening.run.undoPaints,
            opening.run.cuts, opening.run.openingCuts, opening.run.points, 0,
            run.startKb};
    }
    run.peakKb = StatusKb("VmHWM:");
    std::printf("%.3f %.3f %.3f %d %d %d %ld %ld %ld\n", run.ms, run.settledMs, run.undoMs,
                run.undoPaints, run.cuts, run.openingCuts, run.points, run.peakKb, run.startKb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--trace") == 0)
        return TraceChild(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
