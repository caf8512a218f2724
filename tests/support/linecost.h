#pragma once
// What a repeated exchange costs on a slow line: the time it takes on the
// virtual clock against the least time of the bytes it puts there, ten bits
// a byte.
#include <functional>

class SimUnit;
namespace platform {
class VirtualClock;
}

struct LineCost {
    double ms = 0;      // on the line, a run
    double bytes = 0;   // requests and answers, a run
    double leastMs = 0; // the bytes at the line's speed
    double Ratio() const { return leastMs > 0 ? ms / leastMs : 0; }
};

// Runs `once` `runs` times with the unit's line at `baud`, then turns the
// line model off again, and prints "<what> at <baud> baud: ..." with the figures.
LineCost MeasureOnLine(const char* what, SimUnit& sim, platform::VirtualClock& clock, int baud,
                       int runs, const std::function<void()>& once);

// The same on the real clock, for work the line model paces as it goes:
// `once(i)` runs the work of run i and gives its milliseconds. Prints each
// run, turns the line model off again and returns the worst ratio.
double WorstRatioOnRealLine(const char* what, SimUnit& sim, int baud, int runs,
                            const std::function<double(int)>& once);
