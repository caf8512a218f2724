#include "platform/clock.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

// Installs a virtual clock for one test and puts the default one back.
class ClockScope {
public:
    explicit ClockScope(platform::VirtualClock& c) { platform::setClock(&c); }
    ~ClockScope() { platform::setClock(nullptr); }
};

TEST(VirtualClock, SleepsMoveTimeWithoutWaiting) {
    platform::VirtualClock clock(1000);
    ClockScope scope(clock);
    QElapsedTimer real;
    real.start();
    platform::Sleep(20000);
    platform::Sleep(500);
    EXPECT_EQ(platform::GetTickCount(), 21500u);
    EXPECT_EQ(clock.sleptTotal(), 20500u);
    EXPECT_EQ(clock.sleepCount(), 2u);
    EXPECT_LT(real.elapsed(), 1000);
    clock.advance(250);
    EXPECT_EQ(platform::GetTickCount(), 21750u);
    EXPECT_EQ(clock.sleptTotal(), 20500u) << "advancing is not sleeping";
}

// A 20-second deadline taken just before the 32-bit wrap must still expire on
// time when the waits compare by unsigned difference.
TEST(VirtualClock, TickCountWrapsAtThirtyTwoBits) {
    platform::VirtualClock clock(0xFFFFFF00u);
    ClockScope scope(clock);
    const uint32_t start = platform::GetTickCount();
    int polls = 0;
    while (platform::GetTickCount() - start < 20000) {
        platform::Sleep(500);
        ++polls;
    }
    EXPECT_EQ(polls, 40);
    EXPECT_EQ(platform::GetTickCount(), uint32_t(0xFFFFFF00u + 20000u));
    EXPECT_LT(platform::GetTickCount(), start);
}

TEST(Clock, SetClockNullReturnsToTheRealClock) {
    platform::VirtualClock clock(5);
    platform::setClock(&clock);
    EXPECT_EQ(&platform::clock(), &clock);
    platform::setClock(nullptr);
    EXPECT_EQ(dynamic_cast<platform::VirtualClock*>(&platform::clock()), nullptr)
        << "this executable runs without the virtual clock variable";
    const uint32_t before = platform::GetTickCount();
    platform::Sleep(20);
    EXPECT_GE(platform::GetTickCount() - before, 15u);
}

} // namespace
