#pragma once
// The two cryptographic services the program needs: an MD5 hash and an RC4
// key derived from it, decrypting one continuous stream piece by piece.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

using Md5Digest = std::array<uint8_t, 16>;
Md5Digest Md5(const uint8_t* data, size_t size);

class Rc4 {
public:
    Rc4(const uint8_t* key, size_t keySize);
    // Encrypts or decrypts in place, continuing the key stream.
    void process(uint8_t* data, size_t size);

private:
    std::array<uint8_t, 256> s_{};
    uint8_t i_ = 0, j_ = 0;
};

// An RC4 key of 128 bits derived from the MD5 hash of a pass phrase without
// salt: the key bytes are the whole digest.
Rc4 DeriveRc4KeyFromMd5(const std::vector<uint8_t>& passPhrase);

} // namespace platform
