#pragma once
// The system's request to end the program (SIGTERM, as sent at shut-down or
// by a script that started it): while a listener lives, the request runs its
// callback on the main thread, so the program can close cleanly instead of
// dying with the unit's link open and its settings unwritten.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace platform {

class EndRequestListener : public QObject {
public:
    explicit EndRequestListener(std::function<void()> onRequest);
    ~EndRequestListener() override;
    bool listening() const { return notifier_ != nullptr; }

private:
    void takeRequest();

    QSocketNotifier* notifier_ = nullptr;
    std::function<void()> onRequest_;
};

} // namespace platform
