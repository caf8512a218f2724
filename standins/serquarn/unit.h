#pragma once
// The simulated control unit behind every link object of the library: its
// memory (kept in a file between runs), the connection and readiness model,
// the commands, the live engine, programming, faults and the call log.
// Everything runs on the caller's thread, like the program's link calls.
#include "calibration.h"
#include "diagnosis.h"
#include "engine.h"
#include "memory.h"
#include "settings.h"

#include "core/serialecu.h"

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace serquarn {

class SimulatedUnit {
public:
    static SimulatedUnit& instance();
    ~SimulatedUnit();

    // Link objects handed out by the library's create export.
    TSerialEcuLink* createLink();
    bool destroyLink(TSerialEcuLink* link);

    // A fresh unit, settings from the environment, an empty call log. An
    // empty path takes SERQUARN_SIM_MEMORY or the user's data folder.
    void reset(const std::string& memoryPath);
    Settings& settings() { return settings_; }
    // Takes settings changed from outside into the memory and the model.
    void applySettings();
    bool applyFaults(const std::string& text);
    void setEngine(EngineMode mode);
    // Drops the block's queued readings too.
    void freezeRealTime(int block, const uint8_t* bytes, int length);
    // One reading of the block, delivered as long as it is, for the next
    // read after those already queued; then the frozen or live data again.
    void queueRealTime(int block, const uint8_t* bytes, int length);

    // Connection.
    bool connect();
    int reconnect();
    bool close();
    int isConnected() const { return state_ == LinkState::Open ? 1 : 0; }
    bool ready();

    // Exchanges with the unit.
    bool readParam(uint32_t id, int32_t* values);
    bool readParamRow(uint32_t id, int32_t* values, int row);
    // op(apply) does the write on the memory; apply false only checks it.
    bool write(uint32_t id, int requestBytes, const std::function<bool(bool)>& op);
    bool sendCommand(int command, uint8_t* bytes, int length, int capacity);
    bool readEcuId(uint8_t* id4);
    bool readRealTimeBlock(int block, uint8_t* bytes, int* length);
    // Programming is taken only between these two.
    bool beginProgramming();
    bool endProgramming();
    int programImage(const uint8_t* buffer);
    int programFile(const char* path);
    int8_t paramWidth(int param) const;
    int port() const { return settings_.port; }

    // Test access.
    UnitMemory& memory() { return memory_; }
    // Stores memory changed from outside at once.
    void memoryChanged();
    // Takes the memory file as it now is, dropping changes not yet stored.
    void reload();
    void setNeverConfigured(bool on);
    int calibrationState() { return calibration_.stateAt(now()); }
    const std::string& memoryPath() const { return memoryPath_; }
    bool hasProgram() const { return hasProgram_; }
    const QByteArray& lastProgram() const { return lastProgram_; }
    const std::deque<std::string>& callLog() const { return log_; }
    // Clearing the log also starts a new count of the bytes on the line.
    void clearCallLog() {
        log_.clear();
        lineBytes_ = 0;
    }
    // Bytes sent and received on the line since the log was cleared, whether
    // or not the line-speed model is on.
    uint64_t lineBytes() const { return lineBytes_; }
    void log(std::string entry);

private:
    enum class LinkState { Closed, Open, Lost };
    enum class Route { Unit, Offline, Fail };

    SimulatedUnit();
    static uint32_t now();
    void update();
    Route route();
    bool faultHits();
    void lose();
    void restart();
    void commandedRestart();
    void transmit(int requestBytes, int answerBytes);
    bool writesRefused(uint32_t id) const;
    bool readsRefused(uint32_t id) const;

    void freshMemory();
    void load();
    void flush();
    bool save();
    void openLogFile();

    EngineInputs engineInputsAt(uint32_t t);
    // Runs the unit's checks and running-time counts up to t.
    void watchEngine(uint32_t t);
    int calibrationRefusal(int state, uint32_t t);
    // Injector faults asked for show in the unit's two injector masks.
    void putInjectorFaults();
    std::vector<uint8_t> realTimeData(int block);

    using Command = bool (SimulatedUnit::*)(uint8_t* bytes, int capacity, int& answer);
    bool geometryCommand(uint8_t* bytes, int capacity, int& answer);
    bool beginSaveCommand(uint8_t* bytes, int capacity, int& answer);
    bool endSaveCommand(uint8_t* bytes, int capacity, int& answer);
    bool startCalibrationCommand(uint8_t* bytes, int capacity, int& answer);
    bool queryCalibrationCommand(uint8_t* bytes, int capacity, int& answer);
    bool stopCalibrationCommand(uint8_t* bytes, int capacity, int& answer);
    int program(const QByteArray& payload);
    bool loseLinkWhileProgramming(const QByteArray& payload);
    void takeFirmware(const QByteArray& payload, uint8_t minor, uint8_t major);

    Settings settings_;
    UnitMemory memory_;
    Calibration calibration_;
    std::string memoryPath_;
    bool dirty_ = false;

    LinkState state_ = LinkState::Closed;
    std::optional<uint32_t> closedAt_;
    bool restarting_ = false;
    uint32_t restartAt_ = 0;
    uint32_t engineEpoch_ = 0;
    uint32_t watchedUntil_ = 0; // the checks and counters have seen the engine up to here
    RunningTimes runningTimes_;
    uint64_t lineCarry_ = 0; // line time not yet slept, in 1/(baud x 1000) ms
    uint64_t lineBytes_ = 0;
    bool savePending_ = false;

    std::vector<uint8_t> frozen_[3];
    std::deque<std::vector<uint8_t>> queued_[3];
    bool programming_ = false;
    int reconnectFails_ = 0; // refusals still due after a programming; -1 for ever
    bool hasProgram_ = false;
    QByteArray lastProgram_;

    std::set<TSerialEcuLink*> links_;
    std::deque<std::string> log_;
    QFile logFile_;
};

} // namespace serquarn
