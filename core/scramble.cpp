#include "scramble.h"

#include "platform/cp1252.h"
#include "platform/files.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>

namespace {

constexpr size_t kTokenLength = sizeof kEncryptedHeader - 1;
static_assert(sizeof kDecryptedHeader == sizeof kEncryptedHeader);

QString q(const char* path) {
    return platform::toUnicode(path);
}

struct TTokenMatch {
    enum { No, Whole, CutShort } kind = No;
    size_t bodyOffset = 0;
};

// The token, optional blanks, then CR LF or LF; data that stops before the
// line end is a header cut short.
TTokenMatch MatchHeader(const uint8_t* data, size_t size, const char* token) {
    const size_t n = std::min(size, kTokenLength);
    if (size == 0 || std::memcmp(data, token, n) != 0)
        return {};
    if (size < kTokenLength)
        return {TTokenMatch::CutShort};
    size_t pos = kTokenLength;
    while (pos < size && (data[pos] == ' ' || data[pos] == '\t'))
        ++pos;
    if (pos < size && data[pos] == '\r')
        ++pos;
    if (pos == size)
        return {TTokenMatch::CutShort};
    if (data[pos] != '\n')
        return {};
    return {TTokenMatch::Whole, pos + 1};
}

std::optional<QByteArray> ReadWholeFile(const char* path) {
    if (!path)
        return std::nullopt;
    QByteArray bytes;
    if (platform::ReadWholeFile(q(path), platform::kWholeFileCap, bytes) !=
        platform::ReadFault::None)
        return std::nullopt;
    return bytes;
}

// Replaces target only once every byte is written; a target that already
// holds these bytes is left alone.
bool StoreIfChanged(const char* target, const uint8_t* data, size_t size) {
    const QString path = q(target);
    QByteArray old;
    if (platform::ReadWholeFile(path, int64_t(size), old) == platform::ReadFault::None &&
        old == QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)))
        return true;
    return platform::WriteWholeFile(path,
                                    std::string_view(reinterpret_cast<const char*>(data), size));
}

const uint8_t* Bytes(const QByteArray& a) {
    return reinterpret_cast<const uint8_t*>(a.data());
}

} // namespace

bool IsValidScrambleKey(const char* key) {
    if (!key)
        return false;
    const size_t n = std::strlen(key);
    return n >= 1 && n <= size_t(kMaxScrambleKeyLength);
}

void ScrambleBytes(uint8_t* data, size_t size, const char* key, size_t position) {
    const size_t length = std::strlen(key);
    // The stream repeats every lcm(length, 5) bytes: build one period once.
    const size_t period = std::lcm(length, size_t(5));
    uint8_t stream[kMaxScrambleKeyLength * 5];
    for (size_t i = 0; i < period; ++i)
        stream[i] = static_cast<uint8_t>(
            static_cast<unsigned>(static_cast<uint8_t>(key[i % length])) << (i % 5));
    // Up to the start of a period, whole periods, then the rest.
    size_t k = position % period, i = 0;
    for (; i < size && k != 0; ++i, k = (k + 1) % period)
        data[i] ^= stream[k];
    for (; i + period <= size; i += period)
        for (size_t j = 0; j < period; ++j)
            data[i + j] ^= stream[j];
    for (size_t j = 0; i < size; ++i, ++j)
        data[i] ^= stream[j];
}

TContainerLayout InspectContainer(const uint8_t* data, size_t size) {
    const std::pair<const char*, TContainerHeader> tokens[] = {
        {kEncryptedHeader, TContainerHeader::Encrypted},
        {kDecryptedHeader, TContainerHeader::Decrypted}};
    for (const auto& [token, header] : tokens) {
        const TTokenMatch m = MatchHeader(data, size, token);
        if (m.kind == TTokenMatch::Whole)
            return {header, m.bodyOffset};
        if (m.kind == TTokenMatch::CutShort)
            return {TContainerHeader::Truncated, 0};
    }
    return {};
}

namespace {
// The layout of a container that can be decoded with the key, if any.
std::optional<TContainerLayout> UsableLayout(const uint8_t* data, size_t size, const char* key) {
    if (!IsValidScrambleKey(key) || (!data && size))
        return std::nullopt;
    const TContainerLayout layout = InspectContainer(data, size);
    if (layout.header == TContainerHeader::Truncated)
        return std::nullopt;
    return layout;
}
} // namespace

std::optional<std::vector<uint8_t>> DecodeContainer(const uint8_t* data, size_t size,
                                                    const char* key) {
    const auto usable = UsableLayout(data, size, key);
    if (!usable)
        return std::nullopt;
    const TContainerLayout layout = *usable;
    std::vector<uint8_t> body(data + layout.bodyOffset, data + size);
    if (layout.header != TContainerHeader::Decrypted)
        ScrambleBytes(body.data(), body.size(), key);
    return body;
}

std::optional<std::vector<uint8_t>> ConvertContainer(const uint8_t* data, size_t size, bool toPlain,
                                                     const char* key) {
    const auto usable = UsableLayout(data, size, key);
    if (!usable)
        return std::nullopt;
    const TContainerLayout layout = *usable;
    const TContainerHeader wanted =
        toPlain ? TContainerHeader::Decrypted : TContainerHeader::Encrypted;
    if (layout.header == wanted)
        return std::vector<uint8_t>(data, data + size);
    // A plain body becomes scrambled and a scrambled one plain: one transform.
    const std::string_view head = toPlain ? kDecryptedHeader : kEncryptedHeader;
    std::vector<uint8_t> out(head.begin(), head.end());
    out.push_back('\r');
    out.push_back('\n');
    const size_t start = out.size();
    out.insert(out.end(), data + layout.bodyOffset, data + size);
    ScrambleBytes(out.data() + start, out.size() - start, key);
    return out;
}

bool ConvertScrambledFile(const char* source, const char* target, bool toPlain, const char* key) {
    if (!source || !target || !IsValidScrambleKey(key) || platform::SameFile(source, target))
        return false;
    const std::optional<QByteArray> in = ReadWholeFile(source);
    if (!in)
        return false;
    const auto out = ConvertContainer(Bytes(*in), size_t(in->size()), toPlain, key);
    return out && StoreIfChanged(target, out->data(), out->size());
}

std::optional<std::vector<uint8_t>> ReadScrambledFile(const char* path, const char* key) {
    if (!IsValidScrambleKey(key))
        return std::nullopt;
    const std::optional<QByteArray> in = ReadWholeFile(path);
    if (!in)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> body = DecodeContainer(Bytes(*in), size_t(in->size()), key);
    if (!body || body->size() > 0xffffffffu)
        return std::nullopt;
    const uint32_t length = static_cast<uint32_t>(body->size());
    std::vector<uint8_t> out(4 + body->size());
    for (int b = 0; b < 4; ++b)
        out[b] = static_cast<uint8_t>(length >> (8 * b));
    std::copy(body->begin(), body->end(), out.begin() + 4);
    return out;
}

std::optional<std::vector<uint8_t>> DecodeResource(const uint8_t* data, size_t size,
                                                   const char* key) {
    if (!data || size == 0 || !IsValidScrambleKey(key))
        return std::nullopt;
    // Resources carry only the scrambled header; any other first line is body.
    const TTokenMatch m = MatchHeader(data, size, kEncryptedHeader);
    if (m.kind == TTokenMatch::CutShort)
        return std::nullopt;
    std::vector<uint8_t> body(data + m.bodyOffset, data + size);
    ScrambleBytes(body.data(), body.size(), key);
    return body;
}

bool UnscrambleResource(const uint8_t* data, size_t size, const char* target, const char* key) {
    const auto body = DecodeResource(data, size, key);
    return target && body && StoreIfChanged(target, body->data(), body->size());
}
