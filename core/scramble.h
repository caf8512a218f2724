#pragma once
// The scrambled container of configuration files, default configurations and
// some firmware files: an optional header line, then the body. Every body byte
// is XOR-ed with the key byte of its position shifted left by (position mod 5)
// bits, so the same transform scrambles and unscrambles.
//
// Every operation takes the key explicitly (1 to 49 characters); a null or
// invalid key makes it fail without touching any file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr char kEncryptedHeader[] = "ENCRYPTED_MLTP_FILE";
inline constexpr char kDecryptedHeader[] = "DECRYPTED_MLTP_FILE";
inline constexpr int kMaxScrambleKeyLength = 49;

// A key the transform can use: 1 to 49 characters.
bool IsValidScrambleKey(const char* key);

// XORs data in place with the key stream, data[0] being body byte `position`.
void ScrambleBytes(uint8_t* data, size_t size, const char* key, size_t position = 0);

enum class TContainerHeader {
    None,      // no header: the whole data is a scrambled body
    Encrypted, // "ENCRYPTED_MLTP_FILE": scrambled body
    Decrypted, // "DECRYPTED_MLTP_FILE": plain body
    Truncated, // the data ends inside a header line: cut short
};

struct TContainerLayout {
    TContainerHeader header = TContainerHeader::None;
    size_t bodyOffset = 0;
};

// Recognises the header line: a token, optional blanks, then CR LF or LF.
TContainerLayout InspectContainer(const uint8_t* data, size_t size);

// The plain body of a container held in memory; nullopt when it is cut short
// or the key is invalid.
std::optional<std::vector<uint8_t>> DecodeContainer(const uint8_t* data, size_t size,
                                                    const char* key);

// A container in the wanted form, as ConvertScrambledFile writes it; nullopt
// when the data is cut short inside its header or the key is invalid.
std::optional<std::vector<uint8_t>> ConvertContainer(const uint8_t* data, size_t size, bool toPlain,
                                                     const char* key);

// Writes target from source in the wanted form (plain with the header
// "DECRYPTED_MLTP_FILE" when toPlain, else scrambled with "ENCRYPTED_MLTP_FILE").
// A source already in that form is copied unchanged. The target is replaced
// only when complete (and not at all when it already holds those bytes): on
// any failure it keeps its old content. Source and
// target naming one file (after resolving folders and links) fails.
bool ConvertScrambledFile(const char* source, const char* target, bool toPlain, const char* key);

// The payload of a container file, plain, behind its 32-bit little-endian
// length. The header is recognised as ConvertScrambledFile does.
std::optional<std::vector<uint8_t>> ReadScrambledFile(const char* path, const char* key);

// The plain text of a resource held in memory (see UnscrambleResource).
std::optional<std::vector<uint8_t>> DecodeResource(const uint8_t* data, size_t size,
                                                   const char* key);

// Writes target with the plain text of a resource (optionally headed
// "ENCRYPTED_MLTP_FILE"), without header. An empty resource, or one that ends
// inside its header line, fails and leaves the target as it was.
bool UnscrambleResource(const uint8_t* data, size_t size, const char* target, const char* key);
