#include "firmware.h"

#include "platform/crypto.h"
#include "platform/files.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <map>

namespace {

constexpr size_t kMasksOffset = kEncryptedFirmwareMagicSize;
constexpr size_t kCandidatesOffset = kMasksOffset + 16;
static_assert(kCandidatesOffset + 128 == kEncryptedFirmwareHeaderSize);
constexpr size_t kPiece = 255;

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
    QByteArray file;
    if (platform::ReadWholeFile(path, kMaxFirmwareFileSize, file) != platform::ReadFault::None)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.constData());
    const size_t size = size_t(file.size());
    if (size < kEncryptedFirmwareHeaderSize || !IsEncryptedFirmware(bytes, size))
        return std::nullopt;
    platform::Rc4 rc4 = platform::DeriveRc4KeyFromMd5(
        FirmwarePassPhrase(bytes + kMasksOffset, bytes + kCandidatesOffset));

    const size_t length = size - kEncryptedFirmwareHeaderSize;
    std::vector<uint8_t> out(4 + length);
    for (int b = 0; b < 4; ++b)
        out[b] = static_cast<uint8_t>(uint32_t(length) >> (8 * b));
    std::copy_n(bytes + kEncryptedFirmwareHeaderSize, length, out.begin() + 4);
    // One continuous key stream, taken in pieces of 255 bytes.
    for (size_t done = 0; done < length; done += kPiece)
        rc4.process(out.data() + 4 + done, std::min(kPiece, length - done));
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
