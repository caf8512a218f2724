#include "guiapp.h"
#include "platform/clock.h"
#include "platform/gui/singleinstance.h"
#include "platform/namedmutex.h"
#include "tests/support/userfolders.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QUuid>
#include <QWidget>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace {

std::string freshTitle() {
    return "Vexano test " + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

// Runs work on another thread (the second copy) while this thread's event
// loop serves the listener, as the first copy's would.
template <typename Work> auto whileServing(Work work) {
    auto done = std::async(std::launch::async, work);
    while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    return done.get();
}

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override { GuiApp(); }
    OwnUserFolders own;
};

// Someone else's server on a socket path: counts who reached it.
class Squatter {
public:
    explicit Squatter(const QString& name) {
        QObject::connect(&server_, &QLocalServer::newConnection, [this] {
            while (QLocalSocket* s = server_.nextPendingConnection()) {
                ++reached;
                s->deleteLater();
            }
        });
        listening = server_.listen(name);
    }
    bool listening = false;
    int reached = 0;

private:
    QLocalServer server_;
};

// The name the program used to listen on, in the shared temporary folder.
QString OldSocketName(const std::string& title) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(platform::NamedMutex::safeName(title)),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(20);
    return "vexano-" + QString::fromLatin1(digest) + ".instance";
}

TEST_F(SingleInstance, SecondCopyRaisesTheFirst) {
    const std::string title = freshTitle();
    int raised = 0;
    platform::InstanceListener listener(title, [&] { ++raised; });
    ASSERT_TRUE(listener.listening());
    EXPECT_TRUE(whileServing([&] { return platform::AskRunningInstanceToRaise(title); }));
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(whileServing([&] { return platform::AskRunningInstanceToRaise(title); }));
    EXPECT_EQ(raised, 2);
}

// A local socket's path is short: neither a long title nor a long temporary
// folder may keep the running copy from listening.
TEST_F(SingleInstance, ALongTitleStillListens) {
    const std::string title = freshTitle() + std::string(150, 'x');
    int raised = 0;
    platform::InstanceListener listener(title, [&] { ++raised; });
    ASSERT_TRUE(listener.listening());
    EXPECT_TRUE(whileServing([&] { return platform::AskRunningInstanceToRaise(title); }));
    EXPECT_EQ(raised, 1);
}

// Folders deep enough that a socket in them could not be bound: a runtime
// folder inside a deep temporary folder, or a deep home without a runtime
// folder. The running copy listens all the same.
TEST_F(SingleInstance, DeepFoldersStillListen) {
    const QString deep = own.home.path() + "/" + QString(200, 't');
    ASSERT_TRUE(QDir().mkpath(deep));
    ScopedEnv tmp("TMPDIR", deep);
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.path().startsWith(deep));
    for (const bool withRuntime : {true, false}) {
        SCOPED_TRACE(withRuntime ? "deep runtime folder" : "deep home");
        std::optional<ScopedEnv> runtimeEnv, home;
        if (withRuntime) {
            runtimeEnv.emplace("XDG_RUNTIME_DIR", runtime.path());
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
            home.emplace("HOME", deep);
        }
        const std::string title = freshTitle();
        int raised = 0;
        platform::InstanceListener listener(title, [&] { ++raised; });
        ASSERT_TRUE(listener.listening());
        EXPECT_LE(platform::InstanceSocketName(title).size(), platform::kMaxLocalSocketPath);
        EXPECT_TRUE(whileServing([&] { return platform::AskRunningInstanceToRaise(title); }));
        EXPECT_EQ(raised, 1);
    }
}

// Two sessions whose runtime folders are both too deep for a socket: each
// running copy keeps its own socket, and a second copy raises its session's.
TEST_F(SingleInstance, DeepRuntimeFoldersOfTwoSessionsKeepTheirOwnSockets) {
    const std::string title = freshTitle();
    QString deep[2];
    int raised[2] = {0, 0};
    std::optional<platform::InstanceListener> listeners[2];
    for (int i = 0; i < 2; ++i) {
        deep[i] = own.runtime.path() + "/" + QString(100, QChar('a' + i));
        ASSERT_TRUE(QDir().mkpath(deep[i]));
        ASSERT_EQ(::chmod(QFile::encodeName(deep[i]).constData(), 0700), 0);
        ScopedEnv session("XDG_RUNTIME_DIR", deep[i]);
        listeners[i].emplace(title, [&raised, i] { ++raised[i]; });
        ASSERT_TRUE(listeners[i]->listening());
    }
    ScopedEnv session("XDG_RUNTIME_DIR", deep[0]);
    EXPECT_TRUE(whileServing([&] { return platform::AskRunningInstanceToRaise(title); }));
    EXPECT_EQ(raised[0], 1);
    EXPECT_EQ(raised[1], 0);
}

// Sockets another user bound first, in the shared temporary folder under the
// old name or in a runtime folder that is not this user's, hear nothing.
TEST_F(SingleInstance, ASocketOfSomeoneElseNeverHearsTheRequest) {
    const std::string title = freshTitle();
    ScopedEnv tmp("TMPDIR", "/tmp"); // the shared one, short enough to bind in
    Squatter oldName(OldSocketName(title));
    ASSERT_TRUE(oldName.listening);
    QTemporaryDir foreign("/tmp/vexano-foreign-XXXXXX");
    Squatter inForeignRuntime(foreign.path() + "/" +
                              QString::fromStdString(platform::LocalSocketFileName(title)));
    ASSERT_TRUE(inForeignRuntime.listening);
    ASSERT_TRUE(MakeForeign(foreign.path()));
    ScopedEnv runtime("XDG_RUNTIME_DIR", foreign.path());

    EXPECT_FALSE(whileServing([&] { return platform::AskRunningInstanceToRaise(title, 500); }));
    int raised = 0;
    {
        platform::InstanceListener listener(title, [&] { ++raised; });
        ASSERT_TRUE(listener.listening());
        EXPECT_TRUE(whileServing([&] { return platform::AskRunningInstanceToRaise(title); }));
    }
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(oldName.reached, 0);
    EXPECT_EQ(inForeignRuntime.reached, 0);
}

// A server run by another user is told apart by its credentials. Its folder
// lies where that user can reach it, whatever the tests' temporary folder.
TEST_F(SingleInstance, APeerOfAnotherUserIsNotThisUser) {
    if (!RunsAsRoot())
        GTEST_SKIP() << "needs root to run a server as another user";
    QTemporaryDir folder("/tmp/vexano-peer-XXXXXX");
    ASSERT_TRUE(MakeForeign(folder.path()));
    const QByteArray path = QFile::encodeName(folder.path() + "/s");
    sockaddr_un addr{};
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof addr.sun_path);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), path.size());
    int ready[2];
    int stop[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(stop), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // only calls safe after fork from here on; ends when the test closes stop
        ::close(ready[0]);
        ::close(stop[1]);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        char c = 0;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd, 4) != 0)
            c = 1;
        (void)!::write(ready[1], &c, 1);
        (void)!::read(stop[0], &c, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(stop[0]);
    const auto reap = qScopeGuard([&] {
        ::close(stop[1]);
        ::close(ready[0]);
        ::waitpid(child, nullptr, 0);
    });
    char bound = 1;
    ASSERT_EQ(::read(ready[0], &bound, 1), 1);
    ASSERT_EQ(bound, 0) << "the other user's server could not listen";
    QLocalSocket theirs;
    theirs.connectToServer(QFile::decodeName(path));
    ASSERT_TRUE(theirs.waitForConnected(2000));
    EXPECT_FALSE(platform::PeerIsThisUser(theirs));

    Squatter mine(folder.path() + "/mine");
    QLocalSocket ours;
    ours.connectToServer(folder.path() + "/mine");
    ASSERT_TRUE(ours.waitForConnected(2000));
    EXPECT_TRUE(platform::PeerIsThisUser(ours));
}

// Where no socket can be bound (its path taken by something that is not
// one), the running copy does not listen, but its lock still keeps a second
// copy out, and the second copy's request ends at once.
TEST_F(SingleInstance, WithoutListeningTheLockStillKeepsASecondCopyOut) {
    const std::string title = freshTitle();
    platform::NamedMutex first(title);
    ASSERT_FALSE(first.alreadyExists());
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(platform::InstanceSocketName(title))));
    platform::InstanceListener listener(title, [] {});
    EXPECT_FALSE(listener.listening());
    QProcess second;
    second.start(VEXANO_MUTEX_HOLDER, {QString::fromStdString(title)});
    ASSERT_TRUE(second.waitForReadyRead(5000));
    EXPECT_EQ(second.readLine().trimmed(), "exists");
    second.closeWriteChannel();
    second.waitForFinished(5000);
    EXPECT_FALSE(platform::AskRunningInstanceToRaise(title, 500));
}

TEST_F(SingleInstance, NobodyListeningAnswersFalse) {
    const std::string title = freshTitle();
    EXPECT_FALSE(platform::AskRunningInstanceToRaise(title, 500));
    int raised = 0;
    {
        platform::InstanceListener listener(freshTitle(), [&] { ++raised; });
        EXPECT_FALSE(whileServing([&] { return platform::AskRunningInstanceToRaise(title, 500); }))
            << "a listener of another title does not answer";
    }
    EXPECT_EQ(raised, 0);
}

// The request may arrive in pieces; anything else is no request.
TEST_F(SingleInstance, OnlyAWholeRaiseRequestRaises) {
    const std::string title = freshTitle();
    int raised = 0;
    platform::InstanceListener listener(title, [&] { ++raised; });
    const QString name = QString::fromStdString(platform::InstanceSocketName(title));
    auto send = [&](std::vector<QByteArray> pieces) {
        return whileServing([&] {
            QLocalSocket s;
            s.connectToServer(name);
            if (!s.waitForConnected(2000))
                return false;
            for (const QByteArray& p : pieces) {
                s.write(p);
                s.waitForBytesWritten(2000);
                platform::Sleep(50);
            }
            s.waitForDisconnected(500);
            return true;
        });
    };
    ASSERT_TRUE(send({"ra", "ise\n"}));
    EXPECT_EQ(raised, 1);
    ASSERT_TRUE(send({"hello\n"}));
    ASSERT_TRUE(send({"raise"}));
    EXPECT_EQ(raised, 1);
}

TEST_F(SingleInstance, BringToFrontRestoresAMinimisedWindow) {
    QWidget window;
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    platform::BringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    platform::BringToFront(nullptr);
}

} // namespace
