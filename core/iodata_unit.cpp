// Waits for the unit, small unit operations and the progress of a transfer.
#include "edition.h"
#include "iodata.h"
#include "messages.h"
#include "paramid.h"
#include "platform/clock.h"
#include "serialecu.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <vector>

namespace {

constexpr int32_t kReadyCode = 0xAC;
constexpr uint32_t kStateFlags = 1;
constexpr int32_t kNeverConfigured = 1;
constexpr uint32_t kReadyTimeoutMs = 20000;
constexpr uint32_t kPollMs = 500;

// Elapsed time, not a deadline: the tick count may wrap during a wait.
bool before(uint32_t start, uint32_t timeoutMs) {
    return platform::GetTickCount() - start < timeoutMs;
}

// Zone of each map cell: zoneRow x 4 + zoneCol.
constexpr auto kZoneTable = [] {
    constexpr int kRowZone[TEcuImage::kMapRows] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3};
    std::array<std::array<int, TEcuImage::kMapColumns>, TEcuImage::kMapRows> t{};
    for (int r = 0; r < TEcuImage::kMapRows; ++r)
        for (int c = 0; c < TEcuImage::kMapColumns; ++c)
            t[r][c] = kRowZone[r] * 4 + (c == 0 ? 0 : 1);
    return t;
}();

constexpr int32_t kLambdaDefaultCodes[] = {2, 40, 25, 4, 136};
// Volts of each threshold (by id) for each lambda type of the list above.
struct LambdaDefault {
    int32_t id;
    double volts[5];
};
constexpr LambdaDefault kLambdaDefaults[] = {
    {0x05, {0.55, 2.5, 2.5, 1.35, 2.5}}, {0x09, {0.3, 2.0, 2.0, 1.1, 2.0}},
    {0x08, {0.6, 3.0, 3.0, 1.4, 3.0}},   {0x0b, {0.3, 2.0, 2.0, 1.1, 2.0}},
    {0x0a, {0.6, 3.0, 3.0, 1.4, 3.0}},   {0x48, {0.1, 0.0, 0.0, 0.8, 0.0}},
    {0x47, {0.8, 4.9, 4.9, 1.6, 4.9}},
};

} // namespace

bool TStreamDati::ReadEcuIdentity() {
    uint8_t bytes[4];
    std::copy(std::begin(image_.EcuIdentity), std::end(image_.EcuIdentity), bytes);
    const bool ok = EcuLink()->ReadEcuId(bytes);
    if (ok)
        std::copy(std::begin(bytes), std::end(bytes), image_.EcuIdentity);
    return ok;
}

std::optional<std::string> TStreamDati::ReadUnitSerialNumber() {
    int32_t values[TEcuImage::kSerialLength] = {};
    if (!EcuLink()->ReadParam(paramid::withCount(0x100, TEcuImage::kSerialLength), values))
        return std::nullopt;
    std::string serial;
    for (const int32_t v : values) {
        if ((v & 0xff) == 0)
            break;
        serial += static_cast<char>(v & 0xff);
    }
    return serial;
}

bool TStreamDati::MarkNeverConfigured(int32_t& state) {
    const bool read =
        EcuLink()->ReadParam(kStateFlags, &state) || EcuLink()->ReadParam(kStateFlags, &state);
    return read && EcuLink()->WriteParam(kStateFlags, state | kNeverConfigured);
}

bool TStreamDati::ClearNeverConfigured(int32_t state) {
    return EcuLink()->WriteParam(kStateFlags, state & ~kNeverConfigured);
}

TStreamDati::TStoredMark TStreamDati::StoreNeverConfiguredMark() {
    TSerialEcuLink& link = *EcuLink();
    uint8_t data[5] = {};
    if (!link.IsConnected())
        return TStoredMark::NotTaken;
    link.StopMonitor();
    if (!link.SendCommand(17, data, 1, 5))
        return TStoredMark::NotTaken;
    int32_t state = 0;
    const bool marked = MarkNeverConfigured(state);
    std::fill(std::begin(data), std::end(data), 0);
    // A begun save is always ended, marked or not, and the unit that ends
    // one starts again: it is waited for either way.
    const bool ended = link.SendCommand(18, data, 1, 5);
    bool back = false;
    if (ended) {
        link.Disconnect();
        platform::Sleep(500);
        back = WaitForEcu(20000);
    }
    if (!marked)
        return TStoredMark::NotTaken;
    int32_t after = 0;
    if (!ended || !back || !link.ReadParam(kStateFlags, &after))
        return TStoredMark::Unsure;
    return after & kNeverConfigured ? TStoredMark::Stored : TStoredMark::NotTaken;
}

void TStreamDati::SetEcuIdentity(uint8_t modelCode) {
    image_.EcuIdentity[0] = CustomerCodeOfMask(0);
    image_.EcuIdentity[1] = modelCode;
    image_.EcuIdentity[2] = 0;
    image_.EcuIdentity[3] = 0;
}

void TStreamDati::GetCellZone(int row, int col, int& zoneRow, int& zoneCol) const {
    const bool inMap = row >= 0 && row <= image_.NumeroRighe && row < TEcuImage::kMapRows &&
                       col >= 0 && col < image_.NumeroColonne && col < TEcuImage::kMapColumns;
    const int zone = inMap ? kZoneTable[row][col] : 0;
    zoneRow = zone / 4;
    zoneCol = zone & 3;
}

bool TStreamDati::ShiftCorrectionZone(int zoneRow, int zoneCol, int32_t delta) {
    if (zoneRow < 0 || zoneRow > 3 || zoneCol < 0 || zoneCol > 3)
        return false;
    const int zone = zoneRow * 4 + zoneCol;
    const int rows = std::min(image_.NumeroRighe + 1, TEcuImage::kMapRows);
    const int cols = std::min(image_.NumeroColonne, TEcuImage::kMapColumns);
    struct Cell {
        int r, c;
        int32_t old;
    };
    std::vector<Cell> cells;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (kZoneTable[r][c] == zone)
                cells.push_back({r, c, image_.MappaK[r][c]});
    // All or nothing, so a shift and its reverse restore the map.
    auto fits = [delta](const Cell& cell) {
        const int64_t shifted = int64_t(cell.old) + delta;
        return shifted >= 0 && shifted <= 255;
    };
    const int64_t correction = int64_t(GetMappaCorrAutotaratura(zoneRow, zoneCol)) + delta;
    if (!std::all_of(cells.begin(), cells.end(), fits) || correction < -128 || correction > 127)
        return false;
    // A refusal on the way takes back the cells already moved, so the map and
    // its correction never fall out of step. A write-back the link refuses
    // too leaves that cell as the unit holds it.
    size_t moved = 0;
    while (moved < cells.size() &&
           SetMappaK(cells[moved].r, cells[moved].c, cells[moved].old + delta))
        ++moved;
    if (moved == cells.size() && SetMappaCorrAutotaratura(zoneRow, zoneCol, int32_t(correction)))
        return true;
    for (size_t i = 0; i < moved; ++i)
        SetMappaK(cells[i].r, cells[i].c, cells[i].old);
    return false;
}

namespace {

// Column of the lambda type's defaults; none for a type without them.
std::optional<ptrdiff_t> lambdaDefaultColumn(int32_t type) {
    const int32_t code = type & ~0x40;
    const auto* end = std::end(kLambdaDefaultCodes);
    const auto* at = std::find(std::begin(kLambdaDefaultCodes), end, code);
    if (at == end)
        return std::nullopt;
    return at - std::begin(kLambdaDefaultCodes);
}

} // namespace

bool TStreamDati::HasLambdaDefaults() const {
    return lambdaDefaultColumn(image_.TipoDiLambda).has_value();
}

bool TStreamDati::SetLambdaDefaults() {
    const std::optional<ptrdiff_t> k = lambdaDefaultColumn(image_.TipoDiLambda);
    if (!k)
        return false;
    bool accepted = true;
    for (const LambdaDefault& d : kLambdaDefaults)
        accepted = SetValue(d.id, d.volts[*k]) == 1 && accepted;
    return accepted;
}

bool TStreamDati::WaitForEcu(uint32_t timeoutMs) {
    TSerialEcuLink* link = EcuLink();
    link->Disconnect();
    platform::Sleep(1000);
    link->StartMonitor();
    bool ok = link->Reconnect() != 0;
    if (!ok) {
        const uint32_t start = platform::GetTickCount();
        while (before(start, timeoutMs)) {
            platform::Sleep(kPollMs);
            if (link->Reconnect() != 0) {
                ok = true;
                break;
            }
        }
    }
    link->StopMonitor();
    return ok && WaitEcuReady(kReadyTimeoutMs);
}

bool TStreamDati::WaitEcuReady(uint32_t timeoutMs) {
    TSerialEcuLink* link = EcuLink();
    int32_t v = 0;
    link->ReadParam(2, &v);
    const uint32_t start = platform::GetTickCount();
    while (v != kReadyCode && before(start, timeoutMs)) {
        platform::Sleep(kPollMs);
        link->ReadParam(2, &v);
    }
    return v == kReadyCode;
}

void TStreamDati::AddProgress(uint32_t id, uint32_t total, bool notify) {
    progressDone_ += paramid::byteSize(id);
    if (!notify)
        return;
    // An empty total counts as done; the bar never runs past its end.
    const uint64_t percent = total ? uint64_t(progressDone_) * 100 / total : 100;
    screen_->SendProgress(intptr_t(std::min<uint64_t>(percent, 100)));
}
