#include "windowutil.h"

#include <QApplication>
#include <QFont>
#include <QScreen>
#include <QWidget>

namespace shell {

namespace {

constexpr int kDesignWidth = 800;

struct FontSubstitute {
    const char* family;
    const char* substitute;
};

constexpr FontSubstitute kSubstitutes[] = {
    {"Bauhaus 93", "DejaVu Sans Condensed"},
    {"MS Sans Serif", "DejaVu Sans"},
    {"Arial", "DejaVu Sans"},
    {"NI7SEG", "DejaVu Sans Mono"},
    {"Modern", "DejaVu Sans"},
};

QScreen* screenOf(QWidget* w) {
    QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}

int scaled(int v, int m) {
    return v * m / kDesignWidth;
}

void scaleFont(QWidget* w, int m) {
    QFont f = w->font();
    if (f.pixelSize() > 0)
        f.setPixelSize(std::max(1, scaled(f.pixelSize(), m)));
    else if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * m / kDesignWidth);
    w->setFont(f);
}

} // namespace

void RegisterFontSubstitutes() {
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const FontSubstitute& s : kSubstitutes)
        QFont::insertSubstitution(s.family, s.substitute);
}

void CentreOnScreen(QWidget* window) {
    const QRect area = screenOf(window)->availableGeometry();
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

int ScreenWidth() {
    return screenOf(nullptr)->geometry().width();
}
int ScreenHeight() {
    return screenOf(nullptr)->geometry().height();
}

int LayoutScreenWidth() {
    return std::min(ScreenWidth(), ScreenHeight() * 4 / 3);
}

void ScaleByScreenWidth(QWidget* window, int screenWidth) {
    if (screenWidth == kDesignWidth || screenWidth <= 0)
        return;
    const auto children = window->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (w->window() != window) // windows it owns scale themselves, or not at all
            continue;
        const QRect g = w->geometry();
        w->setGeometry(scaled(g.x(), screenWidth), scaled(g.y(), screenWidth),
                       scaled(g.width(), screenWidth), scaled(g.height(), screenWidth));
        if (w->testAttribute(Qt::WA_SetFont))
            scaleFont(w, screenWidth);
    }
    scaleFont(window, screenWidth);
    // A maximised window fills its screen, whatever the scale of its content.
    if (window->windowState() & Qt::WindowMaximized)
        window->resize(screenOf(window)->availableGeometry().size());
    else
        window->resize(scaled(window->width(), screenWidth), scaled(window->height(), screenWidth));
}

void UpdateAllForms() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->repaint();
}

} // namespace shell

static void initShellResources() {
    Q_INIT_RESOURCE(shell);
}

void shell::RegisterShellResources() {
    static bool done = false;
    if (!done)
        initShellResources();
    done = true;
}

void shell::SetScreenCursor(ScreenCursor cursor) {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (cursor == ScreenCursor::HourGlass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (cursor == ScreenCursor::AppStart)
        QApplication::setOverrideCursor(Qt::BusyCursor);
}

#include "core/messages.h"
#include "platform/gui/modal.h"

void shell::InstallProgramScreen() {
    Screen().SetFormsProvider([] {
        std::vector<QObject*> forms;
        for (QWidget* w : QApplication::topLevelWidgets())
            forms.push_back(w);
        return forms;
    });
    Screen().SetMessageHandler(
        [](const std::string& text, const std::string& caption, unsigned flags) {
            platform::MessageBox(QApplication::activeWindow(), text, caption, flags);
        });
}

#include <QElapsedTimer>
#include <QWindow>

namespace {
bool OnScreen(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return !handle || (window->testAttribute(Qt::WA_Mapped) && handle->isExposed());
}
} // namespace

void shell::WaitUntilOnScreen(QWidget* window) {
    QElapsedTimer waited;
    waited.start();
    while (window->isVisible() && !window->isMinimized() && !OnScreen(window) &&
           waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

void shell::ShowNow(QWidget* window) {
    window->show();
    WaitUntilOnScreen(window);
    window->repaint();
}

#include <QFontMetrics>
#include <QLabel>

void shell::SetFittingText(QLabel* label, const QString& text, const QFont& design) {
    constexpr double kSmallestPoints = 7;
    QFont font = design;
    while (QFontMetrics(font).horizontalAdvance(text) > label->contentsRect().width() &&
           font.pointSizeF() > kSmallestPoints)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->setText(text);
}
