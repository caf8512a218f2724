#include "configfile.h"

#include "scramble.h"

#include "platform/cp1252.h"
#include "platform/files.h"

#include <QFileInfo>
#include <algorithm>

namespace {

// The plain copy of a file or resource may carry its header line besides the
// text of at most 1 MiB.
constexpr int64_t kMaxPlainSize = TConfigFile::kMaxTextSize + 32;

// One run of keys: a single key (count 0), key0..key<count-1>, or a table
// key<row>_<column> of count rows and `columns` columns.
struct TKeyRun {
    const char* section;
    const char* key;
    int count = 0;
    int columns = 0;
};

constexpr TKeyRun kLayout[] = {
    {"Generale", "Flag1"},
    {"Generale", "Flag2"},
    {"Temperatura", "TipoSensoreTemperaturaGas"},
    {"Temperatura", "ParametriTempMotore", 5},
    {"Temperatura", "EcuTempMotore", 30},
    {"MappaCoefficientiK", "NumeroRighe"},
    {"MappaCoefficientiK", "NumeroColonne"},
    {"RiferimentiTempiK", "RifTempiK", 12},
    {"RiferimentiGiriK", "RifGiriK", 12},
    {"TempiKOpenLoop", "TOpenLoop", 12},
    {"MappaCoefficientiK", "MappaK", 13, 12},
    {"Lambda", "TipoDiLambda"},
    {"Lambda", "RifLambda"},
    {"Lambda", "RitardoLetturaSonda"},
    {"Lambda", "TempoSondaFredda"},
    {"Lambda", "RifSupSondaFredda"},
    {"Lambda", "RifInfSondaFredda"},
    {"Lambda", "RifSupSondaCalda"},
    {"Lambda", "RifInfSondaCalda"},
    {"RiferimentiGiri", "RifGiri", 12},
    {"Accensione-Cambio", "TemperaturaCambio"},
    {"Accensione-Cambio", "GiriPerCambio"},
    {"Accensione-Cambio", "RitardoMinimoCambio"},
    {"Accensione-Cambio", "NumeroCilindri"},
    {"TPS", "TipoDiTps"},
    {"SensoreDiLivello", "TipoSensore"},
    {"SensoreDiLivello", "RifSensore", 4},
    {"Temperatura", "Rif", 10},
    {"Temperatura", "Coeff", 9},
    {"Diagnosi", "Azione", 3, 3},
    {"Arricchimento", "TipoIniezione"},
    {"Generale", "Ufficiale"},
    {"Generale", "NomeConfigurazione"},
    {"Generale", "DescrizAuto"},
    {"Generale", "Euro"},
    {"Generale", "CentCubici"},
    {"Generale", "Valvole"},
    {"Generale", "N cilindri"},
    {"Generale", "Potenza"},
    {"Generale", "Motore"},
    {"Generale", "Centralina"},
    {"Generale", "Cambio"},
    {"Generale", "AnnoVettura"},
    {"Generale", "VersioneFile"},
    {"Arricchimento", "CorrenteMantenimento"},
    {"Diagnosi", "Stato", 5},
    {"Diagnosi", "Abilitazione", 5},
    {"SensoreDiLivello", "TempoRitBenzina"},
    {"Emulazione", "LivelloAlto"},
    {"Emulazione", "LivelloBasso"},
    {"Arricchimento", "TempoMaxCorrente"},
    {"Arricchimento", "TempoMaxCorrente1"},
    {"Generale", "Cilindrata"},
    {"Diagnosi", "Temperatura", 4},
    {"Iniezione", "TempoAperturaIniettore"},
    {"Iniezione", "TempoChiusuraIniettore"},
    {"Temperatura", "RifMot", 10},
    {"Temperatura", "CoeffMot", 9},
    {"Accensione-Cambio", "TempoSovrapposizione"},
    {"Accensione-Cambio", "TemperaturaMotoreCambio"},
    {"Arricchimento", "FreqHoldingCurrent"},
    {"Arricchimento", "ValPercHoldingCurrent"},
    {"Generale", "OffsetMapInterno"},
    {"Generale", "PendenzaMapInterno"},
    {"Generale", "OffsetMapEsterno"},
    {"Generale", "PendenzaMapEsterno"},
    {"Generale", "OffsetDiff"},
    {"Generale", "PendenzaDiff"},
    {"Arricchimento", "SafetyTime"},
    {"PressioneDifferenziale", "RifPressDiff", 15},
    {"PressioneDifferenziale", "CoeffPressDiff", 15},
    {"PressioneDifferenziale", "CoeffPressDiffByte"},
    {"Iniezione", "TempoMortoIniettoreBenzina"},
    {"Iniezione", "TempoMortoIniettoreGas"},
    {"Iniezione", "TempoFuoriStabilizzato"},
    {"Iniezione", "KFiltro"},
    {"Emulazione", "TempoEmulazioneMagra1"},
    {"Iniezione", "KFiltro2"},
    {"Emulazione", "RiferimentiSondaLambda", 12},
    {"Emulazione", "RitardoEmulazioneRicca", 12},
    {"Emulazione", "Opzione1"},
    {"Emulazione", "Opzione2"},
    {"Emulazione", "RitardoGiriEmulazione"},
    {"Emulazione", "SmagrimentoRientroCutoff"},
    {"Emulazione", "NumeroIniettateSmagrimento"},
    {"Emulazione", "TempoEmulazioneMagra0"},
    {"Arricchimento", "SafeDelay"},
    {"TInjDefault", "TInjDefault", 8, 2},
    {"Accensione-Cambio", "TemperaturaAutotaratura"},
    {"AutoTaratura", "ScartoMinimoTaratura", 2},
    {"Accensione-Cambio", "TInjBenzMaxCambio"},
    {"AutoTaratura", "SpostamentoTaratura"},
    {"Iniezione", "TipoIniettoreSoftware"},
    {"AutoTaratura", "MappaCorrAutotaratura", 4, 4},
    {"AutoTaratura", "GiriAutotaratura"},
    {"AutoTaratura", "ParametriAutotaratura", 3},
};

void Expand(const TKeyRun& run, std::vector<TConfigKey>& out) {
    const std::string base = run.key;
    if (run.count == 0) {
        out.push_back({run.section, base});
        return;
    }
    for (int r = 0; r < run.count; ++r) {
        if (run.columns == 0)
            out.push_back({run.section, base + std::to_string(r)});
        for (int c = 0; c < run.columns; ++c)
            out.push_back({run.section, base + std::to_string(r) + "_" + std::to_string(c)});
    }
}

// A plain configuration text is printable code page 1252 with TAB, CR and LF
// as its only control characters; anything else means a wrong key or a
// binary file.
bool IsText(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f;
    });
}

} // namespace

const std::vector<TConfigKey>& ConfigFileKeys() {
    static const std::vector<TConfigKey> keys = [] {
        std::vector<TConfigKey> out;
        for (const TKeyRun& run : kLayout)
            Expand(run, out);
        return out;
    }();
    return keys;
}

const std::vector<std::string>& ConfigFileSections() {
    static const std::vector<std::string> sections = [] {
        std::vector<std::string> out;
        for (const TKeyRun& run : kLayout)
            if (std::find(out.begin(), out.end(), run.section) == out.end())
                out.push_back(run.section);
        return out;
    }();
    return sections;
}

// What a configuration text must be before any item is loaded from it:
// at most 1 MiB, text only, whole (every file the program writes ends with a
// line end) and holding at least one of the configuration's sections. A text
// that is whole but lacks keys or sections is fine: those items keep their
// defaults.
TConfigFile::Fault TConfigFile::LoadText(std::string_view text, TIniFile& profile) {
    profile.Parse({});
    if (int64_t(text.size()) > kMaxPlainSize)
        return Fault::TooLarge;
    if (!IsText(text))
        return Fault::Binary;
    if (!text.empty() && text.back() != '\n')
        return Fault::CutShort;
    profile.Parse(text);
    const auto& known = ConfigFileSections();
    if (std::none_of(known.begin(), known.end(),
                     [&](const std::string& s) { return profile.HasSection(s); })) {
        profile.Parse({});
        return Fault::Foreign;
    }
    return Fault::None;
}

TConfigFile::~TConfigFile() {
    DiscardIniFile();
}

bool TConfigFile::SetFileName(std::string_view path) {
    if (path.size() > kMaxPathLength) {
        path_.clear();
        return false;
    }
    path_ = path;
    return true;
}

bool TConfigFile::Fail(Fault fault, const char* message) {
    fault_ = fault;
    error_ = message;
    return false;
}

bool TConfigFile::MakeTemp() {
    temp_ = platform::GetTempFileName(platform::GetTempPath(), "_mt");
    return !temp_.empty();
}

void TConfigFile::DropTemp() {
    if (!temp_.empty()) {
        platform::SetArchiveAttributes(temp_);
        platform::DeleteFile(temp_);
    }
    temp_.clear();
    profile_.Parse({});
    open_ = resource_ = false;
}

namespace {

// A work copy the disk could not take whole would be packed into the file.
// It is never synced: only the packed file is kept.
bool WriteScratch(const std::string& path, std::string_view bytes) {
    return platform::WriteWorkCopy(path, bytes);
}

std::optional<std::vector<uint8_t>> ReadContainer(const std::string& path, const char* key) {
    QByteArray bytes;
    if (platform::ReadWholeFile(path, TConfigFile::kMaxTextSize, bytes) !=
        platform::ReadFault::None)
        return std::nullopt;
    return ConvertContainer(reinterpret_cast<const uint8_t*>(bytes.constData()),
                            size_t(bytes.size()), true, key);
}

} // namespace

// Checks and parses the plain text and writes the work copy; on failure the
// copy is deleted.
bool TConfigFile::LoadCopy(const std::optional<std::vector<uint8_t>>& plain, const char* message) {
    const std::string_view text =
        plain ? std::string_view(reinterpret_cast<const char*>(plain->data()), plain->size())
              : std::string_view();
    Fault fault = plain ? LoadText(text, profile_) : Fault::Unreadable;
    if (fault == Fault::None && !WriteScratch(temp_, text))
        fault = Fault::TempFile;
    if (fault != Fault::None) {
        DropTemp();
        return Fail(fault, message);
    }
    return true;
}

bool TConfigFile::OpenIniFile(bool forReading, const char* scrambleKey) {
    if (open_)
        return Fail(Fault::AlreadyOpen, kFileReadError);
    fault_ = Fault::None;
    error_.clear();
    if (path_.empty())
        return Fail(Fault::BadPath, kFileReadError);
    if (!IsValidScrambleKey(scrambleKey))
        return Fail(Fault::BadKey, kFileReadError);
    if (forReading) {
        const QFileInfo info(platform::toUnicode(path_));
        if (!info.isFile())
            return Fail(Fault::Unreadable, kFileReadError);
        if (info.size() > kMaxTextSize)
            return Fail(Fault::TooLarge, kFileReadError);
    }
    if (!MakeTemp())
        return Fail(Fault::TempFile, kFileReadError);
    if (forReading && !LoadCopy(ReadContainer(path_, scrambleKey), kFileReadError))
        return false;
    scrambleKey_ = scrambleKey;
    open_ = true;
    resource_ = false;
    return true;
}

bool TConfigFile::CloseIniFile() {
    if (!open_ || resource_)
        return false;
    // A copy that could not be brought up to date is never packed: the file
    // would lose what this transfer wrote.
    bool stored = !profile_.Modified() || WriteScratch(temp_, profile_.Text());
    stored =
        stored && ConvertScrambledFile(temp_.c_str(), path_.c_str(), false, scrambleKey_.c_str());
    DropTemp();
    if (!stored)
        fault_ = Fault::StoreFailed;
    return stored;
}

void TConfigFile::DiscardIniFile() {
    if (open_)
        DropTemp();
}

bool TConfigFile::OpenIniResource(platform::ModuleHandle module, int resourceId,
                                  const char* scrambleKey) {
    if (open_)
        return Fail(Fault::AlreadyOpen, kResourceReadError);
    fault_ = Fault::None;
    error_.clear();
    if (!IsValidScrambleKey(scrambleKey))
        return Fail(Fault::BadKey, kResourceReadError);
    QByteArray data;
    if (!platform::FindResource(module, "#" + std::to_string(resourceId), "#256", data))
        return Fail(Fault::NoResource, kResourceReadError);
    if (data.size() > kMaxPlainSize)
        return Fail(Fault::TooLarge, kResourceReadError);
    if (!MakeTemp())
        return Fail(Fault::TempFile, kResourceReadError);
    const auto plain = DecodeResource(reinterpret_cast<const uint8_t*>(data.constData()),
                                      size_t(data.size()), scrambleKey);
    if (!LoadCopy(plain, kResourceReadError))
        return false;
    scrambleKey_ = scrambleKey;
    open_ = resource_ = true;
    return true;
}

void TConfigFile::CloseIniResource() {
    if (IsResource())
        DropTemp();
}

std::optional<std::string> TConfigFile::Value(std::string_view key,
                                              std::string_view section) const {
    if (!open_)
        return std::nullopt;
    return profile_.ReadValue(section, key);
}

bool TConfigFile::ReadIntegerIfExists(int32_t& value, std::string_view key,
                                      std::string_view section) const {
    const auto text = Value(key, section);
    if (!text)
        return false;
    value = TIniFile::ParseInteger(*text);
    return true;
}

bool TConfigFile::ReadBoolIfExists(bool& value, std::string_view key,
                                   std::string_view section) const {
    const auto text = Value(key, section);
    if (!text)
        return false;
    value = TIniFile::ParseInteger(*text) != 0;
    return true;
}

bool TConfigFile::ReadStringIfExists(std::string& value, std::string_view key,
                                     std::string_view section, size_t maxLen) const {
    auto text = Value(key, section);
    if (!text)
        return false;
    if (maxLen != 0 && text->size() >= maxLen)
        text->resize(maxLen - 1);
    value = std::move(*text);
    return true;
}

void TConfigFile::WriteInteger(int32_t value, std::string_view key, std::string_view section) {
    WriteString(std::to_string(value), key, section);
}

void TConfigFile::WriteBool(bool value, std::string_view key, std::string_view section) {
    WriteString(value ? "1" : "0", key, section);
}

void TConfigFile::WriteString(std::string_view value, std::string_view key,
                              std::string_view section) {
    if (open_)
        profile_.WriteValue(section, key, value);
}
