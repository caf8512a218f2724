#include "linecost.h"

#include "platform/clock.h"
#include "simunit.h"

#include <cstdio>

LineCost MeasureOnLine(const char* what, SimUnit& sim, platform::VirtualClock& clock, int baud,
                       int runs, const std::function<void()>& once) {
    sim.setBaud(baud);
    sim.clearCallLog();
    const uint32_t start = clock.tickCount();
    for (int i = 0; i < runs; ++i)
        once();
    LineCost c;
    c.ms = double(clock.tickCount() - start) / runs;
    c.bytes = double(sim.lineBytes()) / runs;
    c.leastMs = c.bytes * 10 / baud * 1000;
    sim.setBaud(0);
    std::printf("%s at %d baud: %.1f ms on the line for %.0f bytes, least time %.1f ms, ratio "
                "%.2f\n",
                what, baud, c.ms, c.bytes, c.leastMs, c.Ratio());
    return c;
}
