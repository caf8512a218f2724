// The map edited the way the user does it, on the program's own start-up:
// connect, open the editor from the main menu, select a block of the map
// and change it through the cell dialog.
#include "gridfixture.h"
#include "programfixture.h"

#include "cellmodes.h"
#include "configeditor.h"
#include "formconfig.h"
#include "formmain.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"
#include "ui_FormMain.h"

#include "core/iodata.h"

#include <QTest>
#include <QTimer>
#include <algorithm>

namespace {

class MapEditRoad : public ProgramTest {
protected:
    MapEditRoad() { RegisterFormConfig(); }
    ~MapEditRoad() override { shell::RegisterConfigEditor({}); }
};

TEST_F(MapEditRoad, BlockOfTheMapLinearMinusFiveInTheEditor) {
    runProgram({
        [&] { return connectedShown(); },
        [&] {
            const int columns = StreamDati->GetNumeroColonne();
            const std::vector<int> before = sim.peekAll(0x54);
            sim.clearCallLog();
            modals.expectModal(
                [&](QDialog& d) {
                    auto& editor = dynamic_cast<TFormConfig&>(d);
                    EXPECT_EQ(sim.countCalls("Write"), 0) << "opening writes nothing";
                    editor.ui()->PageControl->SetActivePage(editor.ui()->TabKCoefficienti);
                    TMapGrid* map = editor.ui()->DrawGridK;
                    EXPECT_EQ(map->RowCount(), StreamDati->GetNumeroRighe() + 1);
                    EXPECT_EQ(map->ColCount(), columns + 1);
                    map->SetSelection({2, 3, 5, 5});
                    map->setFocus();
                    modals.expectModal(Answer("-5", kModeLinear, nullptr, editor.Timer1),
                                       "TFormModMappa");
                    QTest::keyClick(map, Qt::Key_Return);
                    EXPECT_TRUE(editor.Timer1->isActive());
                    return int(QDialog::Accepted);
                },
                "TFormConfig");
            FormMain->LabelClick(FormMain->ui()->LabelConfig);
            EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), 12);
            const std::vector<int> after = sim.peekAll(0x54);
            for (int r = 0; r <= StreamDati->GetNumeroRighe(); ++r)
                for (int c = 0; c < columns; ++c) {
                    const int i = r * columns + c;
                    const bool inside = r >= 2 && r <= 4 && c >= 1 && c <= 4;
                    EXPECT_EQ(after[i], inside ? std::max(before[i] - 5, 0) : before[i])
                        << r << "," << c;
                    EXPECT_EQ(StreamDati->GetMappaK(r, c), after[i]);
                }
            if (StreamDati->IsModified())
                modals.expectMessageBox(platform::IDNO, "Salvare i dati");
            return true;
        },
    });
}

} // namespace
