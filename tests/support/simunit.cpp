#include "simunit.h"

#include "platform/module.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>

// The library is found as the program finds it, but held by a reference of
// the system loader's own: a QLibrary of the same file unloaded by the code
// under test (the link component's FreeLibrary) then cannot take the unit,
// its memory and its call log away from the test.
SimUnit::SimUnit() {
    const std::string path = platform::ResolveLibraryPath("SerQuarnDL.dll");
    module_ = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_)
        ADD_FAILURE() << "SerQuarnDL.so not loadable beside the test";
}

SimUnit::~SimUnit() {
    if (module_)
        dlclose(module_);
}

template <typename R, typename... A> R SimUnit::call(const char* name, A... args) const {
    using Fn = R (*)(A...);
    const auto fn = module_ ? reinterpret_cast<Fn>(dlsym(module_, name)) : nullptr;
    if (!fn) {
        ADD_FAILURE() << "SerQuarnDL has no " << name;
        return R();
    }
    return fn(args...);
}

std::string SimUnit::text(const char* name) const {
    const int size = call<int, char*, int>(name, nullptr, 0);
    std::string s(size_t(std::max(size, 0)) + 1, '\0');
    call<int, char*, int>(name, s.data(), int(s.size()));
    s.resize(size_t(std::max(size, 0)));
    return s;
}

void SimUnit::reset(const std::string& memoryPath) {
    std::string path = memoryPath;
    if (path.empty()) {
        tempDir_ = std::make_unique<QTemporaryDir>();
        path = tempDir_->filePath("unit.mem").toStdString();
    }
    call<void, const char*>("SimUnit_Reset", path.c_str());
}

void SimUnit::resetAnsweringAtOnce(int paramWidth) {
    reset();
    setParamWidth(paramWidth);
    setBaud(0);
    setReconnectDelay(0);
    setReadyDelay(0);
}

void SimUnit::resetFromEnvironment() {
    call<void, const char*>("SimUnit_Reset", "");
}

std::string SimUnit::memoryPath() const {
    return text("SimUnit_MemoryPath");
}

void SimUnit::reload() {
    call<void>("SimUnit_Reload");
}

bool SimUnit::applyFaults(const std::string& t) {
    return call<int, const char*>("SimUnit_ApplyFaults", t.c_str()) != 0;
}

void SimUnit::setModel(int model) {
    call<void, int>("SimUnit_SetModel", model);
}
void SimUnit::setAbsent(bool on) {
    call<void, int>("SimUnit_SetAbsent", on);
}
void SimUnit::refuseAllWrites(bool on) {
    call<void, int>("SimUnit_RefuseAllWrites", on);
}
void SimUnit::refuseWritesTo(int param, bool on) {
    call<void, int, int>("SimUnit_RefuseWritesTo", param, on);
}
void SimUnit::refuseReadsOf(int param, bool on) {
    call<void, int, int>("SimUnit_RefuseReadsOf", param, on);
}
void SimUnit::refuseCommand(int command, bool on) {
    call<void, int, int>("SimUnit_RefuseCommand", command, on);
}
void SimUnit::failCall(int k, int times) {
    call<void, int, int>("SimUnit_FailCalls", k, times);
}
void SimUnit::dropAfter(int n) {
    call<void, int>("SimUnit_DropAfter", n);
}
void SimUnit::setReconnectDelay(int ms) {
    call<void, int>("SimUnit_SetReconnectDelay", ms);
}
void SimUnit::setReadyDelay(int ms) {
    call<void, int>("SimUnit_SetReadyDelay", ms);
}
void SimUnit::setNeverReady(bool on) {
    call<void, int>("SimUnit_SetNeverReady", on);
}
void SimUnit::setProgramStatus(int status, int times) {
    call<void, int, int>("SimUnit_SetProgramStatus", status, times);
}
void SimUnit::setProgramLinkLost(int times) {
    call<void, int>("SimUnit_SetProgramLinkLost", times);
}
void SimUnit::setBootLoaderOnly(bool on) {
    call<void, int>("SimUnit_SetBootLoaderOnly", on ? 1 : 0);
}
void SimUnit::setReconnectFailsAfterProgram(int times) {
    call<void, int>("SimUnit_SetReconnectFailsAfterProgram", times);
}
void SimUnit::failEcuId(int k) {
    call<void, int>("SimUnit_FailEcuId", k);
}
void SimUnit::refuseOfflineWrites(bool on) {
    call<void, int>("SimUnit_RefuseOfflineWrites", on ? 1 : 0);
}
int SimUnit::firmwareVersion() const {
    return call<int>("SimUnit_FirmwareVersion");
}
void SimUnit::setParamWidth(int width) {
    call<void, int>("SimUnit_SetParamWidth", width);
}
void SimUnit::setCalibrationRefusal(int flags) {
    call<void, int>("SimUnit_SetCalibrationRefusal", flags);
}
void SimUnit::setCalibrationRefusalAt(int flags, int state) {
    call<void, int, int>("SimUnit_SetCalibrationRefusalAt", flags, state);
}
void SimUnit::setCalibrationStateCode(std::optional<int> code) {
    call<void, int, int>("SimUnit_SetCalibrationStateCode", code.value_or(0), code ? 1 : 0);
}
void SimUnit::failCalibrationQueries(int n) {
    call<void, int>("SimUnit_FailCalibrationQueries", n);
}
void SimUnit::setDiagnosisCondition(int row, bool on) {
    call<void, int, int>("SimUnit_SetDiagnosisCondition", row, on ? 1 : 0);
}
void SimUnit::setInjectorFaults(int gasMask, int petrolMask) {
    call<void, int, int>("SimUnit_SetInjectorFaults", gasMask, petrolMask);
}
void SimUnit::setSensorOpen(int sensor, bool on) {
    call<void, int, int>("SimUnit_SetSensorOpen", sensor, on ? 1 : 0);
}
void SimUnit::setCalibrationStep(int ms) {
    call<void, int>("SimUnit_SetCalibrationStep", ms);
}
bool SimUnit::setMapGeometry(int columns, int rows) {
    return call<int, int, int>("SimUnit_SetMapGeometry", columns, rows) != 0;
}
void SimUnit::setEngine(Engine mode) {
    call<void, int>("SimUnit_SetEngine", int(mode));
}
void SimUnit::setPort(int port) {
    call<void, int>("SimUnit_SetPort", port);
}
void SimUnit::setBaud(int baud) {
    call<void, int>("SimUnit_SetBaud", baud);
}
void SimUnit::setRealTimeLength(int n) {
    call<void, int>("SimUnit_SetRealTimeLength", n);
}
void SimUnit::failRealTimeReads(int n) {
    call<void, int>("SimUnit_FailRealTimeReads", n);
}
void SimUnit::freezeRealTime(int block, const std::vector<uint8_t>& bytes) {
    call<void, int, const unsigned char*, int>("SimUnit_FreezeRealTime", block, bytes.data(),
                                               int(bytes.size()));
}

void SimUnit::queueRealTime(int block, const std::vector<uint8_t>& bytes) {
    call<void, int, const unsigned char*, int>("SimUnit_QueueRealTime", block, bytes.data(),
                                               int(bytes.size()));
}

std::vector<uint8_t> SimUnit::Block2(int rpm, int status, int pressure, int sensor) {
    std::vector<uint8_t> b(30, 0);
    b[0] = uint8_t(rpm & 0xff);
    b[1] = uint8_t(rpm >> 8);
    b[2] = uint8_t(status);
    b[3] = uint8_t(pressure);
    b[4] = uint8_t(sensor);
    return b;
}

std::optional<int> SimUnit::peek(int param, int index) const {
    int value = 0;
    if (!call<int, int, int, int*>("SimUnit_Peek", param, index, &value))
        return std::nullopt;
    return value;
}

std::vector<int> SimUnit::peekAll(int param) const {
    std::vector<int> values;
    const int n = call<int, int>("SimUnit_ElementCount", param);
    for (int i = 0; i < n; ++i)
        values.push_back(peek(param, i).value_or(0));
    return values;
}

std::vector<std::vector<int>> SimUnit::peekEach(std::initializer_list<int> params) const {
    std::vector<std::vector<int>> values;
    for (int param : params)
        values.push_back(peekAll(param));
    return values;
}

bool SimUnit::poke(int param, int index, int value) {
    return call<int, int, int, int>("SimUnit_Poke", param, index, value) != 0;
}

std::string SimUnit::serialNumber() const {
    std::string s;
    for (int c : peekAll(0))
        if (c)
            s += char(c);
    return s;
}

int SimUnit::stateFlags() const {
    return call<int>("SimUnit_StateFlags");
}
void SimUnit::setNeverConfigured(bool on) {
    call<void, int>("SimUnit_SetNeverConfigured", on);
}
bool SimUnit::unitConnected() const {
    return call<int>("SimUnit_IsConnected") != 0;
}
bool SimUnit::unitReady() const {
    return call<int>("SimUnit_IsReady") != 0;
}
int SimUnit::calibrationState() const {
    return call<int>("SimUnit_CalibrationState");
}

std::vector<std::string> SimUnit::callLog() const {
    std::vector<std::string> entries;
    std::istringstream in(text("SimUnit_CallLog"));
    for (std::string line; std::getline(in, line);)
        entries.push_back(line);
    return entries;
}

std::string SimUnit::CallName(const std::string& entry) {
    return entry.substr(0, entry.find('('));
}

bool SimUnit::IsExchange(const std::string& entry) {
    static const std::set<std::string> exchanges = {
        "ReadParam",      "ReadParamRow",   "ReadRealTimeBlock", "WriteParamArray", "WriteParam",
        "WriteParamItem", "WriteParamCell", "WriteParamRow",     "SendCommand",     "ReadEcuId"};
    return exchanges.count(CallName(entry)) != 0;
}

int SimUnit::countCalls(const std::string& prefix) const {
    int n = 0;
    for (const std::string& e : callLog())
        n += e.rfind(prefix, 0) == 0;
    return n;
}

void SimUnit::clearCallLog() {
    call<void>("SimUnit_ClearCallLog");
}

long long SimUnit::lineBytes() const {
    return call<long long>("SimUnit_LineBytes");
}

std::optional<SimUnit::Program> SimUnit::lastProgram() const {
    const int size =
        call<int, unsigned char*, int, char*>("SimUnit_LastProgram", nullptr, 0, nullptr);
    if (size < 0)
        return std::nullopt;
    Program p;
    p.payload.resize(size_t(size));
    char md5[33] = {};
    call<int, unsigned char*, int, char*>("SimUnit_LastProgram", p.payload.data(), size, md5);
    p.md5 = md5;
    return p;
}

TSerialEcuLink* SimUnit::createLink() {
    return call<TSerialEcuLink*>("_CreateClassInstance");
}

void SimUnit::destroyLink(TSerialEcuLink* link) {
    call<void, TSerialEcuLink*>("_DestroyClassInstance", link);
}
