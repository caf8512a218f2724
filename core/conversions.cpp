#include "conversions.h"

#include <cmath>
#include <limits>

int32_t TruncToInt(long double x) {
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<long double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (x <= static_cast<long double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

int32_t TruncTypedStep(long double x) {
    // Far above the rounding error of a typed value, far below a step.
    constexpr long double kTolerance = 1e-7L;
    return TruncToInt(x < 0 ? x - kTolerance : x + kTolerance);
}

int32_t RoundToInt(long double x) {
    return TruncToInt(x < 0 ? x - 0.5L : x + 0.5L);
}

int32_t EffectiveClock(int32_t clock) {
    return clock == 0 ? kDefaultClock : clock;
}

namespace {

// clock x 0.00025 x factor, left to right as the unit's tools evaluate it.
long double timeStep(int32_t clock, double factor) {
    return static_cast<long double>(EffectiveClock(clock)) * 0.00025 * factor;
}

} // namespace

long double ClockRawToMs(int32_t raw, int32_t clock) {
    return static_cast<long double>(raw) * EffectiveClock(clock) * 0.00025 * 0.004;
}

int32_t ClockMsToRaw(long double ms, int32_t clock) {
    return TruncToInt(ms / timeStep(clock, 0.004) + 0.5);
}

long double SlowClockRawToMs(int32_t raw, int32_t clock) {
    return static_cast<long double>(raw) * EffectiveClock(clock) * 0.00025 * 20.0;
}

int32_t SlowClockMsToRaw(long double ms, int32_t clock) {
    return TruncToInt(ms / timeStep(clock, 20.0) + 0.5);
}

long double RawToVolts(int32_t raw) {
    return static_cast<long double>(raw) * 5.0 * (1.0 / 255.0);
}

int32_t VoltsToRaw(long double volts) {
    return TruncToInt(volts * 255.0 * 0.2 + 0.5);
}
