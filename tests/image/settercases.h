#pragma once
// The write-through setters by refusal class: one case per setter with the
// call it sends, the raw value the image then holds and where the unit keeps
// it. Shared by the tests on the recording link and on the simulated unit.
#include "core/iodata.h"

#include <cctype>
#include <functional>
#include <ostream>
#include <string>

enum class Cls { A, B, C, Signal };

struct SetterCase {
    const char* name;
    Cls cls;
    std::function<bool(TStreamDati&)> set;
    std::function<int32_t(const TEcuImage&)> get;
    std::string call; // the setter's own link call
    int32_t raw;      // what the image holds after acceptance
    int param;        // where the unit keeps it: parameter and element
    int index;
};

inline const SetterCase kSetters[] = {
    {"MappaK", Cls::B, [](TStreamDati& d) { return d.SetMappaK(12, 5, 77); },
     [](const TEcuImage& m) { return m.MappaK[12][5]; }, "WriteParamCell 0x54 12 5 77", 77, 0x54,
     77},
    {"RifGiriK", Cls::B, [](TStreamDati& d) { return d.SetRifGiriK(3, 2500); },
     [](const TEcuImage& m) { return m.RifGiriK[3]; }, "WriteParamItem 0x63d 3 2500", 2500, 0x3d,
     3},
    {"RifTempiK", Cls::B, [](TStreamDati& d) { return d.SetRifTempiK(11, 12.0); },
     [](const TEcuImage& m) { return m.RifTempiK[11]; }, "WriteParamItem 0x637 11 4687", 4687, 0x37,
     11},
    {"TOpenLoop", Cls::B, [](TStreamDati& d) { return d.SetTOpenLoop(1, 45.0); },
     [](const TEcuImage& m) { return m.TOpenLoop[1]; }, "WriteParamItem 0x27f 1 11719", 11719, 0x7f,
     1},
    {"MappaCorrAutotaratura", Cls::B,
     [](TStreamDati& d) { return d.SetMappaCorrAutotaratura(3, 3, -200); },
     [](const TEcuImage& m) { return m.MappaCorrAutotaratura[3][3]; },
     "WriteParamCell 0x495 3 3 -128", -128, 0x95, 15},
    {"RifGiri", Cls::A, [](TStreamDati& d) { return d.SetRifGiri(11, 10000); },
     [](const TEcuImage& m) { return m.RifGiri[11]; }, "WriteParamItem 0x20c 11 10000", 10000, 0xc,
     11},
    {"RiferimentiSondaLambda", Cls::C,
     [](TStreamDati& d) { return d.SetRiferimentiSondaLambda(3, 1.0); },
     [](const TEcuImage& m) { return m.RiferimentiSondaLambda[3]; }, "WriteParamItem 0x82 3 51", 51,
     0x82, 3},
    {"RitardoEmulazioneRicca", Cls::C,
     [](TStreamDati& d) { return d.SetRitardoEmulazioneRicca(2, 2500); },
     [](const TEcuImage& m) { return m.RitardoEmulazioneRicca[2]; }, "WriteParamItem 0x283 2 2000",
     2000, 0x83, 2},
    {"Opzione", Cls::A, [](TStreamDati& d) { return d.SetOpzione(1, 7); },
     [](const TEcuImage& m) { return m.Opzione[1]; }, "WriteParamItem 0x285 1 7", 7, 0x85, 1},
    {"ScartoMinimoTaratura", Cls::A,
     [](TStreamDati& d) { return d.SetScartoMinimoTaratura(1, 1.5); },
     [](const TEcuImage& m) { return m.ScartoMinimoTaratura[1]; }, "WriteParamItem 0x291 1 586",
     586, 0x91, 1},
    {"TipoIniettoreSoftware", Cls::A,
     [](TStreamDati& d) { return d.SetTipoIniettoreSoftware(1, 3); },
     [](const TEcuImage& m) { return m.TipoIniettoreSoftware[1]; }, "WriteParamItem 0x94 1 3", 3,
     0x94, 1},
    {"TInjDefault", Cls::A, [](TStreamDati& d) { return d.SetTInjDefault(7, 1, 3.0); },
     [](const TEcuImage& m) { return m.TInjDefault[7][1]; }, "WriteParamCell 0x28f 7 1 1172", 1172,
     0x8f, 15},
    {"ParametriTempMotore", Cls::A, [](TStreamDati& d) { return d.SetParametriTempMotore(4, 30); },
     [](const TEcuImage& m) { return m.ParametriTempMotore[4]; }, "WriteParamItem 0x48a 4 30", 30,
     0x8a, 4},
    {"EcuTempMotore", Cls::A, [](TStreamDati& d) { return d.SetEcuTempMotore(29, 8); },
     [](const TEcuImage& m) { return m.EcuTempMotore[29]; }, "WriteParamItem 0x8b 29 8", 8, 0x8b,
     29},
    {"OffsetPendenzaMap", Cls::A, [](TStreamDati& d) { return d.SetOffsetPendenzaMap(5, -108); },
     [](const TEcuImage& m) { return m.OffsetPendenzaMap[5]; }, "WriteParamItem 0x678 5 -108", -108,
     0x78, 5},
    {"TipoSensoreLivello", Cls::A, [](TStreamDati& d) { return d.SetTipoSensoreLivello(3); },
     [](const TEcuImage& m) { return m.TipoSensore; }, "WriteParam 0x24 131", 131, 0x24, 0},
    {"RifSensore", Cls::A, [](TStreamDati& d) { return d.SetRifSensore(0, 50); },
     [](const TEcuImage& m) { return m.RifSensore[0]; }, "WriteParamItem 0x25 0 50", 50, 0x25, 0},
    {"ModoCambio", Cls::C, [](TStreamDati& d) { return d.SetModoCambio(1); },
     [](const TEcuImage& m) { return m.GiriPerCambio; }, "WriteParam 0x210 1601", 1601, 0x10, 0},
    {"TipoSensoreTemperaturaGas", Cls::A,
     [](TStreamDati& d) { return d.SetTipoSensoreTemperaturaGas(7); },
     [](const TEcuImage& m) { return m.TipoSensoreTemperaturaGas; }, "WriteParam 0x86 7", 7, 0x86,
     0},
    {"SegnaleGiri", Cls::Signal, [](TStreamDati& d) { return d.SetSegnaleGiri(true); },
     [](const TEcuImage& m) { return m.NumeroCilindri; }, "WriteParam 0x14 64", 64, 0x14, 0},
    {"Flag", Cls::C, [](TStreamDati& d) { return d.SetFlag(3, true); },
     [](const TEcuImage& m) { return m.Flag[0]; }, "WriteParamArray 0x2303 1024 0", 1024, 0x3, 0},
    {"NumeroSonde", Cls::C, [](TStreamDati& d) { return d.SetNumeroSonde(1); },
     [](const TEcuImage& m) { return m.Flag[0]; }, "WriteParamArray 0x2303 4 0", 4, 0x3, 0},
    {"TempoIniettore 1", Cls::C, [](TStreamDati& d) { return d.SetTempoIniettore(1, 2.0); },
     [](const TEcuImage& m) { return m.TempoAperturaIniettore; }, "WriteParam 0x253 781", 781, 0x53,
     0},
    {"TempoIniettore 2", Cls::C, [](TStreamDati& d) { return d.SetTempoIniettore(2, 2.5); },
     [](const TEcuImage& m) { return m.TempoChiusuraIniettore; }, "WriteParam 0x252 977", 977, 0x52,
     0},
    {"TempoIniettore 3", Cls::C, [](TStreamDati& d) { return d.SetTempoIniettore(3, 0.3); },
     [](const TEcuImage& m) { return m.TempoMortoIniettoreBenzina; }, "WriteParam 0x27d 117", 117,
     0x7d, 0},
    {"TempoIniettore 4", Cls::C, [](TStreamDati& d) { return d.SetTempoIniettore(4, 1.1); },
     [](const TEcuImage& m) { return m.TempoMortoIniettoreGas; }, "WriteParam 0x27e 430", 430, 0x7e,
     0},
    {"KFiltro", Cls::C, [](TStreamDati& d) { return d.SetKFiltro(2, 9); },
     [](const TEcuImage& m) { return m.KFiltro[2]; }, "WriteParamItem 0x81 2 9", 9, 0x81, 2},
    {"Diagnosi Stato", Cls::A, [](TStreamDati& d) { return d.SetDiagnosi(0, 1, 1); },
     [](const TEcuImage& m) { return m.Stato[0]; }, "WriteParamItem 0x39 0 1", 1, 0x39, 0},
    {"Diagnosi Abilitazione", Cls::A, [](TStreamDati& d) { return d.SetDiagnosi(4, 2, 1); },
     [](const TEcuImage& m) { return m.Abilitazione[4]; }, "WriteParamItem 0x3a 4 1", 1, 0x3a, 4},
    {"Azione", Cls::A, [](TStreamDati& d) { return d.SetAzione(2, 2, 5); },
     [](const TEcuImage& m) { return m.Azione[2][2]; }, "WriteParamCell 0x31 2 2 5", 5, 0x31, 8},
    {"TempDiagnosi gas", Cls::A, [](TStreamDati& d) { return d.SetTempDiagnosi(0, 25.0); },
     [](const TEcuImage& m) { return m.TempDiagnosi[0]; }, "WriteParamItem 0x51 0 127", 127, 0x51,
     0},
    {"TempDiagnosi engine", Cls::A, [](TStreamDati& d) { return d.SetTempDiagnosi(3, 40.0); },
     [](const TEcuImage& m) { return m.TempDiagnosi[3]; }, "WriteParamItem 0x51 3 88", 88, 0x51, 3},
    {"Coeff", Cls::A, [](TStreamDati& d) { return d.SetCoeff(8, 250); },
     [](const TEcuImage& m) { return m.Coeff[8]; }, "WriteParamItem 0x2b 8 200", 200, 0x2b, 8},
    {"CoeffMot", Cls::A, [](TStreamDati& d) { return d.SetCoeffMot(0, 150); },
     [](const TEcuImage& m) { return m.CoeffMot[0]; }, "WriteParamItem 0x5d 0 150", 150, 0x5d, 0},
    {"Rif", Cls::A, [](TStreamDati& d) { return d.SetRif(4, 25); },
     [](const TEcuImage& m) { return m.Rif[4]; }, "WriteParamItem 0x2a 4 127", 127, 0x2a, 4},
    {"Rif end", Cls::A, [](TStreamDati& d) { return d.SetRif(9, -40); },
     [](const TEcuImage& m) { return m.Rif[9]; }, "WriteParamItem 0x2a 9 255", 255, 0x2a, 9},
    {"RifMot", Cls::A, [](TStreamDati& d) { return d.SetRifMot(4, 25); },
     [](const TEcuImage& m) { return m.RifMot[4]; }, "WriteParamItem 0x5c 4 127", 127, 0x5c, 4},
    {"CoeffPressDiff", Cls::C, [](TStreamDati& d) { return d.SetCoeffPressDiff(0, 50.0); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[0]; }, "WriteParamItem 0x67c 0 5000", 5000,
     0x7c, 0},
    {"RifPressDiff", Cls::A, [](TStreamDati& d) { return d.SetRifPressDiff(14, 0.59); },
     [](const TEcuImage& m) { return m.RifPressDiff[14]; }, "WriteParamItem 0x27b 14 589", 589,
     0x7b, 14},
};

inline void PrintTo(const SetterCase& c, std::ostream* os) {
    *os << c.name;
}

inline std::string CaseName(const SetterCase& c) {
    std::string n = c.name;
    for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
}
