// The main window on a screen 1024 pixels wide: laid out for 800, it scales
// by 1024 / 800.
#include "shellfixture.h"

#include "formmain.h"
#include "statuspanels.h"
#include "ui_FormMain.h"
#include "windowutil.h"

#include <QLabel>

namespace {

class WideScreen : public ShellTest {};

TEST_F(WideScreen, PanelsAndMenuScaleWithTheScreenWidth) {
    ASSERT_EQ(shell::ScreenWidth(), 1024);
    TFormMain w;
    const int widths[] = {220 * 1024 / 800, 300 * 1024 / 800, 210 * 1024 / 800, 50 * 1024 / 800};
    EXPECT_EQ(widths[0], 281);
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

} // namespace
