#include "core/configfile.h"
#include "core/edition.h"

#include "filestest.h"

#include "platform/module.h"

#include <QProcess>
#include <set>

namespace {

using GetResourceIdFn = int (*)(int, int, int, int);

class BasarioTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        SetupEditionProfile(128);
        module_ = platform::LoadLibrary("Basario.dll");
        ASSERT_NE(module_, nullptr);
        getResourceId_ =
            reinterpret_cast<GetResourceIdFn>(platform::GetProcAddress(module_, "_GetResourceId"));
        ASSERT_NE(getResourceId_, nullptr);
    }
    void TearDown() override {
        file.DiscardIniFile();
        platform::FreeLibrary(module_);
        FilesTest::TearDown();
    }

    int32_t Integer(const char* key, const char* section) {
        int32_t n = -12345;
        EXPECT_TRUE(file.ReadIntegerIfExists(n, key, section)) << key;
        return n;
    }

    platform::ModuleHandle module_ = nullptr;
    GetResourceIdFn getResourceId_ = nullptr;
    TConfigFile file;
};

} // namespace

TEST_F(BasarioTest, ExportsExactlyItsTwoFunctions) {
    EXPECT_NE(platform::GetProcAddress(module_, "_GetCalibratingId"), nullptr);
    QProcess nm;
    nm.start("nm", {"-D", "--defined-only",
                    QString::fromStdString(platform::ResolveLibraryPath("Basario.dll"))});
    if (!nm.waitForFinished() || nm.exitCode() != 0)
        GTEST_SKIP() << "nm is not available";
    std::set<std::string> symbols;
    for (const QByteArray& line : nm.readAllStandardOutput().split('\n'))
        if (const QList<QByteArray> f = line.simplified().split(' '); f.size() == 3)
            symbols.insert(f[2].toStdString());
    EXPECT_EQ(symbols, (std::set<std::string>{"_GetCalibratingId", "_GetResourceId"}));
}

TEST_F(BasarioTest, NamesTheResourceOfAFuelAndInjectorType) {
    const struct {
        int fuel, reserved, injector, customer, id;
    } cases[] = {
        {0, 0, 18, 10, 18}, // what connecting asks for
        {0, 0, 0, 10, 20},  {0, 0, 3, 10, 23},        {1, 0, 0, 10, 30},
        {1, 0, 3, 10, 33},  {0, 0, 0x102, 0xa0a, 22}, // only the low bytes count
        {2, 0, 0, 10, 0},   {0, 0, 4, 10, 0},         {1, 0, 18, 10, 0},
        {0, 1, 0, 10, 0},   {0, 0, 0, 11, 0},         {-1, 0, 0, 10, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(getResourceId_(c.fuel, c.reserved, c.injector, c.customer), c.id)
            << c.fuel << ", " << c.reserved << ", " << c.injector << ", " << c.customer;
    EXPECT_EQ(
        getResourceId_(0, 0, DefaultResourceIdOfMask(BrandMaskOfCode(-1)), CustomerCodeOfMask(0)),
        18);
}

// Every resource the library can name is a complete configuration of the
// fuel and injector type it was asked for.
TEST_F(BasarioTest, EveryNamedResourceIsACompleteConfigurationOfItsKit) {
    std::set<int> seen;
    for (int fuel = 0; fuel <= 1; ++fuel) {
        for (int injector = 0; injector <= 255; ++injector) {
            const int id = getResourceId_(fuel, 0, injector, 10);
            if (id == 0)
                continue;
            seen.insert(id);
            ASSERT_TRUE(file.OpenIniResource(module_, id, GetFileScrambleKey())) << id;
            EXPECT_TRUE(file.IsResource());
            for (const TConfigKey& k : ConfigFileKeys()) {
                std::string value;
                EXPECT_TRUE(file.ReadStringIfExists(value, k.key, k.section, 0))
                    << "#" << id << " [" << k.section << "] " << k.key;
            }
            EXPECT_EQ((Integer("Flag1", "Generale") >> 1) & 1, fuel) << id;
            EXPECT_EQ(Integer("TipoIniettoreSoftware", "Iniezione"), injector == 18 ? 0 : injector)
                << id;
            file.CloseIniResource();
            EXPECT_FALSE(file.IsOpen());
            EXPECT_TRUE(WorkCopies().isEmpty());
        }
    }
    EXPECT_EQ(seen, (std::set<int>{18, 20, 21, 22, 23, 30, 31, 32, 33}));
}

TEST_F(BasarioTest, VariantsDifferWhereTheirKitDoes) {
    const auto value = [&](int id, const char* key, const char* section) {
        EXPECT_TRUE(file.OpenIniResource(module_, id, GetFileScrambleKey())) << id;
        const int32_t n = Integer(key, section);
        file.CloseIniResource();
        return n;
    };
    // The connect default differs from the program's own defaults (28, 1600).
    EXPECT_EQ(value(18, "RifLambda", "Lambda"), 30);
    EXPECT_EQ(value(18, "GiriPerCambio", "Accensione-Cambio"), 1800);
    EXPECT_NE(value(20, "MappaK0_0", "MappaCoefficientiK"),
              value(30, "MappaK0_0", "MappaCoefficientiK"));
    EXPECT_NE(value(20, "TempoAperturaIniettore", "Iniezione"),
              value(21, "TempoAperturaIniettore", "Iniezione"));
    EXPECT_EQ(value(21, "TempoAperturaIniettore", "Iniezione"),
              value(31, "TempoAperturaIniettore", "Iniezione"));
}

TEST_F(BasarioTest, MissingOrUnreadableResourceFailsPlainly) {
    const struct {
        const char* what;
        platform::ModuleHandle module;
        int id;
        const char* key;
        TConfigFile::Fault fault;
    } cases[] = {
        {"unknown id", module_, 999, GetFileScrambleKey(), TConfigFile::Fault::NoResource},
        {"the program's own module", nullptr, 18, GetFileScrambleKey(),
         TConfigFile::Fault::NoResource},
        {"another key", module_, 18, "NotTheKey", TConfigFile::Fault::Binary},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(file.OpenIniResource(c.module, c.id, c.key)) << c.what;
        EXPECT_FALSE(file.IsOpen()) << c.what;
        EXPECT_EQ(file.LastFault(), c.fault) << c.what;
        EXPECT_EQ(file.LastError(), TConfigFile::kResourceReadError) << c.what;
        EXPECT_TRUE(WorkCopies().isEmpty()) << c.what;
    }
}
