#pragma once
// A page control whose tabs all have one size, set by the owner: TabWidth
// along the strip and TabHeight across it, whichever side the tabs sit on
// (0: the size Qt would give). Pages whose tabs are hidden can still be the
// one shown, but only code shows them: the user's keys step over them, and
// the control never takes the focus itself.
#include <QTabWidget>
#include <functional>

class QPainter;

class TPageControl : public QTabWidget {
    Q_OBJECT
    Q_PROPERTY(int TabWidth READ TabWidth WRITE SetTabWidth)
    Q_PROPERTY(int TabHeight READ TabHeight WRITE SetTabHeight)

public:
    explicit TPageControl(QWidget* parent = nullptr);

    int TabWidth() const { return m_tabWidth; }
    void SetTabWidth(int width);
    int TabHeight() const { return m_tabHeight; }
    void SetTabHeight(int height);

    // Pages whose tabs are shown, in order.
    int VisibleTabCount() const;
    // The next (step 1) or previous (step -1) page whose tab shows, from
    // `from`, wrapping at the ends; `from` itself when no other shows.
    int StepVisibleTab(int from, int step) const;
    QWidget* ActivePage() const { return currentWidget(); }
    // Shows page, also when its tab is hidden.
    void SetActivePage(QWidget* page);
    void SetTabVisible(QWidget* page, bool visible);
    bool TabVisible(QWidget* page) const;
    // The rectangle every page fills, in the control's coordinates.
    QRect PageRect() const;

    // Owner drawing of the tabs: called for each visible tab with its
    // index among the visible ones; none set: Qt draws them.
    using TabDrawer =
        std::function<void(QPainter&, int tab, int visibleIndex, const QRect& rect, bool active)>;
    void SetTabDrawer(TabDrawer drawer);
    const TabDrawer& Drawer() const { return m_drawer; }

    // Asked once before the user changes the page through the tabs; false
    // keeps the page. Changes made from code are not asked about.
    using ChangingHandler = std::function<bool()>;
    void SetChangingHandler(ChangingHandler handler) { m_changing = std::move(handler); }
    bool AllowChange() const { return !m_changing || m_changing(); }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    int m_tabWidth = 0;
    int m_tabHeight = 0;
    TabDrawer m_drawer;
    ChangingHandler m_changing;
};
