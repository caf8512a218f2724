#include "settings.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

namespace serquarn {

namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

bool toInt(const std::string& text, int& out) {
    const std::string t = trim(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 0);
    if (*end != '\0')
        return false;
    out = int(v);
    return true;
}

bool toIntSet(const std::string& text, std::set<int>& out) {
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        int v = 0;
        if (!toInt(item, v))
            return false;
        out.insert(v);
    }
    return true;
}

bool toGeometry(const std::string& text, Geometry& g) {
    const auto x = text.find('x');
    int columns = 0, rows = 0;
    if (x == std::string::npos || !toInt(text.substr(0, x), columns) ||
        !toInt(text.substr(x + 1), rows) || columns <= 0 || rows <= 0)
        return false;
    g = {columns, rows};
    return true;
}

bool toEngine(const std::string& text, EngineMode& mode) {
    static const std::map<std::string, EngineMode> names = {
        {"cycle", EngineMode::Cycle},
        {"stopped", EngineMode::Stopped},
        {"idle", EngineMode::Idle},
        {"2000", EngineMode::Rpm2000},
    };
    const auto it = names.find(trim(text));
    if (it == names.end())
        return false;
    mode = it->second;
    return true;
}

using Setter = std::function<bool(Settings&, const std::string&)>;

Setter intKey(int Settings::*field) {
    return [field](Settings& s, const std::string& v) { return toInt(v, s.*field); };
}

Setter msKey(uint32_t Settings::*field) {
    return [field](Settings& s, const std::string& v) {
        int ms = 0;
        if (!toInt(v, ms) || ms < 0)
            return false;
        s.*field = uint32_t(ms);
        return true;
    };
}

// A flag: present without a value means on; "=0" switches it off.
Setter flagKey(bool Settings::*field) {
    return [field](Settings& s, const std::string& v) {
        int on = 1;
        if (!v.empty() && !toInt(v, on))
            return false;
        s.*field = on != 0;
        return true;
    };
}

const std::map<std::string, Setter>& keys() {
    static const std::map<std::string, Setter> table = {
        {"model", intKey(&Settings::model)},
        {"absent", flagKey(&Settings::absent)},
        {"refuse_writes",
         [](Settings& s, const std::string& v) {
             if (v.empty()) {
                 s.refuseAllWrites = true;
                 return true;
             }
             return toIntSet(v, s.refusedParams);
         }},
        {"refuse_reads",
         [](Settings& s, const std::string& v) { return toIntSet(v, s.refusedReads); }},
        {"refuse_command",
         [](Settings& s, const std::string& v) { return toIntSet(v, s.refusedCommands); }},
        {"fail_call", intKey(&Settings::failCall)},
        {"drop_after", intKey(&Settings::dropAfter)},
        {"reconnect_delay", msKey(&Settings::reconnectDelayMs)},
        {"ready_delay", msKey(&Settings::readyDelayMs)},
        {"never_ready", flagKey(&Settings::neverReady)},
        {"program_status", intKey(&Settings::programStatus)},
        {"program_times", intKey(&Settings::programTimes)},
        {"program_lost", intKey(&Settings::programLost)},
        {"boot_loader", flagKey(&Settings::bootLoaderOnly)},
        {"reconnect_fail_after_program", intKey(&Settings::reconnectFailsAfterProgram)},
        {"fail_ecu_id", intKey(&Settings::failEcuId)},
        {"refuse_offline_writes", flagKey(&Settings::refuseOfflineWrites)},
        {"param_width", intKey(&Settings::paramWidth)},
        {"calib_flags", intKey(&Settings::calibrationFlags)},
        {"calib_step", msKey(&Settings::calibrationStepMs)},
        {"calib_flags_at", intKey(&Settings::calibrationFlagsAt)},
        {"calib_state",
         [](Settings& s, const std::string& v) {
             int code = 0;
             if (v.empty()) {
                 s.calibrationState.reset();
                 return true;
             }
             if (!toInt(v, code))
                 return false;
             s.calibrationState = code;
             return true;
         }},
        {"calib_fail", intKey(&Settings::calibrationQueryFails)},
        {"diag_rows",
         [](Settings& s, const std::string& v) { return toIntSet(v, s.diagnosisRows); }},
        {"inj_gas", intKey(&Settings::gasInjectorFaults)},
        {"inj_petrol", intKey(&Settings::petrolInjectorFaults)},
        {"sensor_open",
         [](Settings& s, const std::string& v) { return toIntSet(v, s.openSensors); }},
        {"geometry", [](Settings& s, const std::string& v) { return toGeometry(v, s.geometry); }},
        {"engine", [](Settings& s, const std::string& v) { return toEngine(v, s.engine); }},
        {"port", intKey(&Settings::port)},
        {"baud", intKey(&Settings::baud)},
        {"rt_len", intKey(&Settings::realTimeLength)},
        {"rt_fail", intKey(&Settings::failRealTimeReads)},
        {"never_configured", flagKey(&Settings::neverConfigured)},
    };
    return table;
}

} // namespace

bool applyFaultText(Settings& s, const std::string& text, std::string* problems) {
    bool ok = true;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ';')) {
        item = trim(item);
        if (item.empty())
            continue;
        const auto eq = item.find('=');
        const std::string key = trim(item.substr(0, eq));
        const std::string value =
            eq == std::string::npos ? std::string() : trim(item.substr(eq + 1));
        const auto it = keys().find(key);
        if (it != keys().end() && it->second(s, value))
            continue;
        ok = false;
        if (problems)
            *problems += (problems->empty() ? "" : ";") + item;
    }
    return ok;
}

Settings settingsFromEnvironment() {
    Settings s;
    if (const char* baud = std::getenv("SERQUARN_SIM_BAUD")) {
        int b = 0;
        if (toInt(baud, b) && b >= 0)
            s.baud = b;
    }
    std::string problems;
    if (const char* faults = std::getenv("SERQUARN_SIM_FAULTS");
        faults && !applyFaultText(s, faults, &problems))
        std::fprintf(stderr, "SerQuarnDL: SERQUARN_SIM_FAULTS not understood: %s\n",
                     problems.c_str());
    return s;
}

} // namespace serquarn
