#include "singleinstance.h"

#include "../namedmutex.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace platform {

std::string InstanceSocketName(const std::string& title) {
    // A local socket's path has room for about a hundred characters, temp
    // folder included: a digest keeps the name short whatever the title.
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(NamedMutex::safeName(title)),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(20);
    return "vexano-" + digest.toStdString() + ".instance";
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
    QLocalServer::removeServer(name); // a socket left by a copy that crashed
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
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
    QLocalSocket socket;
    socket.connectToServer(socketName(title));
    if (!socket.waitForConnected(timeoutMs))
        return false;
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
