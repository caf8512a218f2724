#include "iodata.h"

#include "basario.h"
#include "conversions.h"
#include "edition.h"
#include "messages.h"
#include "paramid.h"
#include "quarnconnectecu.h"
#include "quarnglobaldata.h"
#include "scramble.h"

#include <algorithm>
#include <cmath>

TStreamDati* StreamDati = nullptr;

namespace {

constexpr char kSettingsResetText[] =
    "Il programma non \xe8 in grado di rilevare alcune impostazioni essenziali.\n"
    "Queste verranno ora resettate: controllarne la correttezza.\n"
    "In caso di ulteriori problemi ripetere l'installazione del software.";

constexpr int32_t kLevelSensorCodes[] = {129, 2, 4, 131, 193, 66, 68, 195, 0};
// Thresholds that level-sensor types 0, 1 and 2 bring with them.
constexpr int32_t kLevelSensorThresholds[3][4] = {
    {199, 140, 93, 39}, {17, 44, 77, 100}, {19, 36, 56, 69}};

// Option n of GetFlag / SetFlag: word (0 Flag1, 1 Flag2) and bit.
struct OptionBit {
    int word;
    int32_t bit;
};
constexpr OptionBit kOptionBits[] = {
    {0, 0},   {0, 0x2}, {0, 0x200}, {0, 0x400}, {0, 0x800}, {0, 0x1000}, {0, 0x4000}, {0, 0x8000},
    {1, 0x1}, {1, 0x2}, {1, 0x4},   {1, 0x8},   {0, 0x8},   {0, 0x2000}, {0, 0x10},   {1, 0x10},
};
constexpr int32_t kSingleProbeBit = 0x4;
constexpr int32_t kWeakRpmSignalBit = 0x40;
constexpr int32_t kOfficialBit = 0x80;
constexpr int32_t kStartOnGasRpm = 1600;

bool optionKnown(int n) {
    return n >= 1 && n < int(std::size(kOptionBits));
}

template <class T, size_t N> bool inside(int i, const T (&)[N]) {
    return i >= 0 && size_t(i) < N;
}

std::string cut(const std::string& text, size_t max) {
    return text.substr(0, max);
}

// Characters travel as the code of a signed 8-bit character.
int32_t widen(char ch) {
    return static_cast<signed char>(ch);
}

std::string lowBytesText(const int32_t* elements, int size) {
    std::string text;
    for (int i = 0; i < size && (elements[i] & 0xff) != 0; ++i)
        text += static_cast<char>(elements[i] & 0xff);
    return text;
}

} // namespace

TStreamDati::TStreamDati(QObject* owner, TScreen* screen, TSerialEcuLink* link)
    : QObject(owner), screen_(screen ? screen : &::Screen()), linkOverride_(link) {
    setObjectName("StreamDati");
    QuarnGlobalData = new TQuarnGlobalData(this);
    QuarnGlobalData->setObjectName("QuarnGlobalData");
    QuarnConnectEcu = new TQuarnConnectEcu(this);
    QuarnConnectEcu->setObjectName("QuarnConnectEcu");

    QuarnGlobalData->StrKey = std::string("\\Software\\") + GetSettingsSubPath();
    if (!QuarnGlobalData->LoadStrKey())
        screen_->ShowMessage(kSettingsResetText, "", kMessageIconError);
    if (const char* key = GetFileScrambleKey())
        scrambleKey_ = key;
    progressTotal_ = FullTransferBytes(GetKMapRows());
    // Both curves exist before any transfer builds them.
    gasCurve_ = *TTempCurve::GasSensor(0);
    engineCurve_ = TTempCurve::DefaultEngine();
    SetNomeConfigurazione("Standard");
    image_.Modified = false;
}

TStreamDati::~TStreamDati() {
    if (StreamDati == this)
        StreamDati = nullptr;
}

TSerialEcuLink* TStreamDati::EcuLink() const {
    return linkOverride_ ? linkOverride_ : QuarnConnectEcu->Link();
}

void TStreamDati::RestoreImage(const TEcuImage& snapshot) {
    image_ = snapshot;
    rebuildCurves();
}

void TStreamDati::rebuildCurves() {
    BuildTempGasTable(image_.TipoSensoreTemperaturaGas);
    BuildTempMotoreTable(GetFlag(10));
}

bool TStreamDati::SetMapGeometry(int32_t numeroRighe, int32_t numeroColonne) {
    if (numeroRighe < 0 || numeroRighe >= TEcuImage::kMapRows || numeroColonne < 1 ||
        numeroColonne > TEcuImage::kMapColumns)
        return false;
    image_.NumeroRighe = numeroRighe;
    image_.NumeroColonne = numeroColonne;
    return true;
}

uint32_t TStreamDati::RifTempiKId() const {
    return paramid::withCount(0x737, image_.NumeroRighe);
}
uint32_t TStreamDati::RifGiriKId() const {
    return paramid::withCount(0x73d, image_.NumeroColonne);
}
uint32_t TStreamDati::TOpenLoopId() const {
    return paramid::withCount(0x37f, image_.NumeroColonne);
}
uint32_t TStreamDati::MappaKRowId() const {
    return paramid::withCount(0x154, image_.NumeroColonne);
}

bool TStreamDati::SetScrambleKey(const std::string& key) {
    if (key.empty() || key.size() >= 50)
        return false;
    scrambleKey_ = key;
    return true;
}

// --- Configuration file and scrambled container ---------------------------------

bool TStreamDati::OpenIniFile(bool forReading) {
    return configFile_.OpenIniFile(forReading, scrambleKey_.c_str());
}

bool TStreamDati::OpenIniResource(int resourceId) {
    return configFile_.OpenIniResource(BasarioModule, resourceId, scrambleKey_.c_str());
}

const char* TStreamDati::keyOr(const char* key) const {
    return key ? key : scrambleKey_.c_str();
}

bool TStreamDati::ConvertScrambledFile(const char* source, const char* target, bool toPlain,
                                       const char* key) const {
    return ::ConvertScrambledFile(source, target, toPlain, keyOr(key));
}

std::optional<std::vector<uint8_t>> TStreamDati::ReadScrambledFile(const char* path,
                                                                   const char* key) const {
    return ::ReadScrambledFile(path, keyOr(key));
}

bool TStreamDati::UnscrambleResource(const uint8_t* data, size_t size, const char* target,
                                     const char* key) const {
    return ::UnscrambleResource(data, size, target, keyOr(key));
}

// --- Setter pattern -----------------------------------------------------------

bool TStreamDati::commit(Refusal cls, bool accepted, int32_t& element, int32_t raw) {
    if (accepted)
        element = raw;
    if (accepted || cls != Refusal::C)
        image_.Modified = true;
    if (accepted || cls == Refusal::B)
        withdrawOfficialMark();
    return accepted;
}

void TStreamDati::withdrawOfficialMark() {
    if (IsUfficiale())
        SetUfficiale(false);
}

long double TStreamDati::clockMs(int32_t raw) const {
    return ClockRawToMs(raw, image_.Clock);
}
int32_t TStreamDati::msToClock(double ms) const {
    return ClockMsToRaw(ms, image_.Clock);
}

// --- Carburation map ----------------------------------------------------------

namespace {
bool mapCell(const TEcuImage& m, int row, int col) {
    return row >= 0 && row <= m.NumeroRighe && row < TEcuImage::kMapRows && col >= 0 &&
           col < m.NumeroColonne && col < TEcuImage::kMapColumns;
}
bool mapColumn(const TEcuImage& m, int col) {
    return mapCell(m, 0, col);
}
bool mapRowReference(const TEcuImage& m, int row) {
    return row >= 0 && row < m.NumeroRighe && row < int(std::size(m.RifTempiK));
}
} // namespace

int32_t TStreamDati::GetMappaK(int row, int col) const {
    return mapCell(image_, row, col) ? image_.MappaK[row][col] : 0;
}

bool TStreamDati::SetMappaK(int row, int col, int32_t v) {
    if (!mapCell(image_, row, col) || v < 0 || v > 255)
        return false;
    return commit(Refusal::B, EcuLink()->WriteParamCell(0x54, row, col, v), image_.MappaK[row][col],
                  v);
}

int32_t TStreamDati::GetRifGiriK(int col) const {
    return mapColumn(image_, col) ? image_.RifGiriK[col] : 0;
}

bool TStreamDati::SetRifGiriK(int col, int32_t v) {
    if (!mapColumn(image_, col))
        return false;
    return commit(Refusal::B, EcuLink()->WriteParamItem(0x63d, col, v), image_.RifGiriK[col], v);
}

long double TStreamDati::GetRifTempiK(int row) const {
    return mapRowReference(image_, row) ? clockMs(image_.RifTempiK[row]) : 0;
}

bool TStreamDati::SetRifTempiK(int row, double ms) {
    if (!mapRowReference(image_, row))
        return false;
    const int32_t raw = msToClock(ms);
    return commit(Refusal::B, EcuLink()->WriteParamItem(0x637, row, raw), image_.RifTempiK[row],
                  raw);
}

long double TStreamDati::GetTOpenLoop(int col) const {
    return mapColumn(image_, col) ? clockMs(image_.TOpenLoop[col]) : 0;
}

bool TStreamDati::SetTOpenLoop(int col, double ms) {
    if (!mapColumn(image_, col))
        return false;
    ms = std::isnan(ms) ? 0.0 : Clamp(ms, 0.0, 30.0);
    const int32_t raw = msToClock(ms);
    return commit(Refusal::B, EcuLink()->WriteParamItem(0x27f, col, raw), image_.TOpenLoop[col],
                  raw);
}

int32_t TStreamDati::GetMappaCorrAutotaratura(int r, int c) const {
    return inside(r, image_.MappaCorrAutotaratura) && inside(c, image_.MappaCorrAutotaratura[0])
               ? image_.MappaCorrAutotaratura[r][c]
               : 0;
}

bool TStreamDati::SetMappaCorrAutotaratura(int r, int c, int32_t v) {
    if (!inside(r, image_.MappaCorrAutotaratura) || !inside(c, image_.MappaCorrAutotaratura[0]))
        return false;
    v = Clamp(v, -128, 127);
    return commit(Refusal::B, EcuLink()->WriteParamCell(0x495, r, c, v),
                  image_.MappaCorrAutotaratura[r][c], v);
}

// --- Plain element setters ------------------------------------------------------

namespace {
template <size_t N> int32_t element(const int32_t (&array)[N], int i) {
    return inside(i, array) ? array[i] : 0;
}
} // namespace

template <size_t N>
bool TStreamDati::setItem(Refusal cls, uint32_t id, int32_t (&array)[N], int i, int32_t v) {
    if (!inside(i, array))
        return false;
    return commit(cls, EcuLink()->WriteParamItem(id, i, v), array[i], v);
}

int32_t TStreamDati::GetRifGiri(int i) const {
    return element(image_.RifGiri, i);
}

bool TStreamDati::SetRifGiri(int i, int32_t rpm) {
    if (rpm < 0 || rpm > 10000)
        return false;
    return setItem(Refusal::A, 0x20c, image_.RifGiri, i, rpm);
}

long double TStreamDati::GetRiferimentiSondaLambda(int i) const {
    return inside(i, image_.RiferimentiSondaLambda) ? RawToVolts(image_.RiferimentiSondaLambda[i])
                                                    : 0;
}

bool TStreamDati::SetRiferimentiSondaLambda(int i, double volts) {
    volts = std::isnan(volts) ? 0.0 : Clamp(volts, 0.0, 5.0);
    return setItem(Refusal::C, 0x82, image_.RiferimentiSondaLambda, i, VoltsToRaw(volts));
}

int32_t TStreamDati::GetRitardoEmulazioneRicca(int i) const {
    return element(image_.RitardoEmulazioneRicca, i);
}

bool TStreamDati::SetRitardoEmulazioneRicca(int i, int32_t v) {
    return setItem(Refusal::C, 0x283, image_.RitardoEmulazioneRicca, i, Clamp(v, 0, 2000));
}

int32_t TStreamDati::GetOpzione(int i) const {
    return element(image_.Opzione, i);
}

bool TStreamDati::SetOpzione(int i, int32_t v) {
    return setItem(Refusal::A, 0x285, image_.Opzione, i, v);
}

long double TStreamDati::GetScartoMinimoTaratura(int i) const {
    return inside(i, image_.ScartoMinimoTaratura) ? clockMs(image_.ScartoMinimoTaratura[i]) : 0;
}

bool TStreamDati::SetScartoMinimoTaratura(int i, double ms) {
    return setItem(Refusal::A, 0x291, image_.ScartoMinimoTaratura, i, msToClock(ms));
}

int32_t TStreamDati::GetTipoIniettoreSoftware(int i) const {
    return element(image_.TipoIniettoreSoftware, i);
}

bool TStreamDati::SetTipoIniettoreSoftware(int i, int32_t v) {
    return setItem(Refusal::A, 0x94, image_.TipoIniettoreSoftware, i, v);
}

long double TStreamDati::GetTInjDefault(int i, int j) const {
    return inside(i, image_.TInjDefault) && inside(j, image_.TInjDefault[0])
               ? clockMs(image_.TInjDefault[i][j])
               : 0;
}

bool TStreamDati::SetTInjDefault(int i, int j, double ms) {
    if (!inside(i, image_.TInjDefault) || !inside(j, image_.TInjDefault[0]))
        return false;
    const int32_t raw = msToClock(ms);
    return commit(Refusal::A, EcuLink()->WriteParamCell(0x28f, i, j, raw), image_.TInjDefault[i][j],
                  raw);
}

int32_t TStreamDati::GetParametriTempMotore(int i) const {
    return element(image_.ParametriTempMotore, i);
}

bool TStreamDati::SetParametriTempMotore(int i, int32_t v) {
    return setItem(Refusal::A, 0x48a, image_.ParametriTempMotore, i, v);
}

int32_t TStreamDati::GetEcuTempMotore(int i) const {
    return element(image_.EcuTempMotore, i);
}

bool TStreamDati::SetEcuTempMotore(int i, int32_t v) {
    return setItem(Refusal::A, 0x8b, image_.EcuTempMotore, i, v);
}

int32_t TStreamDati::GetOffsetPendenzaMap(int i) const {
    return element(image_.OffsetPendenzaMap, i);
}

bool TStreamDati::SetOffsetPendenzaMap(int i, int32_t v) {
    return setItem(Refusal::A, 0x678, image_.OffsetPendenzaMap, i, v);
}

int32_t TStreamDati::GetKFiltro(int i) const {
    return element(image_.KFiltro, i);
}

bool TStreamDati::SetKFiltro(int i, int32_t v) {
    return setItem(Refusal::C, 0x81, image_.KFiltro, i, v);
}

int32_t TStreamDati::GetAzione(int i, int j) const {
    return inside(i, image_.Azione) && inside(j, image_.Azione[0]) ? image_.Azione[i][j] : 0;
}

bool TStreamDati::SetAzione(int i, int j, int32_t v) {
    if (!inside(i, image_.Azione) || !inside(j, image_.Azione[0]))
        return false;
    return commit(Refusal::A, EcuLink()->WriteParamCell(0x31, i, j, v), image_.Azione[i][j], v);
}

int32_t TStreamDati::GetCoeff(int i) const {
    return element(image_.Coeff, i);
}

bool TStreamDati::SetCoeff(int i, int32_t v) {
    return setItem(Refusal::A, 0x2b, image_.Coeff, i, Clamp(v, 0, 200));
}

int32_t TStreamDati::GetCoeffMot(int i) const {
    return element(image_.CoeffMot, i);
}

bool TStreamDati::SetCoeffMot(int i, int32_t v) {
    return setItem(Refusal::A, 0x5d, image_.CoeffMot, i, Clamp(v, 0, 200));
}

// --- Diagnosis ----------------------------------------------------------------

int32_t TStreamDati::GetDiagnosi(int i, int kind) {
    if (!inside(i, image_.Stato))
        return 0;
    if (kind == 1) {
        // Taken only when the read succeeds, so a failed read leaves the image.
        decltype(image_.Stato) states;
        std::copy(std::begin(image_.Stato), std::end(image_.Stato), states);
        if (EcuLink()->ReadParam(0x5139, states))
            std::copy(std::begin(states), std::end(states), image_.Stato);
        return image_.Stato[i];
    }
    return kind == 2 ? image_.Abilitazione[i] : 0;
}

bool TStreamDati::SetDiagnosi(int i, int kind, int32_t v) {
    if (kind == 1)
        return setItem(Refusal::A, 0x39, image_.Stato, i, v);
    return kind == 2 && setItem(Refusal::A, 0x3a, image_.Abilitazione, i, v);
}

long double TStreamDati::GetTempDiagnosi(int i) const {
    if (!inside(i, image_.TempDiagnosi))
        return 0;
    const int32_t raw = image_.TempDiagnosi[i];
    return i < 2 ? ConvertRawToTempGas(raw) : ConvertRawToTempMotore(raw);
}

bool TStreamDati::SetTempDiagnosi(int i, double degC) {
    const float t = static_cast<float>(degC);
    const int32_t raw = i < 2 ? ConvertTempGasToRaw(t) : ConvertTempMotoreToRaw(t);
    return setItem(Refusal::A, 0x51, image_.TempDiagnosi, i, raw);
}

// --- Temperature points with fixed ends -----------------------------------------

namespace {
constexpr int kLastPoint = 9;
int32_t fixedEndRaw(int i) {
    return i == 0 ? 0 : 255;
}
} // namespace

int32_t TStreamDati::GetRif(int i) const {
    if (!inside(i, image_.Rif))
        return 0;
    if (i == 0 || i == kLastPoint)
        return image_.Rif[i];
    return RoundToInt(ConvertRawToTempGas(image_.Rif[i]));
}

bool TStreamDati::SetRif(int i, int32_t degC) {
    const int32_t raw = (i == 0 || i == kLastPoint) ? fixedEndRaw(i)
                                                    : ConvertTempGasToRaw(static_cast<float>(degC));
    return setItem(Refusal::A, 0x2a, image_.Rif, i, raw);
}

int32_t TStreamDati::GetRifMot(int i) const {
    if (!inside(i, image_.RifMot))
        return 0;
    if (i == 0 || i == kLastPoint)
        return image_.RifMot[i];
    return RoundToInt(ConvertRawToTempMotore(image_.RifMot[i]));
}

bool TStreamDati::SetRifMot(int i, int32_t degC) {
    const int32_t raw = (i == 0 || i == kLastPoint)
                            ? fixedEndRaw(i)
                            : ConvertTempMotoreToRaw(static_cast<float>(degC));
    return setItem(Refusal::A, 0x5c, image_.RifMot, i, raw);
}

// --- Differential pressure --------------------------------------------------------

long double TStreamDati::GetCoeffPressDiff(int i) const {
    if (!inside(i, image_.CoeffPressDiff))
        return 0;
    const long double raw = image_.CoeffPressDiff[i];
    return image_.CoeffPressDiffByte ? raw * 3 * 0.1 : raw * 0.01;
}

bool TStreamDati::SetCoeffPressDiff(int i, double v) {
    if (!inside(i, image_.CoeffPressDiff))
        return false;
    const long double x = std::isnan(v) ? 0.0 : Clamp(v, -99.9, 99.9);
    const bool byteForm = image_.CoeffPressDiffByte != 0;
    const int32_t raw =
        byteForm ? Clamp(TruncTypedStep(x * 10 * (1.0 / 3.0)), -128, 127) : TruncTypedStep(x * 100);
    return commit(Refusal::C, EcuLink()->WriteParamItem(byteForm ? 0x47c : 0x67c, i, raw),
                  image_.CoeffPressDiff[i], raw);
}

long double TStreamDati::GetRifPressDiff(int i) const {
    return inside(i, image_.RifPressDiff)
               ? static_cast<long double>(static_cast<uint32_t>(image_.RifPressDiff[i])) * 0.001
               : 0;
}

bool TStreamDati::SetRifPressDiff(int i, double v) {
    const int32_t raw = TruncToInt(static_cast<long double>(v) * 1000);
    return setItem(Refusal::A, 0x27b, image_.RifPressDiff, i, raw);
}

// --- Level sensor ---------------------------------------------------------------

int TStreamDati::GetTipoSensoreLivello() const {
    const auto* end = std::end(kLevelSensorCodes);
    const auto* at = std::find(std::begin(kLevelSensorCodes), end, image_.TipoSensore);
    return at == end ? -1 : int(at - std::begin(kLevelSensorCodes));
}

bool TStreamDati::SetTipoSensoreLivello(int index) {
    if (!inside(index, kLevelSensorCodes))
        return false;
    const int32_t code = kLevelSensorCodes[index];
    if (!commit(Refusal::A, EcuLink()->WriteParam(0x24, code), image_.TipoSensore, code))
        return false;
    if (inside(index, kLevelSensorThresholds))
        for (int i = 0; i < 4; ++i)
            SetRifSensore(i, kLevelSensorThresholds[index][i]);
    return true;
}

int32_t TStreamDati::GetRifSensore(int i) const {
    if (!inside(i, image_.RifSensore))
        return 0;
    const int32_t stored = image_.RifSensore[i];
    return IsLevelSensorInverted() ? 255 - stored : stored;
}

bool TStreamDati::SetRifSensore(int i, int32_t v) {
    if (v < 0 || v > 255)
        return false;
    const int32_t stored = IsLevelSensorInverted() ? 255 - v : v;
    return setItem(Refusal::A, 0x25, image_.RifSensore, i, stored);
}

// --- Change-over mode -------------------------------------------------------------

int TStreamDati::GetModoCambio() const {
    return image_.GiriPerCambio == 0 ? 2 : (image_.GiriPerCambio & 1);
}

// An rpm typed in while start on gas held ends it: the remembered one is then
// stale.
int32_t TStreamDati::changeOverRpm() const {
    const auto& remembered = image_.RememberedGiriPerCambio;
    const int32_t rpm =
        remembered && image_.GiriPerCambio == 0 ? *remembered : image_.GiriPerCambio;
    // No rpm to go back to would write 0, which is start on gas again.
    return (rpm & ~1) == 0 ? kStartOnGasRpm : rpm;
}

bool TStreamDati::SetModoCambio(int mode) {
    if (mode == 0 || mode == 1) {
        const int32_t v = (changeOverRpm() & ~1) | mode;
        const bool accepted = EcuLink()->WriteParam(0x210, v);
        if (accepted)
            image_.RememberedGiriPerCambio.reset();
        return commit(Refusal::C, accepted, image_.GiriPerCambio, v);
    }
    if (mode != 2)
        return false;
    // A repeated start on gas keeps the rpm already held.
    const int32_t held = changeOverRpm();
    const bool accepted = EcuLink()->WriteParam(0x210, 0);
    if (accepted)
        image_.RememberedGiriPerCambio = held;
    return commit(Refusal::C, accepted, image_.GiriPerCambio, 0);
}

// --- Option words -----------------------------------------------------------------

bool TStreamDati::writeOptionWords(const int32_t words[2]) {
    return EcuLink()->WriteParamArray(0x2303, words);
}

bool TStreamDati::GetFlag(int n) const {
    return FlagOf(image_, n);
}

bool TStreamDati::FlagOf(const TEcuImage& image, int n) {
    if (!optionKnown(n))
        return false;
    const OptionBit& o = kOptionBits[n];
    return (image.Flag[o.word] & o.bit) != 0;
}

bool TStreamDati::SetFlag(int n, bool on) {
    int32_t words[2] = {image_.Flag[0], image_.Flag[1]};
    if (optionKnown(n)) {
        const OptionBit& o = kOptionBits[n];
        words[o.word] = on ? (words[o.word] | o.bit) : (words[o.word] & ~o.bit);
    }
    if (n == 1)
        screen_->PostToEveryForm(WM_DATACHANGED, GetFlag(1) ? 1 : 0, 5);
    if (!writeOptionWords(words))
        return false;
    image_.Modified = true;
    withdrawOfficialMark();
    image_.Flag[0] = words[0];
    image_.Flag[1] = words[1];
    if (n == 9)
        changeGasCurve(TTempCurve::GasSensor(image_.TipoSensoreTemperaturaGas));
    else if (n == 10)
        changeEngineCurve(on);
    return true;
}

int TStreamDati::GetNumeroSonde() const {
    return (image_.Flag[0] & kSingleProbeBit) ? 1 : 2;
}

bool TStreamDati::SetNumeroSonde(int n) {
    const int32_t words[2] = {n == 2 ? image_.Flag[0] & ~kSingleProbeBit
                                     : image_.Flag[0] | kSingleProbeBit,
                              image_.Flag[1]};
    if (!writeOptionWords(words))
        return false;
    image_.Modified = true;
    withdrawOfficialMark();
    image_.Flag[0] = words[0];
    return true;
}

bool TStreamDati::GetSegnaleGiri() const {
    return (image_.NumeroCilindri & kWeakRpmSignalBit) != 0;
}

bool TStreamDati::SetSegnaleGiri(bool on) {
    const int32_t word =
        on ? image_.NumeroCilindri | kWeakRpmSignalBit : image_.NumeroCilindri & ~kWeakRpmSignalBit;
    // The official mark stays: the signal is a property of the car, not of the
    // configuration.
    if (!EcuLink()->WriteParam(0x14, word))
        return false;
    image_.NumeroCilindri = word;
    image_.Modified = true;
    return true;
}

// --- Injector times ----------------------------------------------------------------

namespace {
struct InjectorTime {
    uint32_t id;
    int32_t TEcuImage::*field;
};
constexpr InjectorTime kInjectorTimes[] = {
    {0x253, &TEcuImage::TempoAperturaIniettore},
    {0x252, &TEcuImage::TempoChiusuraIniettore},
    {0x27d, &TEcuImage::TempoMortoIniettoreBenzina},
    {0x27e, &TEcuImage::TempoMortoIniettoreGas},
};
} // namespace

long double TStreamDati::GetTempoIniettore(int kind) const {
    if (!inside(kind - 1, kInjectorTimes))
        return 0;
    return clockMs(image_.*kInjectorTimes[kind - 1].field);
}

bool TStreamDati::SetTempoIniettore(int kind, double ms) {
    if (!inside(kind - 1, kInjectorTimes))
        return false;
    const InjectorTime& t = kInjectorTimes[kind - 1];
    const int32_t raw = msToClock(ms);
    return commit(Refusal::C, EcuLink()->WriteParam(t.id, raw), image_.*t.field, raw);
}

// --- Name, serial number, official mark, description --------------------------------

bool TStreamDati::writeText(uint32_t elementId, int first, int32_t* elements, int size,
                            const std::string& text, bool zeroFill) {
    const int n = std::min<int>(int(text.size()), size);
    const int end = zeroFill ? size : std::min(n + 1, size);
    const std::vector<int32_t> old(elements, elements + end);
    auto put = [&](int i, int32_t ch) {
        if (!EcuLink()->WriteParamItem(elementId, first + i, ch))
            return false;
        elements[i] = ch;
        return true;
    };
    int written = 0;
    while (written < end && put(written, written < n ? widen(text[written]) : 0))
        ++written;
    const bool complete = written == end;
    // Half a text is neither the old one nor the new: the elements already
    // written go back, last first, as far as the unit takes them.
    for (int i = written - 1; !complete && i >= 0; --i)
        if (elements[i] != old[i] && !put(i, old[i]))
            break;
    const bool changed = !std::equal(old.begin(), old.end(), elements);
    // The image mirrors what the unit took, so tell the windows whenever it moved.
    if (complete || changed) {
        screen_->PostToEveryForm(WM_DATACHANGED, 0, 2);
        image_.Modified = true;
        withdrawOfficialMark();
    }
    return complete;
}

std::string TStreamDati::GetNomeConfigurazione() const {
    return lowBytesText(image_.Identificazione + 2, TEcuImage::kNameLength);
}

bool TStreamDati::SetNomeConfigurazione(const std::string& text) {
    return writeText(0x35, 2, image_.Identificazione + 2, TEcuImage::kNameLength, text, false);
}

std::string TStreamDati::GetSerialNumber() const {
    return SerialNumberOf(image_);
}

std::string TStreamDati::SerialNumberOf(const TEcuImage& image) {
    return lowBytesText(image.SerialNumber, TEcuImage::kSerialLength);
}

bool TStreamDati::SetSerialNumber(const std::string& text) {
    return writeText(0, 0, image_.SerialNumber, TEcuImage::kSerialLength, text, true);
}

bool TStreamDati::IsUfficiale() const {
    return (image_.Identificazione[0] & kOfficialBit) != 0;
}

bool TStreamDati::SetUfficiale(bool on) {
    const int32_t word =
        on ? image_.Identificazione[0] | kOfficialBit : image_.Identificazione[0] & ~kOfficialBit;
    if (!EcuLink()->WriteParamItem(0x35, 0, word))
        return false;
    image_.Identificazione[0] = word;
    return true;
}

namespace {
struct DescriptionField {
    std::string TEcuImage::*field;
    size_t max;
};
constexpr DescriptionField kDescriptions[] = {
    {&TEcuImage::DescrizAuto, 50}, {&TEcuImage::Euro, 10},   {&TEcuImage::Motore, 50},
    {&TEcuImage::Centralina, 50},  {&TEcuImage::Cambio, 50},
};
} // namespace

std::string TStreamDati::GetDescrizione(int kind) const {
    return inside(kind - 1, kDescriptions) ? image_.*kDescriptions[kind - 1].field : std::string();
}

void TStreamDati::SetDescrizione(int kind, const std::string& text) {
    if (inside(kind - 1, kDescriptions)) {
        const DescriptionField& d = kDescriptions[kind - 1];
        image_.*d.field = cut(text, d.max);
    }
    image_.Modified = true;
    withdrawOfficialMark();
}

// --- Temperature curves -------------------------------------------------------------

void TStreamDati::BuildTempGasTable(int32_t type) {
    if (auto curve = TTempCurve::GasSensor(type))
        gasCurve_ = *curve;
}

void TStreamDati::BuildTempMotoreTable(bool fromUnit) {
    const auto unit = fromUnit
                          ? TTempCurve::FromUnit(image_.ParametriTempMotore, image_.EcuTempMotore)
                          : std::nullopt;
    engineCurve_ = unit ? *unit : TTempCurve::DefaultEngine();
}

void TStreamDati::changeGasCurve(const std::optional<TTempCurve>& next) {
    if (!next)
        return;
    if (next->SameAs(gasCurve_)) {
        gasCurve_ = *next;
        return;
    }
    // The temperatures keep their degrees; their raw bytes follow the sensor.
    const long double cambio = GetValue(0x0f);
    int32_t points[10];
    for (int i = 0; i < 10; ++i)
        points[i] = GetRif(i);
    gasCurve_ = *next;
    SetValue(0x0f, cambio);
    for (int i = 0; i < 10; ++i)
        SetRif(i, points[i]);
}

void TStreamDati::changeEngineCurve(bool fromUnit) {
    const TTempCurve previous = engineCurve_;
    BuildTempMotoreTable(fromUnit);
    if (engineCurve_.SameAs(previous))
        return;
    const TTempCurve next = engineCurve_;
    engineCurve_ = previous;
    const long double cambio = GetValue(0x75);
    const long double autotaratura = GetValue(0x90);
    int32_t points[10];
    for (int i = 0; i < 10; ++i)
        points[i] = GetRifMot(i);
    engineCurve_ = next;
    SetValue(0x75, cambio);
    SetValue(0x90, autotaratura);
    for (int i = 0; i < 10; ++i)
        SetRifMot(i, points[i]);
}

bool TStreamDati::SetTipoSensoreTemperaturaGas(int32_t type) {
    if (!commit(Refusal::A, EcuLink()->WriteParam(0x86, type), image_.TipoSensoreTemperaturaGas,
                type))
        return false;
    changeGasCurve(TTempCurve::GasSensor(type));
    return true;
}
