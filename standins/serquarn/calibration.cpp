#include "calibration.h"

#include <algorithm>
#include <cmath>

namespace serquarn {

namespace {

constexpr int kUnitCell = 128; // coefficient 1.0
constexpr int kZoneColumns = 4;

int zoneRowOf(int row) {
    return std::min(row / 3, 3);
}
int zoneColumnOf(int column) {
    return column == 0 ? 0 : 1;
}

int deltaAt(int row, int column) {
    return int(std::lround(5.0 * std::sin(0.8 * row + 0.3) + 3.0 * std::cos(1.1 * column)));
}

} // namespace

void Calibration::start(uint32_t now) {
    running_ = true;
    finished_ = false;
    startedAt_ = now;
}

void Calibration::stop() {
    running_ = false;
    finished_ = false;
}

int Calibration::stateAt(uint32_t now) const {
    if (finished_)
        return kCalibrationDone;
    if (!running_)
        return 0;
    if (stepMs_ == 0)
        return kCalibrationDone;
    return int(std::min<uint32_t>((now - startedAt_) / stepMs_, kCalibrationDone));
}

bool Calibration::reachEnd(uint32_t now) {
    if (!running_ || stateAt(now) < kCalibrationDone)
        return false;
    running_ = false;
    finished_ = true;
    return true;
}

bool Calibration::holdsSpeed(uint32_t now) const {
    const int s = stateAt(now);
    return running_ && s >= 2 && s <= 10;
}

void applyCalibrationResult(UnitMemory& memory) {
    const Geometry g = memory.geometry();
    int sum[16] = {}, count[16] = {};
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.columns; ++c) {
            const int index = r * g.columns + c;
            const int old = memory.peek(kMap, index).value_or(0);
            const int delta = deltaAt(r, c);
            memory.poke(kMap, index, std::clamp((old ? old : kUnitCell) + delta, 0, 255));
            const int zone = zoneRowOf(r) * kZoneColumns + zoneColumnOf(c);
            sum[zone] += delta;
            ++count[zone];
        }
    for (int zone = 0; zone < 16; ++zone)
        if (count[zone])
            memory.poke(kZoneCorrections, zone,
                        std::clamp(int(std::lround(double(sum[zone]) / count[zone])), -128, 127));
}

} // namespace serquarn
