#pragma once
// How the simulated unit behaves: its model, delays and the faults a test
// asks for. Filled from defaults, then from SERQUARN_SIM_BAUD and
// SERQUARN_SIM_FAULTS, then changed by the SimUnit_ control calls.
#include "engine.h"
#include "memory.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace serquarn {

struct Settings {
    int model = 30;
    bool absent = false;
    bool refuseAllWrites = false;
    std::set<int> refusedParams;
    std::set<int> refusedReads; // parameters whose reads the unit refuses
    std::set<int> refusedCommands;
    int failCall = 0;   // the k-th exchange from now fails; 0 none
    int failTimes = 1;  // and so do the ones right after it, this many in all
    int dropAfter = -1; // exchanges that still work before the link is lost; -1 never
    uint32_t reconnectDelayMs = 300;
    uint32_t readyDelayMs = 500;
    bool neverReady = false;
    int programStatus = 0;
    int programTimes = 0; // programmings answered with that status; 0 every one
    int programLost = 0;  // programmings that lose the link half-way
    // Only the boot loader answers (programming alone) until a programming succeeds.
    bool bootLoaderOnly = false;
    // Reconnections refused after a programming: k times; -1 always.
    int reconnectFailsAfterProgram = 0;
    int failEcuId = 0;                // the k-th identification read from now fails; 0 none
    bool refuseOfflineWrites = false; // writes while the link is closed are refused
    int paramWidth = 1;               // width of CoeffPressDiff
    int calibrationFlags = 0;
    int calibrationFlagsAt = 0;          // state from which the flags are reported
    std::optional<int> calibrationState; // state code answered in place of the real one
    int calibrationQueryFails = 0;       // state queries (command 20) that still fail
    uint32_t calibrationStepMs = 1500;
    // Diagnosis: rows whose condition holds by fault, the injectors in fault
    // (bit i: injector i + 1) and the temperature sensors left open (12 the
    // sensor of real-time byte 12, 16 that of byte 16).
    std::set<int> diagnosisRows;
    int gasInjectorFaults = 0;
    int petrolInjectorFaults = 0;
    std::set<int> openSensors;
    Geometry geometry;
    EngineMode engine = EngineMode::Cycle;
    int port = 1;
    int baud = 9600;              // 0: no time spent on the line
    int realTimeLength = 0;       // bytes a block read delivers at most; 0 the whole block
    int failRealTimeReads = 0;    // block reads that still fail, the link staying open
    bool neverConfigured = false; // marks the loaded memory never configured
};

// Applies "key=value;key;..." (see the keys in settings.cpp). Returns false
// when a key is unknown or a value unreadable; the others are applied.
bool applyFaultText(Settings& s, const std::string& text, std::string* problems = nullptr);

// Defaults, then the environment.
Settings settingsFromEnvironment();

} // namespace serquarn
