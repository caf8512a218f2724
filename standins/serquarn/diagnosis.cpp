#include "diagnosis.h"

#include <algorithm>

namespace serquarn {

namespace {

constexpr uint8_t kStates = 0x39;
constexpr uint8_t kEnables = 0x3a;
constexpr uint8_t kActions = 0x31;
constexpr uint8_t kThresholds = 0x51;
constexpr uint8_t kGasTime = 0x3b;
constexpr uint8_t kPetrolTime = 0x3c;
constexpr int kOpenSensor = 255;
// The reducer's pressure band on gas.
constexpr int kPressureLowMbar = 700;
constexpr int kPressureHighMbar = 1800;

int peek(const UnitMemory& m, uint8_t param, int index) {
    return m.peek(param, index).value_or(0);
}

uint32_t bit(int row, bool on) {
    return on ? 1u << row : 0u;
}

int actionOf(const UnitMemory& m, int row) {
    int code = 0;
    for (int k = 0; k < 3; ++k)
        code |= (peek(m, kActions, k * 3 + row / 8) >> (row % 8) & 1) << k;
    return code;
}

} // namespace

uint32_t diagnosisConditions(const EngineState& s, const std::array<uint8_t, kBlock1Size>& block,
                             const UnitMemory& memory, const Settings& settings) {
    // Raw sensor bytes: higher is colder; thresholds 0-1 go with the byte-12
    // sensor, 2-3 with the byte-16 one.
    const int sensorA = block[12], sensorB = block[16];
    const auto threshold = [&](int i) { return peek(memory, kThresholds, i); };
    uint32_t c = 0;
    c |= bit(1, s.running && (peek(memory, kGasInjectorFaults, 0) & 0xff) != 0);
    c |= bit(2, s.onGas && s.gasPressureMbar < kPressureLowMbar);
    c |= bit(3, s.onGas && s.gasPressureMbar > kPressureHighMbar);
    c |= bit(4, sensorA >= kOpenSensor);
    c |= bit(5, sensorA > threshold(0));
    c |= bit(6, sensorA < threshold(1));
    c |= bit(7, sensorB >= kOpenSensor);
    c |= bit(8, sensorB > threshold(2));
    c |= bit(9, sensorB < threshold(3));
    c |= bit(12, s.running && (peek(memory, kPetrolInjectorFaults, 0) & 0xff) != 0);
    for (int row : settings.diagnosisRows)
        if (row >= 0 && row < kDiagnosisRows)
            c |= 1u << row;
    return c;
}

bool latchDiagnosis(UnitMemory& memory, uint32_t conditions) {
    bool changed = false;
    for (int w = 0; w * 8 < kDiagnosisRows; ++w) {
        const int held = int(conditions >> (w * 8) & 0xff) & peek(memory, kEnables, w);
        const int state = peek(memory, kStates, w);
        if ((state | held) != state) {
            memory.poke(kStates, w, state | held);
            changed = true;
        }
    }
    return changed;
}

bool diagnosisForcesPetrol(const UnitMemory& memory) {
    for (int row = 0; row < kDiagnosisRows; ++row) {
        const bool latched = peek(memory, kStates, row / 8) >> (row % 8) & 1;
        const int action = actionOf(memory, row);
        if (latched && (action == 1 || action == 2))
            return true;
    }
    return false;
}

void RunningTimes::add(UnitMemory& memory, bool onGas, uint32_t ms) {
    const int clock = std::max(peek(memory, kClock, 0), 1);
    const uint64_t unitMs = uint64_t(clock * 0.00025 * 20.0 * 60000.0);
    uint64_t& carry = onGas ? gasMs_ : petrolMs_;
    const uint8_t param = onGas ? kGasTime : kPetrolTime;
    carry += ms;
    if (unitMs == 0 || carry < unitMs)
        return;
    const int counts = int(std::min<uint64_t>(carry / unitMs, 0xffff));
    carry %= unitMs;
    memory.poke(param, 0, std::min(peek(memory, param, 0) + counts, 0xffff));
}

} // namespace serquarn
