#pragma once
// The in-memory image of every parameter of the control unit: one plain,
// copyable value, so a caller can snapshot it and roll back to it when a
// transfer fails. Every element, whatever its width on the link, is one int32;
// signed items hold negative values, name and serial-number characters are
// widened from signed char (codes 128-255 negative).
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct TEcuImage {
    // Storage of the carburation map: the geometry never exceeds it.
    static constexpr int kMapRows = 13;
    static constexpr int kMapColumns = 12;
    static constexpr int kNameLength = 28;
    static constexpr int kSerialLength = 20;

    int32_t RifGiri[12] = {};                   // 0xc30c rpm references of the corrections
    int32_t TipoSensore = 0;                    // 0x24 level sensor; bit 7 inverted
    int32_t RifSensore[4] = {};                 // 0x4125 level thresholds
    int32_t MappaK[kMapRows][kMapColumns] = {}; // 0x54 carburation map
    int32_t RifGiriK[12] = {};                  // 0x73d rpm of each map column
    int32_t RifTempiK[12] = {};                 // 0x737 injection time of each map row
    int32_t TOpenLoop[12] = {};                 // 0x37f open-loop time per column
    int32_t NumeroRighe = 0;                    // last row index of MappaK
    int32_t NumeroColonne = 0;                  // columns of MappaK
    int32_t MappaCorrAutotaratura[4][4] = {};   // 0x4595 zone corrections
    int32_t TInjDefault[8][2] = {};             // 0x238f
    // 0x1e135: 0 flags word (bit 7 Ufficiale), 1 second word, 2.. the name.
    int32_t Identificazione[2 + kNameLength] = {};
    int32_t SerialNumber[kSerialLength] = {}; // 0x14100
    int32_t Stato[5] = {};                    // 0x5139
    int32_t Abilitazione[5] = {};             // 0x513a
    int32_t Azione[3][3] = {};                // 0x3131
    int32_t TempDiagnosi[4] = {};             // 0x4151 raw: 0-1 gas curve, 2-3 engine curve
    int32_t Rif[10] = {};                     // 0xa12a gas-temperature points
    int32_t Coeff[9] = {};                    // 0x912b
    int32_t RifMot[10] = {};                  // 0xa15c engine-temperature points
    int32_t CoeffMot[9] = {};                 // 0x915d
    int32_t RifPressDiff[15] = {};            // 0xf37b
    int32_t CoeffPressDiff[15] = {};          // 0xf57c (bytes) or 0xf77c (words)
    int32_t CoeffPressDiffByte = 0;           // 1: the byte form
    int32_t OffsetPendenzaMap[6] = {};        // 0x6778
    int32_t RiferimentiSondaLambda[12] = {};  // 0xc182
    int32_t RitardoEmulazioneRicca[12] = {};  // 0xc383
    int32_t Opzione[2] = {};                  // 0x2385
    int32_t TempoAperturaIniettore = 0;       // 0x253
    int32_t TempoChiusuraIniettore = 0;       // 0x252
    int32_t TempoMortoIniettoreBenzina = 0;   // 0x27d
    int32_t TempoMortoIniettoreGas = 0;       // 0x27e
    int32_t TempoFuoriStabilizzato = 0;       // 0x280
    int32_t KFiltro[3] = {};                  // 0x3181 KFiltro, TempoEmulazioneMagra1, KFiltro2
    int32_t Flag[2] = {};                     // 0x2303 Flag1, Flag2
    int32_t TipoDiLambda = 0;                 // 0x04
    int32_t RifLambda = 0;                    // 0x05
    int32_t RitardoLetturaSonda = 0;          // 0x06
    int32_t TempoSondaFredda = 0;             // 0x07
    int32_t RifSupSondaFredda = 0;            // 0x08
    int32_t RifInfSondaFredda = 0;            // 0x09
    int32_t RifSupSondaCalda = 0;             // 0x0a
    int32_t RifInfSondaCalda = 0;             // 0x0b
    int32_t TemperaturaCambio = 0;            // 0x0f
    int32_t TemperaturaMotoreCambio = 0;      // 0x75
    int32_t TemperaturaAutotaratura = 0;      // 0x90
    int32_t GiriAutotaratura = 0;             // 0x296
    int32_t TInjBenzMaxCambio = 0;            // 0x292
    int32_t GiriPerCambio = 0;                // 0x210 rpm in bits 1-15, bit 0 decelerating
    int32_t RitardoMinimoCambio = 0;          // 0x11
    int32_t TempoSovrapposizione = 0;         // 0x6d
    int32_t RitardoGiriEmulazione = 0;        // 0x87
    int32_t TipoDiTps = 0;                    // 0x1a
    int32_t NumeroCilindri = 0;               // 0x14; bit 6 weak rpm signal
    int32_t TipoIniezione = 0;                // 0x34
    int32_t CorrenteMantenimento = 0;         // 0x38
    int32_t Param23b = 0;                     // 0x23b unit only
    int32_t Param23c = 0;                     // 0x23c unit only
    int32_t TempoRitBenzina = 0;              // 0x3e
    int32_t Param43 = 0;                      // 0x43 unit only, read only
    int32_t Param44 = 0;                      // 0x44 unit only, read only
    int32_t LivelloAlto = 0;                  // 0x47
    int32_t LivelloBasso = 0;                 // 0x48
    int32_t TempoMaxCorrente[2] = {};         // 0x234a
    int32_t FreqHoldingCurrent = 0;           // 0x76
    int32_t ValPercHoldingCurrent = 0;        // 0x77
    int32_t SafetyTime = 0;                   // 0x7a
    int32_t SafeDelay = 0;                    // 0x28e
    int32_t SpostamentoTaratura = 0;          // 0x293
    int32_t ParametriAutotaratura[3] = {};    // 0x3197
    int32_t Param212 = 0;                     // 0x212 unit only
    int32_t Param17 = 0;                      // 0x17 unit only
    int32_t Param218 = 0;                     // 0x218 unit only
    int32_t Tabella19[10] = {};               // 0xa119 unit only
    int32_t Clock = 0;                        // 0x279 clock parameter of the unit
    int32_t Cilindrata = 0;                   // 0x24b
    int32_t TipoSensoreTemperaturaGas = 0;    // 0x86
    int32_t SmagrimentoRientroCutoff = 0;     // 0x88
    int32_t NumeroIniettateSmagrimento = 0;   // 0x89
    int32_t ParametriTempMotore[5] = {};      // 0x558a
    int32_t EcuTempMotore[30] = {};           // 0x1e18b
    int32_t ScartoMinimoTaratura[2] = {};     // 0x2391
    int32_t TipoIniettoreSoftware[2] = {};    // 0x2194
    int32_t TempoEmulazioneMagra0 = 0;        // 0x28d
    uint8_t EcuIdentity[4] = {};              // customer code, model code, two numbers
    // Vehicle description: image and file only, never the unit.
    std::string DescrizAuto; // at most 50 characters
    std::string Euro;        // at most 10
    int32_t CentCubici = 0;
    int32_t Valvole = 0;
    int32_t NCilindri = 0;
    double Potenza = 0.0;   // the file holds hundredths
    std::string Motore;     // at most 50
    std::string Centralina; // at most 50
    std::string Cambio;     // at most 50
    int32_t AnnoVettura = 0;
    // The change-over rpm SetModoCambio keeps while start on gas holds; not in
    // the unit. It belongs to this image: whatever else brings GiriPerCambio
    // drops it.
    std::optional<int32_t> RememberedGiriPerCambio;
    bool Modified = false;

    bool operator==(const TEcuImage&) const = default;
};

// One item of the image that moves over the link, in the order a full
// transfer moves them, with its storage.
struct TImageItem {
    const char* name;
    uint32_t id;   // full id; for the map items the id of a full-size row or array
    uint32_t rows; // row-wise items move this many rows of `id`; else 1
    bool mapRows;  // MappaK: the edition's row limit + 1 rows
    int32_t* (*storage)(TEcuImage&);
    uint32_t size; // int32 elements of the storage
};

std::span<const TImageItem> ImageItems();
// The item of a parameter number (bits 0-7 of any of its ids), or null.
const TImageItem* FindImageItem(uint32_t id);
// Storage of the item an id names, empty when the image has no such item.
std::span<int32_t> ItemStorage(TEcuImage& image, uint32_t id);
// Bytes of a full transfer: every item once (row-wise items once per row),
// the map with rowLimit + 1 rows.
uint32_t FullTransferBytes(int rowLimit);
