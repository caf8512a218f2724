#pragma once
// Small helpers shared by the windows.
class QWidget;

namespace shell {

// Registers stand-ins for the fonts the layouts name that a Linux machine
// lacks, once, so Qt never searches its aliases for them.
void RegisterFontSubstitutes();
// Puts a top-level window in the middle of its screen.
void CentreOnScreen(QWidget* window);
// Width of the screen the program runs on, in pixels.
int ScreenWidth();
int ScreenHeight();
// The screen width the windows scale to: the screen's own width, or on a
// screen wider than the 4:3 the windows were laid out for, the width of a
// 4:3 screen of the same height, so that nothing is scaled off its bottom.
int LayoutScreenWidth();
// Rescales a window laid out for a screen 800 pixels wide to screenWidth:
// positions, sizes and fonts of the window and every control in it.
void ScaleByScreenWidth(QWidget* window, int screenWidth);
// Repaints every top-level window at once (the work runs on this thread, so
// the event loop does not paint meanwhile).
void UpdateAllForms();

} // namespace shell

namespace shell {
// Registers the program's own pictures and animation (a static library does
// not register them by itself).
void RegisterShellResources();
} // namespace shell

namespace shell {
// The one screen cursor of the program: an hourglass, the application-start
// cursor, or the default (no override).
enum class ScreenCursor { Default, HourGlass, AppStart };
void SetScreenCursor(ScreenCursor cursor);
} // namespace shell

namespace shell {
// Points the data module's screen at the program's windows: every top-level
// window receives posted data changes, message boxes go through the dialog
// seam.
void InstallProgramScreen();
} // namespace shell

namespace shell {
// Waits, for a second at most, until the window system has put a shown
// window on the screen: until then a repaint paints nothing. A window hidden
// and shown again still reads as exposed from before, so its mapping is what
// counts. Pending timers may run meanwhile.
void WaitUntilOnScreen(QWidget* window);
// Shows a modeless window and paints it at once, once it is on the screen:
// the work that follows runs on this thread, so nothing else would paint it.
// Not for a window that opens while another one is being shown.
void ShowNow(QWidget* window);
} // namespace shell

class QFont;
class QLabel;
class QString;

namespace shell {
// Sets a one-line label's text in the design font, made smaller (7 points
// at least) where the text would not fit: the fonts that stand in for the
// layout's are wider than it.
void SetFittingText(QLabel* label, const QString& text, const QFont& design);
} // namespace shell
