#pragma once
// The encrypted firmware container: the magic "ENCRYPTED_FILE_V_01.01", 16
// selection masks and 128 candidate bytes that hide the pass phrase, then the
// firmware encrypted with RC4 under the MD5 digest of that pass phrase.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr char kEncryptedFirmwareMagic[] = "ENCRYPTED_FILE_V_01.01";
inline constexpr size_t kEncryptedFirmwareMagicSize = sizeof kEncryptedFirmwareMagic - 1;
inline constexpr size_t kEncryptedFirmwareHeaderSize = 166;
// Far beyond any control unit's flash; keeps a stray file from being loaded whole.
inline constexpr int64_t kMaxFirmwareFileSize = 16 << 20;

// True when the bytes begin with the container's magic.
bool IsEncryptedFirmware(const uint8_t* data, size_t size);

// The pass phrase of a container header: candidate 8 x i + b for each set bit
// b of mask i, in file order.
std::vector<uint8_t> FirmwarePassPhrase(const uint8_t masks[16], const uint8_t candidates[128]);

// The decrypted firmware behind its 32-bit little-endian length, ready for
// the link's ProgramImage. nullopt for a missing or unreadable file, a file
// without the magic, one shorter than its 166-byte header or over 16 MiB.
// The container carries no checksum: a damaged payload decrypts to damaged
// bytes, which the unit's programming refuses.
std::optional<std::vector<uint8_t>> ReadEncryptedFirmwareFile(const std::string& path);

// The error code of a programming status (0 is success): P05 to P11 for 1,
// 2 and -1 to -5, P12 for any other value above -1000, and "P" with the
// decimal of -status from -1000 down (P2147483648 for the lowest int).
std::string ProgrammingStatusCode(int status);
