#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString unicode = platform::toUnicode(all);
    ASSERT_EQ(unicode.size(), 256);
    EXPECT_EQ(platform::fromUnicode(unicode), all);
}

// The whole 0x80-0x9F block as the code page defines it; the five undefined
// bytes keep their own value.
TEST(Cp1252, HighBlockMatchesTheCodePage) {
    const char16_t expected[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int i = 0; i < 32; ++i) {
        const unsigned char byte = static_cast<unsigned char>(0x80 + i);
        EXPECT_EQ(platform::cp1252ToUnicode(byte), expected[i])
            << "byte 0x" << std::hex << 0x80 + i;
        const QString one = platform::toUnicode(std::string(1, static_cast<char>(byte)));
        EXPECT_EQ(one, QString(QChar(expected[i])));
    }
}

TEST(Cp1252, LatinOneRangeIsIdentity) {
    for (int b : {0x00, 0x41, 0x7F, 0xA0, 0xB0, 0xE0, 0xE8, 0xF9, 0xFF})
        EXPECT_EQ(platform::cp1252ToUnicode(static_cast<unsigned char>(b)), char16_t(b));
    EXPECT_EQ(platform::toUnicode("Perch\xe8 25\xb0"), QString::fromUtf8("Perchè 25°"));
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    // U+0100, a Cyrillic letter, U+20AD (next to the euro sign), U+00A0 stays.
    const QString text = QString::fromUtf8("a\u0100b\u0416\u20AD\u20AC\u00A0");
    EXPECT_EQ(platform::fromUnicode(text), std::string("a?b??\x80\xa0"));
    // A character beyond the 16-bit plane is two code units: two marks.
    EXPECT_EQ(platform::fromUnicode(QString::fromUtf8("\U0001F600")), "??");
}

TEST(Cp1252, NullTextIsEmpty) {
    EXPECT_TRUE(platform::toUnicode(static_cast<const char*>(nullptr)).isEmpty());
}

} // namespace
