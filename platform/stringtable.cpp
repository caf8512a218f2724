#include "stringtable.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>

namespace platform {

namespace {
constexpr char kMagic[4] = {'V', 'X', 'S', 'T'};
constexpr size_t kMaxLength = 0xFFFF;
} // namespace

const std::string* StringTable::find(unsigned id) const {
    auto it = strings_.find(id);
    return it == strings_.end() ? nullptr : &it->second;
}

QByteArray StringTable::serialize() const {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData(kMagic, 4);
    s << quint32(strings_.size());
    for (const auto& [id, text] : strings_) {
        // The length field holds 16 bits: a longer text is cut, never written
        // past its own length.
        const quint16 length = quint16(std::min<size_t>(text.size(), kMaxLength));
        s << quint32(id) << length;
        s.writeRawData(text.data(), length);
    }
    return out;
}

bool StringTable::parse(const QByteArray& data) {
    strings_.clear();
    QDataStream s(data);
    s.setByteOrder(QDataStream::LittleEndian);
    char magic[4];
    quint32 count = 0;
    if (s.readRawData(magic, 4) != 4 || !std::equal(magic, magic + 4, kMagic))
        return false;
    s >> count;
    for (quint32 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
        quint32 id = 0;
        quint16 len = 0;
        s >> id >> len;
        std::string text(len, '\0');
        if (s.readRawData(text.data(), len) != len)
            break;
        strings_[id] = std::move(text);
    }
    if (s.status() != QDataStream::Ok || strings_.size() != count) {
        strings_.clear();
        return false;
    }
    return true;
}

} // namespace platform
