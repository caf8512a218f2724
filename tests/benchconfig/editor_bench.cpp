// What opening the configuration editor on a connected unit costs, line
// model off: the link calls it makes (no writes) and the milliseconds from
// the show to its first paint.
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "formconfig.h"
#include "language.h"
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

// Notes when the window it watches paints for the first time.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget& window) : window_(window) {}
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && watched == &window_)
            painted = true;
        return false;
    }

private:
    QWidget& window_;
};

TEST(EditorBenchmark, OpenToFirstPaint) {
    QTemporaryDir settings;
    UseStoredSettings(settings.path());
    SimUnit sim;
    sim.reset();
    sim.setBaud(0);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    ASSERT_TRUE(BindBasarioLibrary());
    shell::InstallProgramScreen();
    ScriptedModals modals;
    TStreamDati data;
    StreamDati = &data;
    ASSERT_TRUE(data.EcuLink()->Connect());
    ASSERT_TRUE(
        data.Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll, false));
    TFormConfig editor;
    editor.LoadCaptions();

    const int runs = 20;
    double totalMs = 0;
    double slowestMs = 0;
    int calls = 0;
    int writes = 0;
    for (int i = 0; i < runs; ++i) {
        sim.clearCallLog();
        FirstPaint paint(editor);
        qApp->installEventFilter(&paint);
        QElapsedTimer real;
        double ms = 0;
        modals.expectModal(
            [&](QDialog&) {
                while (!paint.painted && real.elapsed() < 5000)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                ms = real.nsecsElapsed() / 1e6;
                return int(QDialog::Accepted);
            },
            "TFormConfig");
        real.start();
        platform::ShowModal(editor);
        qApp->removeEventFilter(&paint);
        EXPECT_TRUE(paint.painted);
        totalMs += ms;
        slowestMs = std::max(slowestMs, ms);
        calls += static_cast<int>(sim.callLog().size());
        writes += sim.countCalls("Write");
    }
    std::printf("editor opened to its first paint: %.1f ms on average, %.1f ms at most "
                "(target 100 ms), over %d shows\n",
                totalMs / runs, slowestMs, runs);
    std::printf("link calls per opening: %d, of them writes: %d\n", calls / runs, writes / runs);
    EXPECT_EQ(writes, 0);
    data.EcuLink()->Disconnect();
    StreamDati = nullptr;
    FreeBasarioLibrary();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
