#include "ecuimage.h"

#include "paramid.h"

#include <array>

namespace {

#define ITEM(name, id, rows, field)                                                                \
    TImageItem {                                                                                   \
        name, id, rows, false, [](TEcuImage& m) -> int32_t* { return &m.field[0]; },               \
            uint32_t(sizeof(TEcuImage::field) / sizeof(int32_t))                                   \
    }
#define SCALAR(name, id, field)                                                                    \
    TImageItem {                                                                                   \
        name, id, 1, false, [](TEcuImage& m) -> int32_t* { return &m.field; }, 1                   \
    }

// In the order of a full transfer. The map arrays carry their full-size ids
// (12 entries, 12 cells a row); the link ids of the actual geometry are built
// at run time.
const TImageItem kItems[] = {
    ITEM("Flag", 0x2303, 1, Flag),
    SCALAR("Clock", 0x279, Clock),
    SCALAR("TipoSensoreTemperaturaGas", 0x86, TipoSensoreTemperaturaGas),
    ITEM("ParametriTempMotore", 0x558a, 1, ParametriTempMotore),
    ITEM("EcuTempMotore", 0x1e18b, 1, EcuTempMotore),
    ITEM("RifTempiK", 0xc737, 1, RifTempiK),
    ITEM("RifGiriK", 0xc73d, 1, RifGiriK),
    ITEM("TOpenLoop", 0xc37f, 1, TOpenLoop),
    TImageItem{"MappaK", 0xc154, TEcuImage::kMapRows, true,
               [](TEcuImage& m) -> int32_t* { return &m.MappaK[0][0]; },
               TEcuImage::kMapRows* TEcuImage::kMapColumns},
    ITEM("SerialNumber", 0x14100, 1, SerialNumber),
    SCALAR("TipoDiLambda", 0x04, TipoDiLambda),
    SCALAR("RifLambda", 0x05, RifLambda),
    SCALAR("RitardoLetturaSonda", 0x06, RitardoLetturaSonda),
    SCALAR("TempoSondaFredda", 0x07, TempoSondaFredda),
    SCALAR("RifSupSondaFredda", 0x08, RifSupSondaFredda),
    SCALAR("RifInfSondaFredda", 0x09, RifInfSondaFredda),
    SCALAR("RifSupSondaCalda", 0x0a, RifSupSondaCalda),
    SCALAR("RifInfSondaCalda", 0x0b, RifInfSondaCalda),
    ITEM("RifGiri", 0xc30c, 1, RifGiri),
    SCALAR("TemperaturaCambio", 0x0f, TemperaturaCambio),
    SCALAR("GiriPerCambio", 0x210, GiriPerCambio),
    SCALAR("RitardoMinimoCambio", 0x11, RitardoMinimoCambio),
    SCALAR("Param212", 0x212, Param212),
    SCALAR("NumeroCilindri", 0x14, NumeroCilindri),
    SCALAR("Param17", 0x17, Param17),
    SCALAR("Param218", 0x218, Param218),
    ITEM("Tabella19", 0xa119, 1, Tabella19),
    SCALAR("TipoDiTps", 0x1a, TipoDiTps),
    SCALAR("TipoSensore", 0x24, TipoSensore),
    ITEM("RifSensore", 0x4125, 1, RifSensore),
    ITEM("Rif", 0xa12a, 1, Rif),
    ITEM("Coeff", 0x912b, 1, Coeff),
    TImageItem{"Azione", 0x3131, 3, false, [](TEcuImage& m) -> int32_t* { return &m.Azione[0][0]; },
               9},
    SCALAR("TipoIniezione", 0x34, TipoIniezione),
    ITEM("Identificazione", 0x1e135, 1, Identificazione),
    SCALAR("CorrenteMantenimento", 0x38, CorrenteMantenimento),
    ITEM("Stato", 0x5139, 1, Stato),
    ITEM("Abilitazione", 0x513a, 1, Abilitazione),
    SCALAR("Param23b", 0x23b, Param23b),
    SCALAR("Param23c", 0x23c, Param23c),
    SCALAR("TempoRitBenzina", 0x3e, TempoRitBenzina),
    SCALAR("Param43", 0x43, Param43),
    SCALAR("Param44", 0x44, Param44),
    SCALAR("LivelloAlto", 0x47, LivelloAlto),
    SCALAR("LivelloBasso", 0x48, LivelloBasso),
    ITEM("TempoMaxCorrente", 0x234a, 1, TempoMaxCorrente),
    SCALAR("Cilindrata", 0x24b, Cilindrata),
    ITEM("TempDiagnosi", 0x4151, 1, TempDiagnosi),
    SCALAR("TempoAperturaIniettore", 0x253, TempoAperturaIniettore),
    SCALAR("TempoChiusuraIniettore", 0x252, TempoChiusuraIniettore),
    ITEM("RifMot", 0xa15c, 1, RifMot),
    ITEM("CoeffMot", 0x915d, 1, CoeffMot),
    SCALAR("TempoSovrapposizione", 0x6d, TempoSovrapposizione),
    SCALAR("TemperaturaMotoreCambio", 0x75, TemperaturaMotoreCambio),
    SCALAR("FreqHoldingCurrent", 0x76, FreqHoldingCurrent),
    SCALAR("ValPercHoldingCurrent", 0x77, ValPercHoldingCurrent),
    ITEM("OffsetPendenzaMap", 0x6778, 1, OffsetPendenzaMap),
    SCALAR("SafetyTime", 0x7a, SafetyTime),
    ITEM("RifPressDiff", 0xf37b, 1, RifPressDiff),
    ITEM("CoeffPressDiff", 0xf57c, 1, CoeffPressDiff),
    SCALAR("TempoMortoIniettoreBenzina", 0x27d, TempoMortoIniettoreBenzina),
    SCALAR("TempoMortoIniettoreGas", 0x27e, TempoMortoIniettoreGas),
    SCALAR("TempoFuoriStabilizzato", 0x280, TempoFuoriStabilizzato),
    ITEM("KFiltro", 0x3181, 1, KFiltro),
    ITEM("RiferimentiSondaLambda", 0xc182, 1, RiferimentiSondaLambda),
    ITEM("RitardoEmulazioneRicca", 0xc383, 1, RitardoEmulazioneRicca),
    ITEM("Opzione", 0x2385, 1, Opzione),
    SCALAR("RitardoGiriEmulazione", 0x87, RitardoGiriEmulazione),
    SCALAR("SmagrimentoRientroCutoff", 0x88, SmagrimentoRientroCutoff),
    SCALAR("NumeroIniettateSmagrimento", 0x89, NumeroIniettateSmagrimento),
    SCALAR("TempoEmulazioneMagra0", 0x28d, TempoEmulazioneMagra0),
    SCALAR("SafeDelay", 0x28e, SafeDelay),
    TImageItem{"TInjDefault", 0x238f, 8, false,
               [](TEcuImage& m) -> int32_t* { return &m.TInjDefault[0][0]; }, 16},
    SCALAR("TemperaturaAutotaratura", 0x90, TemperaturaAutotaratura),
    ITEM("ScartoMinimoTaratura", 0x2391, 1, ScartoMinimoTaratura),
    SCALAR("TInjBenzMaxCambio", 0x292, TInjBenzMaxCambio),
    SCALAR("SpostamentoTaratura", 0x293, SpostamentoTaratura),
    ITEM("TipoIniettoreSoftware", 0x2194, 1, TipoIniettoreSoftware),
    TImageItem{"MappaCorrAutotaratura", 0x4595, 4, false,
               [](TEcuImage& m) -> int32_t* { return &m.MappaCorrAutotaratura[0][0]; }, 16},
    SCALAR("GiriAutotaratura", 0x296, GiriAutotaratura),
    ITEM("ParametriAutotaratura", 0x3197, 1, ParametriAutotaratura),
};

#undef ITEM
#undef SCALAR

// Every parameter number names one item.
const std::array<const TImageItem*, 256> kByNumber = [] {
    std::array<const TImageItem*, 256> table{};
    for (const TImageItem& item : kItems)
        table[paramid::number(item.id)] = &item;
    return table;
}();

} // namespace

std::span<const TImageItem> ImageItems() {
    return kItems;
}

const TImageItem* FindImageItem(uint32_t id) {
    return kByNumber[paramid::number(id)];
}

std::span<int32_t> ItemStorage(TEcuImage& image, uint32_t id) {
    const TImageItem* item = FindImageItem(id);
    if (!item)
        return {};
    return {item->storage(image), item->size};
}

uint32_t FullTransferBytes(int rowLimit) {
    uint32_t total = 0;
    for (const TImageItem& item : kItems) {
        const uint32_t rows = item.mapRows ? uint32_t(rowLimit + 1) : item.rows;
        total += paramid::byteSize(item.id) * rows;
    }
    return total;
}
