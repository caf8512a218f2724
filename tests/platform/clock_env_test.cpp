// Runs with VEXANO_VIRTUAL_CLOCK=1 in its environment.
#include "platform/clock.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

TEST(ClockFromEnvironment, DefaultClockIsVirtual) {
    auto* clock = dynamic_cast<platform::VirtualClock*>(&platform::clock());
    ASSERT_NE(clock, nullptr);
    QElapsedTimer real;
    real.start();
    const uint32_t before = platform::GetTickCount();
    platform::Sleep(60000);
    EXPECT_EQ(platform::GetTickCount() - before, 60000u);
    EXPECT_LT(real.elapsed(), 1000);
}
