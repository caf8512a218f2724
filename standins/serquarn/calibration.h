#pragma once
// The unit's automatic calibration: started by command 19, its state code
// climbs with the platform clock through the phases up to 12, when the unit
// has worked out a new map and zone corrections.
#include "memory.h"

#include <cstdint>

namespace serquarn {

constexpr int kCalibrationDone = 12;

class Calibration {
public:
    void setStepMs(uint32_t ms) { stepMs_ = ms; }
    void start(uint32_t now);
    void stop();
    bool running() const { return running_; }
    // State code at a moment: 0 while idle, 12 once finished.
    int stateAt(uint32_t now) const;
    // True once, at the first moment the calibration is found finished.
    bool reachEnd(uint32_t now);
    // Phases in which the installer holds the engine at the calibration speed.
    bool holdsSpeed(uint32_t now) const;

private:
    bool running_ = false;
    bool finished_ = false;
    uint32_t startedAt_ = 0;
    uint32_t stepMs_ = 1500;
};

// What the calibration leaves in the unit: map cells moved zone by zone
// around their old value (an empty map starts from 1.0) and the mean change
// of each zone as its correction.
void applyCalibrationResult(UnitMemory& memory);

} // namespace serquarn
