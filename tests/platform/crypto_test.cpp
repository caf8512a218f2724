#include "platform/crypto.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <string>

namespace {

std::vector<uint8_t> bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string hex(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).toHex().toStdString();
}

TEST(Md5, KnownDigests) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {std::string("\0\xff", 2), "d07d34efac6328007ad67c7e0a985e00"},
    };
    for (const auto& c : cases) {
        const auto in = bytes(c.input);
        const platform::Md5Digest d = platform::Md5(in.data(), in.size());
        EXPECT_EQ(hex(d.data(), d.size()), c.digest) << c.input;
    }
    EXPECT_EQ(hex(platform::Md5(nullptr, 0).data(), 16), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Rc4, KnownVectors) {
    const struct {
        std::string key, plain;
        const char* cipher;
    } cases[] = {
        {"Key", "Plaintext", "bbf316e8d940af0ad3"},
        {"Wiki", "pedia", "1021bf0420"},
        {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
        // A 128-bit key on zero bytes gives the key stream itself.
        {std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16),
         std::string(16, '\0'), "9ac7cc9a609d1ef7b2932899cde41b97"},
    };
    for (const auto& c : cases) {
        const auto key = bytes(c.key);
        auto data = bytes(c.plain);
        platform::Rc4 rc4(key.data(), key.size());
        rc4.process(data.data(), data.size());
        EXPECT_EQ(hex(data.data(), data.size()), c.cipher) << c.key;
        platform::Rc4 back(key.data(), key.size());
        back.process(data.data(), data.size());
        EXPECT_EQ(data, bytes(c.plain)) << "decrypting gives the text back";
    }
}

// Firmware is decrypted piece by piece; the key stream must run on across
// the pieces exactly as in one call.
TEST(Rc4, PiecesContinueOneStream) {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    const auto key = bytes("pass phrase");
    std::vector<uint8_t> whole = data;
    platform::Rc4(key.data(), key.size()).process(whole.data(), whole.size());
    for (size_t piece : {1u, 255u, 256u, 999u}) {
        std::vector<uint8_t> pieces = data;
        platform::Rc4 rc4(key.data(), key.size());
        for (size_t pos = 0; pos < pieces.size(); pos += piece)
            rc4.process(pieces.data() + pos, std::min(piece, pieces.size() - pos));
        rc4.process(pieces.data(), 0);
        EXPECT_EQ(pieces, whole) << "pieces of " << piece;
    }
}

TEST(DeriveRc4KeyFromMd5, KeyIsTheWholeDigest) {
    for (const std::string& phrase : {std::string(), std::string("abc"), std::string(128, 0x5a)}) {
        const auto p = bytes(phrase);
        const platform::Md5Digest digest = platform::Md5(p.data(), p.size());
        std::vector<uint8_t> derived(64, 0), full(64, 0), shortKey(64, 0);
        platform::DeriveRc4KeyFromMd5(p).process(derived.data(), derived.size());
        platform::Rc4(digest.data(), 16).process(full.data(), full.size());
        platform::Rc4(digest.data(), 5).process(shortKey.data(), shortKey.size());
        EXPECT_EQ(derived, full) << phrase.size();
        EXPECT_NE(derived, shortKey) << "not a 40-bit key";
    }
}

} // namespace
