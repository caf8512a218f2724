// What the build accepts from the text source, and what it refuses.
#include "languages/generate/stringsource.h"

#include <gtest/gtest.h>

namespace {

using languages::StringSource;

TEST(StringSource, ReadsSlotsEscapesBlanksAndCodePage) {
    StringSource source;
    ASSERT_TRUE(source.parse("# comment\r\n"
                             "\n"
                             "7\t\"a\\nb \\\"q\\\" \\\\ \"\t\"E \"\r\n"
                             "499  \"poich\xC3\xA8 \xC2\xB0\"  \"\xE2\x82\xAC\"\n"))
        << source.error();
    ASSERT_EQ(source.texts().size(), 2u);
    EXPECT_EQ(source.texts().at(7)[0], "a\nb \"q\" \\ ");
    EXPECT_EQ(source.texts().at(7)[1], "E ");
    EXPECT_EQ(source.texts().at(499)[0], "poich\xE8 \xB0");
    EXPECT_EQ(source.texts().at(499)[1], "\x80");

    const platform::StringTable library = source.libraryTable();
    ASSERT_EQ(library.strings().size(), 4u);
    EXPECT_EQ(*library.find(507), "E ");
    EXPECT_EQ(*library.find(999), "\x80");
    const platform::StringTable program = source.programTable();
    ASSERT_EQ(program.strings().size(), 2u);
    EXPECT_EQ(*program.find(7), "a\nb \"q\" \\ ");
    EXPECT_EQ(program.find(507), nullptr);
}

TEST(StringSource, RefusesWhatAReaderCouldNotUse) {
    const std::string tooLong(255, 'x');
    const std::pair<std::string, const char*> faults[] = {
        {"500\t\"a\"\t\"b\"", "beyond the table"},
        {"5\t\"a\"\t\"b\"\n5\t\"c\"\t\"d\"", "line 2: slot 5 given twice"},
        {"5\t\"a\"", "quoted text for every language"},
        {"\t\"a\"\t\"b\"", "slot number"},
        {"5\t\"\"\t\"b\"", "empty text"},
        {"5\t\"a\\tb\"\t\"b\"", "unknown escape"},
        {"5\t\"a\t\"b\"", "quoted text for every language"},
        {"5\t\"a\"\t\"b", "closing quote"},
        {"5\t\"a\"\t\"\xCE\xA9\"", "code page 1252"},
        {"5\t\"a\"\t\"\xFF\"", "code page 1252"},
        {"5\t\"" + tooLong + "\"\t\"b\"", "longer than 254"},
        {"5\t\"a\"\t\"b\" x", "unexpected text"},
        {"5\"a\"\t\"b\"", "quoted text for every language"},
    };
    for (const auto& [text, fault] : faults) {
        SCOPED_TRACE(text);
        StringSource source;
        EXPECT_FALSE(source.parse(QByteArray::fromStdString(text)));
        EXPECT_NE(source.error().find(fault), std::string::npos) << source.error();
        EXPECT_TRUE(source.texts().empty());
    }
}

} // namespace
