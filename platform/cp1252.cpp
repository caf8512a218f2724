#include "cp1252.h"

#include <array>

namespace platform {

namespace {

// 0x80-0x9F; the five bytes that the code page leaves undefined keep their
// C1 control code so every byte survives a round trip.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char fromCodePoint(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

char16_t cp1252ToUnicode(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : char16_t(byte);
}

QString toUnicode(const std::string& cp1252) {
    QString out;
    out.reserve(static_cast<qsizetype>(cp1252.size()));
    for (unsigned char b : cp1252)
        out.append(QChar(cp1252ToUnicode(b)));
    return out;
}

QString toUnicode(const char* cp1252) {
    return toUnicode(std::string(cp1252 ? cp1252 : ""));
}

std::string fromUnicode(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text)
        out.push_back(fromCodePoint(c.unicode()));
    return out;
}

} // namespace platform
