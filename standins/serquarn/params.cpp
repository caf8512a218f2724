#include "params.h"

#include <algorithm>
#include <array>

namespace serquarn {

namespace {

constexpr Access RW = Access::ReadWrite;
constexpr Access RO = Access::ReadOnly;
constexpr Shape P = Shape::Plain;

// number, rows, columns, width, signed, access, shape, name
constexpr ParamSpec kParams[] = {
    {0x00, 1, 20, 1, false, RW, P, "SerialNumber"},
    {0x01, 1, 1, 1, false, RW, P, "StateFlags"},
    {0x02, 1, 1, 1, false, RO, P, "ReadyCode"},
    {0x03, 1, 2, 2, false, RW, P, "Flag"},
    {0x04, 1, 1, 1, false, RW, P, "TipoDiLambda"},
    {0x05, 1, 1, 1, false, RW, P, "RifLambda"},
    {0x06, 1, 1, 1, false, RW, P, "RitardoLetturaSonda"},
    {0x07, 1, 1, 1, false, RW, P, "TempoSondaFredda"},
    {0x08, 1, 1, 1, false, RW, P, "RifSupSondaFredda"},
    {0x09, 1, 1, 1, false, RW, P, "RifInfSondaFredda"},
    {0x0a, 1, 1, 1, false, RW, P, "RifSupSondaCalda"},
    {0x0b, 1, 1, 1, false, RW, P, "RifInfSondaCalda"},
    {0x0c, 1, 12, 2, false, RW, P, "RifGiri"},
    {0x0f, 1, 1, 1, false, RW, P, "TemperaturaCambio"},
    {0x10, 1, 1, 2, false, RW, P, "GiriPerCambio"},
    {0x11, 1, 1, 1, false, RW, P, "RitardoMinimoCambio"},
    {0x12, 1, 1, 2, false, RW, P, "Unit12"},
    {0x14, 1, 1, 1, false, RW, P, "NumeroCilindri"},
    {0x17, 1, 1, 1, false, RW, P, "Unit17"},
    {0x18, 1, 1, 2, false, RW, P, "Unit18"},
    {0x19, 1, 10, 1, false, RW, P, "Unit19"},
    {0x1a, 1, 1, 1, false, RW, P, "TipoDiTps"},
    {0x24, 1, 1, 1, false, RW, P, "TipoSensore"},
    {0x25, 1, 4, 1, false, RW, P, "RifSensore"},
    {0x2a, 1, 10, 1, false, RW, P, "Rif"},
    {0x2b, 1, 9, 1, false, RW, P, "Coeff"},
    {0x31, 3, 3, 1, false, RW, P, "Azione"},
    {0x34, 1, 1, 1, false, RW, P, "TipoIniezione"},
    {0x35, 1, 30, 1, false, RW, P, "Identificazione"},
    {0x37, 1, 12, 2, true, RW, P, "RifTempiK"},
    {0x38, 1, 1, 1, false, RW, P, "CorrenteMantenimento"},
    {0x39, 1, 5, 1, false, RW, P, "Stato"},
    {0x3a, 1, 5, 1, false, RW, P, "Abilitazione"},
    {0x3b, 1, 1, 2, false, RW, P, "TempoGas"},
    {0x3c, 1, 1, 2, false, RW, P, "TempoBenzina"},
    {0x3d, 1, 12, 2, true, RW, P, "RifGiriK"},
    {0x3e, 1, 1, 1, false, RW, P, "TempoRitBenzina"},
    {0x43, 1, 1, 1, false, RO, P, "Unit43"},
    {0x44, 1, 1, 1, false, RO, P, "Unit44"},
    {0x47, 1, 1, 1, false, RW, P, "LivelloAlto"},
    {0x48, 1, 1, 1, false, RW, P, "LivelloBasso"},
    {0x4a, 1, 2, 2, false, RW, P, "TempoMaxCorrente"},
    {0x4b, 1, 1, 2, false, RW, P, "Cilindrata"},
    {0x4d, 1, 1, 1, false, RW, P, "IniettoriGasInErrore"},
    {0x51, 1, 4, 1, false, RW, P, "TemperaturaDiagnosi"},
    {0x52, 1, 1, 2, false, RW, P, "TempoChiusuraIniettore"},
    {0x53, 1, 1, 2, false, RW, P, "TempoAperturaIniettore"},
    {0x54, kMapMaxRows, kMapMaxColumns, 1, false, RW, Shape::Map, "MappaK"},
    {0x5c, 1, 10, 1, false, RW, P, "RifMot"},
    {0x5d, 1, 9, 1, false, RW, P, "CoeffMot"},
    {0x5e, 1, 1, 1, false, RW, P, "IniettoriBenzinaInErrore"},
    {0x6d, 1, 1, 1, false, RW, P, "TempoSovrapposizione"},
    {0x75, 1, 1, 1, false, RW, P, "TemperaturaMotoreCambio"},
    {0x76, 1, 1, 1, false, RW, P, "FreqHoldingCurrent"},
    {0x77, 1, 1, 1, false, RW, P, "ValPercHoldingCurrent"},
    {0x78, 1, 6, 2, true, RW, P, "OffsetPendenzaMap"},
    {0x79, 1, 1, 2, false, RO, P, "Clock"},
    {0x7a, 1, 1, 1, false, RW, P, "SafetyTime"},
    {0x7b, 1, 15, 2, false, RW, P, "RifPressDiff"},
    {0x7c, 1, 15, 2, true, RW, Shape::VariableWidth, "CoeffPressDiff"},
    {0x7d, 1, 1, 2, false, RW, P, "TempoMortoIniettoreBenzina"},
    {0x7e, 1, 1, 2, false, RW, P, "TempoMortoIniettoreGas"},
    {0x7f, 1, 12, 2, false, RW, P, "TOpenLoop"},
    {0x80, 1, 1, 2, false, RW, P, "TempoFuoriStabilizzato"},
    {0x81, 1, 3, 1, false, RW, P, "KFiltro"},
    {0x82, 1, 12, 1, false, RW, P, "RiferimentiSondaLambda"},
    {0x83, 1, 12, 2, false, RW, P, "RitardoEmulazioneRicca"},
    {0x85, 1, 2, 2, false, RW, P, "Opzione"},
    {0x86, 1, 1, 1, false, RW, P, "TipoSensoreTemperaturaGas"},
    {0x87, 1, 1, 1, false, RW, P, "RitardoGiriEmulazione"},
    {0x88, 1, 1, 1, false, RW, P, "SmagrimentoRientroCutoff"},
    {0x89, 1, 1, 1, false, RW, P, "NumeroIniettateSmagrimento"},
    {0x8a, 1, 5, 1, true, RW, P, "ParametriTempMotore"},
    {0x8b, 1, 30, 1, false, RW, P, "EcuTempMotore"},
    {0x8d, 1, 1, 2, false, RW, P, "TempoEmulazioneMagra0"},
    {0x8e, 1, 1, 2, false, RW, P, "SafeDelay"},
    {0x8f, 8, 2, 2, false, RW, P, "TInjDefault"},
    {0x90, 1, 1, 1, false, RW, P, "TemperaturaAutotaratura"},
    {0x91, 1, 2, 2, false, RW, P, "ScartoMinimoTaratura"},
    {0x92, 1, 1, 2, false, RW, P, "TInjBenzMaxCambio"},
    {0x93, 1, 1, 2, false, RW, P, "SpostamentoTaratura"},
    {0x94, 1, 2, 1, false, RW, P, "TipoIniettoreSoftware"},
    {0x95, 4, 4, 1, true, RW, P, "MappaCorrAutotaratura"},
    {0x96, 1, 1, 2, false, RW, P, "GiriAutotaratura"},
    {0x97, 1, 3, 1, false, RW, P, "ParametriAutotaratura"},
};

constexpr bool sortedByNumber() {
    for (size_t i = 1; i < std::size(kParams); ++i)
        if (kParams[i - 1].number >= kParams[i].number)
            return false;
    return true;
}
static_assert(sortedByNumber(), "the parameter table is looked up by number");

} // namespace

const ParamSpec* findParam(unsigned number) {
    const auto* it = std::lower_bound(std::begin(kParams), std::end(kParams), number,
                                      [](const ParamSpec& p, unsigned n) { return p.number < n; });
    return (it != std::end(kParams) && it->number == number) ? it : nullptr;
}

const ParamSpec* paramsBegin() {
    return std::begin(kParams);
}
const ParamSpec* paramsEnd() {
    return std::end(kParams);
}

} // namespace serquarn
