#include "link.h"

#include "unit.h"

#include "core/paramid.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace serquarn {

namespace {

std::string hex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id);
    return text;
}

template <typename T> std::string list(const T* values, int n) {
    std::string s = "[";
    for (int i = 0; values && i < n; ++i)
        s += (i ? "," : "") + std::to_string(int(values[i]));
    return s + "]";
}

std::string args() {
    return {};
}
template <typename T> std::string arg(const T& v) {
    if constexpr (std::is_convertible_v<T, std::string>)
        return std::string(v);
    else
        return std::to_string(v);
}
template <typename T, typename... R> std::string args(const T& first, const R&... rest) {
    std::string s = arg(first);
    ((s += "," + arg(rest)), ...);
    return s;
}

class SimLink final : public TSerialEcuLink {
public:
    explicit SimLink(SimulatedUnit& unit) : unit_(unit) {}
    ~SimLink() override = default;

    int GetPortNumber() override { return logged("GetPortNumber", args(), unit_.port()); }
    void SetOptionA(int v) override { unit_.log("SetOptionA(" + args(v) + ")"); }
    void SetOptionB(int v) override { unit_.log("SetOptionB(" + args(v) + ")"); }
    void SetOptionC(int v) override { unit_.log("SetOptionC(" + args(v) + ")"); }
    bool Close() override { return logged("Close", args(), unit_.close()); }
    int IsConnected() override { return logged("IsConnected", args(), unit_.isConnected()); }
    int Reconnect() override { return logged("Reconnect", args(), unit_.reconnect()); }
    bool Disconnect() override { return logged("Disconnect", args(), unit_.close()); }
    bool EndProgramming() override {
        return logged("EndProgramming", args(), unit_.endProgramming());
    }
    bool BeginProgramming() override {
        return logged("BeginProgramming", args(), unit_.beginProgramming());
    }
    // Monitoring needs nothing of the unit here.
    bool StartMonitor() override { return logged("StartMonitor", args(), true); }
    bool StopMonitor() override { return logged("StopMonitor", args(), true); }

    bool ReadParam(uint32_t id, int32_t* values) override {
        return logged("ReadParam", args(hex(id)), unit_.readParam(id, values));
    }
    bool ReadParamRow(uint32_t id, int32_t* values, int row) override {
        return logged("ReadParamRow", args(hex(id), row), unit_.readParamRow(id, values, row));
    }
    bool ReadRealTimeBlock(int block, uint8_t* bytes, int* length) override {
        const int capacity = length ? *length : 0;
        return logged("ReadRealTimeBlock", args(block, capacity),
                      unit_.readRealTimeBlock(block, bytes, length));
    }
    bool WriteParamArray(uint32_t id, const int32_t* values) override {
        const bool ok = unit_.write(id, bytes(id), [&](bool apply) {
            return unit_.memory().writeArray(id, values, apply);
        });
        return logged("WriteParamArray", args(hex(id), shown(ok, values, id)), ok);
    }
    bool WriteParam(uint32_t id, int32_t value) override {
        const bool ok = unit_.write(
            id, width(id), [&](bool apply) { return unit_.memory().write(id, value, apply); });
        return logged("WriteParam", args(hex(id), value), ok);
    }
    bool WriteParamItem(uint32_t id, int index, int32_t value) override {
        const bool ok = unit_.write(id, 1 + width(id), [&](bool apply) {
            return unit_.memory().writeItem(id, index, value, apply);
        });
        return logged("WriteParamItem", args(hex(id), index, value), ok);
    }
    bool WriteParamCell(uint32_t id, int row, int column, int32_t value) override {
        const bool ok = unit_.write(id, 2 + width(id), [&](bool apply) {
            return unit_.memory().writeCell(id, row, column, value, apply);
        });
        return logged("WriteParamCell", args(hex(id), row, column, value), ok);
    }
    bool WriteParamRow(uint32_t id, const int32_t* values, int row) override {
        const bool ok = unit_.write(id, 1 + bytes(id), [&](bool apply) {
            return unit_.memory().writeRow(id, values, row, apply);
        });
        return logged("WriteParamRow", args(hex(id), row, shown(ok, values, id)), ok);
    }
    bool SendCommand(int command, uint8_t* data, int length, int capacity) override {
        const std::string sent = list(data, std::min(std::max(length, 0), 16));
        return logged("SendCommand", args(command, sent, capacity),
                      unit_.sendCommand(command, data, length, capacity));
    }
    bool ReadEcuId(uint8_t* id4) override {
        return logged("ReadEcuId", args(), unit_.readEcuId(id4));
    }
    bool Connect() override { return logged("Connect", args(), unit_.connect()); }
    int ProgramFile(const char* path, int a, int b, int c) override {
        return logged("ProgramFile", args(path ? path : "", a, b, c), unit_.programFile(path));
    }
    int ProgramImage(const uint8_t* buffer, int a, int b, int c) override {
        const int status = unit_.programImage(buffer);
        const long size =
            buffer ? long(buffer[0] | buffer[1] << 8 | buffer[2] << 16 | uint32_t(buffer[3]) << 24)
                   : 0;
        return logged("ProgramImage", args(size, a, b, c), status);
    }
    void SetOptionD(int a, int b) override { unit_.log("SetOptionD(" + args(a, b) + ")"); }
    int8_t GetParamWidth(int param, int a) override {
        return logged("GetParamWidth", args(param, a), unit_.paramWidth(param));
    }

private:
    template <typename R> R logged(const char* name, const std::string& a, R result) {
        unit_.log(std::string(name) + "(" + a + ")=" + std::to_string(int(result)));
        return result;
    }
    static int width(uint32_t id) { return int(paramid::elementWidth(id)); }
    static int bytes(uint32_t id) { return int(paramid::byteSize(id)); }
    // Values of an accepted write; a refused one may carry a count the
    // caller's buffer does not have.
    static std::string shown(bool ok, const int32_t* values, uint32_t id) {
        return ok ? list(values, int(paramid::elementCount(id))) : "[]";
    }

    SimulatedUnit& unit_;
};

} // namespace

TSerialEcuLink* newLink(SimulatedUnit& unit) {
    return new SimLink(unit);
}

void deleteLink(TSerialEcuLink* link) {
    delete static_cast<SimLink*>(link);
}

} // namespace serquarn
