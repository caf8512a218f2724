// The library's exports: the three the program binds by name, and the
// SimUnit_ controls for tests.
#include "simcontrol.h"
#include "unit.h"

#include "core/serialecu.h"

#include <QCryptographicHash>
#include <cstring>

using serquarn::SimulatedUnit;

namespace {

SimulatedUnit& unit() {
    return SimulatedUnit::instance();
}

serquarn::Settings& settings() {
    return unit().settings();
}

// Changes a setting that the memory or the model takes over.
template <typename F> void change(F&& f) {
    f(settings());
    unit().applySettings();
}

int copyText(const std::string& text, char* buffer, int size) {
    if (buffer && size > 0) {
        const size_t n = std::min(text.size(), size_t(size - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return int(text.size());
}

void toggle(std::set<int>& s, int value, int on) {
    if (on)
        s.insert(value);
    else
        s.erase(value);
}

} // namespace

extern "C" {

#define SQ_EXPORT __attribute__((visibility("default")))

SQ_EXPORT TSerialEcuLink* _CreateClassInstance() {
    return unit().createLink();
}

SQ_EXPORT void _DestroyClassInstance(TSerialEcuLink* link) {
    if (link)
        unit().destroyLink(link);
}

SQ_EXPORT int _GetDLLVersion(FILE_VERSION_DATA* data) {
    if (!data)
        return 0;
    *data = FILE_VERSION_DATA{3, 1, 0, 7, {}};
    std::strncpy(data->text, "SerQuarnDL 3.1.0.7", sizeof(data->text) - 1);
    return 1;
}

SQ_EXPORT void SimUnit_Reset(const char* memoryPath) {
    unit().reset(memoryPath ? memoryPath : "");
}

SQ_EXPORT void SimUnit_Reload(void) {
    unit().reload();
}

SQ_EXPORT int SimUnit_ApplyFaults(const char* text) {
    return unit().applyFaults(text ? text : "") ? 1 : 0;
}

SQ_EXPORT void SimUnit_SetModel(int model) {
    settings().model = model;
}
SQ_EXPORT void SimUnit_SetAbsent(int on) {
    settings().absent = on != 0;
}
SQ_EXPORT void SimUnit_RefuseAllWrites(int on) {
    settings().refuseAllWrites = on != 0;
}
SQ_EXPORT void SimUnit_RefuseWritesTo(int param, int on) {
    toggle(settings().refusedParams, param, on);
}
SQ_EXPORT void SimUnit_RefuseReadsOf(int param, int on) {
    toggle(settings().refusedReads, param, on);
}
SQ_EXPORT void SimUnit_RefuseCommand(int command, int on) {
    toggle(settings().refusedCommands, command, on);
}
SQ_EXPORT void SimUnit_FailCall(int k) {
    settings().failCall = std::max(k, 0);
    settings().failTimes = 1;
}
SQ_EXPORT void SimUnit_FailCalls(int k, int times) {
    settings().failCall = std::max(k, 0);
    settings().failTimes = std::max(times, 1);
}
SQ_EXPORT void SimUnit_DropAfter(int n) {
    settings().dropAfter = std::max(n, -1);
}
SQ_EXPORT void SimUnit_SetReconnectDelay(int ms) {
    settings().reconnectDelayMs = uint32_t(std::max(ms, 0));
}
SQ_EXPORT void SimUnit_SetReadyDelay(int ms) {
    settings().readyDelayMs = uint32_t(std::max(ms, 0));
}
SQ_EXPORT void SimUnit_SetNeverReady(int on) {
    settings().neverReady = on != 0;
}
SQ_EXPORT void SimUnit_SetProgramStatus(int status, int times) {
    settings().programStatus = status;
    settings().programTimes = std::max(times, 0);
}
SQ_EXPORT void SimUnit_SetProgramLinkLost(int times) {
    settings().programLost = std::max(times, 0);
}
SQ_EXPORT void SimUnit_SetBootLoaderOnly(int on) {
    settings().bootLoaderOnly = on != 0;
}
SQ_EXPORT void SimUnit_SetReconnectFailsAfterProgram(int times) {
    settings().reconnectFailsAfterProgram = times;
}
SQ_EXPORT void SimUnit_FailEcuId(int k) {
    settings().failEcuId = std::max(k, 0);
}
SQ_EXPORT void SimUnit_RefuseOfflineWrites(int on) {
    settings().refuseOfflineWrites = on != 0;
}
SQ_EXPORT int SimUnit_FirmwareVersion(void) {
    return unit().memory().firmwareMajor() << 8 | unit().memory().firmwareMinor();
}
SQ_EXPORT void SimUnit_SetParamWidth(int width) {
    change([&](serquarn::Settings& s) { s.paramWidth = width; });
}
SQ_EXPORT void SimUnit_SetCalibrationRefusal(int flags) {
    settings().calibrationFlags = flags;
}
SQ_EXPORT void SimUnit_SetCalibrationStep(int ms) {
    change([&](serquarn::Settings& s) { s.calibrationStepMs = uint32_t(std::max(ms, 0)); });
}
SQ_EXPORT void SimUnit_SetCalibrationRefusalAt(int flags, int state) {
    settings().calibrationFlags = flags;
    settings().calibrationFlagsAt = state;
}
SQ_EXPORT void SimUnit_SetCalibrationStateCode(int code, int on) {
    if (on)
        settings().calibrationState = code;
    else
        settings().calibrationState.reset();
}
SQ_EXPORT void SimUnit_FailCalibrationQueries(int n) {
    settings().calibrationQueryFails = std::max(n, 0);
}
SQ_EXPORT void SimUnit_SetDiagnosisCondition(int row, int on) {
    toggle(settings().diagnosisRows, row, on);
}
SQ_EXPORT void SimUnit_SetInjectorFaults(int gasMask, int petrolMask) {
    settings().gasInjectorFaults = gasMask;
    settings().petrolInjectorFaults = petrolMask;
}
SQ_EXPORT void SimUnit_SetSensorOpen(int sensor, int on) {
    toggle(settings().openSensors, sensor, on);
}
SQ_EXPORT int SimUnit_SetMapGeometry(int columns, int rows) {
    if (columns < 1 || columns > serquarn::kMapMaxColumns || rows < 1 ||
        rows > serquarn::kMapMaxRows)
        return 0;
    change([&](serquarn::Settings& s) { s.geometry = {columns, rows}; });
    return 1;
}
SQ_EXPORT void SimUnit_SetEngine(int mode) {
    if (mode >= 0 && mode <= int(serquarn::EngineMode::Rpm2000))
        unit().setEngine(serquarn::EngineMode(mode));
}
SQ_EXPORT void SimUnit_SetPort(int port) {
    settings().port = port;
}
SQ_EXPORT void SimUnit_SetBaud(int baud) {
    settings().baud = std::max(baud, 0);
}
SQ_EXPORT void SimUnit_SetRealTimeLength(int n) {
    settings().realTimeLength = std::max(n, 0);
}
SQ_EXPORT void SimUnit_FailRealTimeReads(int n) {
    settings().failRealTimeReads = std::max(n, 0);
}
SQ_EXPORT void SimUnit_FreezeRealTime(int block, const unsigned char* bytes, int length) {
    unit().freezeRealTime(block, bytes, length);
}
SQ_EXPORT void SimUnit_QueueRealTime(int block, const unsigned char* bytes, int length) {
    unit().queueRealTime(block, bytes, length);
}

SQ_EXPORT int SimUnit_Peek(int param, int index, int* value) {
    const auto v = unit().memory().peek(unsigned(param), index);
    if (!v || !value || param < 0)
        return 0;
    *value = *v;
    return 1;
}

SQ_EXPORT int SimUnit_Poke(int param, int index, int value) {
    if (param < 0 || !unit().memory().poke(unsigned(param), index, value))
        return 0;
    unit().memoryChanged();
    return 1;
}

SQ_EXPORT int SimUnit_ElementCount(int param) {
    return param < 0 ? 0 : unit().memory().elementCount(unsigned(param));
}

SQ_EXPORT int SimUnit_StateFlags(void) {
    return unit().memory().peek(serquarn::kStateFlags, 0).value_or(0);
}
SQ_EXPORT void SimUnit_SetNeverConfigured(int on) {
    unit().setNeverConfigured(on != 0);
}
SQ_EXPORT int SimUnit_IsConnected(void) {
    return unit().isConnected();
}
SQ_EXPORT int SimUnit_IsReady(void) {
    return unit().ready() ? 1 : 0;
}
SQ_EXPORT int SimUnit_CalibrationState(void) {
    return unit().calibrationState();
}

SQ_EXPORT int SimUnit_MemoryPath(char* buffer, int size) {
    return copyText(unit().memoryPath(), buffer, size);
}

SQ_EXPORT int SimUnit_CallLog(char* buffer, int size) {
    std::string text;
    for (const std::string& entry : unit().callLog())
        text += entry + '\n';
    return copyText(text, buffer, size);
}

SQ_EXPORT void SimUnit_ClearCallLog(void) {
    unit().clearCallLog();
}

SQ_EXPORT long long SimUnit_LineBytes(void) {
    return static_cast<long long>(unit().lineBytes());
}

SQ_EXPORT int SimUnit_LastProgram(unsigned char* buffer, int size, char* md5Hex) {
    if (!unit().hasProgram())
        return -1;
    const QByteArray& payload = unit().lastProgram();
    if (buffer && size > 0)
        std::memcpy(buffer, payload.constData(), size_t(std::min<qsizetype>(size, payload.size())));
    if (md5Hex)
        copyText(QCryptographicHash::hash(payload, QCryptographicHash::Md5).toHex().toStdString(),
                 md5Hex, 33);
    return int(payload.size());
}

} // extern "C"
