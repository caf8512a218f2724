// The program's language state: binding the library at start, reading the
// current language, and falling back to the program's own Italian table.
#include "shell/language.h"

#include <gtest/gtest.h>

namespace {

class Language : public ::testing::Test {
protected:
    void TearDown() override {
        FreeLanguageLibrary();
        LanguageIndex = 0;
    }

    static std::string text(int n) {
        std::string s = "<none>";
        LoadLanguageString(n, s);
        return s;
    }
};

TEST_F(Language, BoundLibraryGivesItsShapeAndTheCurrentLanguage) {
    BindLanguageLibrary();
    ASSERT_NE(LanguagesModule, nullptr);
    EXPECT_EQ(MaxLanguages, 2);
    EXPECT_EQ(MaxStrings, 500);

    EXPECT_EQ(text(6), "CONFIGURA VETTURA");
    LanguageIndex = 1;
    EXPECT_EQ(text(6), "VEHICLE CONFIGURATION");
    EXPECT_EQ(text(0), "&English");

    QString caption = "design";
    EXPECT_TRUE(LoadLanguageString(123, caption));
    EXPECT_EQ(caption, QString::fromUtf8("°C"));
}

TEST_F(Language, MissingLibraryFallsBackToTheProgramsItalianTable) {
    BindLanguageLibrary("NoSuchLanguages.dll");
    EXPECT_EQ(LanguagesModule, nullptr);
    EXPECT_EQ(MaxLanguages, 1);
    EXPECT_EQ(MaxStrings, 1);
    EXPECT_EQ(text(0), "&Italiano");
    EXPECT_EQ(text(6), "CONFIGURA VETTURA");
    EXPECT_EQ(text(499).substr(0, 14), "Nota: l'emulaz");
    EXPECT_EQ(text(500), "<none>");
}

TEST_F(Language, FreeingTheLibraryLeavesTheProgramsTable) {
    BindLanguageLibrary();
    LanguageIndex = 0;
    FreeLanguageLibrary();
    EXPECT_EQ(LanguagesModule, nullptr);
    EXPECT_EQ(MaxStrings, 1);
    EXPECT_EQ(text(15), "ESCI");
}

TEST_F(Language, UnusableCountsCountAsOne) {
    // No "_MaxStrings", and a "_MaxLanguages" that reports none.
    BindLanguageLibrary("LanguagesBadCounts.dll");
    ASSERT_NE(LanguagesModule, nullptr);
    EXPECT_EQ(MaxLanguages, 1);
    EXPECT_EQ(MaxStrings, 1);
}

TEST_F(Language, MissingStringLeavesTheTargetAsItWas) {
    BindLanguageLibrary();
    for (int language : {0, 1}) {
        LanguageIndex = language;
        std::string target = "previous";
        EXPECT_FALSE(LoadLanguageString(216, target));
        EXPECT_EQ(target, "previous");
        QString caption = "design caption";
        EXPECT_FALSE(LoadLanguageString(400, caption));
        EXPECT_EQ(caption, "design caption");
    }
    LanguageIndex = 2; // beyond the table
    std::string target = "previous";
    EXPECT_FALSE(LoadLanguageString(5, target));
    EXPECT_EQ(target, "previous");
}

TEST_F(Language, CharsetAndCodePageReadAsNumbersInEveryLanguage) {
    BindLanguageLibrary();
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        LanguageIndex = language;
        std::int32_t charset = -1, codePage = -1;
        EXPECT_TRUE(LoadLanguageNumber(1, charset));
        EXPECT_TRUE(LoadLanguageNumber(2, codePage));
        EXPECT_EQ(charset, 0);
        EXPECT_EQ(codePage, 1252);

        // A missing slot, or one that is not a number, keeps the value.
        std::int32_t kept = 1252;
        EXPECT_FALSE(LoadLanguageNumber(4, kept));
        EXPECT_FALSE(LoadLanguageNumber(0, kept));
        EXPECT_FALSE(LoadLanguageNumber(191, kept)); // "1/4"
        EXPECT_EQ(kept, 1252);
    }
}

} // namespace
