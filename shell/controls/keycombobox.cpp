#include "keycombobox.h"

#include "platform/clock.h"
#include "platform/cp1252.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWheelEvent>

namespace {

// Type-ahead forgets its prefix after this long without typing.
constexpr uint32_t kSearchPauseMs = 500;

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Keys that close the open list on the highlighted item.
bool closesList(const QKeyEvent& event) {
    const bool alt = event.modifiers() & Qt::AltModifier;
    return event.key() == Qt::Key_F4 ||
           (alt && (event.key() == Qt::Key_Up || event.key() == Qt::Key_Down));
}

} // namespace

TKeyComboBox::TKeyComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { ++m_indexChanges; });
    // The user's own changes of the item: the wheel, keys the base list
    // handles and a click in the open list.
    connect(this, &QComboBox::activated, this, [this] {
        if (m_indexChanges == m_changesAtAction)
            return;
        MarkUserAction();
        Change();
    });
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

bool TKeyComboBox::DroppedDown() const {
    return view()->isVisible();
}

void TKeyComboBox::showPopup() {
    m_savedIndex = currentIndex();
    // Ahead of the list's own handling, also for a view set later.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    // The list takes the focus as it opens; that is no leaving.
    m_openingList = true;
    QComboBox::showPopup();
    m_openingList = false;
}

void TKeyComboBox::hidePopup() {
    QComboBox::hidePopup();
    m_selectionPending = false;
}

int TKeyComboBox::HighlightedRow() const {
    return view()->currentIndex().row();
}

void TKeyComboBox::Highlight(int row) {
    if (row >= 0 && row < count())
        view()->setCurrentIndex(model()->index(row, modelColumn(), rootModelIndex()));
}

bool TKeyComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view()) {
        // Every key of the open list comes here as a key press.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress)
            return OpenListKey(static_cast<QKeyEvent&>(*event));
    } else if (watched == view()->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                                 event->type() == QEvent::MouseButtonRelease)) {
        MarkUserAction();
    }
    return QComboBox::eventFilter(watched, event);
}

// True when the key is done with; false lets the list move its highlight.
bool TKeyComboBox::OpenListKey(QKeyEvent& event) {
    QPointer<TKeyComboBox> self(this);
    MarkUserAction();
    int key = event.key();
    if (closesList(event)) {
        emit keyDown(this, key, event.modifiers());
        if (self && key != 0)
            Confirm();
        return true;
    }
    KeyDown(key, event.modifiers());
    if (!self || key == 0)
        return true;
    if (isEnter(key)) {
        Confirm();
        return true;
    }
    if (char typed = KeyChar(event)) {
        KeyPress(typed);
        return true;
    }
    return IsTextKey(event);
}

void TKeyComboBox::keyPressEvent(QKeyEvent* event) {
    QPointer<TKeyComboBox> self(this);
    MarkUserAction();
    int key = event->key();
    KeyDown(key, event->modifiers());
    if (!self)
        return;
    if (key == 0) {
        event->accept();
        return;
    }
    if (char typed = KeyChar(*event)) {
        KeyPress(typed);
        // Esc stays the window's too (a dialog's Cancel).
        if (self && event->key() == Qt::Key_Escape)
            event->ignore();
        else
            event->accept();
        return;
    }
    if (IsTextKey(*event)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event); // Home, End, F4
}

void TKeyComboBox::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    const bool open = DroppedDown();
    switch (key) {
    case Qt::Key_Escape:
        if (open) {
            hidePopup();
            if (m_savedIndex < count())
                setCurrentIndex(m_savedIndex);
            key = 0;
        }
        break;
    case Qt::Key_Up:
        if (open && HighlightedRow() <= 0) {
            Highlight(count() - 1);
            key = 0;
        } else if (!open) {
            FocusPrevControl();
            key = 0;
        }
        break;
    case Qt::Key_Down:
        if (open && HighlightedRow() >= count() - 1) {
            Highlight(0);
            key = 0;
        } else if (!open) {
            FocusNextControl();
            key = 0;
        }
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (!open)
            key = 0;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        key = 0;
        break;
    default:
        break;
    }
    emit keyDown(this, key, shift);
}

void TKeyComboBox::KeyPress(char& key) {
    QPointer<TKeyComboBox> self(this);
    if (key == 13) {
        if (m_selectionPending)
            m_savedIndex = currentIndex();
        else if (!DroppedDown())
            showPopup();
    }
    emit keyPressed(this, key);
    if (!self)
        return;
    if (key != 0 && key != 13)
        Search(key);
    if (self)
        m_selectionPending = DroppedDown();
}

// The highlighted item becomes the choice; the owner commits it even when it
// is the item already chosen.
void TKeyComboBox::Confirm() {
    const int row = HighlightedRow();
    hidePopup();
    if (row >= 0 && row != currentIndex()) {
        setCurrentIndex(row);
        Change();
        return;
    }
    m_selectionPending = true;
    char enter = 13;
    KeyPress(enter);
}

void TKeyComboBox::Change() {
    QPointer<TKeyComboBox> self(this);
    emit changed(this);
    if (!self)
        return;
    if (!DroppedDown())
        m_selectionPending = true;
    char enter = 13;
    KeyPress(enter);
}

void TKeyComboBox::Search(char key) {
    const uint32_t now = platform::GetTickCount();
    if (now - m_searchTick >= kSearchPauseMs)
        m_searchPrefix.clear();
    m_searchTick = now;
    if (key == 8) {
        if (!m_searchPrefix.empty())
            m_searchPrefix.pop_back();
    } else if (static_cast<unsigned char>(key) >= 32) {
        m_searchPrefix += key;
    } else {
        return;
    }
    const int found = m_searchPrefix.empty() ? -1 : FindPrefix(m_searchPrefix);
    if (found < 0)
        return;
    if (DroppedDown()) {
        Highlight(found);
    } else if (found != currentIndex()) {
        setCurrentIndex(found);
        Change();
    }
}

int TKeyComboBox::FindPrefix(const std::string& prefix) const {
    const QString wanted = platform::toUnicode(prefix);
    for (int i = 0; i < count(); ++i)
        if (itemText(i).startsWith(wanted, Qt::CaseInsensitive))
            return i;
    return -1;
}

void TKeyComboBox::DoEnter() {
    m_selectionPending = false;
    m_savedIndex = currentIndex();
    emit entered(this);
}

void TKeyComboBox::DoExit() {
    hidePopup();
    emit exited(this);
}

void TKeyComboBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    if (VisitStarts())
        DoEnter();
}

void TKeyComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    if (!m_openingList && VisitEnds(event->reason()))
        DoExit();
}

// The wheel chooses only in the focused list, so scrolling a page over a list
// never commits a choice.
void TKeyComboBox::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    MarkUserAction();
    QComboBox::wheelEvent(event);
}
