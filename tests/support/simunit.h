#pragma once
// Test-side controls of the simulated control unit: loads "SerQuarnDL.dll" by
// name (the same library instance the program's link component uses) and
// wraps its SimUnit_ exports.
//
//   SimUnit sim;
//   sim.reset();                 // fresh unit, memory in a temporary folder
//   sim.refuseWritesTo(0x54);
//   ... run the code under test ...
//   EXPECT_EQ(sim.countCalls("WriteParamCell(0x54,"), 1);
#include "core/serialecu.h"

#include <QTemporaryDir>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SimUnit {
public:
    enum class Engine { Cycle = 0, Stopped = 1, Idle = 2, Rpm2000 = 3 };

    SimUnit();
    ~SimUnit();
    SimUnit(const SimUnit&) = delete;
    SimUnit& operator=(const SimUnit&) = delete;

    bool loaded() const { return module_ != nullptr; }

    // A fresh unit, settings from the environment, an empty call log. With
    // no path the memory file lives in a temporary folder of this object.
    void reset(const std::string& memoryPath = {});
    // The same with the memory file a freshly started program would use:
    // SERQUARN_SIM_MEMORY, else the user's data folder.
    void resetFromEnvironment();
    // A fresh unit that answers at once: no line time, no reconnection or
    // readiness delay, pressure coefficients of the given width.
    void resetAnsweringAtOnce(int paramWidth);
    std::string memoryPath() const;
    // Takes the memory file as it now is, e.g. after a child process that
    // ran the program on it (SERQUARN_SIM_MEMORY) has ended.
    void reload();
    // The text form of SERQUARN_SIM_FAULTS; false when a key was not understood.
    bool applyFaults(const std::string& text);

    void setModel(int model);
    void setAbsent(bool on = true);
    void refuseAllWrites(bool on = true);
    void refuseWritesTo(int param, bool on = true);
    // Reads of the parameter answer false; the link stays open.
    void refuseReadsOf(int param, bool on = true);
    void refuseCommand(int command, bool on = true);
    // The k-th exchange with the unit from now fails (1 = the next), and
    // the ones right after it, `times` in all (a read and its retry).
    void failCall(int k, int times = 1);
    // n more exchanges work, then the link is lost until Reconnect.
    void dropAfter(int n);
    void setReconnectDelay(int ms);
    void setReadyDelay(int ms);
    void setNeverReady(bool on = true);
    // The next `times` programmings answer status; 0 times: all of them.
    void setProgramStatus(int status, int times = 0);
    // The next `times` programmings lose the link half-way (-1, nothing erased).
    void setProgramLinkLost(int times = 1);
    // Only the boot loader answers until a programming succeeds.
    void setBootLoaderOnly(bool on = true);
    // After a programming, Reconnect answers 0 `times` times; -1 always.
    void setReconnectFailsAfterProgram(int times);
    // The k-th ReadEcuId from now fails (1 = the next).
    void failEcuId(int k);
    void refuseOfflineWrites(bool on = true);
    // The firmware's version bytes: major << 8 | minor.
    int firmwareVersion() const;
    void setParamWidth(int width);
    void setCalibrationRefusal(int flags);
    void setCalibrationStep(int ms);
    // Refusal flags reported once the calibration reaches `state`.
    void setCalibrationRefusalAt(int flags, int state);
    // While running, state queries answer `code`; nullopt: the real state.
    void setCalibrationStateCode(std::optional<int> code);
    // The next n state queries (command 20) fail.
    void failCalibrationQueries(int n);
    // The condition of diagnosis row 0..12 holds while on.
    void setDiagnosisCondition(int row, bool on = true);
    // Injectors in fault, bit i for injector i + 1.
    void setInjectorFaults(int gasMask, int petrolMask);
    // An open temperature sensor: 12 or 16, the real-time byte it shows in.
    void setSensorOpen(int sensor, bool on = true);
    bool setMapGeometry(int columns, int rows);
    void setEngine(Engine mode);
    void setPort(int port);
    void setBaud(int baud);
    void setRealTimeLength(int n);
    // The next n block reads fail, the link staying open.
    void failRealTimeReads(int n);
    // The block answers these bytes from now on, queued readings dropped;
    // empty: the live engine again.
    void freezeRealTime(int block, const std::vector<uint8_t>& bytes);
    // One reading for one read, after those already queued, as long as it
    // is; then the frozen or live data again.
    void queueRealTime(int block, const std::vector<uint8_t>& bytes);
    // Block 2 with its speed, status, pressure byte and MAP sensor byte.
    static std::vector<uint8_t> Block2(int rpm, int status, int pressure, int sensor);

    // Memory as the unit holds it: element index over the rows, the unit's
    // own signedness.
    std::optional<int> peek(int param, int index = 0) const;
    std::vector<int> peekAll(int param) const;
    // peekAll of each parameter, in the order given: a snapshot to compare.
    std::vector<std::vector<int>> peekEach(std::initializer_list<int> params) const;
    bool poke(int param, int index, int value);
    std::string serialNumber() const;
    int stateFlags() const;
    void setNeverConfigured(bool on = true);
    bool unitConnected() const;
    bool unitReady() const;
    int calibrationState() const;

    // "Name(args)=result" per operation, ids in hex, oldest first.
    std::vector<std::string> callLog() const;
    // The operation's name of an entry of the call log.
    static std::string CallName(const std::string& entry);
    // Whether the entry is an exchange with the unit, as failCall and
    // dropAfter count them.
    static bool IsExchange(const std::string& entry);
    int countCalls(const std::string& prefix) const;
    // Also starts a new count of lineBytes.
    void clearCallLog();
    // Bytes put on the line, requests and answers, since the log was cleared.
    long long lineBytes() const;

    struct Program {
        std::vector<uint8_t> payload;
        std::string md5;
    };
    std::optional<Program> lastProgram() const;

    // Link objects straight from the library, for tests of the unit itself.
    TSerialEcuLink* createLink();
    void destroyLink(TSerialEcuLink* link);

private:
    template <typename R, typename... A> R call(const char* name, A... args) const;
    std::string text(const char* name) const;

    void* module_ = nullptr; // an OS handle of its own: see simunit.cpp
    std::unique_ptr<QTemporaryDir> tempDir_;
};
