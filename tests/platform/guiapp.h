#pragma once
// The one application object of the widget tests, and a stand-in user for
// the real dialogs: it acts on the modal window once that is shown.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

inline QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "platform_gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: a static one would end after Qt's own thread storage
    // and leave its font caches behind.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs action on the first modal window shown after this call; a window the
// action leaves open is rejected so the test never waits for a user.
inline void WhenModalShown(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer(&GuiApp());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
    timer->start(5);
}
