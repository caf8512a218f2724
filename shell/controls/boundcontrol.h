#pragma once
// What the two input controls share: the image parameter the owner binds them
// to, the keyboard focus chain that the arrow keys and Enter walk (apart from
// the window's tab order), and how a key event reads as a typed character.
#include <QPointer>
#include <QWidget>

class QKeyEvent;

class TBoundControl {
public:
    virtual ~TBoundControl() = default;

    // Parameter id of the bound image value; negative: not bound.
    int DataCode() const { return m_dataCode; }
    void SetDataCode(int code) { m_dataCode = code; }
    // Element of an array parameter; negative: a scalar parameter.
    int DataIndex() const { return m_dataIndex; }
    void SetDataIndex(int index) { m_dataIndex = index; }
    // Kept with the layout (0..100); nothing acts on it.
    int VisibilityLevel() const { return m_visibilityLevel; }
    void SetVisibilityLevel(int level);

    QWidget* NextControl() const { return m_next; }
    void SetNextControl(QWidget* control) { m_next = control; }
    QWidget* PrevControl() const { return m_prev; }
    void SetPrevControl(QWidget* control) { m_prev = control; }

    // The control the chain leads to: hidden or disabled input controls are
    // stepped over, any other control that cannot take the focus ends the
    // walk, and so does a loop. Null when the chain yields nothing.
    QWidget* GetNextControl() const { return walk(&TBoundControl::m_next); }
    QWidget* GetPrevControl() const { return walk(&TBoundControl::m_prev); }

protected:
    // Gives the focus to the chain's next or previous control; false when the
    // chain yields none.
    bool FocusNextControl();
    bool FocusPrevControl();
    // A focus-in that starts the user's visit of the field (DoEnter), and a
    // focus-out that ends it (DoExit). A popup or another window taking the
    // focus for a while neither ends nor starts a visit.
    bool VisitStarts();
    bool VisitEnds(Qt::FocusReason reason);

private:
    QWidget* walk(QPointer<QWidget> TBoundControl::*link) const;

    int m_dataCode = -1;
    int m_dataIndex = -1;
    int m_visibilityLevel = 90;
    QPointer<QWidget> m_next;
    QPointer<QWidget> m_prev;
    bool m_visiting = false;
};

// The character a key types, as the controls' key handling sees it: 13 Enter,
// 8 Backspace, 27 Esc, 1..26 for Ctrl and a letter (the clipboard shortcuts
// among them), a printable code page 1252 character, or 0 for none.
char KeyChar(const QKeyEvent& event);
// A key whose event carries printable text, whether or not it types it.
bool IsTextKey(const QKeyEvent& event);
