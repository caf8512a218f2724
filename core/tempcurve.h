#pragma once
// A temperature-sensor curve: the raw byte the sensor gives at
// first + i x step degrees C, falling as the temperature rises. Raw bytes and
// degrees convert by piecewise-linear interpolation between the points,
// extrapolating the first and the last segment.
#include <array>
#include <cstdint>
#include <optional>

struct TTempCurve {
    static constexpr int kMaxPoints = 50;
    // Points of a curve read from the unit (EcuTempMotore holds 30).
    static constexpr int kMaxUnitPoints = 30;

    std::array<int32_t, kMaxPoints> points{};
    int32_t count = 0;
    int32_t first = 0; // degrees C of point 0
    int32_t step = 0;  // degrees C between points
    int32_t b = 0;     // pull-up resistance
    int32_t c = 0;     // sensor scale

    // The curve of gas-sensor type 0 ("Sensore 4k7"), 1 ("Sensore 1k") or
    // 2 ("Sensore 2k2"); nothing for any other type.
    static std::optional<TTempCurve> GasSensor(int32_t type);
    // The engine curve when the unit's own parameters are not used.
    static const TTempCurve& DefaultEngine();
    // The unit's own engine curve from ParametriTempMotore (pull-up high and
    // low byte, step, first temperature, number of points) and EcuTempMotore;
    // nothing unless it has 2..30 points and a non-zero step.
    static std::optional<TTempCurve> FromUnit(const int32_t params[5], const int32_t points[30]);

    long double RawToTemp(int32_t raw) const;
    // Rounded to the nearest raw byte, so raw -> degrees -> raw returns the
    // raw byte; clamped to 0..255.
    int32_t TempToRaw(float degC) const;

    // Same conversions both ways (the resistances play no part in them).
    bool SameAs(const TTempCurve& other) const;
};
