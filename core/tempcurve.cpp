#include "tempcurve.h"

#include "conversions.h"

#include <algorithm>

namespace {

// Sensor resistance every 5 degrees C: T0 and T1 relative to 25 C, T2 in ohms.
constexpr float kT0[] = {97.578f, 67.65f,   47.538f,  33.831f,  24.359f,   17.753f,  13.067f,
                         9.7228f, 7.3006f,  5.5361f,  4.2332f,  3.266f,    2.5392f,  1.9902f,
                         1.5709f, 1.2492f,  1.0f,     0.805f,   0.65326f,  0.5329f,  0.4371f,
                         0.36f,   0.299f,   0.2493f,  0.2088f,  0.1757f,   0.148f,   0.1262f,
                         0.1076f, 0.09215f, 0.07922f, 0.0683f,  0.05924f,  0.05153f, 0.04492f,
                         0.0392f, 0.0343f,  0.03018f, 0.02665f, 0.023594f, 0.0209f,  0.0186f,
                         0.0166f, 0.01486f, 0.01332f, 0.01198f, 0.01079f,  0.00974f};
constexpr float kT1[] = {4.56f,  3.78f,  3.01f,  2.41f,  1.92f,  1.54f,  1.25f,  1.0f,   0.856f,
                         0.687f, 0.582f, 0.493f, 0.41f,  0.345f, 0.295f, 0.254f, 0.217f, 0.183f,
                         0.159f, 0.138f, 0.12f,  0.105f, 0.091f, 0.082f, 0.071f, 0.062f, 0.055f};
constexpr float kT2[] = {48153.f, 35763.f, 26855.f, 20376.f, 15614.f, 12078.f, 9426.f,
                         7419.f,  5886.7f, 4706.9f, 3791.1f, 3074.9f, 2510.6f, 2062.9f,
                         1715.4f, 1431.8f, 1199.6f, 1008.6f, 851.1f,  720.65f, 612.27f,
                         521.91f, 446.33f, 382.89f, 329.48f, 284.06f, 246.15f, 213.68f,
                         186.f,   162.35f, 142.08f, 124.66f, 109.65f, 96.68f,  85.45f};

struct SensorType {
    const float* resistance;
    int32_t count;
    int32_t first;
    int32_t b;
    int32_t c;
};

constexpr SensorType kSensorTypes[] = {
    {kT0, int32_t(std::size(kT0)), -55, 4700, 4700},
    {kT1, int32_t(std::size(kT1)), -10, 1000, 1000},
    {kT2, int32_t(std::size(kT2)), -40, 2200, 1},
};

// A voltage divider with the sensor to ground and the pull-up b.
TTempCurve buildSensorCurve(const SensorType& t) {
    TTempCurve curve;
    curve.count = t.count;
    curve.first = t.first;
    curve.step = 5;
    curve.b = t.b;
    curve.c = t.c;
    for (int i = 0; i < t.count; ++i) {
        const long double cr = static_cast<long double>(t.c) * t.resistance[i];
        curve.points[i] = TruncToInt(255.0L * cr / (cr + t.b));
    }
    return curve;
}

const TTempCurve* sensorCurves() {
    static const TTempCurve curves[] = {buildSensorCurve(kSensorTypes[0]),
                                        buildSensorCurve(kSensorTypes[1]),
                                        buildSensorCurve(kSensorTypes[2])};
    return curves;
}

} // namespace

std::optional<TTempCurve> TTempCurve::GasSensor(int32_t type) {
    if (type < 0 || type >= int32_t(std::size(kSensorTypes)))
        return std::nullopt;
    return sensorCurves()[type];
}

const TTempCurve& TTempCurve::DefaultEngine() {
    return sensorCurves()[0];
}

std::optional<TTempCurve> TTempCurve::FromUnit(const int32_t params[5], const int32_t points[30]) {
    const int32_t n = params[4];
    if (n < 2 || n > kMaxUnitPoints || params[2] == 0)
        return std::nullopt;
    TTempCurve curve;
    curve.count = n;
    curve.first = params[3];
    curve.step = params[2];
    curve.b = TruncToInt(static_cast<long double>(params[0]) * 256 + params[1]);
    curve.c = 1;
    std::copy(points, points + n, curve.points.begin());
    return curve;
}

long double TTempCurve::RawToTemp(int32_t raw) const {
    // Differences in long double: points from the unit may hold any int32.
    const auto p = [this](int i) { return static_cast<long double>(points[i]); };
    const int n = count;
    int j = 0;
    while (j < n && points[j] > raw)
        ++j;
    if (j == n)
        j = n - 1;
    if (j == 0) {
        if (points[0] == points[1])
            return first - step / 2.0L;
        return first - step * (raw - p(0)) / (p(0) - p(1));
    }
    if (points[j] == points[j - 1])
        return first + step * (j - 0.5L);
    return first + step * (j - (raw - p(j)) / (p(j - 1) - p(j)));
}

int32_t TTempCurve::TempToRaw(float degC) const {
    const auto p = [this](int i) { return static_cast<long double>(points[i]); };
    const int n = count;
    const float v = (degC - static_cast<float>(first)) / static_cast<float>(step);
    const int32_t k = TruncToInt(v);
    long double raw;
    if (k < 0)
        raw = p(0) + (p(1) - p(0)) * v;
    else if (k < n - 1)
        raw = p(k) + (static_cast<long double>(v) - k) * (p(k + 1) - p(k));
    else
        raw = p(n - 1) + (static_cast<long double>(v) - n + 1) * (p(n - 1) - p(n - 2));
    return Clamp(RoundToInt(raw), 0, 255);
}

bool TTempCurve::SameAs(const TTempCurve& o) const {
    return count == o.count && first == o.first && step == o.step &&
           std::equal(points.begin(), points.begin() + count, o.points.begin());
}
