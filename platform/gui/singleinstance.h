#pragma once
// The other half of the single-instance guard: the running copy listens on a
// per-user local socket named after the program title; a second copy asks it
// through that socket to come forward.
#include <QObject>
#include <functional>
#include <string>

class QLocalServer;

namespace platform {

class InstanceListener : public QObject {
public:
    // raise runs on the main thread each time a second copy asks.
    InstanceListener(const std::string& title, std::function<void()> raise);
    ~InstanceListener() override;
    bool listening() const;

private:
    QLocalServer* server_;
    std::function<void()> raise_;
};

// Name of the local socket the running copy listens on: per user and
// title, short enough for any temporary folder.
std::string InstanceSocketName(const std::string& title);

// Asks the running copy to come forward; false when none answered.
bool AskRunningInstanceToRaise(const std::string& title, int timeoutMs = 2000);

// Restores a window from the minimised state, brings it to the front and puts
// its last active pop-up (an open modal dialog) on top of it.
void BringToFront(class QWidget* window);

} // namespace platform
