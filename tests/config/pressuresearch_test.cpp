// The external MAP sensor's search from the editor's pressure page: on the
// live engine the words found make the unit's MAP value follow the manifold
// pressure; scripted readings for the worked example, equal voltages, a
// short read, a failed read, a refused write and Esc.
#include "gridfixture.h"

#include "formconfig.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"

#include "core/realtime.h"
#include "core/serialecu.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>

namespace {

class PressureSearch : public GridTest {
protected:
    PressureSearch() {
        // The default words: the unit's own scale.
        sim.poke(0x78, 2, 100);
        sim.poke(0x78, 3, 500);
        LoadUnit(6, 12);
        editor = std::make_unique<TFormConfig>();
        editor->LoadCaptions();
        editor->ui()->PageControl->SetActivePage(editor->ui()->TabPressione);
    }
    // The key on, engine stopped reading, then ten at 2000 rpm.
    void QueueSearch(int stoppedSensor, int runningSensor) {
        sim.queueRealTime(2, SimUnit::Block2(0, 0, 102, stoppedSensor));
        for (int i = 0; i < 10; ++i)
            sim.queueRealTime(2, SimUnit::Block2(i % 2 ? 1900 : 2100, 0x80, 51, runningSensor));
    }
    void Run(const char* message, unsigned flags) {
        modals.expectMessageBox(platform::IDOK, message);
        editor->ui()->ButtonRicercaParametri->click();
        ASSERT_EQ(modals.pendingExpectations(), 0u);
        EXPECT_EQ(modals.interactions().back().flags, flags);
        EXPECT_TRUE(editor->Timer1->isActive());
        EXPECT_FALSE(editor->ui()->LabelProcGuidata->isVisibleTo(editor->ui()->GroupParametri));
    }
    std::optional<int> UnitWord(int i) const { return sim.peek(0x78, i); }
    void ExpectWordsUnchanged() {
        EXPECT_EQ(sim.countCalls("WriteParamItem(0x678,"), 0);
        EXPECT_EQ(data->GetOffsetPendenzaMap(2), 100);
        EXPECT_EQ(data->GetOffsetPendenzaMap(3), 500);
    }

    ScriptedModals modals;
    std::unique_ptr<TFormConfig> editor;
};

constexpr char kFound[] = "correttamente calcolati";
constexpr char kFailed[] = "Impossibile effettuare la ricerca";

TEST_F(PressureSearch, OnTheLiveEngineTheWordsFollowTheManifoldPressure) {
    ASSERT_FALSE(data->GetFlag(12)) << "an external sensor";
    sim.setEngine(SimUnit::Engine::Cycle);
    Run(kFound, platform::MB_OK);
    const int offset = data->GetOffsetPendenzaMap(2);
    const int slope = data->GetOffsetPendenzaMap(3);
    EXPECT_EQ(UnitWord(2), offset);
    EXPECT_EQ(UnitWord(3), slope);
    EXPECT_EQ(editor->ui()->EditOffset->text().toInt(), offset);
    EXPECT_EQ(editor->ui()->EditPendenza->text().toInt(), slope);
    // The MAP value of block 1 against the unit's own reading, over a
    // whole minute of the engine's cycle.
    TSerialEcuLink& link = *data->EcuLink();
    for (int s = 0; s < 60; ++s) {
        uint8_t b1[kBlock1Size] = {}, b2[kBlock2Size] = {};
        int n1 = kBlock1Size, n2 = kBlock2Size;
        ASSERT_TRUE(link.ReadRealTimeBlock(1, b1, &n1));
        ASSERT_TRUE(link.ReadRealTimeBlock(2, b2, &n2));
        EXPECT_NEAR(MapBar(*data, b1[3]) * 1000, UnitPressureMbar(b2[3]), 25) << s << " s";
        clock.advance(1000);
    }
}

TEST_F(PressureSearch, WorkedExampleWritesTheUnitsLawAndShowsWordsBeyondTheLimits) {
    // P0 1100 mbar at 1 V, P1 600 mbar at 3 V: slope -250, offset 1350.
    QueueSearch(51, 153);
    Run(kFound, platform::MB_OK);
    EXPECT_EQ(sim.countCalls("ReadRealTimeBlock(2,"), 11);
    EXPECT_EQ(sim.countCalls("WriteParamItem(0x678,2,1350)=1"), 1);
    EXPECT_EQ(sim.countCalls("WriteParamItem(0x678,3,-250)=1"), 1);
    EXPECT_EQ(data->GetOffsetPendenzaMap(2), 1350);
    EXPECT_EQ(data->GetOffsetPendenzaMap(3), -250);
    EXPECT_EQ(editor->ui()->EditPendenza->text(), "-250");
    EXPECT_EQ(editor->ui()->EditOffset->text(), "1350");
    editor->ui()->EditPendenza->setText("");
    editor->TabPressioneShow();
    EXPECT_EQ(editor->ui()->EditPendenza->text(), "-250") << "the page shows it again as stored";
}

TEST_F(PressureSearch, AFailedSearchWritesNothing) {
    struct Case {
        const char* name;
        std::function<void(SimUnit&)> script;
    };
    const Case cases[] = {
        {"equal voltages",
         [](SimUnit& s) {
             s.queueRealTime(2, SimUnit::Block2(0, 0, 102, 51));
             for (int i = 0; i < 10; ++i)
                 s.queueRealTime(2, SimUnit::Block2(2000, 0x80, 51, 51));
         }},
        {"a short read",
         [](SimUnit& s) {
             s.queueRealTime(2, {0, 0, 0, 102});
         }},
        {"the fifth read fails",
         [](SimUnit& s) {
             s.queueRealTime(2, SimUnit::Block2(0, 0, 102, 51));
             for (int i = 0; i < 10; ++i)
                 s.queueRealTime(2, SimUnit::Block2(2000, 0x80, 51, 153));
             s.failCall(5);
         }},
        {"a count started again, then the link fails",
         [](SimUnit& s) {
             s.queueRealTime(2, SimUnit::Block2(0, 0, 102, 51));
             for (int i = 0; i < 9; ++i)
                 s.queueRealTime(2, SimUnit::Block2(2000, 0x80, 51, 153));
             s.queueRealTime(2, SimUnit::Block2(2101, 0x80, 51, 153));
             for (int i = 0; i < 9; ++i)
                 s.queueRealTime(2, SimUnit::Block2(2000, 0x80, 51, 153));
             s.queueRealTime(2, SimUnit::Block2(2000, 0, 51, 153));
             for (int i = 0; i < 9; ++i)
                 s.queueRealTime(2, SimUnit::Block2(2000, 0x80, 51, 153));
             s.failCall(31);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.clearCallLog();
        c.script(sim);
        Run(kFailed, platform::MB_ICONERROR);
        ExpectWordsUnchanged();
        EXPECT_EQ(editor->ui()->EditOffset->text(), "100");
        sim.freezeRealTime(2, {}); // queued readings left over
        sim.failCall(0);
    }
}

TEST_F(PressureSearch, ARefusedWriteLeavesBothWordsAsTheyWere) {
    for (int failing : {12, 13}) { // the offset's write, the slope's
        SCOPED_TRACE(failing);
        sim.clearCallLog();
        QueueSearch(51, 153);
        sim.failCall(failing);
        Run(kFailed, platform::MB_ICONERROR);
        EXPECT_EQ(UnitWord(2), 100);
        EXPECT_EQ(UnitWord(3), 500);
        EXPECT_EQ(data->GetOffsetPendenzaMap(2), 100);
        EXPECT_EQ(data->GetOffsetPendenzaMap(3), 500);
        EXPECT_EQ(editor->ui()->EditOffset->text(), "100");
    }
}

TEST_F(PressureSearch, EscEndsASearchThatWaitsForTheEngineToStop) {
    sim.freezeRealTime(2, SimUnit::Block2(820, 0x80, 30, 60)); // idling, never stops
    editor->show();
    QTimer::singleShot(0, editor.get(), [this] {
        // The instruction shows whole on its one line.
        const QLabel* step = editor->ui()->LabelProcGuidata;
        EXPECT_TRUE(step->isVisibleTo(editor->ui()->GroupParametri));
        EXPECT_LE(QFontMetrics(step->font()).horizontalAdvance(step->text()),
                  step->contentsRect().width());
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(editor->ui()->ButtonRicercaParametri, &esc);
    });
    Run(kFailed, platform::MB_ICONERROR);
    ExpectWordsUnchanged();
    EXPECT_TRUE(editor->isVisible()) << "Esc stops the search, not the editor";
}

} // namespace
