#include "pagecontrol.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>

namespace {

class TPageTabBar : public QTabBar {
public:
    explicit TPageTabBar(const TPageControl& owner) : owner_(owner) {}

protected:
    QSize tabSizeHint(int index) const override {
        QSize size = QTabBar::tabSizeHint(index);
        const bool across = shape() == RoundedWest || shape() == RoundedEast ||
                            shape() == TriangularWest || shape() == TriangularEast;
        int& along = across ? size.rheight() : size.rwidth();
        int& thickness = across ? size.rwidth() : size.rheight();
        if (owner_.TabWidth() > 0)
            along = owner_.TabWidth();
        if (owner_.TabHeight() > 0)
            thickness = owner_.TabHeight();
        return size;
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

    // A click on another tab asks the owner first.
    void mousePressEvent(QMouseEvent* e) override {
        const int index = tabAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && index >= 0 && index != currentIndex() &&
            isTabEnabled(index) && !owner_.AllowChange())
            return;
        QTabBar::mousePressEvent(e);
    }
    // Arrow keys step over the hidden tabs: a strip whose tabs are all
    // hidden keeps its page.
    void keyPressEvent(QKeyEvent* e) override {
        const int key = e->key();
        if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up &&
            key != Qt::Key_Down) {
            QTabBar::keyPressEvent(e);
            return;
        }
        const int step = key == Qt::Key_Left || key == Qt::Key_Up ? -1 : 1;
        const int target = owner_.StepVisibleTab(currentIndex(), step);
        if (target != currentIndex() && owner_.AllowChange())
            setCurrentIndex(target);
    }
    // The wheel does not turn the pages.
    void wheelEvent(QWheelEvent* e) override { e->ignore(); }

    void paintEvent(QPaintEvent* e) override {
        if (!owner_.Drawer()) {
            QTabBar::paintEvent(e);
            return;
        }
        QPainter painter(this);
        int visible = 0;
        for (int i = 0; i < count(); ++i)
            if (isTabVisible(i))
                owner_.Drawer()(painter, i, visible++, tabRect(i), i == currentIndex());
    }

private:
    const TPageControl& owner_;
};

} // namespace

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new TPageTabBar(*this));
    // Pages change by their tabs and the owner's keys: neither the strip nor
    // the control, which hands its focus to the strip, is a stop of the
    // focus.
    setFocusPolicy(Qt::NoFocus);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    tabBar()->setUsesScrollButtons(false);
    tabBar()->setElideMode(Qt::ElideNone);
}

void TPageControl::SetTabWidth(int width) {
    m_tabWidth = std::max(0, width);
    tabBar()->setIconSize(tabBar()->iconSize()); // asks the bar to measure its tabs again
}

void TPageControl::SetTabHeight(int height) {
    m_tabHeight = std::max(0, height);
    tabBar()->setIconSize(tabBar()->iconSize());
}

int TPageControl::VisibleTabCount() const {
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += isTabVisible(i) ? 1 : 0;
    return n;
}

int TPageControl::StepVisibleTab(int from, int step) const {
    const int n = count();
    for (int k = 1; k <= n; ++k) {
        const int i = ((from + step * k) % n + n) % n;
        if (isTabVisible(i))
            return i;
    }
    return from;
}

void TPageControl::SetActivePage(QWidget* page) {
    auto* stack = findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly);
    const int index = indexOf(page);
    if (index < 0)
        return;
    setCurrentIndex(index);
    // A hidden tab cannot be made current through the bar: the stack shows it.
    if (stack && stack->currentWidget() != page)
        stack->setCurrentWidget(page);
}

void TPageControl::SetTabVisible(QWidget* page, bool visible) {
    const int index = indexOf(page);
    if (index >= 0)
        setTabVisible(index, visible);
}

bool TPageControl::TabVisible(QWidget* page) const {
    const int index = indexOf(page);
    return index >= 0 && isTabVisible(index);
}

void TPageControl::SetTabDrawer(TabDrawer drawer) {
    m_drawer = std::move(drawer);
    tabBar()->update();
}

QRect TPageControl::PageRect() const {
    auto* stack = findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return stack ? stack->geometry() : rect();
}

// Ctrl+Tab turns to the next page whose tab shows, Ctrl+Shift+Tab back.
void TPageControl::keyPressEvent(QKeyEvent* e) {
    const bool turns = (e->modifiers() & Qt::ControlModifier) &&
                       (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab);
    if (!turns) {
        QTabWidget::keyPressEvent(e);
        return;
    }
    const bool back = e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier);
    const int target = StepVisibleTab(currentIndex(), back ? -1 : 1);
    if (target != currentIndex() && AllowChange())
        SetActivePage(widget(target));
}
