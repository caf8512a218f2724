#pragma once
// The fixed conversions between the raw values of the image and the values
// shown on screen. Every one is evaluated here, in long double with double
// constants, so the numbers match the unit's own tools digit for digit.
#include <cstdint>

// The clock parameter the unit reports when it does not answer, and the one a
// clock of 0 stands for (a time conversion never divides by zero).
constexpr int32_t kDefaultClock = 2560;

// Float to int32 without undefined behaviour: the fraction drops toward zero,
// values beyond the int32 range saturate, NaN gives 0.
int32_t TruncToInt(long double x);
// For a value typed at its field's step (tenths, hundredths): a product that
// falls a hair short of a whole step, as 0.3 x 10 does in extended precision
// (2.999...), counts as that step; otherwise as TruncToInt.
int32_t TruncTypedStep(long double x);
// Nearest integer, halves away from zero (also for negative values).
int32_t RoundToInt(long double x);

int32_t EffectiveClock(int32_t clock);

// Clock time: ms = raw x clock x 0.00025 x 0.004.
long double ClockRawToMs(int32_t raw, int32_t clock);
// raw = ms / (clock x 0.00025 x 0.004) + 0.5, truncated.
int32_t ClockMsToRaw(long double ms, int32_t clock);
// The slow time base of the unit-only words 0x23b and 0x23c (x 20.0).
long double SlowClockRawToMs(int32_t raw, int32_t clock);
int32_t SlowClockMsToRaw(long double ms, int32_t clock);

// Volts over a byte: V = raw x 5 x (1/255); raw = V x 255 x 0.2 + 0.5.
long double RawToVolts(int32_t raw);
int32_t VoltsToRaw(long double volts);

template <class T> constexpr T Clamp(T v, T lo, T hi) {
    return v < lo ? lo : (hi < v ? hi : v);
}
