#include "boundcontrol.h"

#include "platform/cp1252.h"

#include <QKeyEvent>
#include <QSet>
#include <algorithm>

void TBoundControl::SetVisibilityLevel(int level) {
    m_visibilityLevel = std::clamp(level, 0, 100);
}

QWidget* TBoundControl::walk(QPointer<QWidget> TBoundControl::*link) const {
    QSet<const TBoundControl*> visited;
    QWidget* candidate = this->*link;
    while (candidate) {
        if (candidate->isVisible() && candidate->isEnabled() &&
            candidate->focusPolicy() != Qt::NoFocus)
            return candidate;
        const auto* member = dynamic_cast<const TBoundControl*>(candidate);
        if (!member || visited.contains(member))
            return nullptr;
        visited.insert(member);
        candidate = member->*link;
    }
    return nullptr;
}

char KeyChar(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return 27;
    default:
        break;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) &&
        event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        return static_cast<char>(event.key() - Qt::Key_A + 1);
    if ((modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
        !IsTextKey(event))
        return 0;
    return platform::fromUnicode(event.text().left(1)).front();
}

bool IsTextKey(const QKeyEvent& event) {
    return !event.text().isEmpty() && event.text().front().isPrint();
}

bool TBoundControl::FocusNextControl() {
    QWidget* next = GetNextControl();
    if (next)
        next->setFocus(Qt::TabFocusReason);
    return next;
}

bool TBoundControl::FocusPrevControl() {
    QWidget* previous = GetPrevControl();
    if (previous)
        previous->setFocus(Qt::BacktabFocusReason);
    return previous;
}

bool TBoundControl::VisitStarts() {
    if (m_visiting)
        return false;
    m_visiting = true;
    return true;
}

bool TBoundControl::VisitEnds(Qt::FocusReason reason) {
    if (!m_visiting || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return false;
    m_visiting = false;
    return true;
}
