// The kit changed the way the user does it, on the program's own start-up:
// connect, open the editor from the main menu, change the fuel from LPG to
// CNG on the change-over page, then reset the unit from the same page.
#include "gridfixture.h"
#include "mainroadfixture.h"

#include "configeditor.h"
#include "formconfig.h"
#include "formmain.h"
#include "ui_FormConfig.h"
#include "ui_FormMain.h"

#include "controls/keycombobox.h"
#include "core/iodata.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

class KitChangeRoad : public ProgramTest {
protected:
    KitChangeRoad() { RegisterFormConfig(); }
    ~KitChangeRoad() override { shell::RegisterConfigEditor({}); }
};

TEST_F(KitChangeRoad, FuelChangeToCngThenResetBackToTheBaseConfiguration) {
    ProgressSpy progress;
    QCoreApplication::instance()->installEventFilter(&progress);
    std::vector<int> lpgMap;
    std::vector<int> cngMap;
    runProgram({
        [&] { return connectedShown(); },
        [&] {
            lpgMap = UnitMapCells(sim, *StreamDati);
            modals.expectModal(
                [&](QDialog& d) {
                    auto& editor = dynamic_cast<TFormConfig&>(d);
                    auto* ui = editor.ui();
                    EXPECT_EQ(ui->ComboCarburante->currentIndex(), 0);
                    ui->ComboCarburante->setCurrentIndex(1);
                    modals.expectMessageBox(platform::IDYES, "Il proseguimento di tale");
                    char enter = 13;
                    editor.ComboCarburanteKeyPress(ui->ComboCarburante, enter);
                    EXPECT_TRUE(editor.Timer1->isActive());
                    EXPECT_EQ(editor.RememberedFuel, 1);
                    EXPECT_EQ(*sim.peek(0x03, 0) & 0x2, 0x2) << "the unit runs on CNG";
                    cngMap = UnitMapCells(sim, *StreamDati);
                    EXPECT_EQ(cngMap, ImageMapCells(*StreamDati));

                    // The reset writes the base configuration, for LPG.
                    modals.expectMessageBox(platform::IDYES, "Sei sicuro di resettare");
                    ui->ButtonReset->click();
                    EXPECT_EQ(sim.stateFlags() & 1, 0) << "configured again";
                    EXPECT_EQ(*sim.peek(0x03, 0) & 0x2, 0);
                    EXPECT_EQ(ui->ComboCarburante->currentIndex(), 0);
                    EXPECT_EQ(editor.RememberedFuel, 0);
                    EXPECT_EQ(UnitMapCells(sim, *StreamDati), lpgMap);
                    return int(QDialog::Accepted);
                },
                "TFormConfig");
            FormMain->LabelClick(FormMain->ui()->LabelConfig);
            if (StreamDati->IsModified())
                modals.expectMessageBox(platform::IDNO, "Salvare i dati");
            return true;
        },
    });
    QCoreApplication::instance()->removeEventFilter(&progress);
    EXPECT_NE(cngMap, lpgMap);
    // The wait window followed the reload to its end.
    ASSERT_FALSE(progress.values.empty());
    EXPECT_EQ(progress.values.back(), 100);
}

} // namespace
