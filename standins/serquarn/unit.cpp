#include "unit.h"

#include "flashimage.h"
#include "link.h"
#include "platform/clock.h"
#include "platform/files.h"

#include "core/paramid.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace serquarn {

namespace {

constexpr uint8_t kCustomerCode = 10;
constexpr char kFreshSerial[] = "SIM00000000000012345";
constexpr int kDefaultCalibrationRpm = 2800;
constexpr int kMaxFirmware = 16 * 1024 * 1024;
constexpr size_t kMaxLogEntries = 200000;

// Frame of one exchange on the line: a request of command, two id bytes and
// a checksum plus its arguments, an answer of status and checksum plus data.
constexpr int kRequestBytes = 4;
constexpr int kAnswerBytes = 2;

std::string defaultMemoryPath() {
    if (const char* env = std::getenv("SERQUARN_SIM_MEMORY"); env && *env)
        return env;
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            "/SerQuarnDL/unit.mem")
        .toStdString();
}

int dataBytes(uint32_t id) {
    return int(paramid::byteSize(id));
}

} // namespace

SimulatedUnit& SimulatedUnit::instance() {
    static SimulatedUnit unit;
    return unit;
}

SimulatedUnit::SimulatedUnit() {
    settings_ = settingsFromEnvironment();
    memoryPath_ = defaultMemoryPath();
    applySettings();
    load();
    engineEpoch_ = now();
    watchedUntil_ = engineEpoch_;
    openLogFile();
}

SimulatedUnit::~SimulatedUnit() {
    flush();
    for (TSerialEcuLink* link : links_)
        deleteLink(link);
}

uint32_t SimulatedUnit::now() {
    return platform::GetTickCount();
}

void SimulatedUnit::log(std::string entry) {
    if (logFile_.isOpen()) {
        logFile_.write((entry + '\n').c_str());
        logFile_.flush();
    }
    if (log_.size() >= kMaxLogEntries)
        log_.pop_front();
    log_.push_back(std::move(entry));
}

void SimulatedUnit::openLogFile() {
    logFile_.close();
    if (const char* path = std::getenv("SERQUARN_SIM_LOG"); path && *path) {
        logFile_.setFileName(QString::fromLocal8Bit(path));
        logFile_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
}

// --- memory and its file -------------------------------------------------

void SimulatedUnit::freshMemory() {
    memory_.clear();
    memory_.poke(kStateFlags, 0, 1); // never configured
    for (int i = 0; i < kSerialLength; ++i)
        memory_.poke(kSerialNumber, i, uint8_t(kFreshSerial[i]));
    memory_.poke(kClock, 0, kDefaultClock);
    memory_.poke(kDiagnosisRegister, 0, kStartPowerOn);
}

void SimulatedUnit::load() {
    QByteArray bytes;
    const bool loaded =
        platform::ReadWholeFile(QString::fromStdString(memoryPath_), platform::kWholeFileCap,
                                bytes) == platform::ReadFault::None &&
        memory_.deserialize(bytes);
    if (!loaded)
        freshMemory();
    if (settings_.neverConfigured)
        memory_.poke(kStateFlags, 0, memory_.peek(kStateFlags, 0).value_or(0) | 1);
    dirty_ = false;
}

bool SimulatedUnit::save() {
    const QString path = QString::fromStdString(memoryPath_);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray bytes = memory_.serialize();
    // The old memory stays when the disk cannot take the new one whole.
    if (!platform::WriteWholeFile(path,
                                  std::string_view(bytes.constData(), size_t(bytes.size())))) {
        std::fprintf(stderr, "SerQuarnDL: cannot store the unit memory in %s\n",
                     memoryPath_.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

void SimulatedUnit::flush() {
    if (dirty_)
        save();
}

void SimulatedUnit::reload() {
    // What another process left in the file wins over unsaved changes here.
    load();
}

void SimulatedUnit::memoryChanged() {
    dirty_ = true;
    save();
}

void SimulatedUnit::setNeverConfigured(bool on) {
    const int flags = memory_.peek(kStateFlags, 0).value_or(0);
    memory_.poke(kStateFlags, 0, on ? (flags | 1) : (flags & ~1));
    memoryChanged();
}

// --- life cycle ----------------------------------------------------------

TSerialEcuLink* SimulatedUnit::createLink() {
    // A new link object finds the unit as its memory file holds it.
    flush();
    load();
    TSerialEcuLink* link = newLink(*this);
    links_.insert(link);
    log("CreateClassInstance()");
    return link;
}

bool SimulatedUnit::destroyLink(TSerialEcuLink* link) {
    if (!links_.erase(link)) {
        log("DestroyClassInstance(unknown)");
        return false;
    }
    deleteLink(link);
    if (links_.empty() && state_ != LinkState::Closed)
        close();
    flush();
    log("DestroyClassInstance()");
    return true;
}

void SimulatedUnit::reset(const std::string& memoryPath) {
    settings_ = settingsFromEnvironment();
    memoryPath_ = memoryPath.empty() ? defaultMemoryPath() : memoryPath;
    applySettings();
    freshMemory();
    save();
    state_ = LinkState::Closed;
    closedAt_.reset();
    restarting_ = false;
    lineCarry_ = 0;
    savePending_ = false;
    calibration_.stop();
    for (auto& f : frozen_)
        f.clear();
    for (auto& q : queued_)
        q.clear();
    programming_ = false;
    reconnectFails_ = 0;
    hasProgram_ = false;
    lastProgram_.clear();
    engineEpoch_ = now();
    watchedUntil_ = engineEpoch_;
    runningTimes_ = RunningTimes();
    clearCallLog();
    openLogFile();
}

void SimulatedUnit::applySettings() {
    memory_.setGeometry(settings_.geometry);
    memory_.setPressureWidth(settings_.paramWidth);
    calibration_.setStepMs(settings_.calibrationStepMs);
}

bool SimulatedUnit::applyFaults(const std::string& text) {
    const bool ok = applyFaultText(settings_, text);
    applySettings();
    if (settings_.neverConfigured)
        setNeverConfigured(true);
    return ok;
}

void SimulatedUnit::setEngine(EngineMode mode) {
    watchEngine(now()); // the time so far ran under the old mode
    settings_.engine = mode;
    engineEpoch_ = now();
}

void SimulatedUnit::freezeRealTime(int block, const uint8_t* bytes, int length) {
    if (block < 1 || block > 2)
        return;
    auto& f = frozen_[block];
    f.clear();
    queued_[block].clear();
    if (bytes && length > 0) {
        f.assign(bytes, bytes + std::min(length, block == 1 ? kBlock1Size : kBlock2Size));
        f.resize(block == 1 ? kBlock1Size : kBlock2Size, 0);
    }
}

void SimulatedUnit::queueRealTime(int block, const uint8_t* bytes, int length) {
    if (block < 1 || block > 2 || !bytes || length < 0)
        return;
    const int size = block == 1 ? kBlock1Size : kBlock2Size;
    queued_[block].emplace_back(bytes, bytes + std::min(length, size));
}

// --- time, faults and the line ---------------------------------------------

void SimulatedUnit::update() {
    const uint32_t t = now();
    if (calibration_.reachEnd(t)) {
        applyCalibrationResult(memory_);
        memoryChanged();
    }
    watchEngine(t);
}

void SimulatedUnit::watchEngine(uint32_t t) {
    constexpr uint32_t kCheckMs = 1000;   // the unit runs its checks once a second
    constexpr uint32_t kMaxChecks = 5000; // a long pause is walked in longer steps
    const uint32_t span = t - watchedUntil_;
    if (span >= 0x80000000u) {
        watchedUntil_ = t; // the clock went back: nothing to account
        return;
    }
    const uint32_t step = std::max(kCheckMs, span / kMaxChecks);
    while (t - watchedUntil_ >= step) {
        watchedUntil_ += step;
        const EngineInputs in = engineInputsAt(watchedUntil_);
        const EngineState s = engineAt(in);
        putInjectorFaults();
        if (s.running)
            runningTimes_.add(memory_, s.onGas, step);
        latchDiagnosis(memory_, diagnosisConditions(s, realTimeBlock1(s, in), memory_, settings_));
        dirty_ = true;
    }
}

void SimulatedUnit::restart() {
    restarting_ = true;
    restartAt_ = now();
}

// A start the unit was told to make (end of a save or of a calibration, new
// firmware): counted in a byte and noted in the diagnosis register. The
// wait after a link came back is no new start.
void SimulatedUnit::commandedRestart() {
    restart();
    memory_.poke(kRestartCount, 0, (memory_.peek(kRestartCount, 0).value_or(0) + 1) & 0xff);
    memory_.poke(kDiagnosisRegister, 0, kStartCommanded);
    dirty_ = true;
}

bool SimulatedUnit::ready() {
    if (settings_.neverReady)
        return false;
    if (restarting_ && now() - restartAt_ >= settings_.readyDelayMs)
        restarting_ = false;
    return !restarting_;
}

void SimulatedUnit::lose() {
    state_ = LinkState::Lost;
    closedAt_ = now();
    flush();
}

bool SimulatedUnit::faultHits() {
    if (settings_.failCall > 0 && --settings_.failCall == 0) {
        if (--settings_.failTimes > 0)
            settings_.failCall = 1;
        return true;
    }
    if (settings_.dropAfter >= 0 && state_ == LinkState::Open) {
        if (settings_.dropAfter == 0) {
            settings_.dropAfter = -1;
            lose();
            return true;
        }
        --settings_.dropAfter;
    }
    return false;
}

SimulatedUnit::Route SimulatedUnit::route() {
    update();
    if (faultHits())
        return Route::Fail;
    switch (state_) {
    case LinkState::Open:
        if (!settings_.absent && !settings_.bootLoaderOnly)
            return Route::Unit;
        lose();
        return Route::Fail;
    case LinkState::Closed:
        return Route::Offline;
    case LinkState::Lost:
        break;
    }
    return Route::Fail;
}

void SimulatedUnit::transmit(int requestBytes, int answerBytes) {
    lineBytes_ += uint64_t(requestBytes + answerBytes);
    if (settings_.baud <= 0)
        return;
    // 10 bits a byte; the remainder below a millisecond is carried on.
    const uint64_t perMs = uint64_t(settings_.baud) * 1000;
    lineCarry_ += uint64_t(requestBytes + answerBytes) * 10 * 1000000;
    const uint64_t ms = lineCarry_ / perMs;
    lineCarry_ %= perMs;
    if (ms)
        platform::Sleep(uint32_t(ms));
}

bool SimulatedUnit::writesRefused(uint32_t id) const {
    return settings_.refuseAllWrites || settings_.refusedParams.count(int(paramid::number(id)));
}

bool SimulatedUnit::readsRefused(uint32_t id) const {
    return settings_.refusedReads.count(int(paramid::number(id))) != 0;
}

// --- connection --------------------------------------------------------

bool SimulatedUnit::connect() {
    update();
    if (settings_.absent || settings_.bootLoaderOnly)
        return false;
    state_ = LinkState::Open;
    transmit(kRequestBytes, kAnswerBytes);
    return true;
}

int SimulatedUnit::reconnect() {
    update();
    if (state_ == LinkState::Open)
        return 1;
    if (settings_.absent || settings_.bootLoaderOnly ||
        (closedAt_ && now() - *closedAt_ < settings_.reconnectDelayMs))
        return 0;
    if (reconnectFails_ != 0) {
        if (reconnectFails_ > 0)
            --reconnectFails_;
        return 0;
    }
    state_ = LinkState::Open;
    restart();
    transmit(kRequestBytes, kAnswerBytes);
    return 1;
}

bool SimulatedUnit::close() {
    if (state_ != LinkState::Closed) {
        state_ = LinkState::Closed;
        closedAt_ = now();
    }
    flush();
    return true;
}

// --- parameters ----------------------------------------------------------

bool SimulatedUnit::readParam(uint32_t id, int32_t* values) {
    if (route() != Route::Unit)
        return false;
    const bool ok = !readsRefused(id) && memory_.read(id, values);
    if (ok && paramid::number(id) == kReadyCode)
        values[0] = ready() ? kReadyValue : 0;
    transmit(kRequestBytes, kAnswerBytes + (ok ? dataBytes(id) : 0));
    return ok;
}

bool SimulatedUnit::readParamRow(uint32_t id, int32_t* values, int row) {
    if (route() != Route::Unit)
        return false;
    const bool ok = !readsRefused(id) && memory_.readRow(id, values, row);
    transmit(kRequestBytes + 1, kAnswerBytes + (ok ? dataBytes(id) : 0));
    return ok;
}

bool SimulatedUnit::write(uint32_t id, int requestBytes, const std::function<bool(bool)>& op) {
    const Route r = route();
    if (r == Route::Fail || writesRefused(id) ||
        (r == Route::Offline && settings_.refuseOfflineWrites))
        return false;
    if (r == Route::Offline)
        return op(false); // accepted by the link, the unit never sees it
    const bool ok = op(true);
    dirty_ = dirty_ || ok;
    transmit(kRequestBytes + requestBytes, kAnswerBytes);
    return ok;
}

int8_t SimulatedUnit::paramWidth(int param) const {
    if (param < 0 || param > 0xff)
        return 0;
    if (param == kPressureCoefficients)
        return int8_t(std::clamp(settings_.paramWidth, -128, 127));
    return int8_t(memory_.widthOf(unsigned(param)));
}

bool SimulatedUnit::readEcuId(uint8_t* id4) {
    if (route() != Route::Unit)
        return false;
    transmit(kRequestBytes, kAnswerBytes + 4);
    if (!id4 || (settings_.failEcuId > 0 && --settings_.failEcuId == 0))
        return false;
    const uint8_t id[4] = {kCustomerCode, uint8_t(settings_.model), memory_.firmwareMinor(),
                           memory_.firmwareMajor()};
    std::memcpy(id4, id, 4);
    return true;
}

// --- commands --------------------------------------------------------------

bool SimulatedUnit::sendCommand(int command, uint8_t* bytes, int length, int capacity) {
    if (route() != Route::Unit)
        return false;
    static const std::map<int, Command> commands = {
        {4, &SimulatedUnit::geometryCommand},
        {17, &SimulatedUnit::beginSaveCommand},
        {18, &SimulatedUnit::endSaveCommand},
        {19, &SimulatedUnit::startCalibrationCommand},
        {20, &SimulatedUnit::queryCalibrationCommand},
        {21, &SimulatedUnit::stopCalibrationCommand},
    };
    int answer = 0;
    bool ok = false;
    const auto it = commands.find(command);
    if (it != commands.end() && !settings_.refusedCommands.count(command) && length >= 0 &&
        capacity >= 0 && (bytes || (length == 0 && capacity == 0)))
        ok = (this->*(it->second))(bytes, capacity, answer);
    transmit(kRequestBytes + std::max(length, 0), kAnswerBytes + answer);
    return ok;
}

bool SimulatedUnit::geometryCommand(uint8_t* bytes, int capacity, int& answer) {
    if (capacity < 2)
        return false;
    const Geometry g = memory_.geometry();
    bytes[0] = uint8_t(g.columns);
    bytes[1] = uint8_t(g.rows);
    answer = 2;
    return true;
}

bool SimulatedUnit::beginSaveCommand(uint8_t*, int, int&) {
    savePending_ = true;
    return true;
}

bool SimulatedUnit::endSaveCommand(uint8_t*, int, int&) {
    // The unit stores its memory and starts again.
    savePending_ = false;
    if (!calibration_.running())
        calibration_.stop(); // a finished calibration is over once stored
    dirty_ = true;
    if (!save())
        return false;
    commandedRestart();
    return true;
}

bool SimulatedUnit::startCalibrationCommand(uint8_t*, int, int&) {
    calibration_.start(now());
    return true;
}

void SimulatedUnit::putInjectorFaults() {
    const auto put = [&](uint8_t param, int mask) {
        if (mask)
            memory_.poke(param, 0, memory_.peek(param, 0).value_or(0) | (mask & 0xff));
    };
    put(kGasInjectorFaults, settings_.gasInjectorFaults);
    put(kPetrolInjectorFaults, settings_.petrolInjectorFaults);
}

int SimulatedUnit::calibrationRefusal(int state, uint32_t t) {
    int flags = state >= settings_.calibrationFlagsAt ? settings_.calibrationFlags & 0xff : 0;
    // Before the installer holds the speed, an engine that does not turn
    // gives the unit no speed signal.
    constexpr int kNoSpeedSignal = 0x08;
    if (state < 2 && !engineAt(engineInputsAt(t)).running)
        flags |= kNoSpeedSignal;
    return flags;
}

bool SimulatedUnit::queryCalibrationCommand(uint8_t* bytes, int capacity, int& answer) {
    if (capacity < 2)
        return false;
    if (settings_.calibrationQueryFails > 0) {
        --settings_.calibrationQueryFails;
        return false;
    }
    const uint32_t t = now();
    int state = calibration_.stateAt(t);
    int flags = calibration_.running() ? calibrationRefusal(state, t) : 0;
    if (flags) {
        // The unit will not calibrate as things are: it says why and stops.
        state = 0;
        calibration_.stop();
    } else if (calibration_.running() && settings_.calibrationState) {
        state = *settings_.calibrationState;
    }
    bytes[0] = uint8_t(int8_t(state));
    bytes[1] = uint8_t(flags);
    answer = 2;
    return true;
}

bool SimulatedUnit::stopCalibrationCommand(uint8_t*, int, int&) {
    if (calibration_.running()) {
        calibration_.stop();
        commandedRestart();
    }
    return true;
}

// --- live data ---------------------------------------------------------------

EngineInputs SimulatedUnit::engineInputsAt(uint32_t t) {
    EngineInputs in;
    in.elapsedMs = t - engineEpoch_;
    in.mode = settings_.engine;
    in.forcedPetrol = diagnosisForcesPetrol(memory_);
    in.sensorAOpen = settings_.openSensors.count(12) != 0;
    in.sensorBOpen = settings_.openSensors.count(16) != 0;
    if (calibration_.holdsSpeed(t)) {
        const int rpm = memory_.peek(kCalibrationRpm, 0).value_or(0);
        in.calibrationRpm = rpm > 0 ? rpm : kDefaultCalibrationRpm;
    }
    in.clock = memory_.peek(kClock, 0).value_or(kDefaultClock);
    in.lambdaType = memory_.peek(kLambdaType, 0).value_or(2);
    const int flags = memory_.peek(kFlags, 0).value_or(0);
    in.secondBank = (flags & 0x4) == 0;
    in.internalMap = (flags & 0x8) != 0;
    return in;
}

std::vector<uint8_t> SimulatedUnit::realTimeData(int block) {
    if (!queued_[block].empty()) {
        std::vector<uint8_t> reading = std::move(queued_[block].front());
        queued_[block].pop_front();
        return reading;
    }
    if (!frozen_[block].empty())
        return frozen_[block];
    const EngineInputs in = engineInputsAt(now());
    const EngineState s = engineAt(in);
    if (block == 1) {
        const auto b = realTimeBlock1(s, in);
        return {b.begin(), b.end()};
    }
    const auto b = realTimeBlock2(s);
    return {b.begin(), b.end()};
}

bool SimulatedUnit::readRealTimeBlock(int block, uint8_t* bytes, int* length) {
    if (!length)
        return false;
    const int capacity = *length;
    *length = 0;
    if (route() != Route::Unit)
        return false;
    if ((block != 1 && block != 2) || !bytes || capacity <= 0) {
        transmit(kRequestBytes, kAnswerBytes);
        return false;
    }
    if (settings_.failRealTimeReads > 0) {
        --settings_.failRealTimeReads;
        transmit(kRequestBytes, kAnswerBytes);
        return false;
    }
    const std::vector<uint8_t> data = realTimeData(block);
    int n = std::min<int>(capacity, int(data.size()));
    if (settings_.realTimeLength > 0)
        n = std::min(n, settings_.realTimeLength);
    std::memcpy(bytes, data.data(), size_t(n));
    *length = n;
    transmit(kRequestBytes, kAnswerBytes + n);
    return true;
}

// --- programming -------------------------------------------------------------

int SimulatedUnit::programImage(const uint8_t* buffer) {
    if (!buffer)
        return -2;
    const uint32_t size = uint32_t(buffer[0]) | uint32_t(buffer[1]) << 8 |
                          uint32_t(buffer[2]) << 16 | uint32_t(buffer[3]) << 24;
    if (size == 0 || size > uint32_t(kMaxFirmware))
        return -2;
    return program(QByteArray(reinterpret_cast<const char*>(buffer + 4), int(size)));
}

int SimulatedUnit::programFile(const char* path) {
    if (!path)
        return -2;
    QByteArray bytes;
    if (platform::ReadWholeFile(QString::fromLocal8Bit(path), kMaxFirmware, bytes) !=
            platform::ReadFault::None ||
        bytes.isEmpty())
        return -2;
    return program(bytes);
}

int SimulatedUnit::program(const QByteArray& payload) {
    update();
    if (!programming_)
        return -5;
    // The boot loader answers whether or not the link is open.
    if (faultHits() || settings_.absent)
        return -1;
    if (settings_.programStatus != 0) {
        // Found before anything is sent: the unit stays as it was.
        const int status = settings_.programStatus;
        if (settings_.programTimes > 0 && --settings_.programTimes == 0)
            settings_.programStatus = 0;
        return status;
    }
    if (loseLinkWhileProgramming(payload))
        return -1;
    transmit(kRequestBytes + 4 + int(payload.size()), kAnswerBytes);
    const std::optional<FlashImageInfo> info = readFlashImage(payload);
    if (!info)
        return -3;
    if (info->model != uint8_t(settings_.model))
        return -4;
    takeFirmware(payload, info->minor, info->major);
    return 0;
}

bool SimulatedUnit::loseLinkWhileProgramming(const QByteArray& payload) {
    if (settings_.programLost <= 0)
        return false;
    --settings_.programLost;
    // Half the code went over the line; the flash is written only once all of it is in.
    transmit(kRequestBytes + 4 + int(payload.size()) / 2, 0);
    if (state_ == LinkState::Open)
        lose();
    return true;
}

void SimulatedUnit::takeFirmware(const QByteArray& payload, uint8_t minor, uint8_t major) {
    memory_.eraseConfiguration();
    memory_.setFirmwareVersion(minor, major);
    hasProgram_ = true;
    lastProgram_ = payload;
    settings_.bootLoaderOnly = false;
    reconnectFails_ = settings_.reconnectFailsAfterProgram;
    // The new firmware starts the unit again: the link drops with it.
    if (state_ == LinkState::Open)
        state_ = LinkState::Closed;
    closedAt_ = now();
    commandedRestart();
    memoryChanged();
}

bool SimulatedUnit::beginProgramming() {
    programming_ = true;
    return true;
}

bool SimulatedUnit::endProgramming() {
    programming_ = false;
    return true;
}

} // namespace serquarn
