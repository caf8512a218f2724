#include "guiapp.h"
#include "platform/clock.h"
#include "platform/gui/singleinstance.h"
#include "platform/namedmutex.h"

#include <QLocalSocket>
#include <QUuid>
#include <QWidget>
#include <future>
#include <gtest/gtest.h>

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
};

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
