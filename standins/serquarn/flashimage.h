#pragma once
// The unit's own firmware format, as the link library takes it from the
// program: "SQFW", the model it is built for, its version bytes (minor,
// major), a reserved byte, the length of the code (32-bit little-endian), the
// code, and the CRC-32 of everything before it.
#include <QByteArray>
#include <cstdint>
#include <optional>

namespace serquarn {

inline constexpr int kFlashHeaderSize = 12;
inline constexpr int kFlashTrailerSize = 4;

struct FlashImageInfo {
    uint8_t model = 0;
    uint8_t minor = 0;
    uint8_t major = 0;
};

QByteArray makeFlashImage(const FlashImageInfo& info, const QByteArray& code);
// nullopt for a payload that fails its check: another magic, a length that
// does not match its size, a CRC that does not match.
std::optional<FlashImageInfo> readFlashImage(const QByteArray& payload);

uint32_t crc32(const uint8_t* data, size_t size);

} // namespace serquarn
