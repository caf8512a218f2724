#include "realtime.h"

#include "iodata.h"
#include "platform/clock.h"
#include "serialecu.h"

#include <numeric>

namespace {

constexpr int kBlock1 = 1;

enum class TBack { AtOnce, Later, Not };

// Asks Reconnect at once, then polled against the deadline.
TBack WaitReconnect(TSerialEcuLink& link) {
    if (link.Reconnect())
        return TBack::AtOnce;
    const uint32_t start = platform::GetTickCount();
    // Elapsed time, so a tick count that wraps meanwhile ends no wait early.
    while (platform::GetTickCount() - start < kLiveReconnectMs) {
        platform::Sleep(kLiveReconnectPollMs);
        if (link.Reconnect())
            return TBack::Later;
    }
    return TBack::Not;
}

// After a failed read: waits for the link to answer Reconnect and reads
// once more when it does. Only that read decides: a link that answers but
// does not deliver is not back.
bool ReadAfterReconnection(TSerialEcuLink& link, int block, uint8_t* buffer, int capacity,
                           int& length) {
    const auto readAgain = [&] {
        link.StopMonitor();
        length = capacity;
        return link.ReadRealTimeBlock(block, buffer, &length);
    };
    const TBack back = WaitReconnect(link);
    if (back == TBack::AtOnce)
        return readAgain();
    const bool read = back == TBack::Later && readAgain();
    link.StopMonitor();
    return read;
}

int U16(const uint8_t* b, int at) {
    return b[at] | b[at + 1] << 8;
}

int S16(const uint8_t* b, int at) {
    return static_cast<int16_t>(U16(b, at));
}

double Volts(uint8_t raw) {
    return raw * 5.0 * (1.0 / 255);
}

// The unit's pressure scale in tens of mbar.
double UnitScale(int raw) {
    return raw * 1000.0 * (1.0 / 1020) + 10.0;
}

double Milliseconds(const TStreamDati& data, int raw) {
    return raw * static_cast<double>(data.GetClock()) * 0.00025 * 0.004;
}

double ReducerTemp(const TStreamDati& data, uint8_t raw) {
    return raw == 0 ? 0.0 : static_cast<double>(data.ConvertRawToTempGas(raw));
}

double EngineTemp(const TStreamDati& data, uint8_t raw) {
    return raw == 0 ? 0.0 : static_cast<double>(data.ConvertRawToTempMotore(raw));
}

// One field: the bytes it needs and how it goes into the values.
struct Field {
    int needs; // bytes the read must have delivered
    bool secondBank;
    void (*decode)(const uint8_t*, const TStreamDati&, TBlock1Values&);
};

constexpr Field kFields[] = {
    {2, false, [](const uint8_t* b, const TStreamDati&, TBlock1Values& v) { v.rpm = U16(b, 0); }},
    {3, false,
     [](const uint8_t* b, const TStreamDati&, TBlock1Values& v) { v.lambda1 = Volts(b[2]); }},
    {4, false, [](const uint8_t* b, const TStreamDati&, TBlock1Values& v) { v.mapByte = b[3]; }},
    {8, false,
     [](const uint8_t* b, const TStreamDati& d, TBlock1Values& v) {
         v.gasTime1 = Milliseconds(d, U16(b, 6));
     }},
    {10, false,
     [](const uint8_t* b, const TStreamDati& d, TBlock1Values& v) {
         v.petrolTime1 = Milliseconds(d, U16(b, 8));
     }},
    {12, false, [](const uint8_t* b, const TStreamDati&, TBlock1Values& v) { v.status = b[11]; }},
    {13, false,
     [](const uint8_t* b, const TStreamDati& d, TBlock1Values& v) {
         v.reducerRaw = b[12];
         v.reducerTemp = ReducerTemp(d, b[12]);
     }},
    {16, false,
     [](const uint8_t* b, const TStreamDati&, TBlock1Values& v) { v.pressure = S16(b, 14); }},
    {17, false,
     [](const uint8_t* b, const TStreamDati& d, TBlock1Values& v) {
         v.engineRaw = b[16];
         v.engineTemp = EngineTemp(d, b[16]);
     }},
    {22, true,
     [](const uint8_t* b, const TStreamDati&, TBlock1Values& v) { v.lambda2 = Volts(b[21]); }},
    {26, true,
     [](const uint8_t* b, const TStreamDati& d, TBlock1Values& v) {
         v.gasTime2 = Milliseconds(d, U16(b, 24));
     }},
    {30, true,
     [](const uint8_t* b, const TStreamDati& d, TBlock1Values& v) {
         v.petrolTime2 = Milliseconds(d, U16(b, 28));
     }},
};

} // namespace

std::array<uint8_t, kBlock1Size>& RealTimeBuffer1() {
    static std::array<uint8_t, kBlock1Size> buffer{};
    return buffer;
}

bool PollReconnect(TSerialEcuLink& link) {
    return WaitReconnect(link) != TBack::Not;
}

TLiveRead ReadLiveBlock(TSerialEcuLink& link, int block, uint8_t* buffer, int capacity) {
    TLiveRead result;
    if (!link.IsConnected())
        return result;
    link.StartMonitor();
    int length = capacity;
    if (link.ReadRealTimeBlock(block, buffer, &length)) {
        result.status = TLiveReadStatus::Read;
        result.length = length;
        return result;
    }
    result.status = TLiveReadStatus::Lost;
    if (ReadAfterReconnection(link, block, buffer, capacity, length)) {
        result.status = TLiveReadStatus::Read;
        result.length = length;
        result.reconnected = true;
    }
    return result;
}

TLiveRead ReadLiveBlock1(TSerialEcuLink& link) {
    return ReadLiveBlock(link, kBlock1, RealTimeBuffer1().data(), kBlock1Size);
}

void DecodeBlock1(const uint8_t* bytes, int length, const TStreamDati& data, bool secondBank,
                  TBlock1Values& values) {
    for (const Field& f : kFields)
        if (length >= f.needs && (secondBank || !f.secondBank))
            f.decode(bytes, data, values);
}

double MapBar(const TStreamDati& data, int mapByte) {
    constexpr int kInternalMapSensor = 12;
    if (data.GetFlag(kInternalMapSensor))
        return UnitScale(mapByte) * 0.01;
    // Words of the link: signed whether the image holds them sign-extended or not.
    const int offset = static_cast<int16_t>(data.GetOffsetPendenzaMap(2));
    const int slope = static_cast<int16_t>(data.GetOffsetPendenzaMap(3));
    return (offset * 0.1 + slope * 2.0 * mapByte * (1.0 / 1020)) * 0.01;
}

bool DecodeBlock2(const uint8_t* bytes, int length, TBlock2Values& values) {
    if (!bytes || length < kBlock2SearchBytes)
        return false;
    values.rpm = U16(bytes, 0);
    values.status = bytes[2];
    values.pressure = bytes[3];
    values.mapSensor = bytes[4];
    return true;
}

double UnitPressureMbar(int raw) {
    return UnitScale(raw) * 10;
}

double SensorVolts(int raw) {
    return raw * 5.0 / 255;
}

void TPressureRing::Add(int millibar) {
    slots_[static_cast<size_t>(next_)] = millibar / 10;
    next_ = (next_ + 1) % static_cast<int>(slots_.size());
}

int TPressureRing::Average() const {
    return std::accumulate(slots_.begin(), slots_.end(), 0) / static_cast<int>(slots_.size());
}
