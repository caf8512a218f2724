#pragma once
// The engine the simulated unit is fitted to: a few plausible values that move
// with the platform clock, and the two real-time blocks built from them.
#include <array>
#include <cstdint>

namespace serquarn {

enum class EngineMode : uint8_t {
    Cycle,   // key on, idle, 2000 rpm, back to idle, every minute
    Stopped, // key on, engine not turning
    Idle,
    Rpm2000,
};

struct EngineInputs {
    uint32_t elapsedMs = 0; // since the scenario began
    EngineMode mode = EngineMode::Cycle;
    int calibrationRpm = 0; // above 0 while the calibration holds the engine there
    int clock = 2560;       // the unit's clock parameter
    int lambdaType = 2;     // TipoDiLambda
    bool secondBank = true;
    bool forcedPetrol = false; // a latched check keeps the engine off gas
    bool sensorAOpen = false;  // the temperature sensor of block byte 12
    bool sensorBOpen = false;  // that of block byte 16
    // Option bit 12: the unit's own MAP sensor, else the external one
    // feeds block 1's MAP byte.
    bool internalMap = true;
};

struct EngineState {
    int rpm = 0;
    bool running = false;
    bool onGas = false;
    bool closedLoop = false;
    bool cutOff = false;
    double manifoldMbar = 1013;
    double lambda1V = 0;
    double lambda2V = 0;
    double petrolMs = 0;
    double gasMs = 0;
    double gasTempC = 20;
    double coolantC = 20;
    int gasPressureMbar = 0;
};

constexpr int kBlock1Size = 34;
constexpr int kBlock2Size = 30;

EngineState engineAt(const EngineInputs& in);
std::array<uint8_t, kBlock1Size> realTimeBlock1(const EngineState& s, const EngineInputs& in);
std::array<uint8_t, kBlock2Size> realTimeBlock2(const EngineState& s);

// Raw byte of the temperature sensors (4k7 NTC on a 4k7 pull-up).
int sensorRaw(double celsius);

} // namespace serquarn
