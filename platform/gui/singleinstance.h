#pragma once
// The other half of the single-instance guard: the running copy listens on a
// local socket named after the program title beside its lock (or, where that
// folder is too deep for a socket, in a short folder of this user); a second
// copy asks it through that socket to come forward. Either end talks only to
// a process of the same user.
#include <QObject>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;
class QWidget;

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

// Path of the local socket the running copy listens on, in this user's
// private folder; empty when there is none.
std::string InstanceSocketName(const std::string& title);

// Whether the process at the other end of a connected socket runs as this
// user.
bool PeerIsThisUser(const QLocalSocket& socket);

// Asks the running copy to come forward; false when none answered.
bool AskRunningInstanceToRaise(const std::string& title, int timeoutMs = 2000);

// Restores a window from the minimised state, brings it to the front and puts
// its last active pop-up (an open modal dialog) on top of it.
void BringToFront(QWidget* window);

} // namespace platform
