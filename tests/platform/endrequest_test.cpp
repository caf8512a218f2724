#include "guiapp.h"

#include "platform/endrequest.h"

#include <QCoreApplication>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

int processEventsUntil(const int& calls, int wanted) {
    for (int i = 0; i < 200 && calls < wanted; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return calls;
}

// SIGTERM reaches the callback on the main thread once per request, and
// after the listener is gone the signal no longer goes to it.
TEST(EndRequest, EachSigtermRunsTheCallbackOnTheMainThread) {
    GuiApp();
    int calls = 0;
    bool onMainThread = true;
    {
        platform::EndRequestListener listener([&] {
            ++calls;
            onMainThread = onMainThread && QThread::currentThread() == GuiApp().thread();
        });
        ASSERT_TRUE(listener.listening());
        ASSERT_EQ(std::raise(SIGTERM), 0);
        EXPECT_EQ(processEventsUntil(calls, 1), 1);
        ASSERT_EQ(std::raise(SIGTERM), 0);
        EXPECT_EQ(processEventsUntil(calls, 2), 2);
    }
    EXPECT_TRUE(onMainThread);
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

} // namespace
