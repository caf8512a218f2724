#include "flashimage.h"

#include <array>
#include <cstring>

namespace serquarn {

namespace {

constexpr char kMagic[4] = {'S', 'Q', 'F', 'W'};

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void putLe32(QByteArray& out, uint32_t v) {
    for (int b = 0; b < 4; ++b)
        out.append(char(uint8_t(v >> (8 * b))));
}

uint32_t le32(const QByteArray& in, int at) {
    uint32_t v = 0;
    for (int b = 0; b < 4; ++b)
        v |= uint32_t(uint8_t(in[at + b])) << (8 * b);
    return v;
}

} // namespace

uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < size; ++i)
        c = crcTable()[(c ^ data[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

QByteArray makeFlashImage(const FlashImageInfo& info, const QByteArray& code) {
    QByteArray out(kMagic, sizeof kMagic);
    out.append(char(info.model));
    out.append(char(info.minor));
    out.append(char(info.major));
    out.append('\0');
    putLe32(out, uint32_t(code.size()));
    out.append(code);
    putLe32(out, crc32(reinterpret_cast<const uint8_t*>(out.constData()), size_t(out.size())));
    return out;
}

std::optional<FlashImageInfo> readFlashImage(const QByteArray& payload) {
    const qsizetype size = payload.size();
    if (size < kFlashHeaderSize + kFlashTrailerSize ||
        std::memcmp(payload.constData(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const uint32_t length = le32(payload, 8);
    if (uint64_t(length) + kFlashHeaderSize + kFlashTrailerSize != uint64_t(size))
        return std::nullopt;
    const int crcAt = int(size) - kFlashTrailerSize;
    if (crc32(reinterpret_cast<const uint8_t*>(payload.constData()), size_t(crcAt)) !=
        le32(payload, crcAt))
        return std::nullopt;
    return FlashImageInfo{uint8_t(payload[4]), uint8_t(payload[5]), uint8_t(payload[6])};
}

} // namespace serquarn
