// The fixed conversions and the temperature-sensor curves, pinned to the
// numbers the unit's tools give.
#include "core/conversions.h"
#include "core/tempcurve.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct MsCase {
    double ms;
    int32_t raw;
};

// Evaluated in extended precision: 12 ms is 4687.4999.., not 4688.
TEST(ClockTime, WorkedValuesAtTheDefaultClock) {
    const MsCase cases[] = {{12, 4687},  {2, 781},   {2.5, 977},  {3, 1172},  {3.5, 1367},
                            {4.5, 1758}, {6, 2344},  {8, 3125},   {10, 3906}, {14, 5469},
                            {16, 6250},  {18, 7031}, {30, 11719}, {1.5, 586}, {0.3, 117},
                            {1.1, 430},  {0.6, 234}, {0.2, 78},   {0, 0}};
    for (const MsCase& c : cases) {
        EXPECT_EQ(ClockMsToRaw(c.ms, 2560), c.raw) << c.ms << " ms";
        // A clock the unit never reported counts as the default one.
        EXPECT_EQ(ClockMsToRaw(c.ms, 0), c.raw) << c.ms << " ms at clock 0";
    }
    EXPECT_NEAR(double(ClockRawToMs(4687, 2560)), 11.99872, 1e-9);
    EXPECT_NEAR(double(ClockRawToMs(1000, 0)), 2.56, 1e-12);
    EXPECT_NEAR(double(ClockRawToMs(1000, 5120)), 5.12, 1e-12);
    EXPECT_EQ(ClockMsToRaw(2.56, 5120), 500);
    EXPECT_EQ(SlowClockMsToRaw(100, 2560), 8);
    EXPECT_NEAR(double(SlowClockRawToMs(8, 0)), 102.4, 1e-9);
}

TEST(ClockTime, RoundTripKeepsTheRawValue) {
    for (int32_t raw : {0, 1, 117, 586, 1171, 1172, 4687, 11719, 65535})
        EXPECT_EQ(ClockMsToRaw(ClockRawToMs(raw, 2560), 2560), raw);
}

TEST(Volts, BothWays) {
    EXPECT_EQ(VoltsToRaw(0.55), 28);
    EXPECT_EQ(VoltsToRaw(0.3), 15);
    EXPECT_EQ(VoltsToRaw(5.0), 255);
    EXPECT_EQ(VoltsToRaw(1.0), 51);
    EXPECT_NEAR(double(RawToVolts(255)), 5.0, 1e-12);
    EXPECT_NEAR(double(RawToVolts(51)), 1.0, 1e-12);
}

TEST(FloatToInt, SaturatesAndNeverIsUndefined) {
    EXPECT_EQ(TruncToInt(-2.7L), -2);
    EXPECT_EQ(TruncToInt(2.7L), 2);
    EXPECT_EQ(TruncToInt(1e20L), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TruncToInt(-1e20L), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncToInt(std::numeric_limits<long double>::infinity()),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TruncToInt(std::nanl("")), 0);
    EXPECT_EQ(RoundToInt(2.5L), 3);
    EXPECT_EQ(RoundToInt(-2.5L), -3);
    EXPECT_EQ(RoundToInt(-2.4L), -2);
    EXPECT_EQ(RoundToInt(24.6L), 25);
}

// --- Temperature curves ------------------------------------------------------

TTempCurve gas(int type) {
    return *TTempCurve::GasSensor(type);
}

TEST(TempCurve, GasTypeZeroWorkedValues) {
    const TTempCurve c = gas(0);
    EXPECT_EQ(c.count, 48);
    EXPECT_EQ(c.points[16], 127); // 255 x 1 / 2 at 25 C
    EXPECT_EQ(c.TempToRaw(25.0f), 127);
    EXPECT_DOUBLE_EQ(double(c.RawToTemp(127)), 25.0);
    EXPECT_EQ(c.TempToRaw(-100.0f), 255); // 261 before the clamp
    EXPECT_EQ(c.TempToRaw(176.0f), 2);    // the last two points are both 2
    EXPECT_EQ(c.TempToRaw(1000.0f), 2);
    // Beyond both ends the first and last segments go on.
    EXPECT_LT(c.RawToTemp(255), -55.0L);
    EXPECT_DOUBLE_EQ(double(c.RawToTemp(255)), -70.0); // 3 past the first point, 1 per 5 C
    // The last segment is flat (2, 2): below it the curve gives its middle.
    EXPECT_DOUBLE_EQ(double(c.RawToTemp(0)), 177.5);
    // The 1k sensor ends at 120 C on 14, 13: raw 10 lies 3 segments further.
    EXPECT_DOUBLE_EQ(double(gas(1).RawToTemp(10)), 135.0);
}

TEST(TempCurve, SensorTypesFromTheirResistanceTables) {
    struct Case {
        int type;
        int count;
        int first;
        int point;
        int32_t raw;
    };
    const Case cases[] = {
        {0, 48, -55, 0, 252}, {0, 48, -55, 47, 2},   {1, 27, -10, 0, 209}, {1, 27, -10, 7, 127},
        {2, 35, -40, 0, 243}, {2, 35, -40, 13, 123}, {2, 35, -40, 34, 9},
    };
    for (const Case& k : cases) {
        const TTempCurve c = gas(k.type);
        EXPECT_EQ(c.count, k.count) << "type " << k.type;
        EXPECT_EQ(c.first, k.first) << "type " << k.type;
        EXPECT_EQ(c.points[k.point], k.raw) << "type " << k.type << " point " << k.point;
    }
    EXPECT_FALSE(TTempCurve::GasSensor(3));
    EXPECT_FALSE(TTempCurve::GasSensor(-1));
    EXPECT_TRUE(TTempCurve::DefaultEngine().SameAs(gas(0)));
}

// Raw -> degrees -> raw gives the raw byte back on every curve.
TEST(TempCurve, RawDegreesRawIsTheIdentity) {
    for (int type = 0; type < 3; ++type) {
        const TTempCurve c = gas(type);
        for (int32_t raw = c.points[c.count - 1]; raw <= 255; ++raw)
            EXPECT_EQ(c.TempToRaw(float(c.RawToTemp(raw))), raw) << "type " << type;
    }
}

TEST(TempCurve, UnitCurveOnlyFromUsableParameters) {
    const int32_t points[30] = {231, 224, 216, 206, 195, 183, 170, 156, 142, 128,
                                114, 101, 89,  78,  68,  59,  51,  44,  38,  33,
                                29,  25,  22,  19,  16,  14,  12,  11,  10,  8};
    struct Case {
        int32_t params[5];
        bool usable;
    };
    const Case cases[] = {
        {{18, 92, 5, -20, 30}, true},  {{18, 92, 5, -20, 2}, true},   {{18, 92, 5, -20, 1}, false},
        {{18, 92, 5, -20, 31}, false}, {{18, 92, 0, -20, 30}, false}, {{18, 92, 5, -20, 0}, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(TTempCurve::FromUnit(k.params, points).has_value(), k.usable)
            << "points " << k.params[4] << " step " << k.params[2];

    const TTempCurve c = *TTempCurve::FromUnit(cases[0].params, points);
    EXPECT_EQ(c.b, 18 * 256 + 92);
    EXPECT_DOUBLE_EQ(double(c.RawToTemp(128)), 25.0); // point 9: -20 + 9 x 5
    EXPECT_EQ(c.TempToRaw(25.0f), 128);
    EXPECT_EQ(c.TempToRaw(-40.0f), 255); // 231 + 4 x 7 = 259, clamped
    EXPECT_EQ(c.TempToRaw(200.0f), 0);   // falls on past the last point
    // A two-point curve interpolates and extrapolates without reading past it.
    const int32_t two[5] = {0, 0, 10, 0, 2};
    const TTempCurve t = *TTempCurve::FromUnit(two, points);
    EXPECT_DOUBLE_EQ(double(t.RawToTemp(224)), 10.0);
    EXPECT_EQ(t.TempToRaw(30.0f), 210);
}

} // namespace
