// The engine between configuration files, default configurations and the
// image: round trips, the order of a saved file, defaults, the items files do
// not carry, and files the engine must refuse.
#include "transferfixture.h"

#include "core/basario.h"
#include "core/configfile.h"
#include "core/conversions.h"
#include "core/inifile.h"
#include "core/paramid.h"
#include "core/scramble.h"

#include "platform/module.h"

#include <QDir>
#include <csignal>
#include <span>
#include <sys/resource.h>

namespace {

constexpr uint8_t kLoad = kTransferFileToImage;
constexpr uint8_t kSave = kTransferImageToFile;

// The items whose values differ between two images.
std::vector<std::string> Differences(TEcuImage a, TEcuImage b) {
    std::vector<std::string> names;
    for (const TImageItem& item : ImageItems())
        if (!std::ranges::equal(std::span(item.storage(a), item.size),
                                std::span(item.storage(b), item.size)))
            names.push_back(item.name);
    a.Modified = b.Modified;
    if (names.empty() && !(a == b))
        names.push_back("geometry, form, identity or description");
    return names;
}

class FileTransferTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        // File work needs no unit; tests that want one say so.
        dm->EcuLink()->Disconnect();
        sim.clearCallLog();
    }

    // The plain text of a default configuration of the stand-in.
    std::string ResourceText(int id) const {
        QByteArray data;
        EXPECT_TRUE(platform::FindResource(BasarioModule, "#" + std::to_string(id), "#256", data));
        const auto plain = DecodeResource(reinterpret_cast<const uint8_t*>(data.constData()),
                                          size_t(data.size()), dm->ScrambleKey().c_str());
        return plain ? std::string(plain->begin(), plain->end()) : std::string();
    }
    static std::string Edited(const std::string& text, const char* section, const char* key,
                              const std::string& value) {
        TIniFile ini(text);
        ini.WriteValue(section, key, value);
        return ini.Text();
    }
    // What a load of nothing but defaults gives.
    TEcuImage Defaults() {
        auto fresh = NewImage();
        EXPECT_TRUE(fresh->Transfer(kLoad, "", 0, kGroupAll, false));
        return fresh->Image();
    }
};

// Every element a value of its own, within what the file and the unit hold,
// and the items files do not carry as a load leaves them.
TEcuImage DistinctImage(const TEcuImage& start) {
    TEcuImage m = start;
    int n = 0;
    for (const TImageItem& item : ImageItems())
        for (int32_t& v : std::span(item.storage(m), item.size))
            v = (n++ * 37) % (paramid::isWord(item.id) ? 30000 : 250) + 1;
    m.NumeroRighe = 9;
    m.NumeroColonne = 8;
    // Cells outside the geometry are never stored; a fresh image holds 0 there.
    for (int r = 0; r < TEcuImage::kMapRows; ++r)
        for (int c = 0; c < TEcuImage::kMapColumns; ++c)
            if (r > m.NumeroRighe || c >= m.NumeroColonne)
                m.MappaK[r][c] = 0;
    m.Clock = kDefaultClock;
    const std::string serial = "SerialNumberNotInEcu";
    std::copy(serial.begin(), serial.end(), m.SerialNumber);
    for (int32_t* unitOnly :
         {&m.Param212, &m.Param17, &m.Param218, &m.Param23b, &m.Param23c, &m.Param43, &m.Param44})
        *unitOnly = 0;
    std::fill(std::begin(m.Tabella19), std::end(m.Tabella19), 0);
    m.TempoMaxCorrente[0] = 7000; // below 20 ms
    m.TempoMaxCorrente[1] = 500;  // below 1.5 ms
    m.SafeDelay = 600;
    m.TipoIniettoreSoftware[0] = m.TipoIniettoreSoftware[1];
    m.CoeffPressDiffByte = 0;
    m.DescrizAuto = "Fiat Punto 1.2 8V Dynamic del 2004, impianto BRC!";
    m.Identificazione[0] = 0;
    m.Identificazione[1] = 0;
    for (int i = 0; i < TEcuImage::kNameLength; ++i)
        m.Identificazione[2 + i] = static_cast<signed char>(m.DescrizAuto[size_t(i)]);
    m.Euro = "Euro 4 \xe8";
    m.Motore = "188A4000";
    m.Centralina = "Marelli IAW 59F";
    m.Cambio = "Manuale";
    m.CentCubici = 1242;
    m.Valvole = 8;
    m.NCilindri = 4;
    m.Potenza = 4400 * 0.01;
    m.AnnoVettura = 2004;
    std::fill(std::begin(m.EcuIdentity), std::end(m.EcuIdentity), 0);
    m.Modified = false;
    return m;
}

} // namespace

TEST_F(FileTransferTest, DistinctImageComesBackFromItsFile) {
    const TEcuImage image = DistinctImage(dm->Image());
    dm->RestoreImage(image);
    ASSERT_TRUE(dm->Transfer(kSave, Path("punto.vx4"), 0, kGroupAll, false))
        << dm->LastTransferError();
    EXPECT_FALSE(dm->IsModified());

    auto loaded = NewImage();
    ASSERT_TRUE(loaded->Transfer(kLoad, Path("punto.vx4"), 0, kGroupAll, false))
        << loaded->LastTransferError();
    EXPECT_EQ(Differences(loaded->Image(), image), std::vector<std::string>{});
    EXPECT_TRUE(loaded->Image() == image);
    EXPECT_EQ(loaded->GetNomeConfigurazione(), image.DescrizAuto.substr(0, 28));
    EXPECT_FALSE(loaded->IsUfficiale());
}

// The default configuration goes through the image into a file and back
// into a second file unchanged; every key keeps the resource's value but the
// pressure coefficients, which a load always turns into the word form.
TEST_F(FileTransferTest, DefaultConfigurationKeepsEveryKeyThroughImageAndFile) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path("a"))));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path("b"))));
    ASSERT_TRUE(dm->Transfer(kSave, Path("a/Standard GPL"), 0, kGroupAll, false));
    auto second = NewImage();
    ASSERT_TRUE(second->Transfer(kLoad, Path("a/Standard GPL"), 0, kGroupAll, false));
    EXPECT_TRUE(second->Image() == dm->Image())
        << testing::PrintToString(Differences(second->Image(), dm->Image()));
    ASSERT_TRUE(second->Transfer(kSave, Path("b/Standard GPL"), 0, kGroupAll, false));
    EXPECT_EQ(PlainText(Path("b/Standard GPL")), PlainText(Path("a/Standard GPL")));

    const TIniFile resource(ResourceText(18));
    const TIniFile saved(PlainText(Path("b/Standard GPL")));
    for (const TConfigKey& k : ConfigFileKeys()) {
        std::optional<std::string> want = resource.ReadValue(k.section, k.key);
        ASSERT_TRUE(want) << k.key;
        if (k.key.starts_with("CoeffPressDiff"))
            want = k.key == "CoeffPressDiffByte"
                       ? "0"
                       : std::to_string(TIniFile::ParseInteger(*want) * 30);
        // Cells past the map's 6 columns are read from no file: the image's 0 is stored.
        if (k.key.starts_with("MappaK") && std::stoi(k.key.substr(k.key.find('_') + 1)) >= 6)
            want = "0";
        EXPECT_EQ(saved.ReadValue(k.section, k.key), want) << "[" << k.section << "] " << k.key;
    }
}

TEST_F(FileTransferTest, SavedFileHoldsSectionsAndKeysInWriteOrder) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    ASSERT_TRUE(dm->Transfer(kSave, Path("order.vx4"), 0, kGroupAll, false));
    const std::string text = PlainText(Path("order.vx4"));
    EXPECT_TRUE(text.starts_with("[Generale]\r\nFlag1=")) << text.substr(0, 40);
    const TIniFile saved(text);
    EXPECT_EQ(saved.SectionNames(), ConfigFileSections());
    for (const std::string& section : ConfigFileSections()) {
        std::vector<std::string> keys;
        for (const TConfigKey& k : ConfigFileKeys())
            if (k.section == section)
                keys.push_back(k.key);
        EXPECT_EQ(saved.KeyNames(section), keys) << section;
    }
    EXPECT_EQ(saved.ReadValue("Generale", "VersioneFile"), "1");
    EXPECT_EQ(saved.ReadValue("Generale", "NomeConfigurazione"), "order.vx4");
}

// With no file at all a load gives every item its default: raw values,
// times over the clock of 2560, temperatures over the curves as they stand,
// the map's default rows and the byte-form pressure coefficients as words.
TEST_F(FileTransferTest, DefaultsAloneFollowTheirTable) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 0, kGroupAll, false));
    EXPECT_FALSE(dm->ConfigFile().IsOpen());
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Standard");
    EXPECT_EQ(dm->GetSerialNumber(), "SerialNumberNotInEcu");
    EXPECT_EQ(dm->GetClock(), kDefaultClock);
    EXPECT_TRUE(dm->IsUfficiale());
    ASSERT_TRUE(dm->Transfer(kSave, Path("defaults.vx4"), 0, kGroupAll, false));
    const TIniFile saved(PlainText(Path("defaults.vx4")));
    const auto gas = [&](float t) { return std::to_string(dm->ConvertTempGasToRaw(t)); };
    const auto engine = [&](float t) { return std::to_string(dm->ConvertTempMotoreToRaw(t)); };
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } cases[] = {
        {"Generale", "Flag1", "1044"},
        {"Generale", "Flag2", "1"},
        {"Generale", "Ufficiale", "1"},
        {"Generale", "DescrizAuto", "Standard"},
        {"Generale", "Euro", ""},
        {"Generale", "CentCubici", "1600"},
        {"Generale", "Potenza", "0"},
        {"Generale", "Cilindrata", "1600"},
        {"Generale", "OffsetDiff", "-108"},
        {"Generale", "PendenzaDiff", "542"},
        {"Temperatura", "ParametriTempMotore3", "-20"},
        {"Temperatura", "EcuTempMotore29", "8"},
        {"Temperatura", "Rif0", "0"},
        {"Temperatura", "Rif1", gas(70)},
        {"Temperatura", "Rif8", gas(20)},
        {"Temperatura", "Rif9", "255"},
        {"Temperatura", "Coeff8", "84"},
        {"Temperatura", "RifMot1", engine(68)},
        {"Temperatura", "RifMot8", engine(0)},
        {"Temperatura", "CoeffMot0", "109"},
        {"MappaCoefficientiK", "NumeroRighe", "12"},
        {"MappaCoefficientiK", "NumeroColonne", "6"},
        {"MappaCoefficientiK", "MappaK0_0", "120"},
        {"MappaCoefficientiK", "MappaK0_5", "123"},
        {"MappaCoefficientiK", "MappaK3_3", "147"},
        {"MappaCoefficientiK", "MappaK5_0", "142"},
        {"MappaCoefficientiK", "MappaK9_4", "120"},
        {"MappaCoefficientiK", "MappaK12_5", "118"},
        {"MappaCoefficientiK", "MappaK12_6", "0"}, // past the columns: untouched
        {"RiferimentiTempiK", "RifTempiK0", "781"},
        {"RiferimentiTempiK", "RifTempiK1", "977"},
        {"RiferimentiTempiK", "RifTempiK11", "7031"},
        {"RiferimentiGiriK", "RifGiriK0", "1000"},
        {"RiferimentiGiriK", "RifGiriK5", "6000"},
        {"RiferimentiGiriK", "RifGiriK6", "0"},
        {"TempiKOpenLoop", "TOpenLoop5", "11719"},
        {"TempiKOpenLoop", "TOpenLoop6", "0"},
        {"Lambda", "TipoDiLambda", "2"},
        {"Lambda", "RifLambda", "28"},
        {"Lambda", "TempoSondaFredda", "5"},
        {"Lambda", "RifInfSondaCalda", "15"},
        {"RiferimentiGiri", "RifGiri0", "500"},
        {"RiferimentiGiri", "RifGiri11", "6000"},
        {"Accensione-Cambio", "TemperaturaCambio", gas(25)},
        {"Accensione-Cambio", "GiriPerCambio", "1600"},
        {"Accensione-Cambio", "RitardoMinimoCambio", "60"},
        {"Accensione-Cambio", "NumeroCilindri", "2"},
        {"Accensione-Cambio", "TemperaturaMotoreCambio", engine(0)},
        {"Accensione-Cambio", "TemperaturaAutotaratura", engine(60)},
        {"Accensione-Cambio", "TInjBenzMaxCambio", "4687"},
        {"TPS", "TipoDiTps", "0"},
        {"SensoreDiLivello", "TipoSensore", "129"},
        {"SensoreDiLivello", "RifSensore0", "199"},
        {"SensoreDiLivello", "RifSensore3", "39"},
        {"SensoreDiLivello", "TempoRitBenzina", "1"},
        {"Diagnosi", "Azione2_2", "0"},
        {"Diagnosi", "Stato4", "0"},
        {"Diagnosi", "Temperatura0", gas(-40)},
        {"Diagnosi", "Temperatura1", gas(180)},
        {"Diagnosi", "Temperatura2", engine(-40)},
        {"Diagnosi", "Temperatura3", engine(180)},
        {"Arricchimento", "TipoIniezione", "3"},
        {"Arricchimento", "CorrenteMantenimento", "10"},
        {"Arricchimento", "TempoMaxCorrente", "1172"},
        {"Arricchimento", "TempoMaxCorrente1", "0"},
        {"Arricchimento", "FreqHoldingCurrent", "50"},
        {"Arricchimento", "SafetyTime", "20"},
        {"Arricchimento", "SafeDelay", "781"},
        {"Emulazione", "LivelloAlto", "41"},
        {"Emulazione", "LivelloBasso", "5"},
        {"Emulazione", "TempoEmulazioneMagra1", "128"},
        {"Emulazione", "RiferimentiSondaLambda11", "26"},
        {"Emulazione", "Opzione2", "0"},
        {"Emulazione", "SmagrimentoRientroCutoff", "100"},
        {"Emulazione", "TempoEmulazioneMagra0", "8000"},
        {"Iniezione", "TempoAperturaIniettore", "586"},
        {"Iniezione", "TempoChiusuraIniettore", "0"},
        {"Iniezione", "TempoMortoIniettoreBenzina", "117"},
        {"Iniezione", "TempoMortoIniettoreGas", "430"},
        {"Iniezione", "TempoFuoriStabilizzato", "234"},
        {"Iniezione", "KFiltro", "128"},
        {"Iniezione", "KFiltro2", "128"},
        {"Iniezione", "TipoIniettoreSoftware", "0"},
        {"PressioneDifferenziale", "RifPressDiff2", "589"},
        {"PressioneDifferenziale", "RifPressDiff14", "1100"},
        {"PressioneDifferenziale", "CoeffPressDiff0", "3420"},
        {"PressioneDifferenziale", "CoeffPressDiff14", "-930"},
        {"PressioneDifferenziale", "CoeffPressDiffByte", "0"},
        {"TInjDefault", "TInjDefault0_0", "977"},
        {"TInjDefault", "TInjDefault3_1", std::to_string(ClockMsToRaw(2.8, kDefaultClock))},
        {"TInjDefault", "TInjDefault7_1", std::to_string(ClockMsToRaw(3.2, kDefaultClock))},
        {"AutoTaratura", "ScartoMinimoTaratura0", "78"},
        {"AutoTaratura", "ScartoMinimoTaratura1", "0"},
        {"AutoTaratura", "SpostamentoTaratura", "0"},
        {"AutoTaratura", "MappaCorrAutotaratura3_3", "0"},
        {"AutoTaratura", "GiriAutotaratura", "2800"},
        {"AutoTaratura", "ParametriAutotaratura0", "1"},
        {"AutoTaratura", "ParametriAutotaratura1", "5"},
        {"AutoTaratura", "ParametriAutotaratura2", "2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(saved.ReadValue(c.section, c.key), c.value) << "[" << c.section << "] " << c.key;
}

// A file that has only some sections, as files of earlier versions: those
// items take their keys, every other item its default, and the load succeeds.
TEST_F(FileTransferTest, FileWithOnlyLambdaLoadsWithDefaultsElsewhere) {
    const std::string text = "[Lambda]\r\nRifLambda=40\r\n";
    WriteConfig(Path("lambda.vx4"), text);
    ASSERT_TRUE(dm->Transfer(kLoad, Path("lambda.vx4"), 0, kGroupAll, false))
        << dm->LastTransferError();
    EXPECT_EQ(dm->LastTransferFault(), TTransferFault::None);
    EXPECT_TRUE(dm->OutOfRangeKeys().empty());

    TEcuImage want = Defaults();
    want.RifLambda = 40;
    EXPECT_EQ(Differences(dm->Image(), want), std::vector<std::string>{});
    EXPECT_TRUE(dm->Image() == want);
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Standard");
    EXPECT_TRUE(dm->IsUfficiale());
    // A good load stores the file again, as it was read.
    EXPECT_EQ(PlainText(Path("lambda.vx4")), text);
}

TEST_F(FileTransferTest, LongDescriptionNamesTheConfigurationWithItsStart) {
    const std::string sixty = "Alfa Romeo 147 1.6 Twin Spark 16V 105 CV con impianto LPG 60";
    ASSERT_EQ(sixty.size(), 60u);
    WriteConfig(Path("alfa.vx4"), Edited(ResourceText(18), "Generale", "DescrizAuto", sixty));
    ASSERT_TRUE(dm->Transfer(kLoad, Path("alfa.vx4"), 0, kGroupAll, false))
        << dm->LastTransferError();
    EXPECT_EQ(dm->GetNomeConfigurazione(), sixty.substr(0, 28));
    EXPECT_EQ(dm->GetDescrizione(1), sixty.substr(0, 50));
}

// Defaults go straight into the image: a load sends nothing to the unit,
// keeps the file's official mark, and stores the file again scrambled.
TEST_F(FileTransferTest, LoadSendsNothingAndKeepsTheOfficialMark) {
    for (const bool official : {true, false}) {
        ASSERT_TRUE(dm->EcuLink()->Connect());
        sim.clearCallLog();
        const std::string text =
            Edited(ResourceText(18), "Generale", "Ufficiale", official ? "1" : "0");
        Write(Path("plain.vx4"), QByteArray(kDecryptedHeader) + "\r\n" + text.c_str());
        ASSERT_TRUE(dm->Transfer(kLoad, Path("plain.vx4"), 0, kGroupAll, false))
            << dm->LastTransferError();
        EXPECT_EQ(dm->IsUfficiale(), official);
        EXPECT_FALSE(dm->IsModified());
        EXPECT_EQ(Calls(), (std::vector<std::string>{"IsConnected()=1", "StopMonitor()=1"}));
        EXPECT_TRUE(Read(Path("plain.vx4")).startsWith(QByteArray(kEncryptedHeader) + "\r\n"));
        EXPECT_EQ(PlainText(Path("plain.vx4")), text);
    }
}

// A file the user chooses never resets what only the unit holds; the reset
// to the default configuration does.
TEST_F(FileTransferTest, UserFileKeepsTheItemsOnlyTheUnitHolds) {
    WriteConfig(Path("user.vx4"), ResourceText(18));
    for (const bool keep : {true, false}) {
        ASSERT_TRUE(dm->EcuLink()->Connect());
        const std::string serial = "VX0000000000000042AB";
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(sim.poke(0x00, i, serial[size_t(i)]));
        const std::pair<int, int> counters[] = {{0x3b, 5400}, {0x3c, 77},   {0x12, 301},
                                                {0x17, 9},    {0x18, 1200}, {0x43, 3},
                                                {0x44, 4},    {0x79, 2600}};
        for (const auto& [param, value] : counters)
            ASSERT_TRUE(sim.poke(param, 0, value));
        ASSERT_TRUE(sim.poke(0x19, 4, 88));
        ASSERT_TRUE(dm->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false))
            << dm->LastTransferError();
        const TEcuImage fromUnit = dm->Image();

        ASSERT_TRUE(dm->Transfer(kLoad, Path("user.vx4"), 0, kGroupAll, false, keep));
        const TEcuImage& m = dm->Image();
        EXPECT_EQ(dm->GetSerialNumber(), keep ? serial : "SerialNumberNotInEcu");
        EXPECT_EQ(m.Param23b, keep ? 5400 : 0);
        EXPECT_EQ(m.Param23c, keep ? 77 : 0);
        EXPECT_EQ(m.Param212, keep ? 301 : 0);
        EXPECT_EQ(m.Param17, keep ? 9 : 0);
        EXPECT_EQ(m.Param218, keep ? 1200 : 0);
        EXPECT_EQ(m.Param43, keep ? 3 : 0);
        EXPECT_EQ(m.Param44, keep ? 4 : 0);
        EXPECT_EQ(m.Tabella19[4], keep ? 88 : 0);
        EXPECT_EQ(m.Clock, keep ? 2600 : kDefaultClock);
        // The configuration itself comes from the file either way.
        EXPECT_EQ(m.RifLambda, 30);
        EXPECT_NE(fromUnit.RifLambda, 30);
    }
}

// Files the engine cannot read: nothing of them reaches the image, the file
// stays as it was and no work copy is left behind.
TEST_F(FileTransferTest, UnreadableFilesLeaveImageAndFileAlone) {
    const std::string full = ResourceText(18);
    const struct {
        const char* what;
        std::string plain; // empty: no file
        bool scrambled;
    } cases[] = {
        {"missing", "", false},
        {"foreign text", "Caro cliente,\r\nla sua auto e' pronta.\r\n", true},
        {"cut short", full.substr(0, full.find('=', full.size() / 2) + 1), true},
        {"binary",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0",
                     10),
         false},
        {"over 1 MiB", full + std::string(TConfigFile::kMaxTextSize, ';') + "\r\n", true},
    };
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    dm->SetModified(true);
    const TEcuImage before = dm->Image();
    for (const auto& c : cases) {
        const std::string path = Path("bad.vx4");
        QFile::remove(QString::fromStdString(path));
        if (c.scrambled)
            WriteConfig(path, c.plain);
        else if (!c.plain.empty())
            Write(path, QByteArray::fromStdString(c.plain));
        const QByteArray stored = Read(path);
        progress.percents.clear();
        EXPECT_FALSE(dm->Transfer(kLoad, path, 0, kGroupAll, true)) << c.what;
        EXPECT_EQ(dm->LastTransferFault(), TTransferFault::FileOpen) << c.what;
        EXPECT_EQ(dm->LastTransferError(), TConfigFile::kFileReadError) << c.what;
        EXPECT_TRUE(dm->Image() == before) << c.what;
        EXPECT_EQ(Read(path), stored) << c.what;
        EXPECT_TRUE(progress.percents.empty()) << c.what;
        EXPECT_FALSE(dm->ConfigFile().IsOpen()) << c.what;
        EXPECT_TRUE(WorkCopies().isEmpty()) << c.what;
    }
}

// A key out of range keeps its default and the load succeeds, naming the
// key; a map geometry the image cannot hold keeps the default geometry and
// the default map.
TEST_F(FileTransferTest, ValuesOutOfRangeKeepTheirDefaults) {
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"MappaCoefficientiK", "MappaK0_0", "300"},
        {"MappaCoefficientiK", "NumeroColonne", "40"},
        {"MappaCoefficientiK", "NumeroRighe", "-1"},
        {"Lambda", "RifLambda", "-129"},
        {"Accensione-Cambio", "GiriPerCambio", "70000"},
    };
    const TEcuImage defaults = Defaults();
    for (const auto& c : cases) {
        std::string text = Edited(ResourceText(18), "MappaCoefficientiK", "MappaK3_2", "201");
        WriteConfig(Path("range.vx4"), Edited(text, c.section, c.key, c.value));
        const std::string stored = PlainText(Path("range.vx4"));
        EXPECT_TRUE(dm->Transfer(kLoad, Path("range.vx4"), 0, kGroupAll, false)) << c.key;
        EXPECT_EQ(dm->LastTransferFault(), TTransferFault::None) << c.key;
        const std::vector<std::string>& named = dm->OutOfRangeKeys();
        EXPECT_NE(std::find(named.begin(), named.end(), c.key), named.end()) << c.key;
        const TEcuImage& m = dm->Image();
        EXPECT_EQ(m.NumeroRighe, 12) << c.key;
        EXPECT_EQ(m.NumeroColonne, 6) << c.key;
        EXPECT_EQ(m.MappaK[0][0], defaults.MappaK[0][0]) << c.key;
        const bool geometry = std::string(c.key).starts_with("Numero");
        EXPECT_EQ(m.MappaK[3][2], geometry ? defaults.MappaK[3][2] : 201) << c.key;
        EXPECT_EQ(m.RifLambda, std::string(c.key) == "RifLambda" ? defaults.RifLambda : 30);
        EXPECT_EQ(m.GiriPerCambio, std::string(c.key) == "GiriPerCambio" ? 1600 : 1800);
        EXPECT_FALSE(dm->IsModified());
        EXPECT_EQ(PlainText(Path("range.vx4")), stored) << c.key;
    }
}

// What a load corrects after reading: injector times past their limits, a
// safety delay too short, the one injector-type key feeding both elements,
// and a missing coefficient of a word-form file taking its default in words.
TEST_F(FileTransferTest, LoadCorrectsWhatItReads) {
    const auto raw = [](double ms) { return ClockMsToRaw(ms, kDefaultClock); };
    const struct {
        const char* section;
        const char* key;
        const char* value; // null: the key is removed
        int32_t (*get)(const TEcuImage&);
        int32_t want;
    } cases[] = {
        {"Arricchimento", "TempoMaxCorrente", "9000",
         [](const TEcuImage& m) { return m.TempoMaxCorrente[0]; }, raw(20.0)},
        {"Arricchimento", "TempoMaxCorrente", "7000",
         [](const TEcuImage& m) { return m.TempoMaxCorrente[0]; }, 7000},
        {"Arricchimento", "TempoMaxCorrente1", "1000",
         [](const TEcuImage& m) { return m.TempoMaxCorrente[1]; }, raw(1.5)},
        {"Arricchimento", "SafeDelay", "39", [](const TEcuImage& m) { return m.SafeDelay; },
         raw(2.0)},
        {"Arricchimento", "SafeDelay", "40", [](const TEcuImage& m) { return m.SafeDelay; }, 40},
        {"Iniezione", "TipoIniettoreSoftware", "2",
         [](const TEcuImage& m) {
             return m.TipoIniettoreSoftware[0] * 10 + m.TipoIniettoreSoftware[1];
         },
         22},
        {"PressioneDifferenziale", "CoeffPressDiff3", nullptr,
         [](const TEcuImage& m) { return m.CoeffPressDiff[3]; }, 77 * 30},
    };
    for (const auto& c : cases) {
        TIniFile ini(Edited(ResourceText(18), "PressioneDifferenziale", "CoeffPressDiffByte", "0"));
        for (int i = 0; i < 15; ++i)
            ini.WriteValue("PressioneDifferenziale", "CoeffPressDiff" + std::to_string(i), "1000");
        if (c.value)
            ini.WriteValue(c.section, c.key, c.value);
        std::string text = ini.Text();
        if (!c.value) {
            const std::string line = std::string(c.key) + "=1000\r\n";
            text.erase(text.find(line), line.size());
        }
        WriteConfig(Path("fix.vx4"), text);
        ASSERT_TRUE(dm->Transfer(kLoad, Path("fix.vx4"), 0, kGroupAll, false))
            << c.key << ": " << dm->LastTransferError();
        EXPECT_EQ(c.get(dm->Image()), c.want) << c.key << "=" << (c.value ? c.value : "");
        EXPECT_EQ(dm->Image().CoeffPressDiff[0], 1000) << c.key;
    }
}

// A full disk: the save fails plainly and the old file stays byte for byte.
TEST_F(FileTransferTest, FailedSaveKeepsTheOldFile) {
    ASSERT_TRUE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    ASSERT_TRUE(dm->Transfer(kSave, Path("old.vx4"), 0, kGroupAll, false));
    const QByteArray old = Read(Path("old.vx4"));
    ASSERT_TRUE(dm->SetRifGiri(0, 700));
    ASSERT_TRUE(dm->IsModified());

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 2048;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = dm->Transfer(kSave, Path("old.vx4"), 0, kGroupAll, false);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(dm->LastTransferFault(), TTransferFault::FileStore);
    EXPECT_EQ(dm->LastTransferError(), kTransferStoreError);
    EXPECT_EQ(Read(Path("old.vx4")), old);
    EXPECT_TRUE(dm->IsModified());
    EXPECT_TRUE(WorkCopies().isEmpty());
}

// The default configuration is found through the stand-in bound by name, as
// the connect action asks for it; without the library nothing is loaded.
TEST_F(FileTransferTest, DefaultConfigurationComesFromTheLibraryBoundByName) {
    ASSERT_NE(BasarioModule, nullptr);
    ASSERT_NE(BasarioGetCalibratingId, nullptr);
    const int id = GetResourceId(0, 0, 18, 10);
    ASSERT_EQ(id, 18);
    ASSERT_TRUE(dm->Transfer(kLoad, "", id, kGroupAll, false)) << dm->LastTransferError();
    EXPECT_EQ(dm->Image().RifLambda, 30);
    EXPECT_EQ(dm->Image().GiriPerCambio, 1800);
    EXPECT_EQ(dm->Image().Cilindrata, 1400);
    EXPECT_EQ(dm->GetDescrizione(1), "Standard GPL");
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Standard GPL");
    EXPECT_EQ(dm->GetSerialNumber(), "SerialNumberNotInEcu");
    EXPECT_TRUE(dm->IsUfficiale());
    EXPECT_FALSE(dm->ConfigFile().IsOpen());

    const TEcuImage before = dm->Image();
    EXPECT_FALSE(dm->Transfer(kLoad, "", 999, kGroupAll, false));
    EXPECT_EQ(dm->LastTransferFault(), TTransferFault::ResourceOpen);
    FreeBasarioLibrary();
    EXPECT_EQ(GetResourceId(0, 0, 18, 10), 0);
    EXPECT_FALSE(dm->Transfer(kLoad, "", 18, kGroupAll, false));
    EXPECT_EQ(dm->LastTransferError(), TConfigFile::kResourceReadError);
    EXPECT_TRUE(dm->Image() == before);
    ASSERT_TRUE(BindBasarioLibrary());
}
