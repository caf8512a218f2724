#include "core/inifile.h"

#include "filestest.h"

#include <limits>

namespace {

// Mixed line ends, blanks, letter case, a line outside any section, a line
// without '=', and a section and a key given twice.
const char* const kText = "DECRYPTED_MLTP_FILE\r\n"
                          "Outside=1\n"
                          "[ Lambda ]\r\n"
                          "  RifLambda =  40  \r\n"
                          "rifsupsondafredda=31\n"
                          "not a key\n"
                          "RIFLAMBDA=99\n"
                          "Empty=\n"
                          "[Generale]\n"
                          "DescrizAuto=Fiat Punto = 1.2\n"
                          "[lambda]\n"
                          "TipoDiLambda=4\n";

} // namespace

TEST(IniFileRead, MatchesNamesAsTheProfileServicesDo) {
    const TIniFile ini(kText);
    EXPECT_EQ(ini.ReadValue("LAMBDA", "rifLAMBDA"), "40");
    EXPECT_EQ(ini.ReadValue("Lambda", "RifSupSondaFredda"), "31");
    EXPECT_EQ(ini.ReadValue("Lambda", "Empty"), "");
    EXPECT_EQ(ini.ReadValue("Generale", "DescrizAuto"), "Fiat Punto = 1.2");
    EXPECT_EQ(ini.ReadValue("Lambda", "Outside"), std::nullopt);
    EXPECT_EQ(ini.ReadValue("Lambda", "not a key"), std::nullopt);
    // The first of two sections of one name is the one that is read.
    EXPECT_EQ(ini.ReadValue("Lambda", "TipoDiLambda"), std::nullopt);
    EXPECT_EQ(ini.ReadValue("Missing", "RifLambda"), std::nullopt);
    EXPECT_TRUE(ini.HasSection("generale"));
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Lambda", "Generale", "lambda"}));
    EXPECT_EQ(ini.KeyNames("Lambda"),
              (std::vector<std::string>{"RifLambda", "rifsupsondafredda", "RIFLAMBDA", "Empty"}));
    EXPECT_FALSE(ini.Modified());
}

TEST(IniFileWrite, KeepsPlacesAndAppendsInFirstWrittenOrder) {
    TIniFile ini("[Lambda]\nRifLambda=40\n; note\nTipoDiLambda=2\n\n[TPS]\nTipoDiTps=0\n");
    ini.WriteValue("lambda", "RIFLAMBDA", "41");          // in place, spelling kept
    ini.WriteValue("Lambda", "RitardoLetturaSonda", "3"); // after the last key, before the blank
    ini.WriteValue("Diagnosi", "Stato0", "0");            // new section at the end
    ini.WriteValue("TPS", "Extra", "two\r\nlines");       // a value stays on one line
    ini.WriteValue("Diagnosi", "Stato1", "1");
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.Text(), "[Lambda]\r\nRifLambda=41\r\n; note\r\nTipoDiLambda=2\r\n"
                          "RitardoLetturaSonda=3\r\n\r\n"
                          "[TPS]\r\nTipoDiTps=0\r\nExtra=two  lines\r\n"
                          "[Diagnosi]\r\nStato0=0\r\nStato1=1\r\n");
    EXPECT_EQ(TIniFile(ini.Text()).ReadValue("TPS", "Extra"), "two  lines");
}

TEST(IniFileWrite, EmptyProfileFollowsTheWriter) {
    TIniFile ini;
    ini.WriteValue("Generale", "Flag1", "1044");
    ini.WriteValue("Temperatura", "Rif0", "0");
    ini.WriteValue("Generale", "Ufficiale", "1");
    ini.WriteValue("Generale", "flag1", "1046");
    ini.WriteValue("Generale", " ", "ignored");
    EXPECT_EQ(ini.Text(), "[Generale]\r\nFlag1=1046\r\nUfficiale=1\r\n[Temperatura]\r\nRif0=0\r\n");
}

TEST(IniFileValues, IntegersAreDecimalSigned32Bit) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12", 12},
        {"-5", -5},
        {" 7 ", 7},
        {"+3", 3},
        {"2147483647", std::numeric_limits<int32_t>::max()},
        {"-2147483648", std::numeric_limits<int32_t>::min()},
        {"2147483648", 0},
        {"99999999999999999999", 0},
        {"12abc", 0},
        {"abc", 0},
        {"0x10", 0},
        {"1.5", 0},
        {"", 0},
        {"-", 0},
        {"+-5", 0},
        {"++5", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TIniFile::ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

class IniFileDisk : public FilesTest {};

TEST_F(IniFileDisk, SaveWritesWholeFilesOnly) {
    TIniFile ini;
    ini.WriteValue("Lambda", "RifLambda", "40");
    EXPECT_FALSE(ini.Save(Path("no/such/folder/file.ini")));
    EXPECT_TRUE(ini.Modified());
    Write(Path("file.ini"), "old");
    ASSERT_TRUE(ini.Save(Path("file.ini")));
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(Read(Path("file.ini")), "[Lambda]\r\nRifLambda=40\r\n");

    TIniFile back;
    ASSERT_TRUE(back.Load(Path("file.ini")));
    EXPECT_EQ(back.ReadValue("Lambda", "RifLambda"), "40");
    EXPECT_FALSE(back.Load(Path("missing.ini")));
    EXPECT_FALSE(back.HasSection("Lambda"));
}
