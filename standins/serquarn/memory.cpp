#include "memory.h"

#include "core/paramid.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>
#include <algorithm>

namespace serquarn {

namespace {

constexpr char kMagic[] = "SQSIMMEM";
// Version 1 files lack the firmware version: they hold the first firmware.
constexpr quint32 kFormatVersion = 2;
constexpr quint32 kFirstFormatVersion = 1;
constexpr int kHashSize = 16;

int capacityOf(const ParamSpec& spec) {
    return spec.rows * spec.columns;
}

uint16_t maskOf(int width) {
    return width >= 2 ? 0xffff : 0xff;
}

int32_t extend(uint16_t raw, int width, bool isSigned) {
    if (!isSigned)
        return raw & maskOf(width);
    return width >= 2 ? int32_t(int16_t(raw)) : int32_t(int8_t(raw & 0xff));
}

QByteArray hashOf(const QByteArray& body) {
    return QCryptographicHash::hash(body, QCryptographicHash::Md5);
}

} // namespace

UnitMemory::UnitMemory() {
    clear();
}

void UnitMemory::clear() {
    for (auto& v : values_)
        v.clear();
    for (const ParamSpec* p = paramsBegin(); p != paramsEnd(); ++p)
        cells(p->number).assign(capacityOf(*p), 0);
    firmwareMinor_ = kFirstFirmwareMinor;
    firmwareMajor_ = kFirstFirmwareMajor;
}

void UnitMemory::eraseConfiguration() {
    for (const ParamSpec* p = paramsBegin(); p != paramsEnd(); ++p)
        if (p->number != kStateFlags && p->number != kClock)
            std::fill(cells(p->number).begin(), cells(p->number).end(), 0);
}

void UnitMemory::setFirmwareVersion(uint8_t minor, uint8_t major) {
    firmwareMinor_ = minor;
    firmwareMajor_ = major;
}

void UnitMemory::setGeometry(Geometry g) {
    geometry_.columns = std::clamp(g.columns, 1, kMapMaxColumns);
    geometry_.rows = std::clamp(g.rows, 1, kMapMaxRows);
}

UnitMemory::Layout UnitMemory::layoutOf(const ParamSpec& spec) const {
    switch (spec.shape) {
    case Shape::Map:
        return {geometry_.rows, geometry_.columns, kMapMaxColumns, spec.width};
    case Shape::VariableWidth:
        return {spec.rows, spec.columns, spec.columns, pressureWidth_};
    case Shape::Plain:
        break;
    }
    return {spec.rows, spec.columns, spec.columns, spec.width};
}

int UnitMemory::widthOf(unsigned number) const {
    const ParamSpec* spec = findParam(number);
    if (!spec)
        return 0;
    return std::max(layoutOf(*spec).width, 0);
}

int UnitMemory::elementCount(unsigned number) const {
    const ParamSpec* spec = findParam(number);
    if (!spec)
        return 0;
    const Layout l = layoutOf(*spec);
    return l.rows * l.columns;
}

std::optional<UnitMemory::Target> UnitMemory::resolve(uint32_t id, Form form, bool forWrite) const {
    // Bit 11 and bits 28-31 are never set in an id of this unit.
    if (id & 0xf0000800u)
        return std::nullopt;
    const bool bitField = paramid::isBitField(id);
    if (bitField) {
        // A field of the TPS type word: the call carries the whole word.
        const unsigned width = paramid::bitWidth(id);
        if (form == Form::Element || paramid::number(id) != kTpsType ||
            (id & (paramid::kMulti | paramid::kWord | 0xff000u)) || width == 0 ||
            paramid::bitPosition(id) + width > 8)
            return std::nullopt;
    }
    const ParamSpec* spec = findParam(paramid::number(id));
    if (!spec || (forWrite && spec->access == Access::ReadOnly))
        return std::nullopt;
    const Layout layout = layoutOf(*spec);
    if (layout.width <= 0 || int(paramid::elementWidth(id)) != layout.width)
        return std::nullopt;
    if (paramid::isMulti(id) && form != Form::Whole)
        return std::nullopt;
    if (!paramid::isMulti(id) && (id & 0xff000u) && !bitField)
        return std::nullopt;
    const int count = int(paramid::elementCount(id));
    if (count == 0)
        return std::nullopt;
    return Target{spec, layout, count, paramid::isSigned(id)};
}

int UnitMemory::offset(const Layout& layout, int index) const {
    return (index / layout.columns) * layout.stride + index % layout.columns;
}

int32_t UnitMemory::load(const Target& t, int index) const {
    const uint16_t raw = cells(t.spec->number)[offset(t.layout, index)];
    return extend(raw, t.layout.width, t.isSigned);
}

void UnitMemory::store(const Target& t, int index, int32_t value) {
    cells(t.spec->number)[offset(t.layout, index)] = uint16_t(value) & maskOf(t.layout.width);
}

bool UnitMemory::read(uint32_t id, int32_t* values) const {
    const auto t = resolve(id, Form::Whole, false);
    if (!t || !values || t->count > t->layout.rows * t->layout.columns)
        return false;
    for (int i = 0; i < t->count; ++i)
        values[i] = load(*t, i);
    return true;
}

bool UnitMemory::readRow(uint32_t id, int32_t* values, int row) const {
    const auto t = resolve(id, Form::Whole, false);
    if (!t || !values || t->count > t->layout.columns || row < 0 || row >= t->layout.rows)
        return false;
    for (int i = 0; i < t->count; ++i)
        values[i] = load(*t, row * t->layout.columns + i);
    return true;
}

bool UnitMemory::write(uint32_t id, int32_t value, bool apply) {
    const auto t = resolve(id, Form::Scalar, true);
    if (!t)
        return false;
    if (apply)
        store(*t, 0, value);
    return true;
}

bool UnitMemory::writeArray(uint32_t id, const int32_t* values, bool apply) {
    const auto t = resolve(id, Form::Whole, true);
    if (!t || !values || t->count > t->layout.rows * t->layout.columns)
        return false;
    for (int i = 0; apply && i < t->count; ++i)
        store(*t, i, values[i]);
    return true;
}

bool UnitMemory::writeItem(uint32_t id, int index, int32_t value, bool apply) {
    const auto t = resolve(id, Form::Element, true);
    if (!t || index < 0 || index >= t->layout.rows * t->layout.columns)
        return false;
    if (apply)
        store(*t, index, value);
    return true;
}

bool UnitMemory::writeCell(uint32_t id, int row, int column, int32_t value, bool apply) {
    const auto t = resolve(id, Form::Element, true);
    if (!t || row < 0 || row >= t->layout.rows || column < 0 || column >= t->layout.columns)
        return false;
    if (apply)
        store(*t, row * t->layout.columns + column, value);
    return true;
}

bool UnitMemory::writeRow(uint32_t id, const int32_t* values, int row, bool apply) {
    const auto t = resolve(id, Form::Whole, true);
    if (!t || !values || t->count > t->layout.columns || row < 0 || row >= t->layout.rows)
        return false;
    for (int i = 0; apply && i < t->count; ++i)
        store(*t, row * t->layout.columns + i, values[i]);
    return true;
}

std::optional<int32_t> UnitMemory::peek(unsigned number, int index) const {
    const ParamSpec* spec = findParam(number);
    if (!spec)
        return std::nullopt;
    const Layout layout = layoutOf(*spec);
    if (index < 0 || index >= layout.rows * layout.columns)
        return std::nullopt;
    const Target t{spec, layout, 1, spec->isSigned};
    return load(t, index);
}

bool UnitMemory::poke(unsigned number, int index, int32_t value) {
    const ParamSpec* spec = findParam(number);
    if (!spec)
        return false;
    const Layout layout = layoutOf(*spec);
    if (index < 0 || index >= layout.rows * layout.columns)
        return false;
    // A parameter the unit has no width for is still kept, as bytes.
    const Target t{spec,
                   {layout.rows, layout.columns, layout.stride, std::max(layout.width, 1)},
                   1,
                   spec->isSigned};
    store(t, index, value);
    return true;
}

QByteArray UnitMemory::serialize() const {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData(kMagic, sizeof(kMagic) - 1);
    out << kFormatVersion << quint32(paramsEnd() - paramsBegin());
    for (const ParamSpec* p = paramsBegin(); p != paramsEnd(); ++p) {
        const auto& v = cells(p->number);
        out << quint8(p->number) << quint16(v.size());
        for (uint16_t e : v)
            out << quint16(e);
    }
    out << quint8(firmwareMinor_) << quint8(firmwareMajor_);
    return body + hashOf(body);
}

bool UnitMemory::deserialize(const QByteArray& data) {
    if (data.size() <= kHashSize)
        return false;
    const QByteArray body = data.left(data.size() - kHashSize);
    if (hashOf(body) != data.right(kHashSize) || !body.startsWith(kMagic))
        return false;
    QDataStream in(body);
    in.setByteOrder(QDataStream::LittleEndian);
    in.skipRawData(sizeof(kMagic) - 1);
    quint32 version = 0, count = 0;
    in >> version >> count;
    if ((version != kFormatVersion && version != kFirstFormatVersion) ||
        count != quint32(paramsEnd() - paramsBegin()))
        return false;
    std::array<std::vector<uint16_t>, 256> loaded;
    for (const ParamSpec* p = paramsBegin(); p != paramsEnd(); ++p) {
        quint8 number = 0;
        quint16 size = 0;
        in >> number >> size;
        if (in.status() != QDataStream::Ok || number != p->number || size != capacityOf(*p))
            return false;
        auto& v = loaded[number];
        v.resize(size);
        for (auto& e : v) {
            quint16 x = 0;
            in >> x;
            e = x;
        }
    }
    quint8 minor = kFirstFirmwareMinor, major = kFirstFirmwareMajor;
    if (version == kFormatVersion)
        in >> minor >> major;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return false;
    values_ = std::move(loaded);
    firmwareMinor_ = minor;
    firmwareMajor_ = major;
    return true;
}

} // namespace serquarn
