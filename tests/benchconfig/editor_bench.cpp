// What the configuration editor costs on a connected unit, line model off:
// opening it (the link calls it makes, none a write, and the milliseconds
// from the show to its first paint); showing every page, hidden ones from
// code (the link calls by kind, reads only of the values the unit keeps
// changing, and the milliseconds a page); one live tick (read, decode,
// repaint of what changed) and its time on a 9600-baud line against the
// least time of its bytes. EDITOR_BENCH_ROUNDS and EDITOR_BENCH_TICKS set
// the sizes (20 and 1,000).
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "formconfig.h"
#include "language.h"
#include "pagecontrol.h"
#include "platform/clock.h"
#include "tests/support/linecost.h"
#include "tests/support/scriptedmodals.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

int EnvOr(const char* name, int fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : v.toInt();
}

// Notes when the widget it watches paints.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget& widget) : widget_(widget) {}
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && watched == &widget_)
            painted = true;
        return false;
    }

private:
    QWidget& widget_;
};

// Counts the paints of every widget.
class PaintCount : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

// Runs the event loop until the widget has painted; the real milliseconds
// from `since`.
double UntilPainted(PaintWatch& paint, const QElapsedTimer& since) {
    while (!paint.painted && since.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return since.nsecsElapsed() / 1e6;
}

struct Spread {
    double median = 0;
    double worst = 0;
};

Spread SpreadOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? Spread{} : Spread{v[v.size() / 2], v.back()};
}

// The link calls of the log by kind: "ReadParam(0x5)=1" counts as ReadParam.
std::map<std::string, int> CallsByKind(const std::vector<std::string>& log) {
    std::map<std::string, int> kinds;
    for (const std::string& call : log)
        ++kinds[call.substr(0, call.find('('))];
    return kinds;
}

std::string KindsText(const std::map<std::string, int>& kinds) {
    std::string text;
    for (const auto& [kind, n] : kinds)
        text += (text.empty() ? "" : ", ") + kind + " " + std::to_string(n);
    return text.empty() ? "none" : text;
}

// The values a getter always fetches again from the unit: the lambda
// thresholds, the levels, two read-only counters and the two slow timers.
const std::set<std::string> kRereadIds = {"0x5",  "0x8",  "0x9",  "0xa",   "0xb",  "0x43",
                                          "0x44", "0x47", "0x48", "0x23b", "0x23c"};

// The ids of the reads that are not among them, nor the live block.
std::vector<std::string> UnexpectedReads(const std::vector<std::string>& log) {
    std::vector<std::string> odd;
    for (const std::string& call : log) {
        if (call.rfind("Read", 0) != 0 || call.rfind("ReadRealTimeBlock(", 0) == 0)
            continue;
        const std::string prefix = "ReadParam(";
        const size_t end = call.find_first_of(",)", prefix.size());
        if (call.rfind(prefix, 0) != 0 ||
            !kRereadIds.count(call.substr(prefix.size(), end - prefix.size())))
            odd.push_back(call);
    }
    return odd;
}

class EditorBenchmark : public ::testing::Test {
protected:
    void SetUp() override {
        // The unit's waits pass at once; what is timed runs on the real clock.
        platform::setClock(&clock);
        UseStoredSettings(settings.path());
        sim.reset();
        sim.setBaud(0);
        SetupEditionProfile(128);
        BindLanguageLibrary();
        ASSERT_TRUE(BindBasarioLibrary());
        shell::InstallProgramScreen();
        data = std::make_unique<TStreamDati>();
        StreamDati = data.get();
        ASSERT_TRUE(data->EcuLink()->Connect());
        ASSERT_TRUE(
            data->Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll, false));
        editor = std::make_unique<TFormConfig>();
        editor->LoadCaptions();
    }
    void TearDown() override {
        platform::setClock(nullptr);
        editor.reset();
        if (data)
            data->EcuLink()->Disconnect();
        StreamDati = nullptr;
        data.reset();
        FreeBasarioLibrary();
    }

    // Opens the editor as the program does and runs `inside` on it once it
    // has painted, its timer stopped so the benchmark fires the ticks.
    void InEditor(const std::function<void()>& inside) {
        modals.expectModal(
            [&](QDialog&) {
                PaintWatch paint(*editor);
                qApp->installEventFilter(&paint);
                QElapsedTimer since;
                since.start();
                UntilPainted(paint, since);
                qApp->removeEventFilter(&paint);
                EXPECT_TRUE(paint.painted);
                editor->Timer1->stop();
                inside();
                return int(QDialog::Accepted);
            },
            "TFormConfig");
        platform::ShowModal(*editor);
    }

    QTemporaryDir settings;
    platform::VirtualClock clock;
    SimUnit sim;
    ScriptedModals modals;
    std::unique_ptr<TStreamDati> data;
    std::unique_ptr<TFormConfig> editor;
};

TEST_F(EditorBenchmark, OpenToFirstPaint) {
    const int runs = EnvOr("EDITOR_BENCH_ROUNDS", 20);
    std::vector<double> ms;
    int calls = 0;
    int writes = 0;
    for (int i = 0; i < runs; ++i) {
        sim.clearCallLog();
        PaintWatch paint(*editor);
        qApp->installEventFilter(&paint);
        QElapsedTimer real;
        modals.expectModal(
            [&](QDialog&) {
                ms.push_back(UntilPainted(paint, real));
                return int(QDialog::Accepted);
            },
            "TFormConfig");
        real.start();
        platform::ShowModal(*editor);
        qApp->removeEventFilter(&paint);
        EXPECT_TRUE(paint.painted);
        calls += static_cast<int>(sim.callLog().size());
        writes += sim.countCalls("Write");
    }
    const Spread s = SpreadOf(ms);
    std::printf("editor opened to its first paint: median %.1f ms, worst %.1f ms (target 100 "
                "ms), over %d shows\n",
                s.median, s.worst, runs);
    std::printf("link calls per opening: %d, of them writes: %d\n", calls / runs, writes / runs);
    EXPECT_EQ(writes, 0);
}

TEST_F(EditorBenchmark, EveryPageShown) {
    const int rounds = EnvOr("EDITOR_BENCH_ROUNDS", 20);
    InEditor([&] {
        Ui::FormConfig& ui = *editor->ui();
        ASSERT_EQ(data->GetValue(0x230001a), 0); // no TPS switch: its page writes nothing
        // Every page the user or the code can show, the exit page aside (it
        // closes the editor); the map's own pages from their outer page.
        std::vector<std::pair<TPageControl*, QWidget*>> pages;
        QWidget* mapPage = nullptr;
        for (int i = 0; i < ui.PageControl->count(); ++i) {
            QWidget* page = ui.PageControl->widget(i);
            if (page->isAncestorOf(ui.PageControlK))
                mapPage = page;
            if (page != ui.TabEsci)
                pages.emplace_back(ui.PageControl, page);
        }
        ASSERT_NE(mapPage, nullptr);
        for (int i = 0; i < ui.PageControlK->count(); ++i)
            pages.emplace_back(ui.PageControlK, ui.PageControlK->widget(i));

        std::map<QWidget*, std::vector<double>> ms;
        std::vector<std::string> log;
        long long lineBytes = 0;
        for (int round = 0; round < rounds; ++round) {
            for (auto [control, page] : pages) {
                // Each page is shown as a change from another page.
                if (control == ui.PageControlK)
                    ui.PageControl->SetActivePage(mapPage);
                if (control->currentWidget() == page)
                    control->SetActivePage(control->widget(control->indexOf(page) == 0));
                QCoreApplication::processEvents();
                sim.clearCallLog();
                PaintWatch paint(*page);
                page->installEventFilter(&paint);
                QElapsedTimer real;
                real.start();
                control->SetActivePage(page);
                ms[page].push_back(UntilPainted(paint, real));
                page->removeEventFilter(&paint);
                EXPECT_TRUE(paint.painted) << page->objectName().toStdString();
                if (round == 0) {
                    const auto calls = sim.callLog();
                    log.insert(log.end(), calls.begin(), calls.end());
                    lineBytes += sim.lineBytes();
                }
            }
        }
        std::vector<double> all;
        for (auto [control, page] : pages) {
            const Spread s = SpreadOf(ms[page]);
            std::printf("  %-18s %s median %6.2f ms, worst %6.2f ms\n",
                        page->objectName().toStdString().c_str(),
                        control->TabVisible(page) ? "      " : "hidden", s.median, s.worst);
            all.insert(all.end(), ms[page].begin(), ms[page].end());
        }
        const Spread s = SpreadOf(all);
        std::printf("every page shown and painted, %zu pages x %d rounds: median %.2f ms, worst "
                    "%.2f ms a page (target 20 ms)\n",
                    pages.size(), rounds, s.median, s.worst);
        std::map<std::string, int> reads;
        for (const std::string& call : log)
            if (call.rfind("ReadParam(", 0) == 0)
                ++reads[call.substr(0, call.find('='))];
        std::printf("link calls showing the %zu pages once: %s (%lld bytes on the line); "
                    "reads: %s\n",
                    pages.size(), KindsText(CallsByKind(log)).c_str(), lineBytes,
                    KindsText(reads).c_str());
        int writes = 0;
        for (const std::string& call : log)
            writes += call.rfind("Write", 0) == 0 || call.rfind("SendCommand", 0) == 0;
        EXPECT_EQ(writes, 0);
        const auto odd = UnexpectedReads(log);
        EXPECT_TRUE(odd.empty()) << "first: " << odd.front();
        ASSERT_FALSE(editor->isHidden()) << "a page closed the editor";
    });
}

TEST_F(EditorBenchmark, OneLiveTick) {
    sim.setEngine(SimUnit::Engine::Cycle);
    // From the end of idling on: the engine speeds up, runs, cuts off.
    clock.advance(30000);
    const int ticks = EnvOr("EDITOR_BENCH_TICKS", 1000);
    InEditor([&] {
        Ui::FormConfig& ui = *editor->ui();
        // The map page, where the cursor follows the engine.
        for (QWidget* w = ui.PageControlK; w; w = w->parentWidget())
            if (ui.PageControl->indexOf(w) >= 0)
                ui.PageControl->SetActivePage(w);
        ui.PageControlK->SetActivePage(ui.TabKOpenLoop);
        QCoreApplication::processEvents();
        const int period = editor->Timer1->interval();
        std::vector<double> ms;
        sim.clearCallLog();
        PaintCount paints;
        qApp->installEventFilter(&paints);
        for (int i = 0; i < ticks; ++i) {
            clock.advance(uint32_t(period));
            QElapsedTimer real;
            real.start();
            editor->Timer1Timer();
            QCoreApplication::processEvents();
            ms.push_back(real.nsecsElapsed() / 1e6);
        }
        qApp->removeEventFilter(&paints);
        const auto kinds = CallsByKind(sim.callLog());
        const Spread s = SpreadOf(ms);
        std::printf("live tick on the map page, line model off, %d ticks: median %.3f ms, "
                    "worst %.3f ms (target 2 ms of its %d ms), %.1f widgets painted a tick\n",
                    ticks, s.median, s.worst, period, double(paints.count) / ticks);
        std::printf("link calls of %d ticks: %s\n", ticks, KindsText(kinds).c_str());
        EXPECT_EQ(kinds.count("ReadRealTimeBlock") ? kinds.at("ReadRealTimeBlock") : 0, ticks);
        EXPECT_EQ(sim.countCalls("Write"), 0);
        EXPECT_GT(paints.count, 0) << "the ticks repainted nothing";

        const LineCost line = MeasureOnLine("live tick (target ratio 1.10)", sim, clock, 9600, 20,
                                            [&] { editor->Timer1Timer(); });
        EXPECT_GT(line.bytes, 0);
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
