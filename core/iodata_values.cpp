// Values by parameter id: the raw element of the image converted to the value
// the windows show, and back.
#include "conversions.h"
#include "iodata.h"
#include "paramid.h"
#include "serialecu.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

constexpr long double kUnknownValue = 800000.0;

enum class Conv {
    Plain,      // raw; set: value truncated
    LambdaType, // position in the lambda code list
    Volts,      // raw x 5 / 255
    TempGas,    // over the gas-sensor curve
    TempEngine, // over the engine-sensor curve
    Cylinders,  // position in the cylinder code list, bit 6 kept
    Rounded,    // raw; set: value + 0.5 truncated
    PlusOne,    // raw + 1
    Tenths,     // raw x 0.1
    Overlap,    // raw x 0.02; set rounds
    Giri,       // bits 1-15, bit 0 kept
    ClockTime,  // ms over the unit's clock
    SlowClock,  // ms over the unit's clock x 20
    BitField,   // a field of the TipoDiTps word
};

struct ValueId {
    uint32_t id;
    Conv conv;
    bool reread; // read from the unit before converting
};

constexpr ValueId kValueIds[] = {
    {0x04, Conv::LambdaType, false},    {0x05, Conv::Volts, true},
    {0x06, Conv::Plain, false},         {0x07, Conv::Plain, false},
    {0x08, Conv::Volts, true},          {0x09, Conv::Volts, true},
    {0x0a, Conv::Volts, true},          {0x0b, Conv::Volts, true},
    {0x0f, Conv::TempGas, false},       {0x11, Conv::Plain, false},
    {0x14, Conv::Cylinders, false},     {0x17, Conv::Plain, false},
    {0x1a, Conv::Plain, false},         {0x34, Conv::PlusOne, false},
    {0x38, Conv::Tenths, false},        {0x3e, Conv::Plain, false},
    {0x43, Conv::Plain, true},          {0x44, Conv::Plain, true},
    {0x47, Conv::Volts, true},          {0x48, Conv::Volts, true},
    {0x6d, Conv::Overlap, false},       {0x75, Conv::TempEngine, false},
    {0x76, Conv::Tenths, false},        {0x77, Conv::Plain, false},
    {0x7a, Conv::Plain, false},         {0x87, Conv::Plain, false},
    {0x88, Conv::Plain, false},         {0x89, Conv::Plain, false},
    {0x90, Conv::TempEngine, false},    {0x210, Conv::Giri, false},
    {0x212, Conv::Plain, false},        {0x218, Conv::ClockTime, false},
    {0x23b, Conv::SlowClock, true},     {0x23c, Conv::SlowClock, true},
    {0x24b, Conv::Rounded, false},      {0x280, Conv::ClockTime, false},
    {0x28d, Conv::Plain, false},        {0x28e, Conv::ClockTime, false},
    {0x292, Conv::ClockTime, false},    {0x293, Conv::ClockTime, false},
    {0x296, Conv::Plain, false},        {0x300001a, Conv::BitField, false},
    {0x230001a, Conv::BitField, false}, {0x150001a, Conv::BitField, false},
    {0x170001a, Conv::BitField, false},
};

const ValueId* findValueId(uint32_t id) {
    const auto* end = std::end(kValueIds);
    const auto* at =
        std::find_if(std::begin(kValueIds), end, [id](const ValueId& v) { return v.id == id; });
    return at == end ? nullptr : at;
}

constexpr int32_t kLambdaCodes[] = {2, 40, 25, 4, 136, 0};
constexpr int32_t kCylinderCodes[] = {1, 2, 3, 4, 5, 6, 8, 0};
constexpr int32_t kWeakRpmSignalBit = 0x40;

template <size_t N> int32_t positionOf(const int32_t (&list)[N], int32_t code) {
    const auto* at = std::find(std::begin(list), std::end(list), code);
    return at == std::end(list) ? -1 : int32_t(at - std::begin(list));
}

// The code at a position given as a value; nothing outside the list.
template <size_t N> std::optional<int32_t> codeAt(const int32_t (&list)[N], long double value) {
    const int32_t pos = TruncToInt(value);
    if (pos < 0 || size_t(pos) >= N)
        return std::nullopt;
    return list[pos];
}

// The arrays read and written by element.
struct TableId {
    int32_t id;
    bool clockTime;
};
constexpr TableId kTableIds[] = {{25, false}, {151, false}, {586, true}};

const TableId* findTableId(int32_t id) {
    for (const TableId& t : kTableIds)
        if (t.id == id)
            return &t;
    return nullptr;
}

} // namespace

int32_t* TStreamDati::GetParamAddress(uint32_t id) {
    const ValueId* v = findValueId(id);
    if (!v)
        return nullptr;
    if (v->conv == Conv::BitField)
        return &image_.TipoDiTps;
    return ItemStorage(image_, id).data();
}

long double TStreamDati::GetValue(uint32_t id) {
    const ValueId* v = findValueId(id);
    if (!v)
        return kUnknownValue;
    int32_t* element = GetParamAddress(id);
    if (v->reread) {
        int32_t fresh = *element;
        if (EcuLink()->ReadParam(id, &fresh))
            *element = fresh;
    }
    const int32_t raw = *element;
    switch (v->conv) {
    case Conv::Plain:
    case Conv::Rounded:
        return raw;
    case Conv::LambdaType:
        return positionOf(kLambdaCodes, raw & ~kWeakRpmSignalBit);
    case Conv::Volts:
        return RawToVolts(raw);
    case Conv::TempGas:
        return ConvertRawToTempGas(raw);
    case Conv::TempEngine:
        return ConvertRawToTempMotore(raw);
    case Conv::Cylinders:
        return positionOf(kCylinderCodes, raw & ~kWeakRpmSignalBit);
    case Conv::PlusOne:
        return static_cast<long double>(raw) + 1;
    case Conv::Tenths:
        return static_cast<long double>(raw) * 0.1;
    case Conv::Overlap:
        return static_cast<long double>(raw) * 0.02;
    case Conv::Giri:
        return raw & 0xfffe;
    case Conv::ClockTime:
        return clockMs(raw);
    case Conv::SlowClock:
        return SlowClockRawToMs(raw, image_.Clock);
    case Conv::BitField:
        return (uint32_t(raw) & paramid::bitMask(id)) >> paramid::bitPosition(id);
    }
    return kUnknownValue;
}

int TStreamDati::SetValue(int32_t id, double value) {
    image_.Modified = true;
    if (id < 0)
        return -1;
    const ValueId* v = findValueId(uint32_t(id));
    if (!v)
        return 0;
    int32_t* element = GetParamAddress(uint32_t(id));
    const int32_t old = *element;
    const long double x = value;
    std::optional<int32_t> raw;
    switch (v->conv) {
    case Conv::Plain:
        raw = TruncToInt(x);
        break;
    case Conv::LambdaType:
        raw = codeAt(kLambdaCodes, x);
        break;
    case Conv::Volts:
        raw = VoltsToRaw(x);
        break;
    case Conv::TempGas:
        raw = ConvertTempGasToRaw(static_cast<float>(value));
        break;
    case Conv::TempEngine:
        raw = ConvertTempMotoreToRaw(static_cast<float>(value));
        break;
    case Conv::Cylinders:
        if (auto code = codeAt(kCylinderCodes, x))
            raw = *code | (old & kWeakRpmSignalBit);
        break;
    case Conv::Rounded:
        raw = TruncToInt(x * 1.0 + 0.5);
        break;
    case Conv::PlusOne:
        raw = TruncToInt(x - 1);
        break;
    case Conv::Tenths:
        raw = TruncTypedStep(x * 10);
        break;
    case Conv::Overlap:
        raw = TruncToInt(x * 50 + 0.5);
        break;
    case Conv::Giri:
        raw = (TruncToInt(x) & 0xfffe) | (old & 1);
        break;
    case Conv::ClockTime:
        raw = msToClock(value);
        break;
    case Conv::SlowClock:
        raw = SlowClockMsToRaw(x, image_.Clock);
        break;
    case Conv::BitField: {
        // The field takes only what fits its width; a negative value is refused.
        const int32_t field = TruncToInt(x);
        if (field < 0)
            break;
        const uint32_t mask = paramid::bitMask(uint32_t(id));
        const uint32_t bits = (uint32_t(field) << paramid::bitPosition(uint32_t(id))) & mask;
        raw = int32_t((uint32_t(old) & ~mask) | bits);
        break;
    }
    }
    if (!raw)
        return 0;
    if (!EcuLink()->WriteParam(uint32_t(id), *raw))
        return 0;
    if (*raw != old) {
        *element = *raw;
        withdrawOfficialMark();
    }
    return 1;
}

long double TStreamDati::GetTableValue(int32_t id, int index) const {
    const TableId* t = findTableId(id);
    if (!t)
        return kUnknownValue;
    const std::span<int32_t> array = ItemStorage(const_cast<TEcuImage&>(image_), uint32_t(id));
    if (index < 0 || size_t(index) >= array.size())
        return 0;
    return t->clockTime ? clockMs(array[index]) : array[index];
}

int TStreamDati::SetTableValue(int32_t id, int index, double value) {
    image_.Modified = true;
    if (id < 0)
        return -1;
    const TableId* t = findTableId(id);
    if (!t)
        return 0;
    const std::span<int32_t> array = ItemStorage(image_, uint32_t(id));
    if (index < 0 || size_t(index) >= array.size())
        return 0;
    // Times round like every other time setter.
    const int32_t raw = t->clockTime ? msToClock(value) : TruncToInt(value);
    if (!EcuLink()->WriteParamItem(uint32_t(id), index, raw))
        return 0;
    if (raw != array[index]) {
        array[index] = raw;
        withdrawOfficialMark();
    }
    return 1;
}
