// The transfer engine: every item of the image, in the order the unit and the
// configuration files know them, moved between a configuration file (or a
// default configuration of "Basario.dll"), the image and the unit.
#include "transfer.h"

#include "conversions.h"
#include "edition.h"
#include "iodata.h"
#include "messages.h"
#include "paramid.h"
#include "platform/clock.h"
#include "serialecu.h"

#include <algorithm>
#include <array>
#include <climits>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace {

// A default stored before a file's keys are read.
struct TDefault {
    enum Kind : uint8_t {
        Raw,
        Ms,        // a time, converted with the unit's clock as it stands
        Gas,       // degrees C on the gas-sensor curve as it stands
        Engine,    // degrees C on the engine-sensor curve as it stands
        ColumnRpm, // 6000 x (column + 1) / NumeroColonne
    } kind;
    double value;
};
constexpr TDefault R(int32_t v) {
    return {TDefault::Raw, double(v)};
}
constexpr TDefault Ms(double ms) {
    return {TDefault::Ms, ms};
}
constexpr TDefault Gas(double degC) {
    return {TDefault::Gas, degC};
}
constexpr TDefault Eng(double degC) {
    return {TDefault::Engine, degC};
}
constexpr TDefault kColumnRpm{TDefault::ColumnRpm, 0};

struct TKeyName {
    constexpr TKeyName(const char* n, const char* s = nullptr) : name(n), section(s) {}
    const char* name;
    const char* section; // null: the item's own
};

enum class KeyForm : uint8_t {
    Named,   // one key per element, in element order
    Indexed, // <base><i> for every element
    Table,   // <base><row>_<column>
};
enum class LinkForm : uint8_t {
    Whole,    // ReadParam; WriteParam for a scalar, WriteParamArray for an array
    Rows,     // ReadParamRow and WriteParamRow, row by row
    ReadOnly, // read, never written
};
// How much of an item the map geometry lets move: its link id carries that
// count, and its defaults touch only those elements.
enum class Extent : uint8_t { All, MapRows, MapColumns };

constexpr int32_t kOfficialBit = 0x80;
constexpr size_t kMaxLinkElements = 32;
constexpr char kGenerale[] = "Generale";
constexpr char kMapSection[] = "MappaCoefficientiK";

struct TEngineItem;

// One slice of an item that moves in one link call: the whole item, or one row.
struct TSlice {
    std::span<int32_t> values;
    int row = 0;
};

struct TRequest {
    uint8_t flags;
    std::string_view fileName;
    int resourceId;
    uint32_t groupMask;
    bool notify;
    bool keepUnitItems;
    bool offline = false; // not a word to the unit, connected or not
};

class TTransferRun {
public:
    TTransferRun(TStreamDati& dm, TEcuImage& image, const TRequest& request)
        : dm_(dm), m_(image), link_(*dm.EcuLink()), file_(dm.ConfigFile()), request_(request),
          load_(request.flags & kTransferFileToImage), read_(request.flags & kTransferUnitToImage),
          save_(request.flags & kTransferImageToFile),
          write_(request.flags & kTransferImageToUnit) {}

    bool Run();
    TTransferFault Fault() const { return fault_; }
    const std::string& Error() const { return error_; }
    // Whether a unit was connected when the transfer began.
    bool WasConnected() const { return connected_; }
    bool LeftMarked() const { return marked_; }
    const std::vector<std::string>& OutOfRange() const { return outOfRange_; }

    // Own steps of the items that the generic directions do not cover.
    using SliceStep = void (TTransferRun::*)(const TEngineItem&, TSlice);
    using ItemStep = void (TTransferRun::*)();
    void clockItem(const TEngineItem& item, TSlice s);
    void gasSensorItem(const TEngineItem& item, TSlice s);
    void geometryItem(const TEngineItem& item, TSlice s);
    void mapRowItem(const TEngineItem& item, TSlice s);
    void identificationItem(const TEngineItem& item, TSlice s);
    void pressureItem(const TEngineItem& item, TSlice s);
    void injectorTypeItem(const TEngineItem& item, TSlice s);
    void clearStates(const TEngineItem& item, TSlice s);
    void limitMaxCurrent(const TEngineItem& item, TSlice s);
    void limitSafeDelay(const TEngineItem& item, TSlice s);
    void rebuildGasCurve();
    void forgetRememberedRpm();
    void rebuildEngineCurve();
    void describeDisplacement();

private:
    bool open();
    bool beginSave();
    bool markUnit();
    void unmarkUnit();
    void moveItem(const TEngineItem& item);
    void endSave();
    void finish(const TEcuImage& before);

    void directions(const TEngineItem& item, TSlice s);
    void loadSlice(const TEngineItem& item, TSlice s);
    bool readSlice(const TEngineItem& item, TSlice s);
    void saveSlice(const TEngineItem& item, TSlice s);
    bool writeSlice(const TEngineItem& item, TSlice s);

    int rowCount(const TEngineItem& item) const;
    TSlice slice(const TEngineItem& item, int row) const;
    int extentCount(Extent extent) const;
    uint32_t linkId(const TEngineItem& item) const;
    bool linkUsable(const TEngineItem& item) const;
    int32_t defaultValue(const TEngineItem& item, size_t index) const;
    std::string keyName(const TEngineItem& item, const TSlice& s, size_t i) const;
    const char* keySection(const TEngineItem& item, size_t i) const;
    size_t keyCount(const TEngineItem& item, const TSlice& s) const;

    bool readKey(int32_t& value, const std::string& key, const char* section, int32_t lo,
                 int32_t hi);
    void outOfRange(const std::string& key);
    bool readRefused();
    bool refused(TTransferFault fault);
    void note(TTransferFault fault, const std::string& detail = {});
    void fail(TTransferFault fault, const std::string& text);

    void loadIdentification(TSlice s);
    void resetDescription(int32_t centCubici);
    void saveIdentification();
    void loadGeometry();
    void askUnitGeometry();
    void loadPressure(const TEngineItem& item, TSlice s);
    void readPressure(TSlice s);
    void writePressure(TSlice s);
    void writeInjectorType(TSlice s);
    long double ms(int32_t raw) const { return ClockRawToMs(raw, m_.Clock); }
    int32_t raw(double ms) const { return ClockMsToRaw(ms, m_.Clock); }

    enum class Opened { Nothing, File, Resource };

    TStreamDati& dm_;
    TEcuImage& m_;
    TSerialEcuLink& link_;
    const TConfigFile& file_;
    TRequest request_;
    bool load_, read_, save_, write_;
    Opened opened_ = Opened::Nothing;
    bool saving_ = false;   // command 17 accepted: command 18 is owed
    bool linkLost_ = false; // no further link call can reach the unit
    bool connected_ = false;
    bool marked_ = false;         // the unit is marked never configured
    int32_t unitState_ = 0;       // its state flags as read before the mark
    bool mapBlocked_ = false;     // the unit's map shape does not fit the image
    bool mapKeysRefused_ = false; // the file's map geometry was refused
    bool itemsRan_ = false;
    TTransferFault fault_ = TTransferFault::None;
    bool stopped_ = false;
    std::string error_;
    std::vector<std::string> outOfRange_;
};

struct TEngineItem {
    uint32_t group; // moved when groupMask AND group is not 0
    uint32_t id;    // link id of the full item; names the image item and its progress
    const char* section = nullptr;
    KeyForm form = KeyForm::Named;
    std::initializer_list<TKeyName> keys = {};     // Named: per element; else the base name
    std::initializer_list<TDefault> defaults = {}; // a shorter list repeats its last value
    LinkForm link = LinkForm::Whole;
    Extent extent = Extent::All;
    // Not in configuration files: a load resets it, unless keepUnitItems.
    bool unitOnly = false;
    const char* text = nullptr;            // a text default, one character per element
    TTransferRun::SliceStep own = nullptr; // replaces the generic directions
    TTransferRun::SliceStep afterLoad = nullptr;
    TTransferRun::SliceStep beforeWrite = nullptr;
    TTransferRun::ItemStep after = nullptr; // after every direction of the item
};

using T = TTransferRun;
constexpr KeyForm kIndexed = KeyForm::Indexed;
constexpr KeyForm kTable = KeyForm::Table;

// Every item in the order of a transfer. Groups: 0x01 base configuration,
// 0x02 carburation map, 0x04 calibration, 0x08 corrections, 0x10 injector.
const TEngineItem kEngineItems[] = {
    {0x10, 0x2303, kGenerale, KeyForm::Named, {"Flag1", "Flag2"}, {R(1044), R(1)}},
    {.group = 0x01,
     .id = 0x279,
     .defaults = {R(kDefaultClock)},
     .link = LinkForm::ReadOnly,
     .unitOnly = true,
     .own = &T::clockItem},
    {.group = 0x01,
     .id = 0x86,
     .section = "Temperatura",
     .keys = {"TipoSensoreTemperaturaGas"},
     .defaults = {R(0)},
     .own = &T::gasSensorItem,
     .after = &T::rebuildGasCurve},
    {0x01,
     0x558a,
     "Temperatura",
     kIndexed,
     {"ParametriTempMotore"},
     {R(18), R(92), R(5), R(-20), R(30)}},
    {.group = 0x01,
     .id = 0x1e18b,
     .section = "Temperatura",
     .form = kIndexed,
     .keys = {"EcuTempMotore"},
     .defaults = {R(231), R(224), R(216), R(206), R(195), R(183), R(170), R(156), R(142), R(128),
                  R(114), R(101), R(89),  R(78),  R(68),  R(59),  R(51),  R(44),  R(38),  R(33),
                  R(29),  R(25),  R(22),  R(19),  R(16),  R(14),  R(12),  R(11),  R(10),  R(8)},
     .after = &T::rebuildEngineCurve},
    {.group = 0x04, .id = 0, .own = &T::geometryItem},
    {0x06,
     0xc737,
     "RiferimentiTempiK",
     kIndexed,
     {"RifTempiK"},
     {Ms(2), Ms(2.5), Ms(3), Ms(3.5), Ms(4.5), Ms(6), Ms(8), Ms(10), Ms(12), Ms(14), Ms(16),
      Ms(18)},
     LinkForm::Whole,
     Extent::MapRows},
    {0x06,
     0xc73d,
     "RiferimentiGiriK",
     kIndexed,
     {"RifGiriK"},
     {kColumnRpm},
     LinkForm::Whole,
     Extent::MapColumns},
    {0x04,
     0xc37f,
     "TempiKOpenLoop",
     kIndexed,
     {"TOpenLoop"},
     {Ms(30)},
     LinkForm::Whole,
     Extent::MapColumns},
    {.group = 0x06,
     .id = 0xc154,
     .section = kMapSection,
     .link = LinkForm::Rows,
     .extent = Extent::MapColumns,
     .own = &T::mapRowItem},
    {.group = 0x01, .id = 0x14100, .unitOnly = true, .text = kNoSerialNumber},
    {0x01, 0x04, "Lambda", KeyForm::Named, {"TipoDiLambda"}, {R(2)}},
    {0x01, 0x05, "Lambda", KeyForm::Named, {"RifLambda"}, {R(28)}},
    {0x01, 0x06, "Lambda", KeyForm::Named, {"RitardoLetturaSonda"}, {R(0)}},
    {0x01, 0x07, "Lambda", KeyForm::Named, {"TempoSondaFredda"}, {R(5)}},
    {0x01, 0x08, "Lambda", KeyForm::Named, {"RifSupSondaFredda"}, {R(31)}},
    {0x01, 0x09, "Lambda", KeyForm::Named, {"RifInfSondaFredda"}, {R(15)}},
    {0x01, 0x0a, "Lambda", KeyForm::Named, {"RifSupSondaCalda"}, {R(31)}},
    {0x01, 0x0b, "Lambda", KeyForm::Named, {"RifInfSondaCalda"}, {R(15)}},
    {0x01,
     0xc30c,
     "RiferimentiGiri",
     kIndexed,
     {"RifGiri"},
     {R(500), R(1000), R(1500), R(2000), R(2500), R(3000), R(3500), R(4000), R(4500), R(5000),
      R(5500), R(6000)}},
    {0x01, 0x0f, "Accensione-Cambio", KeyForm::Named, {"TemperaturaCambio"}, {Gas(25)}},
    {.group = 0x01,
     .id = 0x210,
     .section = "Accensione-Cambio",
     .keys = {"GiriPerCambio"},
     .defaults = {R(1600)},
     .after = &T::forgetRememberedRpm},
    {0x01, 0x11, "Accensione-Cambio", KeyForm::Named, {"RitardoMinimoCambio"}, {R(60)}},
    {.group = 0x01, .id = 0x212, .defaults = {R(0)}, .unitOnly = true},
    {0x01, 0x14, "Accensione-Cambio", KeyForm::Named, {"NumeroCilindri"}, {R(2)}},
    {.group = 0x01, .id = 0x17, .defaults = {R(0)}, .unitOnly = true},
    {.group = 0x01, .id = 0x218, .defaults = {R(0)}, .unitOnly = true},
    {.group = 0x01, .id = 0xa119, .defaults = {R(0)}, .unitOnly = true},
    {0x01, 0x1a, "TPS", KeyForm::Named, {"TipoDiTps"}, {R(0)}},
    // The default is the code of level-sensor type 0; its thresholds follow.
    {0x01, 0x24, "SensoreDiLivello", KeyForm::Named, {"TipoSensore"}, {R(129)}},
    {0x01, 0x4125, "SensoreDiLivello", kIndexed, {"RifSensore"}, {R(199), R(140), R(93), R(39)}},
    {0x0C,
     0xa12a,
     "Temperatura",
     kIndexed,
     {"Rif"},
     {R(0), Gas(70), Gas(60), Gas(50), Gas(40), Gas(35), Gas(30), Gas(25), Gas(20), R(255)}},
    {0x0C,
     0x912b,
     "Temperatura",
     kIndexed,
     {"Coeff"},
     {R(100), R(99), R(97), R(94), R(92), R(90), R(88), R(86), R(84)}},
    {0x01, 0x3131, "Diagnosi", kTable, {"Azione"}, {R(0)}, LinkForm::Rows},
    {0x01, 0x34, "Arricchimento", KeyForm::Named, {"TipoIniezione"}, {R(3)}},
    {.group = 0x01, .id = 0x1e135, .section = kGenerale, .own = &T::identificationItem},
    {0x10, 0x38, "Arricchimento", KeyForm::Named, {"CorrenteMantenimento"}, {R(10)}},
    {.group = 0x01,
     .id = 0x5139,
     .section = "Diagnosi",
     .form = kIndexed,
     .keys = {"Stato"},
     .defaults = {R(0)},
     .beforeWrite = &T::clearStates},
    {0x01, 0x513a, "Diagnosi", kIndexed, {"Abilitazione"}, {R(0)}},
    {.group = 0x01, .id = 0x23b, .defaults = {R(0)}, .unitOnly = true},
    {.group = 0x01, .id = 0x23c, .defaults = {R(0)}, .unitOnly = true},
    {0x01, 0x3e, "SensoreDiLivello", KeyForm::Named, {"TempoRitBenzina"}, {R(1)}},
    {.group = 0x01, .id = 0x43, .defaults = {R(0)}, .link = LinkForm::ReadOnly, .unitOnly = true},
    {.group = 0x01, .id = 0x44, .defaults = {R(0)}, .link = LinkForm::ReadOnly, .unitOnly = true},
    {0x01, 0x47, "Emulazione", KeyForm::Named, {"LivelloAlto"}, {R(41)}},
    {0x01, 0x48, "Emulazione", KeyForm::Named, {"LivelloBasso"}, {R(5)}},
    {.group = 0x10,
     .id = 0x234a,
     .section = "Arricchimento",
     .keys = {"TempoMaxCorrente", "TempoMaxCorrente1"},
     .defaults = {Ms(3.0), Ms(0.0)},
     .afterLoad = &T::limitMaxCurrent},
    {.group = 0x01,
     .id = 0x24b,
     .section = kGenerale,
     .keys = {"Cilindrata"},
     .defaults = {R(1600)},
     .after = &T::describeDisplacement},
    {0x01, 0x4151, "Diagnosi", kIndexed, {"Temperatura"}, {Gas(-40), Gas(180), Eng(-40), Eng(180)}},
    {0x10, 0x253, "Iniezione", KeyForm::Named, {"TempoAperturaIniettore"}, {Ms(1.5)}},
    {0x10, 0x252, "Iniezione", KeyForm::Named, {"TempoChiusuraIniettore"}, {Ms(0.0)}},
    {0x0C,
     0xa15c,
     "Temperatura",
     kIndexed,
     {"RifMot"},
     {R(0), Eng(68), Eng(56), Eng(45), Eng(32), Eng(20), Eng(10), Eng(5), Eng(0), R(255)}},
    {0x0C,
     0x915d,
     "Temperatura",
     kIndexed,
     {"CoeffMot"},
     {R(109), R(106), R(103), R(100), R(97), R(94), R(91), R(88), R(85)}},
    {0x01, 0x6d, "Accensione-Cambio", KeyForm::Named, {"TempoSovrapposizione"}, {R(0)}},
    {0x01, 0x75, "Accensione-Cambio", KeyForm::Named, {"TemperaturaMotoreCambio"}, {Eng(0)}},
    {0x10, 0x76, "Arricchimento", KeyForm::Named, {"FreqHoldingCurrent"}, {R(50)}},
    {0x10, 0x77, "Arricchimento", KeyForm::Named, {"ValPercHoldingCurrent"}, {R(45)}},
    {0x11,
     0x6778,
     kGenerale,
     KeyForm::Named,
     {"OffsetMapInterno", "PendenzaMapInterno", "OffsetMapEsterno", "PendenzaMapEsterno",
      "OffsetDiff", "PendenzaDiff"},
     {R(100), R(500), R(100), R(500), R(-108), R(542)}},
    {0x01, 0x7a, "Arricchimento", KeyForm::Named, {"SafetyTime"}, {R(20)}},
    {0x0C,
     0xf37b,
     "PressioneDifferenziale",
     kIndexed,
     {"RifPressDiff"},
     {R(500), R(550), R(589), R(630), R(670), R(709), R(750), R(790), R(829), R(869), R(910),
      R(949), R(1000), R(1050), R(1100)}},
    // Defaults in byte form.
    {.group = 0x0C,
     .id = 0xf57c,
     .section = "PressioneDifferenziale",
     .form = kIndexed,
     .keys = {"CoeffPressDiff"},
     .defaults = {R(114), R(99), R(88), R(77), R(66), R(56), R(46), R(36), R(27), R(17), R(8), R(0),
                  R(-10), R(-21), R(-31)},
     .own = &T::pressureItem},
    {0x10, 0x27d, "Iniezione", KeyForm::Named, {"TempoMortoIniettoreBenzina"}, {Ms(0.3)}},
    {0x10, 0x27e, "Iniezione", KeyForm::Named, {"TempoMortoIniettoreGas"}, {Ms(1.1)}},
    {0x01, 0x280, "Iniezione", KeyForm::Named, {"TempoFuoriStabilizzato"}, {Ms(0.6)}},
    {0x0C,
     0x3181,
     "Iniezione",
     KeyForm::Named,
     {"KFiltro", {"TempoEmulazioneMagra1", "Emulazione"}, "KFiltro2"},
     {R(128)}},
    {0x01, 0xc182, "Emulazione", kIndexed, {"RiferimentiSondaLambda"}, {R(26)}},
    {0x01, 0xc383, "Emulazione", kIndexed, {"RitardoEmulazioneRicca"}, {R(0)}},
    {0x01, 0x2385, "Emulazione", KeyForm::Named, {"Opzione1", "Opzione2"}, {R(0)}},
    {0x01, 0x87, "Emulazione", KeyForm::Named, {"RitardoGiriEmulazione"}, {R(0)}},
    {0x01, 0x88, "Emulazione", KeyForm::Named, {"SmagrimentoRientroCutoff"}, {R(100)}},
    {0x01, 0x89, "Emulazione", KeyForm::Named, {"NumeroIniettateSmagrimento"}, {R(0)}},
    {0x0C, 0x28d, "Emulazione", KeyForm::Named, {"TempoEmulazioneMagra0"}, {R(8000)}},
    {.group = 0x01,
     .id = 0x28e,
     .section = "Arricchimento",
     .keys = {"SafeDelay"},
     .defaults = {Ms(2.0)},
     .afterLoad = &T::limitSafeDelay},
    {0x01,
     0x238f,
     "TInjDefault",
     kTable,
     {"TInjDefault"},
     {Ms(2.5), Ms(2.5), Ms(2.6), Ms(2.6), Ms(2.7), Ms(2.7), Ms(2.8), Ms(2.8), Ms(2.9), Ms(2.9),
      Ms(3.0), Ms(3.0), Ms(3.1), Ms(3.1), Ms(3.2), Ms(3.2)},
     LinkForm::Rows},
    {0x04, 0x90, "Accensione-Cambio", KeyForm::Named, {"TemperaturaAutotaratura"}, {Eng(60)}},
    {0x04, 0x2391, "AutoTaratura", kIndexed, {"ScartoMinimoTaratura"}, {Ms(0.2), Ms(0.0)}},
    {0x01, 0x292, "Accensione-Cambio", KeyForm::Named, {"TInjBenzMaxCambio"}, {Ms(12.0)}},
    {0x04, 0x293, "AutoTaratura", KeyForm::Named, {"SpostamentoTaratura"}, {R(0)}},
    // The one key feeds both elements; element 1 is the one saved.
    {.group = 0x10,
     .id = 0x2194,
     .section = "Iniezione",
     .keys = {"TipoIniettoreSoftware", "TipoIniettoreSoftware"},
     .defaults = {R(0)},
     .own = &T::injectorTypeItem},
    {0x04, 0x4595, "AutoTaratura", kTable, {"MappaCorrAutotaratura"}, {R(0)}, LinkForm::Rows},
    {0x04, 0x296, "AutoTaratura", KeyForm::Named, {"GiriAutotaratura"}, {R(2800)}},
    {0x04, 0x3197, "AutoTaratura", kIndexed, {"ParametriAutotaratura"}, {R(1), R(5), R(2)}},
};

// The default carburation map, row by row; a row repeats its last value.
const std::initializer_list<int32_t> kDefaultMap[TEcuImage::kMapRows] = {
    {120, 123},
    {124, 126, 126, 128, 130},
    {134, 136, 136, 139},
    {141, 143, 143, 147, 149},
    {141, 143, 143, 147, 149},
    {142, 143, 143, 147, 149},
    {138, 140, 140, 143, 145},
    {124, 126, 126, 129, 130},
    {119, 121, 121, 125},
    {114, 115, 115, 119, 120},
    {113, 114, 114, 118},
    {113, 114, 114, 118},
    {113, 114, 114, 118},
};

template <class V> V elementOr(std::initializer_list<V> list, size_t i) {
    return *(list.begin() + std::min(i, list.size() - 1));
}

// Characters travel as the code of a signed 8-bit character; 0 after the text.
void storeText(std::span<int32_t> elements, std::string_view text) {
    for (size_t i = 0; i < elements.size(); ++i)
        elements[i] = i < text.size() ? int32_t(static_cast<signed char>(text[i])) : 0;
}

// The range a value of the element's width on the link can take: signed
// values are held negative, so a byte takes -128..255.
std::pair<int32_t, int32_t> linkRange(uint32_t id) {
    return paramid::isWord(id) ? std::pair{-32768, 65535} : std::pair{-128, 255};
}

std::string_view fileNamePart(std::string_view path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

struct TDescriptionKey {
    const char* key;
    std::string TEcuImage::*text = nullptr; // read with this limit
    size_t limit = 0;
    int32_t TEcuImage::*number = nullptr; // neither: Potenza, in hundredths
};
constexpr TDescriptionKey kDescriptionKeys[] = {
    {"DescrizAuto", &TEcuImage::DescrizAuto, 51},
    {"Euro", &TEcuImage::Euro, 11},
    {"CentCubici", nullptr, 0, &TEcuImage::CentCubici},
    {"Valvole", nullptr, 0, &TEcuImage::Valvole},
    {"N cilindri", nullptr, 0, &TEcuImage::NCilindri},
    {"Potenza"},
    {"Motore", &TEcuImage::Motore, 51},
    {"Centralina", &TEcuImage::Centralina, 51},
    {"Cambio", &TEcuImage::Cambio, 51},
    {"AnnoVettura", nullptr, 0, &TEcuImage::AnnoVettura},
};

// The text of each fault that is noted on the way; stopping faults carry their own.
constexpr std::pair<TTransferFault, const char*> kNotedFaultTexts[] = {
    {TTransferFault::UnitWrite, kTransferUnitWriteError},
    {TTransferFault::UnitRead, kTransferUnitReadError},
    {TTransferFault::UnitGeometry, kTransferGeometryError},
};

const char* notedFaultText(TTransferFault fault) {
    for (const auto& [f, text] : kNotedFaultTexts)
        if (f == fault)
            return text;
    return "";
}

// --- The order of a transfer ---------------------------------------------------

bool TTransferRun::Run() {
    const TEcuImage before = m_;
    if (open()) {
        dm_.ResetProgress();
        if (request_.notify)
            dm_.Screen().SendProgress(0);
        if (beginSave() && markUnit()) {
            for (const TEngineItem& item : kEngineItems)
                moveItem(item);
            itemsRan_ = true;
            unmarkUnit();
            platform::Sleep(500);
        }
        endSave();
    }
    finish(before);
    return fault_ == TTransferFault::None;
}

bool TTransferRun::open() {
    if (!load_ && !save_)
        return true;
    if (request_.resourceId != 0) {
        if (!dm_.OpenIniResource(request_.resourceId)) {
            fail(TTransferFault::ResourceOpen, file_.LastError());
            return false;
        }
        opened_ = Opened::Resource;
    } else if (!request_.fileName.empty()) {
        // A path too long clears the name, so the open below fails.
        dm_.SetFileName(request_.fileName);
        if (!dm_.OpenIniFile(!save_)) {
            fail(TTransferFault::FileOpen, file_.LastError());
            return false;
        }
        opened_ = Opened::File;
    }
    return true;
}

bool TTransferRun::beginSave() {
    connected_ = !request_.offline && link_.IsConnected() != 0;
    if (!connected_)
        return true;
    link_.StopMonitor();
    if (!write_ && !save_)
        return true;
    uint8_t data[5] = {};
    if (!link_.SendCommand(17, data, 1, 5)) {
        fail(TTransferFault::BeginSave, kTransferBeginSaveError);
        return false;
    }
    saving_ = true;
    return true;
}

// From the first configuration write until the last one was taken the unit
// counts as never configured: a write cut short by a refusal or a lost link
// then makes the next connect set it up afresh instead of trusting a mixture.
// Without its state flags nothing is written.
bool TTransferRun::markUnit() {
    if (!write_ || !connected_)
        return true;
    if (!dm_.MarkNeverConfigured(unitState_)) {
        fail(TTransferFault::BeginSave, kTransferBeginSaveError);
        return false;
    }
    marked_ = true;
    return true;
}

void TTransferRun::unmarkUnit() {
    if (!marked_ || fault_ != TTransferFault::None || linkLost_)
        return;
    if (dm_.ClearNeverConfigured(unitState_))
        marked_ = false;
    else
        refused(TTransferFault::UnitWrite);
}

// Once the unit began a save it is always told to end it, whatever went wrong
// in between: a unit left in the middle of a save stops working.
void TTransferRun::endSave() {
    if (!saving_)
        return;
    uint8_t data[5] = {};
    // A fault that stopped the transfer before any item stays the one told.
    const bool stopped = stopped_;
    if (!link_.SendCommand(18, data, 1, 5)) {
        if (!stopped)
            fail(TTransferFault::EndSave, kTransferEndSaveError);
        return;
    }
    link_.Disconnect();
    platform::Sleep(500);
    if (!dm_.WaitForEcu(20000) && !stopped)
        fail(TTransferFault::UnitWait, kTransferWaitError);
}

// A named file is stored only after a transfer without fault, so no file is
// ever left half written; a load stores the file again (scrambled) as a save
// does, but a load that cannot store it is still a good load.
void TTransferRun::finish(const TEcuImage& before) {
    if (itemsRan_ && !stopped_ && request_.notify)
        dm_.Screen().SendProgress(100);
    if (opened_ == Opened::Resource)
        dm_.CloseIniResource();
    else if (opened_ == Opened::File && fault_ != TTransferFault::None)
        dm_.DiscardIniFile();
    else if (opened_ == Opened::File && !dm_.CloseIniFile() && save_)
        fail(TTransferFault::FileStore, kTransferStoreError);

    if (fault_ == TTransferFault::None) {
        m_.Modified = read_;
        return;
    }
    // A failed transfer never makes the image look saved or freshly loaded:
    // it stays modified if it was, and becomes so if anything moved into it.
    TEcuImage unchanged = before;
    unchanged.Modified = m_.Modified;
    m_.Modified = before.Modified || !(unchanged == m_);
}

void TTransferRun::moveItem(const TEngineItem& item) {
    const bool selected = (request_.groupMask & item.group) != 0;
    const int rows = rowCount(item);
    for (int r = 0; r < rows; ++r) {
        if (selected)
            item.own ? (this->*item.own)(item, slice(item, r)) : directions(item, slice(item, r));
        // Every item counts, selected or not, so the progress always ends at its total.
        if (item.id != 0)
            dm_.AddProgress(item.id, dm_.ProgressTotal(), request_.notify);
    }
    if (selected && item.after)
        (this->*item.after)();
}

// --- Shapes ----------------------------------------------------------------------

int TTransferRun::rowCount(const TEngineItem& item) const {
    if (item.id == 0)
        return 1; // the map geometry: no image item, no link id
    const TImageItem* image = FindImageItem(item.id);
    if (!image)
        return 0;
    return image->mapRows ? std::clamp(m_.NumeroRighe + 1, 0, TEcuImage::kMapRows)
                          : int(image->rows);
}

TSlice TTransferRun::slice(const TEngineItem& item, int row) const {
    if (item.id == 0)
        return {};
    const TImageItem* image = FindImageItem(item.id);
    const size_t rowSize = image->size / image->rows;
    return {{image->storage(m_) + size_t(row) * rowSize, rowSize}, row};
}

// The geometry stays inside the storage even for an image restored from an
// unchecked snapshot.
int TTransferRun::extentCount(Extent extent) const {
    switch (extent) {
    case Extent::MapRows:
        return std::clamp(m_.NumeroRighe, 0, TEcuImage::kMapRows - 1);
    case Extent::MapColumns:
        return std::clamp(m_.NumeroColonne, 0, TEcuImage::kMapColumns);
    case Extent::All:
        break;
    }
    return INT_MAX;
}

uint32_t TTransferRun::linkId(const TEngineItem& item) const {
    return item.extent == Extent::All ? item.id
                                      : paramid::withCount(item.id, extentCount(item.extent));
}

bool TTransferRun::linkUsable(const TEngineItem& item) const {
    return !linkLost_ && !(mapBlocked_ && item.extent != Extent::All);
}

int32_t TTransferRun::defaultValue(const TEngineItem& item, size_t index) const {
    const TDefault d = elementOr(item.defaults, index);
    switch (d.kind) {
    case TDefault::Ms:
        return raw(d.value);
    case TDefault::Gas:
        return dm_.ConvertTempGasToRaw(float(d.value));
    case TDefault::Engine:
        return dm_.ConvertTempMotoreToRaw(float(d.value));
    case TDefault::ColumnRpm:
        return int32_t(6000 * (index + 1) / size_t(std::max(m_.NumeroColonne, 1)));
    case TDefault::Raw:
        break;
    }
    return int32_t(d.value);
}

size_t TTransferRun::keyCount(const TEngineItem& item, const TSlice& s) const {
    return item.form == KeyForm::Named ? std::min(item.keys.size(), s.values.size())
                                       : (item.keys.size() ? s.values.size() : 0);
}

std::string TTransferRun::keyName(const TEngineItem& item, const TSlice& s, size_t i) const {
    const std::string base = item.keys.begin()->name;
    switch (item.form) {
    case KeyForm::Indexed:
        return base + std::to_string(i);
    case KeyForm::Table:
        return base + std::to_string(s.row) + "_" + std::to_string(i);
    case KeyForm::Named:
        break;
    }
    return (item.keys.begin() + i)->name;
}

const char* TTransferRun::keySection(const TEngineItem& item, size_t i) const {
    if (item.form == KeyForm::Named && (item.keys.begin() + i)->section)
        return (item.keys.begin() + i)->section;
    return item.section;
}

// --- Generic directions, in the order 1, 2, 4, 8 ------------------------------------

void TTransferRun::directions(const TEngineItem& item, TSlice s) {
    if (load_) {
        loadSlice(item, s);
        if (item.afterLoad)
            (this->*item.afterLoad)(item, s);
    }
    if (read_)
        readSlice(item, s);
    if (save_)
        saveSlice(item, s);
    if (write_) {
        if (item.beforeWrite)
            (this->*item.beforeWrite)(item, s);
        writeSlice(item, s);
    }
}

void TTransferRun::loadSlice(const TEngineItem& item, TSlice s) {
    if (item.unitOnly && request_.keepUnitItems)
        return;
    const size_t first = size_t(s.row) * s.values.size();
    const size_t n = std::min<size_t>(s.values.size(), size_t(extentCount(item.extent)));
    if (item.defaults.size())
        for (size_t i = 0; i < n; ++i)
            s.values[i] = defaultValue(item, first + i);
    if (item.text)
        storeText(s.values, item.text);
    const auto [lo, hi] = linkRange(item.id);
    for (size_t i = 0; i < keyCount(item, s); ++i)
        readKey(s.values[i], keyName(item, s, i), keySection(item, i), lo, hi);
}

bool TTransferRun::readSlice(const TEngineItem& item, TSlice s) {
    if (!linkUsable(item))
        return false;
    const uint32_t id = linkId(item);
    const size_t n = paramid::elementCount(id);
    if (n == 0)
        return true; // a map of one row has no row references
    if (n > kMaxLinkElements || n > s.values.size()) {
        note(TTransferFault::UnitRead);
        return false;
    }
    // Only an answered read reaches the image.
    std::array<int32_t, kMaxLinkElements> answer{};
    std::copy_n(s.values.begin(), n, answer.begin());
    const bool ok = item.link == LinkForm::Rows ? link_.ReadParamRow(id, answer.data(), s.row)
                                                : link_.ReadParam(id, answer.data());
    if (!ok)
        return readRefused();
    std::copy_n(answer.begin(), n, s.values.begin());
    return true;
}

void TTransferRun::saveSlice(const TEngineItem& item, TSlice s) {
    for (size_t i = 0; i < keyCount(item, s); ++i)
        dm_.WriteInteger(s.values[i], keyName(item, s, i), keySection(item, i));
}

bool TTransferRun::writeSlice(const TEngineItem& item, TSlice s) {
    if (item.link == LinkForm::ReadOnly)
        return true;
    if (!linkUsable(item))
        return false;
    const uint32_t id = linkId(item);
    if (paramid::elementCount(id) == 0)
        return true;
    bool ok;
    if (item.link == LinkForm::Rows)
        ok = link_.WriteParamRow(id, s.values.data(), s.row);
    else if (paramid::isMulti(id))
        ok = link_.WriteParamArray(id, s.values.data());
    else
        ok = link_.WriteParam(id, s.values[0]);
    return ok || refused(TTransferFault::UnitWrite);
}

// --- Keys, faults ------------------------------------------------------------------

bool TTransferRun::readKey(int32_t& value, const std::string& key, const char* section, int32_t lo,
                           int32_t hi) {
    int32_t v = 0;
    if (!dm_.ReadIntegerIfExists(v, key, section))
        return false; // a missing key, or a missing section, keeps the default
    if (v < lo || v > hi) {
        outOfRange(key);
        return false;
    }
    value = v;
    return true;
}

// A key out of range keeps its default too, and the load still succeeds;
// the caller names the keys to the user.
void TTransferRun::outOfRange(const std::string& key) {
    if (std::find(outOfRange_.begin(), outOfRange_.end(), key) == outOfRange_.end())
        outOfRange_.push_back(key);
}

// A read the unit refuses keeps the image's value and the read goes on;
// only a lost link makes the read fail, and no further call is tried on it.
bool TTransferRun::readRefused() {
    if (!link_.IsConnected()) {
        linkLost_ = true;
        note(TTransferFault::UnitRead);
    }
    return false;
}

// A refused link call: the transfer goes on, but once the link is gone no
// further call is tried.
bool TTransferRun::refused(TTransferFault fault) {
    note(fault);
    if (!link_.IsConnected())
        linkLost_ = true;
    return false;
}

void TTransferRun::note(TTransferFault fault, const std::string& detail) {
    if (fault_ != TTransferFault::None)
        return;
    fault_ = fault;
    error_ = notedFaultText(fault);
    if (!detail.empty())
        error_ += ": " + detail;
}

// A fault that stops the transfer outweighs any noted before it.
void TTransferRun::fail(TTransferFault fault, const std::string& text) {
    fault_ = fault;
    error_ = text;
    stopped_ = true;
}

// --- Own steps ---------------------------------------------------------------------

void TTransferRun::clockItem(const TEngineItem& item, TSlice s) {
    if (load_)
        loadSlice(item, s);
    if (read_ && !readSlice(item, s))
        s.values[0] = kDefaultClock;
}

// The unit may keep a type it does not know: the image takes back what it holds.
void TTransferRun::gasSensorItem(const TEngineItem& item, TSlice s) {
    directions(item, s);
    if (write_)
        readSlice(item, s);
}

void TTransferRun::rebuildGasCurve() {
    dm_.BuildTempGasTable(m_.TipoSensoreTemperaturaGas);
}

// The rpm that start on gas remembered belongs to the change-over rpm it was
// taken from, not to the one a read, a load or a reset brings.
void TTransferRun::forgetRememberedRpm() {
    if (load_ || read_)
        m_.RememberedGiriPerCambio.reset();
}

void TTransferRun::rebuildEngineCurve() {
    dm_.BuildTempMotoreTable(dm_.GetFlag(10));
}

void TTransferRun::geometryItem(const TEngineItem&, TSlice) {
    if (load_)
        loadGeometry();
    if (read_)
        askUnitGeometry();
    if (save_) {
        dm_.WriteInteger(m_.NumeroRighe, "NumeroRighe", kMapSection);
        dm_.WriteInteger(m_.NumeroColonne, "NumeroColonne", kMapSection);
    }
    if (write_ && !read_)
        askUnitGeometry();
}

// A geometry the storage cannot hold keeps the default one, and the map its
// default cells.
void TTransferRun::loadGeometry() {
    dm_.SetMapGeometry(GetKMapRows(), GetKMapColumns());
    int32_t rows = m_.NumeroRighe, columns = m_.NumeroColonne;
    const bool hasRows = readKey(rows, "NumeroRighe", kMapSection, INT_MIN, INT_MAX);
    const bool hasColumns = readKey(columns, "NumeroColonne", kMapSection, INT_MIN, INT_MAX);
    if ((hasRows || hasColumns) && !dm_.SetMapGeometry(rows, columns)) {
        outOfRange("NumeroRighe");
        outOfRange("NumeroColonne");
        mapKeysRefused_ = true;
    }
}

// A write takes the unit's geometry, not the file's.
void TTransferRun::askUnitGeometry() {
    if (linkLost_)
        return;
    uint8_t data[2] = {84, 0};
    if (!link_.SendCommand(4, data, 1, 2)) {
        read_ ? readRefused() : refused(TTransferFault::UnitWrite);
        return;
    }
    if (!dm_.SetMapGeometry(int(data[1]) - 1, int(data[0]))) {
        note(TTransferFault::UnitGeometry);
        mapBlocked_ = true;
    }
}

void TTransferRun::mapRowItem(const TEngineItem& item, TSlice s) {
    const int columns = extentCount(Extent::MapColumns);
    const auto key = [&](int c) {
        return "MappaK" + std::to_string(s.row) + "_" + std::to_string(c);
    };
    if (load_) {
        for (int c = 0; c < columns; ++c)
            s.values[c] = elementOr(kDefaultMap[s.row], size_t(c));
        for (int c = 0; c < columns && !mapKeysRefused_; ++c)
            readKey(s.values[c], key(c), kMapSection, 0, 255);
    }
    if (read_)
        readSlice(item, s);
    if (save_)
        for (int c = 0; c < TEcuImage::kMapColumns; ++c)
            dm_.WriteInteger(s.values[c], key(c), kMapSection);
    if (write_)
        writeSlice(item, s);
}

void TTransferRun::identificationItem(const TEngineItem& item, TSlice s) {
    if (load_)
        loadIdentification(s);
    if (read_) {
        readSlice(item, s);
        // CentCubici follows Cilindrata once that is read (describeDisplacement).
        resetDescription(m_.CentCubici);
    }
    if (save_)
        saveIdentification();
    if (write_)
        writeSlice(item, s); // the description never goes to the unit
}

void TTransferRun::loadIdentification(TSlice s) {
    const std::span<int32_t> name = s.values.subspan(2, TEcuImage::kNameLength);
    s.values[0] = kOfficialBit;
    s.values[1] = 0;
    storeText(name, "Standard");
    std::string text;
    if (dm_.ReadStringIfExists(text, "DescrizAuto", kGenerale, 30))
        storeText(name, text);
    bool official = true;
    dm_.ReadBoolIfExists(official, "Ufficiale", kGenerale);
    if (!official)
        s.values[0] &= ~kOfficialBit;
    resetDescription(1600);
    for (const TDescriptionKey& k : kDescriptionKeys) {
        int32_t hundredths = 0;
        if (k.text)
            dm_.ReadStringIfExists(m_.*k.text, k.key, kGenerale, k.limit);
        else if (k.number)
            readKey(m_.*k.number, k.key, kGenerale, INT_MIN, INT_MAX);
        else if (readKey(hundredths, k.key, kGenerale, INT_MIN, INT_MAX))
            m_.Potenza = hundredths * 0.01;
    }
}

void TTransferRun::resetDescription(int32_t centCubici) {
    m_.DescrizAuto = dm_.GetNomeConfigurazione();
    m_.Euro.clear();
    m_.CentCubici = centCubici;
    m_.Valvole = 0;
    m_.NCilindri = 0;
    m_.Potenza = 0.0;
    m_.Motore.clear();
    m_.Centralina.clear();
    m_.Cambio.clear();
    m_.AnnoVettura = 0;
}

void TTransferRun::saveIdentification() {
    dm_.WriteBool(dm_.IsUfficiale(), "Ufficiale", kGenerale);
    dm_.WriteString(fileNamePart(request_.fileName), "NomeConfigurazione", kGenerale);
    for (const TDescriptionKey& k : kDescriptionKeys) {
        if (k.text)
            dm_.WriteString(m_.*k.text, k.key, kGenerale);
        else if (k.number)
            dm_.WriteInteger(m_.*k.number, k.key, kGenerale);
        else
            dm_.WriteInteger(TruncToInt(m_.Potenza * 100 + 0.5), k.key, kGenerale);
    }
    dm_.WriteInteger(1, "VersioneFile", kGenerale);
}

void TTransferRun::describeDisplacement() {
    if (read_)
        m_.CentCubici = TruncToInt(dm_.GetValue(0x24b));
}

void TTransferRun::clearStates(const TEngineItem&, TSlice s) {
    std::fill(s.values.begin(), s.values.end(), 0);
}

void TTransferRun::limitMaxCurrent(const TEngineItem&, TSlice s) {
    if (ms(s.values[0]) > 20.0)
        s.values[0] = raw(20.0);
    if (ms(s.values[1]) > 1.5)
        s.values[1] = raw(1.5);
}

void TTransferRun::limitSafeDelay(const TEngineItem&, TSlice s) {
    if (ms(s.values[0]) < 0.1)
        s.values[0] = raw(2.0);
}

// The image holds 15 coefficients and their form: bytes (raw x 0.3) or words
// (raw x 0.01). A load always ends in the word form; the unit gets its own form.
void TTransferRun::pressureItem(const TEngineItem& item, TSlice s) {
    if (load_)
        loadPressure(item, s);
    if (read_)
        readPressure(s);
    if (save_) {
        saveSlice(item, s);
        dm_.WriteBool(m_.CoeffPressDiffByte != 0, "CoeffPressDiffByte", item.section);
    }
    if (write_)
        writePressure(s);
}

// Defaults are byte values: in a file of the word form a missing key gets
// its default in that form, so it is not read 30 times too small.
void TTransferRun::loadPressure(const TEngineItem& item, TSlice s) {
    bool byteForm = true;
    dm_.ReadBoolIfExists(byteForm, "CoeffPressDiffByte", item.section);
    const auto [lo, hi] = byteForm ? std::pair{-128, 127} : std::pair{-32768, 32767};
    for (size_t i = 0; i < s.values.size(); ++i) {
        int32_t v = defaultValue(item, i) * (byteForm ? 1 : 30);
        readKey(v, keyName(item, s, i), item.section, lo, hi);
        s.values[i] = byteForm ? v * 30 : v;
    }
    m_.CoeffPressDiffByte = 0;
}

void TTransferRun::readPressure(TSlice s) {
    if (linkLost_)
        return;
    const int width = link_.GetParamWidth(124, 1);
    if (width <= 0)
        return; // this unit has no coefficients
    std::array<int32_t, kMaxLinkElements> answer{};
    if (!link_.ReadParam(width == 1 ? 0xf57c : 0xf77c, answer.data())) {
        readRefused();
        return;
    }
    std::copy_n(answer.begin(), s.values.size(), s.values.begin());
    m_.CoeffPressDiffByte = width == 1;
}

void TTransferRun::writePressure(TSlice s) {
    if (linkLost_)
        return;
    const int width = link_.GetParamWidth(124, 1);
    if (width <= 0)
        return;
    const bool byteForm = width == 1;
    if (byteForm && !m_.CoeffPressDiffByte)
        for (int32_t& v : s.values)
            v = std::clamp(v / 30, -128, 127);
    else if (!byteForm && m_.CoeffPressDiffByte)
        for (int32_t& v : s.values)
            v *= 30;
    m_.CoeffPressDiffByte = byteForm;
    if (!link_.WriteParamArray(byteForm ? 0xf57c : 0xf77c, s.values.data()))
        refused(TTransferFault::UnitWrite);
}

void TTransferRun::injectorTypeItem(const TEngineItem& item, TSlice s) {
    if (load_)
        loadSlice(item, s);
    if (read_)
        readSlice(item, s);
    if (save_)
        dm_.WriteInteger(s.values[1], item.keys.begin()->name, item.section);
    if (write_)
        writeInjectorType(s);
}

// Both elements take the value of element 1.
void TTransferRun::writeInjectorType(TSlice s) {
    const int32_t v = s.values[1];
    if (linkLost_)
        return;
    if (link_.WriteParamItem(0x94, 0, v))
        s.values[0] = v;
    else
        refused(TTransferFault::UnitWrite);
    if (!linkLost_ && !link_.WriteParamItem(0x94, 1, v))
        refused(TTransferFault::UnitWrite);
}

} // namespace

bool TStreamDati::SaveImageCopy(const TEcuImage& image, std::string_view path, std::string& why) {
    const TEcuImage now = image_;
    RestoreImage(image);
    TTransferRun run(*this, image_, {kTransferImageToFile, path, 0, kGroupAll, false, false, true});
    const bool ok = run.Run();
    why = run.Error();
    RestoreImage(now);
    return ok;
}

bool TStreamDati::Transfer(uint8_t flags, std::string_view fileName, int resourceId,
                           uint32_t groupMask, bool notify, bool keepUnitItems) {
    TTransferRun run(*this, image_,
                     {flags, fileName, resourceId, groupMask, notify, keepUnitItems});
    const bool ok = run.Run();
    transferFault_ = run.Fault();
    transferError_ = run.Error();
    unitLeftMarked_ = run.LeftMarked();
    outOfRangeKeys_ = run.OutOfRange();
    // The image is the connected unit's once it was read from it or written
    // into it whole; any other change of the whole image ends that.
    constexpr uint8_t kUnitSide = kTransferUnitToImage | kTransferImageToUnit;
    if (flags & (kTransferFileToImage | kUnitSide))
        imageFromUnit_ = ok && run.WasConnected() && (flags & kUnitSide);
    return ok;
}
