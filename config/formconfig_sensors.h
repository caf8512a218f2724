#pragma once
// What the temperature page and the cylinder combo work out, apart from the
// window: the engine sensor's points (a raw byte of the sensor against its
// pull-up to the 5 V reference) and the items of the cylinder list.
#include <cstdint>
#include <optional>

namespace sensors {

// Column 2 of the characteristic: volts; column 3: the sensor's resistance.
constexpr int kVoltsColumn = 2;
constexpr int kOhmsColumn = 3;

double PointVolts(int32_t raw);
// 0 for a raw 255 (no resistance left to measure) and for anything beyond.
int64_t PointOhms(int32_t raw, int32_t pullUp);
// The value the point editor proposes for the live reading.
double ProposedValue(int column, int32_t live, int32_t pullUp);

// The raw point for value v typed in mode (0 absolute, 1 linear, 2
// percentage) over the stored point; limited to 0..255. None when v or the
// result is no number (a resistance that makes the divider infinite).
std::optional<int32_t> PointFromEntry(int column, uint8_t mode, double v, int32_t stored,
                                      int32_t pullUp);

// The points from tMin up to below tMax by step, at most 30; a tMax not
// above tMin takes one step. None for a step below 1.
std::optional<int32_t> PointCount(int tMin, int tMax, int step);
// The TMax the page shows for the stored points.
int ShownTMax(int tMin, int step, int points);

// ComboCilindri: 3, 4, 5, 6 and 8 cylinders are items 0..4; -1 for others.
int CylinderItem(int cylinders);
// The count of an item; 0 for an item outside the list.
int CylindersOfItem(int item);

} // namespace sensors
