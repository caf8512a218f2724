#pragma once
// Drop-down choice list driven from the keyboard. A choice reaches the owner
// as changed() and then keyPressed with 13 (the commit), made by Enter in the
// open list, a click on an item, or a change of the item while the list is
// closed (type-ahead, Home/End, the wheel). Moving through the open list only
// highlights; Esc closes it on the item chosen before. Enter on the closed list
// opens it (the owner sees that Enter too, with the list open). The arrow keys
// walk the focus chain while the list is closed; in the open list Up and Down
// wrap around. Setting the item from code raises nothing.
//
// Owners connect the signals directly; in a .ui file the properties are set as
// dynamic properties (stdset="0"), the chain from code after setupUi.
#include "boundcontrol.h"

#include <QComboBox>
#include <cstdint>
#include <string>

class TKeyComboBox : public QComboBox, public TBoundControl {
    Q_OBJECT
    Q_PROPERTY(int DataCode READ DataCode WRITE SetDataCode)
    Q_PROPERTY(int DataIndex READ DataIndex WRITE SetDataIndex)
    Q_PROPERTY(bool MoveFocus READ MoveFocus WRITE SetMoveFocus)
    Q_PROPERTY(QWidget* NextControl READ NextControl WRITE SetNextControl)
    Q_PROPERTY(QWidget* PrevControl READ PrevControl WRITE SetPrevControl)
    Q_PROPERTY(int VisibilityLevel READ VisibilityLevel WRITE SetVisibilityLevel)

public:
    explicit TKeyComboBox(QWidget* parent = nullptr);

    // Kept with the layout; nothing acts on it.
    bool MoveFocus() const { return m_moveFocus; }
    void SetMoveFocus(bool move) { m_moveFocus = move; }
    bool DroppedDown() const;

    void showPopup() override;
    void hidePopup() override;

signals:
    void keyPressed(QObject* sender, char& key);
    // Qt key code, 0 for a key the control consumed.
    void keyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void entered(QObject* sender);
    void exited(QObject* sender);
    void changed(QObject* sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OpenListKey(QKeyEvent& event);
    void KeyDown(int& key, Qt::KeyboardModifiers shift);
    void KeyPress(char& key);
    void DoEnter();
    void DoExit();
    void Change();
    void Confirm();
    void Search(char key);
    int FindPrefix(const std::string& prefix) const;
    int HighlightedRow() const;
    void Highlight(int row);
    void MarkUserAction() { m_changesAtAction = m_indexChanges; }

    bool m_moveFocus = true;
    int m_savedIndex = 0;
    bool m_selectionPending = false;
    bool m_openingList = false;
    // Counts item changes, so an activation by the user tells whether it
    // changed the item.
    unsigned m_indexChanges = 0;
    unsigned m_changesAtAction = 0;
    std::string m_searchPrefix;
    uint32_t m_searchTick = 0;
};
