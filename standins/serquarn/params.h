#pragma once
// The parameters the simulated control unit holds: number, shape, element
// width and signedness, as the program's parameter ids describe them. Kept
// as one table so memory, persistence and id checks agree.
#include <cstdint>

namespace serquarn {

enum class Shape : uint8_t {
    Plain,        // rows x columns as the table gives them
    Map,          // the carburation map: the unit's own geometry, fixed storage
    VariableWidth // CoeffPressDiff: element width chosen per unit
};

enum class Access : uint8_t { ReadWrite, ReadOnly };

struct ParamSpec {
    uint8_t number;
    uint8_t rows;    // 1 for scalars and one-dimensional arrays
    uint8_t columns; // elements per row
    uint8_t width;   // bytes per element: 1 or 2
    bool isSigned;   // how the unit itself reports the value (peek)
    Access access;
    Shape shape;
    const char* name;
};

// Storage of the map: the largest geometry the unit can be given.
constexpr int kMapMaxRows = 16;
constexpr int kMapMaxColumns = 16;

// Parameters with a meaning of their own inside the unit.
constexpr uint8_t kSerialNumber = 0x00;
constexpr uint8_t kStateFlags = 0x01;
constexpr uint8_t kReadyCode = 0x02;
constexpr uint8_t kTpsType = 0x1a;
constexpr uint8_t kMap = 0x54;
constexpr uint8_t kClock = 0x79;
// The program's diagnosis register and the count of the unit's restarts.
constexpr uint8_t kDiagnosisRegister = 0x43;
constexpr uint8_t kRestartCount = 0x44;
// Bits of the diagnosis register: the cause of the last start.
constexpr int kStartPowerOn = 0x01;
constexpr int kStartCommanded = 0x02;
constexpr uint8_t kPressureCoefficients = 0x7c;
constexpr uint8_t kLambdaType = 0x04;
constexpr uint8_t kFlags = 0x03;
constexpr uint8_t kZoneCorrections = 0x95;
constexpr uint8_t kCalibrationRpm = 0x96;
constexpr uint8_t kGasInjectorFaults = 0x4d;
constexpr uint8_t kPetrolInjectorFaults = 0x5e;

constexpr int kSerialLength = 20;
constexpr int kReadyValue = 0xAC;
constexpr int kDefaultClock = 2560;

// The description of a parameter number, null when the unit has no such parameter.
const ParamSpec* findParam(unsigned number);
// Every parameter, in table order.
const ParamSpec* paramsBegin();
const ParamSpec* paramsEnd();

} // namespace serquarn
