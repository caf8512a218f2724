// The live display the way the user opens it, on the program's own
// start-up: connect, "VISUALIZZA", the simulated engine moving on the dial.
#include "programfixture.h"

#include "formmain.h"
#include "formvisualizza.h"
#include "livewidgets.h"
#include "ui_FormMain.h"
#include "ui_FormVisualizza.h"

#include "platform/cp1252.h"

#include <QTimer>
#include <set>

namespace {

class LiveRoad : public ProgramTest {};

TEST_F(LiveRoad, VisualizzaShowsTheEngineMoving) {
    runProgram({
        [&] { return connectedShown(); },
        [&] {
            std::set<std::string> speeds;
            std::string title;
            modals.expectModal(
                [&](QDialog& d) {
                    auto& live = dynamic_cast<TFormVisualizza&>(d);
                    title = platform::fromUnicode(live.windowTitle());
                    EXPECT_TRUE(live.Timer1->isActive()) << "the timer runs from construction";
                    live.Timer1->stop();
                    for (int i = 0; i < 200; ++i) { // 30 s of the engine's cycle
                        clock.advance(150);
                        live.Timer1Timer();
                        speeds.insert(platform::fromUnicode(live.ui()->LabelGiri->text()));
                    }
                    EXPECT_EQ(live.ui()->ImageGiri->Needle(), live.Values().rpm);
                    return int(QDialog::Rejected);
                },
                "FormVisualizza");
            sim.clearCallLog();
            FormMain->LabelClick(FormMain->ui()->LabelVisualizza);
            EXPECT_EQ(title.rfind("Visualizzazione parametri vettura - ", 0), 0u) << title;
            EXPECT_GT(speeds.size(), 20u) << "the needle and the read-out follow the engine";
            EXPECT_EQ(sim.countCalls("Write"), 0) << "the live display writes nothing";
            if (StreamDati->IsModified())
                modals.expectMessageBox(platform::IDNO, "Salvare i dati");
            return true;
        },
    });
}

} // namespace
