// The string tables as a reader sees them: the language library loaded by
// name, and the program's own Italian table.
#include "languages/builtinstrings.h"
#include "platform/cp1252.h"
#include "platform/module.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>

namespace {

constexpr int kBuffer = 255;
const std::set<int> kEmptySlots = {216, 232, 241, 249, 264, 281, 294, 305,
                                   315, 326, 340, 347, 357, 368, 376, 386, 400};

std::string cp1252(const char* utf8) {
    return platform::fromUnicode(QString::fromUtf8(utf8));
}

std::optional<std::string> read(platform::ModuleHandle module, unsigned id, int size = kBuffer) {
    std::string buffer(static_cast<size_t>(size), '\0');
    const int n = platform::LoadString(module, id, buffer.data(), size);
    if (n == 0)
        return std::nullopt;
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

class LanguageTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        languages::RegisterBuiltinStrings();
        library = platform::LoadLibrary("Languages.dll");
    }
    static void TearDownTestSuite() {
        platform::FreeLibrary(library);
        library = nullptr;
    }
    void SetUp() override { ASSERT_NE(library, nullptr) << "Languages.so beside the test"; }

    static platform::ModuleHandle library;
};
platform::ModuleHandle LanguageTables::library = nullptr;

TEST_F(LanguageTables, SlotsReadInBothLanguagesThroughTheExportedShape) {
    using MaxLanguagesFn = void (*)(std::uint8_t*);
    using MaxStringsFn = void (*)(std::int32_t*);
    auto maxLanguages =
        reinterpret_cast<MaxLanguagesFn>(platform::GetProcAddress(library, "_MaxLanguages"));
    auto maxStrings =
        reinterpret_cast<MaxStringsFn>(platform::GetProcAddress(library, "_MaxStrings"));
    ASSERT_TRUE(maxLanguages && maxStrings);
    std::uint8_t languages = 0;
    std::int32_t perLanguage = 0;
    maxLanguages(&languages);
    maxStrings(&perLanguage);
    ASSERT_EQ(languages, 2);
    ASSERT_EQ(perLanguage, 500);

    struct Slot {
        unsigned n;
        const char* italian;
        const char* english;
    };
    const Slot samples[] = {
        {0, "&Italiano", "&English"},
        {1, "0", "0"},
        {2, "1252", "1252"},
        {44,
         "La centralina è disconnessa poichè non risponde correttamente. \nImpossibile "
         "connettersi.",
         "The ECU has been disconnected because it does not respond correctly. \nImpossible to "
         "connect."},
        {70, "Riprovare ?", "Retry ?"},
        {123, "°C", "°C"},
        {320, "Procedendo si terminerà la procedura di taratura. Continuare ? ",
         "Going on will end the calibration procedure. Continue ? "},
        {393, "INVIO: inserimento valore   SPAZIO: apprendimento valore ",
         "ENTER: enter value   SPACE: learn value "},
        {441,
         "Attenzione !!! Il proseguimento di tale operazione cancellerà\ni parametri attuali "
         "della carburazione. Continuare ?",
         "Warning !!! Going on with this operation will delete\nthe current carburation "
         "parameters. Continue ?"},
        {499,
         "Nota: l'emulazione è disattivata con ritardo per attivazione emulazione uguale a zero",
         "Note: the emulation is disabled when the emulation activation delay is zero"},
    };
    for (const Slot& s : samples) {
        SCOPED_TRACE(s.n);
        EXPECT_EQ(read(library, s.n), cp1252(s.italian));
        EXPECT_EQ(read(library, 1 * unsigned(perLanguage) + s.n), cp1252(s.english));
    }
}

TEST_F(LanguageTables, GivenEnglishTextsStandExactly) {
    const std::pair<unsigned, const char*> given[] = {
        {0, "&English"},
        {1, "0"},
        {2, "1252"},
        {3, "&Language"},
        {5, "MAIN MENU"},
        {6, "VEHICLE CONFIGURATION"},
        {7, "DISPLAY"},
        {8, "DIAGNOSYS"},
        {9, "AUTOCALIBRATION"},
        {11, "LOAD CONFIGURATION"},
        {12, "SAVE CONFIGURATION"},
        {13, "ECU REPROGRAMMING"},
        {15, "EXIT"},
        {36, "ECU connected"},
        {37, "ECU not connected"},
        {38, "Impossible to connect."},
        {41, "WARNING: No connection to ECU has been found."},
        {42, "The changes carried out won't have any effect on ECU."},
        {43, "Connect (CTRL + C) before changing the parameters."},
        {58, "Save data stored in a file?"},
        {59, "Completed"},
        {239, "The copy and paste areas have different sizes."},
        {240, "Continue?"},
        {300, "File format not valid"},
        {317, "LPG"},
        {318, "Methane"},
        {358, "Turn on sub-key alone and wait for required data to be stored..."},
        {359, "Take the engine to 2000 revs and wait for the requried data to be stored..."},
        {361, "External map parameters calculated correctly."},
    };
    for (const auto& [n, english] : given)
        EXPECT_EQ(read(library, 500 + n), std::string(english)) << "slot " << n;
}

TEST_F(LanguageTables, AccentsAreCodePage1252Bytes) {
    EXPECT_EQ(read(library, 123), std::string("\xB0"
                                              "C"));
    EXPECT_EQ(read(library, 41)->find("non \xE8 stata"), 12u);
    EXPECT_NE(read(library, 320)->find("terminer\xE0 "), std::string::npos);
    EXPECT_NE(read(library, 56)->find("pi\xF9 aggiornata"), std::string::npos);
    EXPECT_NE(read(library, 237)->find("pu\xF2 essere"), std::string::npos);
    EXPECT_NE(read(library, 44)->find("poich\xE8 non"), std::string::npos);
}

TEST_F(LanguageTables, EmptySlotsAreTheSameInEveryTable) {
    int filled = 0;
    for (unsigned n = 0; n < 500; ++n) {
        SCOPED_TRACE(n);
        const bool empty = kEmptySlots.count(int(n)) > 0;
        EXPECT_EQ(read(library, n).has_value(), !empty);
        EXPECT_EQ(read(library, 500 + n).has_value(), !empty);
        EXPECT_EQ(read(nullptr, n).has_value(), !empty);
        filled += !empty;
    }
    EXPECT_EQ(filled, 483);
    EXPECT_FALSE(read(library, 1000));
}

TEST_F(LanguageTables, ProgramTableIsTheItalianLanguageAlone) {
    for (unsigned n = 0; n < 500; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(read(nullptr, n), read(library, n));
        EXPECT_FALSE(read(nullptr, 500 + n));
    }
}

TEST_F(LanguageTables, EveryTextFitsTheReadersBufferWithRealLineBreaks) {
    // The longest text is read whole.
    const auto longest = read(library, 444);
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->size(), 224u);
    EXPECT_EQ(longest->substr(longest->size() - 11), "collegati ?");
    EXPECT_EQ(std::count(longest->begin(), longest->end(), '\n'), 3);

    for (unsigned id = 0; id < 1000; ++id) {
        const auto text = read(library, id, 1024);
        if (!text)
            continue;
        SCOPED_TRACE(id);
        EXPECT_EQ(read(library, id), text);
        EXPECT_EQ(text->find('\\'), std::string::npos);
        EXPECT_EQ(text->find('\r'), std::string::npos);
    }
}

TEST_F(LanguageTables, ExportsAreTheOnlyDynamicSymbolsAndWriteOnlyTheirCount) {
    QProcess nm;
    nm.start(VEXANO_NM, {"-D", "--defined-only", "--format=just-symbols",
                         QString::fromStdString(platform::ResolveLibraryPath("Languages.dll"))});
    ASSERT_TRUE(nm.waitForFinished());
    ASSERT_EQ(nm.exitCode(), 0) << nm.readAllStandardError().toStdString();
    const QStringList symbols =
        QString::fromLocal8Bit(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(std::set<QString>(symbols.begin(), symbols.end()),
              (std::set<QString>{"_MaxLanguages", "_MaxStrings"}));

    auto maxLanguages = reinterpret_cast<void (*)(std::uint8_t*)>(
        platform::GetProcAddress(library, "_MaxLanguages"));
    auto maxStrings =
        reinterpret_cast<void (*)(std::int32_t*)>(platform::GetProcAddress(library, "_MaxStrings"));
    ASSERT_TRUE(maxLanguages && maxStrings);
    std::uint8_t bytes[3] = {0xAA, 0xAA, 0xAA};
    maxLanguages(&bytes[1]);
    EXPECT_EQ(bytes[0], 0xAA);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 0xAA);
    std::int32_t words[3] = {-7, -7, -7};
    maxStrings(&words[1]);
    EXPECT_EQ(words[0], -7);
    EXPECT_EQ(words[1], 500);
    EXPECT_EQ(words[2], -7);
}

TEST(LanguageLibraryResource, RegisteredWhileLoadedOnly) {
    const QString path = platform::StringTableResourcePath("Languages");
    EXPECT_FALSE(QFile::exists(path));
    platform::ModuleHandle library = platform::LoadLibrary("Languages.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(QFile::exists(path));
    platform::FreeLibrary(library);
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
