// The windows on a wide screen: laid out for 800 x 600, they scale with it.
#include "shellfixture.h"

#include "formfile.h"
#include "formmain.h"
#include "statuspanels.h"
#include "ui_FormFile.h"
#include "ui_FormMain.h"
#include "windowutil.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

namespace {

class WideScreen : public ShellTest {};

TEST_F(WideScreen, PanelsAndMenuScaleWithTheScreenWidth) {
    ASSERT_EQ(shell::ScreenWidth(), 1024);
    TFormMain w;
    // 220, 300, 210 and 50 pixels wide for 800, times 1024 / 800, truncated.
    const int widths[] = {281, 384, 268, 64};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w.StatusPanels()->panelWidth(i), widths[i]) << "panel " << i;

    // Labels: one left edge centring the widest on 95% of the screen, rows
    // of 90% of a label's height with a gap of 2% of that.
    int widest = 0;
    for (QLabel* l : w.MenuLabels)
        widest = std::max(widest, l->width());
    const int h = static_cast<int>(w.MenuLabels.front()->height() * 0.9);
    const int g = static_cast<int>(h * 0.02);
    for (size_t i = 0; i < w.MenuLabels.size(); ++i) {
        EXPECT_EQ(w.MenuLabels[i]->x(), static_cast<int>((1024 * 0.95 - widest) * 0.5));
        if (i > 0) {
            EXPECT_EQ(w.MenuLabels[i]->y() - w.MenuLabels[i - 1]->y(), h + g);
        }
    }
    // Fonts grow with the window: the menu texts are laid out at 38 points for 800.
    EXPECT_NEAR(w.ui()->LabelConfig->font().pointSizeF(), 38.0 * 1024 / 800, 0.01);
}

// On any screen the menu lies below its title and above the status bar,
// and the file dialog's buttons are on the screen; a screen wider than the
// 4:3 the windows were laid out for still widens the status panels by its
// width.
TEST_F(WideScreen, TheMenuAndTheFileDialogFitTheScreen) {
    const int height = shell::ScreenHeight();
    TFormMain w;
    auto* ui = w.ui();
    const QRect title = ui->LabelMenu->geometry();
    const int below = ui->MainMenu->sizeHint().height() + ui->StatusBarMain->sizeHint().height();
    EXPECT_GT(w.MenuLabels.front()->y(), title.center().y()) << "the menu runs into its title";
    EXPECT_LE(w.MenuLabels.back()->geometry().bottom() + below, height)
        << "the last menu text is below the screen";
    for (const QLabel* l : w.MenuLabels)
        EXPECT_LE(l->geometry().right(), w.width()) << l->objectName().toStdString();
    EXPECT_EQ(w.StatusPanels()->panelWidth(0), 220 * shell::ScreenWidth() / 800);

    QTemporaryDir program;
    TFormFile dialog(&w, nullptr, TFormFile::kSave, program.path().toStdString());
    for (const QWidget* button : {static_cast<QWidget*>(dialog.ui()->ButtonOk),
                                  static_cast<QWidget*>(dialog.ui()->ButtonAnnulla)})
        EXPECT_LE(button->geometry().bottom(), height) << button->objectName().toStdString();
}

} // namespace
