#include "messages.h"

#include <QCoreApplication>
#include <QtDebug>

void TScreen::PostToEveryForm(int message, intptr_t wParam, intptr_t lParam) const {
    if (!forms_)
        return;
    for (QObject* form : forms_())
        if (form)
            QCoreApplication::postEvent(form, new TMessageEvent(message, wParam, lParam));
}

void TScreen::SendProgress(intptr_t percent) const {
    Send(progress_, WM_PROGRESS, percent, 0);
}

bool TScreen::Send(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (!receiver)
        return false;
    TMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return true;
}

void TScreen::ShowMessage(const std::string& text, const std::string& caption,
                          unsigned flags) const {
    if (message_)
        message_(text, caption, flags);
    else
        qWarning("%s", text.c_str());
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}
