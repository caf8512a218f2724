#include "singleinstance.h"

#include "../namedmutex.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

std::string InstanceSocketName(const std::string& title) {
    const std::string folder = PrivateRuntimeFolder();
    return folder.empty() ? std::string() : LocalSocketPath(folder, title);
}

bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    return fd >= 0 && getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == geteuid();
}

namespace {
QString socketName(const std::string& title) {
    return QString::fromStdString(InstanceSocketName(title));
}
const QByteArray kRaise = "raise\n";
} // namespace

InstanceListener::InstanceListener(const std::string& title, std::function<void()> raise)
    : server_(new QLocalServer(this)), raise_(std::move(raise)) {
    const QString name = socketName(title);
    if (name.isEmpty())
        return;                       // no private folder: the lock alone keeps a second copy out
    QLocalServer::removeServer(name); // a socket left by a copy that crashed
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            if (!PeerIsThisUser(*s)) {
                s->abort();
                s->deleteLater();
                continue;
            }
            // The request may arrive in pieces: act on the whole line.
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine())
                    return;
                if (s->readLine() == kRaise && raise_)
                    raise_();
                s->disconnectFromServer();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

InstanceListener::~InstanceListener() = default;

bool InstanceListener::listening() const {
    return server_->isListening();
}

bool AskRunningInstanceToRaise(const std::string& title, int timeoutMs) {
    const QString name = socketName(title);
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (!PeerIsThisUser(socket)) {
        socket.abort(); // not ours: it hears nothing
        return false;
    }
    socket.write(kRaise);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.waitForDisconnected(timeoutMs);
    return written;
}

void BringToFront(QWidget* window) {
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    QWidget* popup = QApplication::activeModalWidget();
    if (popup && popup != window) {
        popup->raise();
        popup->activateWindow();
    }
}

} // namespace platform
