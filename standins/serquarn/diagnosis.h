#pragma once
// The unit's own diagnosis: each check latches its bit in the state words
// while its condition holds and the check is enabled, until the bit is
// written 0; a latched check whose action is 1 or 2 keeps the engine on
// petrol. Also the running times on each fuel.
#include "engine.h"
#include "memory.h"
#include "settings.h"

#include <cstdint>

namespace serquarn {

constexpr int kDiagnosisRows = 13;

// Bit r: the condition of check row r holds in this reading of the engine.
uint32_t diagnosisConditions(const EngineState& s, const std::array<uint8_t, kBlock1Size>& block,
                             const UnitMemory& memory, const Settings& settings);
// Sets the bits of the enabled checks whose condition holds; true when a
// state word changed.
bool latchDiagnosis(UnitMemory& memory, uint32_t conditions);
// A latched check asks for petrol (action 1 change-over, 2 forced).
bool diagnosisForcesPetrol(const UnitMemory& memory);

// Counts the time the engine runs on each fuel into the unit's two words,
// one count per unit of the slow time base (clock x 0.00025 x 20 minutes).
class RunningTimes {
public:
    // Time on gas or on petrol since the last call.
    void add(UnitMemory& memory, bool onGas, uint32_t ms);

private:
    uint64_t gasMs_ = 0;
    uint64_t petrolMs_ = 0;
};

} // namespace serquarn
