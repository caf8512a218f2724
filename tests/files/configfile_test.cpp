#include "core/configfile.h"
#include "core/scramble.h"

#include "filestest.h"

#include "platform/files.h"

#include "tests/support/fullfolder.h"

#include <map>
#include <random>

namespace {

const char* const kKey = "Tv*3307kPell!am";

QByteArray Scrambled(QByteArray bytes, const char* key = kKey) {
    ScrambleBytes(reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()), key);
    return bytes;
}

QByteArray Container(const QByteArray& plain, const char* key = kKey) {
    return QByteArray(kEncryptedHeader) + "\r\n" + Scrambled(plain, key);
}

std::string Unpacked(const QByteArray& file) {
    const auto body =
        DecodeContainer(reinterpret_cast<const uint8_t*>(file.data()), size_t(file.size()), kKey);
    return body ? std::string(body->begin(), body->end()) : "<not a container>";
}

// A distinct value for every key, of the kind the engine writes there.
std::string ValueOf(size_t n) {
    switch (n % 3) {
    case 0:
        return std::to_string(int(n) * 7 - 1000);
    case 1:
        return "Testo " + std::to_string(n) + " \xe8";
    default:
        return n % 2 ? "1" : "0";
    }
}

} // namespace

class ConfigFileTest : public FilesTest {
protected:
    TConfigFile file;
};

TEST_F(ConfigFileTest, DoesNothingWhileClosed) {
    EXPECT_EQ(file.FileName(), "default");
    EXPECT_FALSE(file.IsOpen());
    int32_t n = 5;
    bool b = true;
    std::string s = "keep";
    EXPECT_FALSE(file.ReadIntegerIfExists(n, "RifLambda", "Lambda"));
    EXPECT_FALSE(file.ReadBoolIfExists(b, "Ufficiale", "Generale"));
    EXPECT_FALSE(file.ReadStringIfExists(s, "Euro", "Generale", 11));
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(b);
    EXPECT_EQ(s, "keep");
    file.WriteInteger(1, "RifLambda", "Lambda");
    EXPECT_FALSE(file.CloseIniFile());
    file.CloseIniResource();
    EXPECT_FALSE(platform::FileExists("default"));
}

TEST_F(ConfigFileTest, FullFileWrittenIsReadBackEqualInTheEngineOrder) {
    const auto& keys = ConfigFileKeys();
    ASSERT_TRUE(file.SetFileName(Path("vettura.vx4")));
    ASSERT_TRUE(file.OpenIniFile(false, kKey));
    for (size_t n = 0; n < keys.size(); ++n)
        file.WriteString(ValueOf(n), keys[n].key, keys[n].section);
    EXPECT_EQ(WorkCopies().size(), 1);
    ASSERT_TRUE(file.CloseIniFile());
    EXPECT_TRUE(WorkCopies().isEmpty());

    // On disk: the header, then the text with sections and keys in the order written.
    const QByteArray stored = Read(Path("vettura.vx4"));
    ASSERT_TRUE(stored.startsWith(QByteArray(kEncryptedHeader) + "\r\n"));
    const TIniFile text(Unpacked(stored));
    EXPECT_EQ(text.SectionNames(), ConfigFileSections());
    std::map<std::string, std::vector<std::string>> order;
    for (const TConfigKey& k : keys)
        order[k.section].push_back(k.key);
    for (const auto& [section, names] : order)
        EXPECT_EQ(text.KeyNames(section), names) << section;

    ASSERT_TRUE(file.OpenIniFile(true, kKey));
    for (size_t n = 0; n < keys.size(); ++n) {
        std::string value;
        ASSERT_TRUE(file.ReadStringIfExists(value, keys[n].key, keys[n].section, 0));
        EXPECT_EQ(value, ValueOf(n)) << keys[n].key;
    }
    ASSERT_TRUE(file.CloseIniFile());
    // Reading stores the file again, unchanged.
    EXPECT_EQ(Read(Path("vettura.vx4")), stored);
    EXPECT_TRUE(WorkCopies().isEmpty());
}

TEST_F(ConfigFileTest, ReadsTypedValues) {
    Write(Path("f.vx4"), Container("[Generale]\r\nFlag1=1044\r\nUfficiale=2\r\nPotenza=x\r\n"
                                   "DescrizAuto=" +
                                   QByteArray(60, 'D') + "\r\nEuro=\r\n"));
    file.SetFileName(Path("f.vx4"));
    ASSERT_TRUE(file.OpenIniFile(true, kKey));
    int32_t n = 0;
    EXPECT_TRUE(file.ReadIntegerIfExists(n, "flag1", "GENERALE"));
    EXPECT_EQ(n, 1044);
    EXPECT_TRUE(file.ReadIntegerIfExists(n, "Potenza", "Generale"));
    EXPECT_EQ(n, 0) << "a malformed number reads 0";
    bool b = false;
    EXPECT_TRUE(file.ReadBoolIfExists(b, "Ufficiale", "Generale"));
    EXPECT_TRUE(b);
    std::string s;
    EXPECT_TRUE(file.ReadStringIfExists(s, "DescrizAuto", "Generale", 30));
    EXPECT_EQ(s, std::string(29, 'D'));
    EXPECT_TRUE(file.ReadStringIfExists(s, "DescrizAuto", "Generale", 51));
    EXPECT_EQ(s, std::string(50, 'D'));
    EXPECT_TRUE(file.ReadStringIfExists(s, "Euro", "Generale", 11));
    EXPECT_EQ(s, "");
    n = 77;
    EXPECT_FALSE(file.ReadIntegerIfExists(n, "CentCubici", "Generale"));
    EXPECT_EQ(n, 77);
    file.DiscardIniFile();
}

TEST_F(ConfigFileTest, WholeTextWithoutMostKeysLoadsAndIsStoredScrambled) {
    const QByteArray plain = "[Lambda]\r\nRifLambda=40\r\n";
    Write(Path("plain.vx4"), QByteArray(kDecryptedHeader) + "\r\n" + plain);
    file.SetFileName(Path("plain.vx4"));
    ASSERT_TRUE(file.OpenIniFile(true, kKey));
    int32_t n = 0;
    EXPECT_TRUE(file.ReadIntegerIfExists(n, "RifLambda", "Lambda"));
    EXPECT_EQ(n, 40);
    EXPECT_FALSE(file.ReadIntegerIfExists(n, "TipoDiLambda", "Lambda"));
    EXPECT_FALSE(file.ReadIntegerIfExists(n, "Flag1", "Generale"));
    ASSERT_TRUE(file.CloseIniFile());
    EXPECT_EQ(Read(Path("plain.vx4")), Container(plain));
}

TEST_F(ConfigFileTest, RefusesBadFilesAndLeavesThemAsTheyWere) {
    std::mt19937 random(3);
    QByteArray noise(4000, 0);
    for (char& c : noise)
        c = char(random());
    const QByteArray good =
        "[Lambda]\r\nTipoDiLambda=2\r\nRifLambda=40\r\nRitardoLetturaSonda=0\r\n"
        "TempoSondaFredda=5\r\nRifSupSondaFredda=31\r\n";
    QByteArray huge = good;
    while (huge.size() <= TConfigFile::kMaxTextSize)
        huge += "; filler filler filler filler filler filler filler filler filler\r\n";
    using F = TConfigFile::Fault;
    const struct {
        const char* what;
        QByteArray bytes;
        F fault;
    } cases[] = {
        {"empty", "", F::Foreign},
        {"header alone", Container(""), F::Foreign},
        {"cut inside the header", "ENCRYPTED_MLTP", F::Unreadable},
        {"scrambled with another key", Container(good, "OtherKey"), F::Binary},
        {"foreign binary", noise, F::Binary},
        {"foreign text", Container("[Settings]\r\nColour=red\r\n"), F::Foreign},
        {"last line cut short", Container("[Lambda]\r\nRifLambda=4"), F::CutShort},
        {"over 1 MiB", Container(huge), F::TooLarge},
    };
    for (const auto& c : cases) {
        Write(Path("bad.vx4"), c.bytes);
        file.SetFileName(Path("bad.vx4"));
        EXPECT_FALSE(file.OpenIniFile(true, kKey)) << c.what;
        EXPECT_FALSE(file.IsOpen()) << c.what;
        EXPECT_EQ(file.LastFault(), c.fault) << c.what;
        EXPECT_EQ(file.LastError(), TConfigFile::kFileReadError) << c.what;
        EXPECT_EQ(Read(Path("bad.vx4")), c.bytes) << c.what;
        EXPECT_TRUE(WorkCopies().isEmpty()) << c.what;
    }
    file.SetFileName(Path("missing.vx4"));
    EXPECT_FALSE(file.OpenIniFile(true, kKey));
    EXPECT_EQ(file.LastFault(), F::Unreadable);
    EXPECT_FALSE(platform::FileExists(Path("missing.vx4")));
}

TEST_F(ConfigFileTest, DiscardKeepsTheOldFileByteForByte) {
    const QByteArray old = Container("[Lambda]\r\nRifLambda=40\r\n");
    Write(Path("f.vx4"), old);
    file.SetFileName(Path("f.vx4"));
    ASSERT_TRUE(file.OpenIniFile(false, kKey));
    file.WriteInteger(41, "RifLambda", "Lambda");
    file.DiscardIniFile();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Read(Path("f.vx4")), old);
    EXPECT_TRUE(WorkCopies().isEmpty());
}

TEST_F(ConfigFileTest, StoreFailureIsReported) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path("gone"))));
    file.SetFileName(Path("gone/f.vx4"));
    ASSERT_TRUE(file.OpenIniFile(false, kKey));
    file.WriteInteger(41, "RifLambda", "Lambda");
    ASSERT_TRUE(QDir(QString::fromStdString(Path("gone"))).removeRecursively());
    EXPECT_FALSE(file.CloseIniFile());
    EXPECT_EQ(file.LastFault(), TConfigFile::Fault::StoreFailed);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(WorkCopies().isEmpty());
}

// The work copy is never synced, but a disk that cannot take it still fails
// the open and the store plainly, the file keeping every byte.
TEST_F(ConfigFileTest, AFullTemporaryDiskFailsTheStoreAndTheOpenAndKeepsTheFile) {
    FullFolder disk(QString::fromStdString(Path("tmp")));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QByteArray old = Container("[Lambda]\r\nRifLambda=40\r\n");
    Write(Path("f.vx4"), old);
    file.SetFileName(Path("f.vx4"));
    ASSERT_TRUE(file.OpenIniFile(false, kKey));
    ASSERT_TRUE(disk.fill());
    file.WriteInteger(41, "RifLambda", "Lambda");
    EXPECT_FALSE(file.CloseIniFile());
    EXPECT_EQ(file.LastFault(), TConfigFile::Fault::StoreFailed);

    EXPECT_FALSE(file.OpenIniFile(true, kKey));
    EXPECT_EQ(file.LastFault(), TConfigFile::Fault::TempFile);
    EXPECT_EQ(file.LastError(), TConfigFile::kFileReadError);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Read(Path("f.vx4")), old);
    EXPECT_EQ(WorkCopies(), QStringList());
}

TEST_F(ConfigFileTest, PathOver249CharactersOpensNothing) {
    const std::string folder = Path("");
    const std::string longest =
        folder + std::string(TConfigFile::kMaxPathLength - folder.size(), 'a');
    EXPECT_TRUE(file.SetFileName(longest));
    EXPECT_EQ(file.FileName(), longest);
    EXPECT_FALSE(file.SetFileName(longest + "b"));
    EXPECT_EQ(file.FileName(), "");
    EXPECT_FALSE(file.OpenIniFile(false, kKey));
    EXPECT_EQ(file.LastFault(), TConfigFile::Fault::BadPath);
    EXPECT_TRUE(WorkCopies().isEmpty());
}

TEST_F(ConfigFileTest, OneFileAtATimeAndOnlyWithAKey) {
    Write(Path("f.vx4"), Container("[Lambda]\r\nRifLambda=40\r\n"));
    file.SetFileName(Path("f.vx4"));
    EXPECT_FALSE(file.OpenIniFile(true, ""));
    EXPECT_EQ(file.LastFault(), TConfigFile::Fault::BadKey);
    ASSERT_TRUE(file.OpenIniFile(true, kKey));
    EXPECT_FALSE(file.OpenIniFile(true, kKey));
    EXPECT_FALSE(file.OpenIniResource(nullptr, 18, kKey));
    EXPECT_EQ(file.LastFault(), TConfigFile::Fault::AlreadyOpen);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_FALSE(file.IsResource());
    int32_t n = 0;
    EXPECT_TRUE(file.ReadIntegerIfExists(n, "RifLambda", "Lambda"));
    EXPECT_EQ(n, 40);
    file.CloseIniResource(); // not a resource: stays open
    EXPECT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.CloseIniFile());
}

TEST(ConfigFileLayout, SectionsInTheOrderTheEngineFirstUsesThem) {
    EXPECT_EQ(ConfigFileSections(),
              (std::vector<std::string>{"Generale", "Temperatura", "MappaCoefficientiK",
                                        "RiferimentiTempiK", "RiferimentiGiriK", "TempiKOpenLoop",
                                        "Lambda", "RiferimentiGiri", "Accensione-Cambio", "TPS",
                                        "SensoreDiLivello", "Diagnosi", "Arricchimento",
                                        "Emulazione", "Iniezione", "PressioneDifferenziale",
                                        "TInjDefault", "AutoTaratura"}));
}
