#include "linecost.h"

#include "platform/clock.h"
#include "simunit.h"

#include <algorithm>
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

double WorstRatioOnRealLine(const char* what, SimUnit& sim, int baud, int runs,
                            const std::function<double(int)>& once) {
    sim.setBaud(baud);
    double worst = 0;
    for (int i = 0; i < runs; ++i) {
        sim.clearCallLog();
        const double ms = once(i);
        const long long bytes = sim.lineBytes();
        const double least = bytes * 10 * 1000.0 / baud;
        const double ratio = least > 0 ? ms / least : 0;
        worst = std::max(worst, ratio);
        std::printf("%s at %d baud: %lld bytes on the line, %.1f ms, least %.1f ms, ratio %.3f\n",
                    what, baud, bytes, ms, least, ratio);
    }
    sim.setBaud(0);
    std::printf("%s: worst ratio %.3f (target 1.10)\n", what, worst);
    return worst;
}
