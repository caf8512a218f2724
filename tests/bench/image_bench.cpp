// Cost of the conversions by parameter id and of a full pass of every
// accessor over the image.
#include "core/conversions.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/messages.h"
#include "core/serialecu.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// A unit that takes every write and answers every read at once.
class AcceptingLink final : public TSerialEcuLink {
public:
    int GetPortNumber() override { return 1; }
    void SetOptionA(int) override {}
    void SetOptionB(int) override {}
    void SetOptionC(int) override {}
    bool Close() override { return true; }
    int IsConnected() override { return 1; }
    int Reconnect() override { return 1; }
    bool Disconnect() override { return true; }
    bool EndProgramming() override { return true; }
    bool BeginProgramming() override { return true; }
    bool StartMonitor() override { return true; }
    bool StopMonitor() override { return true; }
    bool ReadParam(uint32_t, int32_t* values) override { return values[0] = 100, true; }
    bool ReadParamRow(uint32_t, int32_t*, int) override { return true; }
    bool ReadRealTimeBlock(int, uint8_t*, int*) override { return true; }
    bool WriteParamArray(uint32_t, const int32_t*) override { return true; }
    bool WriteParam(uint32_t, int32_t) override { return true; }
    bool WriteParamItem(uint32_t, int, int32_t) override { return true; }
    bool WriteParamCell(uint32_t, int, int, int32_t) override { return true; }
    bool WriteParamRow(uint32_t, const int32_t*, int) override { return true; }
    bool SendCommand(int, uint8_t*, int, int) override { return true; }
    bool ReadEcuId(uint8_t*) override { return true; }
    bool Connect() override { return true; }
    int ProgramFile(const char*, int, int, int) override { return 0; }
    int ProgramImage(const uint8_t*, int, int, int) override { return 0; }
    void SetOptionD(int, int) override {}
    int8_t GetParamWidth(int, int) override { return 2; }
};

const uint32_t kValueIds[] = {4,     5,         6,         7,         8,        9,     10,    11,
                              15,    17,        20,        23,        26,       52,    56,    62,
                              67,    68,        71,        72,        109,      117,   118,   119,
                              122,   135,       136,       137,       144,      0x210, 0x212, 0x218,
                              0x23b, 0x23c,     0x24b,     0x280,     0x28d,    0x28e, 0x292, 0x293,
                              0x296, 0x300001a, 0x230001a, 0x150001a, 0x170001a};

AcceptingLink unit;
TScreen screen;
std::unique_ptr<TStreamDati> dm;

void BM_GetValueById(benchmark::State& state) {
    for (auto _ : state)
        for (uint32_t id : kValueIds)
            benchmark::DoNotOptimize(dm->GetValue(id));
    state.SetItemsProcessed(state.iterations() * std::size(kValueIds));
}
BENCHMARK(BM_GetValueById);

void BM_SetValueById(benchmark::State& state) {
    for (auto _ : state)
        for (uint32_t id : kValueIds)
            benchmark::DoNotOptimize(dm->SetValue(int32_t(id), 3.0));
    state.SetItemsProcessed(state.iterations() * std::size(kValueIds));
}
BENCHMARK(BM_SetValueById);

void BM_TemperatureBothWays(benchmark::State& state) {
    int32_t raw = 0;
    for (auto _ : state) {
        raw = (raw + 37) & 0xff;
        benchmark::DoNotOptimize(dm->ConvertTempGasToRaw(float(dm->ConvertRawToTempGas(raw))));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_TemperatureBothWays);

void BM_ClockTimeBothWays(benchmark::State& state) {
    int32_t raw = 0;
    for (auto _ : state) {
        raw = (raw + 97) & 0xffff;
        benchmark::DoNotOptimize(ClockMsToRaw(ClockRawToMs(raw, 2560), 2560));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ClockTimeBothWays);

// Every getter over every index of the image.
long double everyAccessor(TStreamDati& d) {
    long double sum = 0;
    for (int r = 0; r < TEcuImage::kMapRows; ++r)
        for (int c = 0; c < TEcuImage::kMapColumns; ++c)
            sum += d.GetMappaK(r, c);
    for (int i = 0; i < 12; ++i)
        sum += d.GetRifGiriK(i) + d.GetRifTempiK(i) + d.GetTOpenLoop(i) + d.GetRifGiri(i) +
               d.GetRiferimentiSondaLambda(i) + d.GetRitardoEmulazioneRicca(i);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            sum += d.GetMappaCorrAutotaratura(r, c);
    for (int i = 0; i < 2; ++i)
        sum += d.GetOpzione(i) + d.GetScartoMinimoTaratura(i) + d.GetTipoIniettoreSoftware(i);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 2; ++j)
            sum += d.GetTInjDefault(i, j);
    for (int i = 0; i < 5; ++i)
        sum += d.GetParametriTempMotore(i) + d.GetDiagnosi(i, 2);
    for (int i = 0; i < 30; ++i)
        sum += d.GetEcuTempMotore(i);
    for (int i = 0; i < 6; ++i)
        sum += d.GetOffsetPendenzaMap(i);
    for (int i = 0; i < 4; ++i)
        sum += d.GetRifSensore(i) + d.GetTempDiagnosi(i);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            sum += d.GetAzione(i, j);
    for (int i = 0; i < 3; ++i)
        sum += d.GetKFiltro(i);
    for (int i = 0; i < 9; ++i)
        sum += d.GetCoeff(i) + d.GetCoeffMot(i);
    for (int i = 0; i < 10; ++i)
        sum += d.GetRif(i) + d.GetRifMot(i);
    for (int i = 0; i < 15; ++i)
        sum += d.GetCoeffPressDiff(i) + d.GetRifPressDiff(i);
    for (int n = 1; n <= 15; ++n)
        sum += d.GetFlag(n);
    for (int kind = 1; kind <= 4; ++kind)
        sum += d.GetTempoIniettore(kind);
    sum += d.GetTipoSensoreLivello() + d.GetModoCambio() + d.GetTipoSensoreTemperaturaGas() +
           d.GetSegnaleGiri() + d.IsUfficiale() + d.GetNumeroSonde() + d.GetClock() +
           d.GetNumeroRighe() + d.GetNumeroColonne();
    sum += d.GetNomeConfigurazione().size() + d.GetSerialNumber().size();
    for (int kind = 1; kind <= 5; ++kind)
        sum += d.GetDescrizione(kind).size();
    return sum;
}

void BM_EveryAccessorOverTheImage(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(everyAccessor(*dm));
}
BENCHMARK(BM_EveryAccessorOverTheImage);

void BM_SnapshotAndRestore(benchmark::State& state) {
    for (auto _ : state) {
        const TEcuImage snapshot = dm->Image();
        dm->RestoreImage(snapshot);
    }
}
BENCHMARK(BM_SnapshotAndRestore);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    SetupEditionProfile(128);
    screen.SetMessageHandler([](const std::string&, const std::string&, unsigned) {});
    dm = std::make_unique<TStreamDati>(nullptr, &screen, &unit);
    dm->SetMapGeometry(12, 6);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dm.reset();
    return 0;
}
