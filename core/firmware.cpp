#include "firmware.h"

#include "platform/cp1252.h"
#include "platform/crypto.h"

#include <QFile>
#include <cstring>
#include <map>

namespace {

constexpr size_t kMasksOffset = kEncryptedFirmwareMagicSize;
constexpr size_t kCandidatesOffset = kMasksOffset + 16;
static_assert(kCandidatesOffset + 128 == kEncryptedFirmwareHeaderSize);
constexpr qint64 kPiece = 255;

} // namespace

bool IsEncryptedFirmware(const uint8_t* data, size_t size) {
    return data && size >= kEncryptedFirmwareMagicSize &&
           std::memcmp(data, kEncryptedFirmwareMagic, kEncryptedFirmwareMagicSize) == 0;
}

std::vector<uint8_t> FirmwarePassPhrase(const uint8_t masks[16], const uint8_t candidates[128]) {
    std::vector<uint8_t> phrase;
    for (int i = 0; i < 16; ++i)
        for (int b = 0; b < 8; ++b)
            if (masks[i] & (1u << b))
                phrase.push_back(candidates[8 * i + b]);
    return phrase;
}

std::optional<std::vector<uint8_t>> ReadEncryptedFirmwareFile(const std::string& path) {
    QFile f(platform::toUnicode(path));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = f.size();
    if (size < qint64(kEncryptedFirmwareHeaderSize) || size > kMaxFirmwareFileSize)
        return std::nullopt;
    uint8_t header[kEncryptedFirmwareHeaderSize];
    if (f.read(reinterpret_cast<char*>(header), sizeof header) != qint64(sizeof header) ||
        !IsEncryptedFirmware(header, sizeof header))
        return std::nullopt;
    platform::Rc4 rc4 = platform::DeriveRc4KeyFromMd5(
        FirmwarePassPhrase(header + kMasksOffset, header + kCandidatesOffset));

    const qint64 length = size - qint64(kEncryptedFirmwareHeaderSize);
    std::vector<uint8_t> out(4 + size_t(length));
    for (int b = 0; b < 4; ++b)
        out[b] = static_cast<uint8_t>(uint32_t(length) >> (8 * b));
    // One continuous key stream, taken in pieces of 255 bytes.
    for (qint64 done = 0; done < length;) {
        const qint64 piece = std::min(kPiece, length - done);
        char* at = reinterpret_cast<char*>(out.data() + 4 + done);
        if (f.read(at, piece) != piece)
            return std::nullopt; // short read: nothing half-filled is handed back
        rc4.process(reinterpret_cast<uint8_t*>(at), size_t(piece));
        done += piece;
    }
    return out;
}

std::string ProgrammingStatusCode(int status) {
    static const std::map<int, const char*> codes = {
        {1, "P05"}, {2, "P06"}, {-1, "P07"}, {-2, "P08"}, {-3, "P09"}, {-4, "P10"}, {-5, "P11"},
    };
    if (status <= -1000)
        return "P" + std::to_string(-int64_t(status));
    const auto it = codes.find(status);
    return it != codes.end() ? it->second : "P12";
}
