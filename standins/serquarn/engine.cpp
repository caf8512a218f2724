#include "engine.h"

#include <algorithm>
#include <cmath>

namespace serquarn {

namespace {

constexpr int kIdleRpm = 820;
constexpr uint32_t kCycleMs = 60000;
constexpr uint32_t kChangeOverMs = 6000; // running time before the kit goes on gas
constexpr uint32_t kClosedLoopMs = 10000;

// One minute of the default scenario: rpm moves linearly inside each segment.
struct Segment {
    uint32_t fromMs, toMs;
    int rpmFrom, rpmTo;
};
constexpr Segment kCycle[] = {
    {0, 8000, 0, 0}, // key on, engine stopped
    {8000, 30000, kIdleRpm, kIdleRpm},
    {30000, 32000, kIdleRpm, 2000},
    {32000, 45000, 2000, 2000},
    {45000, 47000, 2000, kIdleRpm}, // released throttle: cut-off
    {47000, kCycleMs, kIdleRpm, kIdleRpm},
};
constexpr uint32_t kCycleStartMs = 8000;

// Probe voltages per lambda type: lean, rich, cold.
struct Probe {
    int code;
    double lean, rich, cold;
};
constexpr Probe kProbes[] = {
    {2, 0.12, 0.80, 0.45}, {40, 0.6, 4.2, 2.5},  {25, 4.2, 0.6, 2.5},
    {4, 0.95, 1.45, 1.2},  {136, 2.4, 2.6, 2.5},
};

const Probe& probeOf(int lambdaType) {
    const int code = lambdaType & ~0x40;
    for (const Probe& p : kProbes)
        if (p.code == code)
            return p;
    return kProbes[0];
}

struct Speed {
    double rpm;
    uint32_t runMs; // time since the engine started
    bool falling;
};

Speed cycleSpeed(uint32_t t) {
    const uint32_t c = t % kCycleMs;
    for (const Segment& s : kCycle) {
        if (c < s.fromMs || c >= s.toMs)
            continue;
        const double f = double(c - s.fromMs) / double(s.toMs - s.fromMs);
        const uint32_t run = s.rpmFrom == 0 && s.rpmTo == 0 ? 0 : c - kCycleStartMs;
        return {s.rpmFrom + (s.rpmTo - s.rpmFrom) * f, run, s.rpmTo < s.rpmFrom};
    }
    return {0, 0, false};
}

Speed speedOf(const EngineInputs& in) {
    const uint32_t t = in.elapsedMs;
    if (in.calibrationRpm > 0)
        return {double(in.calibrationRpm), kCycleMs + t, false};
    switch (in.mode) {
    case EngineMode::Stopped:
        return {0, 0, false};
    case EngineMode::Idle:
        return {double(kIdleRpm), t, false};
    case EngineMode::Rpm2000:
        return {2000, t, false};
    case EngineMode::Cycle:
        break;
    }
    return cycleSpeed(t);
}

double warming(double from, double to, double t, double tau) {
    return from + (to - from) * (1.0 - std::exp(-t / tau));
}

int byteOf(double v) {
    return std::clamp(int(std::lround(v)), 0, 255);
}
int voltByte(double volts) {
    return byteOf(volts * 255.0 / 5.0);
}

void put16(uint8_t* p, int v) {
    p[0] = uint8_t(v & 0xff);
    p[1] = uint8_t((v >> 8) & 0xff);
}

int clockUnits(double ms, int clock) {
    const double unit = (clock > 0 ? clock : 2560) * 0.00025 * 0.004;
    return std::clamp(int(ms / unit), 0, 0xffff);
}

// Manifold pressure byte as the unit's own sensor reports it.
int manifoldByte(double mbar) {
    return byteOf((mbar / 10.0 - 10.0) * 1.02);
}

// The external MAP sensor: 0.5 V at vacuum, 4 V more over 2.6 bar.
int externalMapByte(double mbar) {
    return voltByte(0.5 + mbar * 4.0 / 2600.0);
}

} // namespace

int sensorRaw(double celsius) {
    const double r = std::exp(3950.0 * (1.0 / (celsius + 273.15) - 1.0 / 298.15));
    return std::clamp(int(255.0 * r / (r + 1.0)), 1, 254);
}

EngineState engineAt(const EngineInputs& in) {
    EngineState s;
    const Speed sp = speedOf(in);
    const double t = in.elapsedMs;
    s.running = sp.rpm > 0;
    s.gasTempC = warming(20, 75, t, 180000);
    s.coolantC = warming(20, 88, t, 240000);
    if (!s.running) {
        s.lambda1V = s.lambda2V = probeOf(in.lambdaType).cold;
        return s;
    }
    const double wobble = sp.rpm > 1500 ? 15.0 : 25.0;
    s.rpm = int(sp.rpm + wobble * std::sin(t / 700.0));
    s.cutOff = sp.falling;
    s.onGas = sp.runMs >= kChangeOverMs && !in.forcedPetrol;
    s.closedLoop = s.onGas && sp.runMs >= kClosedLoopMs && !s.cutOff;
    s.manifoldMbar = std::max(250.0, 350.0 - (s.rpm - kIdleRpm) * 0.04);

    const Probe& probe = probeOf(in.lambdaType);
    const uint32_t period = s.rpm > 1500 ? 800 : 1200;
    const auto probeAt = [&](uint32_t shift) {
        if (!s.closedLoop)
            return probe.rich;
        return ((in.elapsedMs + shift) % period) < period / 2 ? probe.rich : probe.lean;
    };
    s.lambda1V = probeAt(0);
    s.lambda2V = probeAt(period / 3);

    s.petrolMs = s.cutOff ? 0.0 : 2.9 - (s.rpm - kIdleRpm) * 0.0003 + 0.15 * std::sin(t / 1100.0);
    s.gasMs = s.onGas ? s.petrolMs * 1.22 : 0.0;
    s.gasPressureMbar = s.onGas ? int(1100 + 30 * std::sin(t / 900.0)) : 0;
    return s;
}

std::array<uint8_t, kBlock1Size> realTimeBlock1(const EngineState& s, const EngineInputs& in) {
    std::array<uint8_t, kBlock1Size> b{};
    put16(&b[0], s.rpm);
    b[2] = uint8_t(voltByte(s.lambda1V));
    b[3] = uint8_t(in.internalMap ? manifoldByte(s.manifoldMbar) : externalMapByte(s.manifoldMbar));
    put16(&b[6], clockUnits(s.gasMs, in.clock));
    put16(&b[8], clockUnits(s.petrolMs, in.clock));
    int status = 0;
    status |= (s.running && !s.closedLoop) ? 0x02 : 0;
    status |= s.cutOff ? 0x04 : 0;
    status |= s.onGas ? 0x10 : 0;
    status |= s.closedLoop ? 0x20 : 0;
    status |= (s.closedLoop && in.secondBank) ? 0x40 : 0;
    b[11] = uint8_t(status);
    // An open sensor reads as the pull-up alone.
    b[12] = uint8_t(in.sensorAOpen ? 255 : sensorRaw(s.gasTempC));
    put16(&b[14], s.gasPressureMbar);
    b[16] = uint8_t(in.sensorBOpen ? 255 : sensorRaw(s.coolantC));
    if (in.secondBank) {
        b[21] = uint8_t(voltByte(s.lambda2V));
        put16(&b[24], clockUnits(s.gasMs * 1.03, in.clock));
        put16(&b[28], clockUnits(s.petrolMs * 1.03, in.clock));
    }
    return b;
}

std::array<uint8_t, kBlock2Size> realTimeBlock2(const EngineState& s) {
    std::array<uint8_t, kBlock2Size> b{};
    put16(&b[0], s.rpm);
    b[2] = uint8_t((s.running ? 0x80 : 0) | (s.onGas ? 0x10 : 0));
    b[3] = uint8_t(manifoldByte(s.manifoldMbar));
    b[4] = uint8_t(externalMapByte(s.manifoldMbar));
    return b;
}

} // namespace serquarn
