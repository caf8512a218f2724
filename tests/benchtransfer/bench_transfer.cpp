// The transfer engine's own cost: the default configuration saved to and
// loaded from a configuration file (on the disk and on a memory file system,
// where the disk flush of the save is out of the figure), and a full read of
// a simulated unit that spends no time on the line, on the virtual clock.
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/messages.h"
#include "core/serialecu.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

TScreen screen;
std::unique_ptr<TStreamDati> dm;

// Argument 0: the file and its work copy on the disk; 1: on a memory file system.
QTemporaryDir& Folder(int medium) {
    static QTemporaryDir disk;
    static QTemporaryDir memory(QDir("/dev/shm").exists() ? "/dev/shm/bench_transfer" : "");
    return medium ? memory : disk;
}

std::string UseFolder(int medium, const char* name) {
    qputenv("TMPDIR", Folder(medium).path().toLocal8Bit());
    return Folder(medium).path().toStdString() + "/" + name;
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void Save(const std::string& path) {
    // An equal file is never rewritten: start from none, as a first save.
    QFile::remove(QString::fromStdString(path));
    Check(dm->Transfer(kTransferImageToFile, path, 0, kGroupAll, false));
}

void BM_SaveConfigFile(benchmark::State& state) {
    const std::string path = UseFolder(int(state.range(0)), "save.vx4");
    for (auto _ : state)
        Save(path);
}
BENCHMARK(BM_SaveConfigFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LoadConfigFile(benchmark::State& state) {
    const std::string path = UseFolder(int(state.range(0)), "load.vx4");
    Save(path);
    for (auto _ : state)
        Check(dm->Transfer(kTransferFileToImage, path, 0, kGroupAll, false));
}
BENCHMARK(BM_LoadConfigFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FileRoundTrip(benchmark::State& state) {
    const std::string path = UseFolder(int(state.range(0)), "round.vx4");
    for (auto _ : state) {
        Save(path);
        Check(dm->Transfer(kTransferFileToImage, path, 0, kGroupAll, false));
    }
}
BENCHMARK(BM_FileRoundTrip)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LoadDefaultResource(benchmark::State& state) {
    UseFolder(1, "");
    for (auto _ : state)
        Check(dm->Transfer(kTransferFileToImage, "", 18, kGroupAll, false));
}
BENCHMARK(BM_LoadDefaultResource)->Unit(benchmark::kMicrosecond);

void BM_FullReadOfTheUnit(benchmark::State& state) {
    Check(dm->EcuLink()->Connect());
    for (auto _ : state)
        Check(dm->Transfer(kTransferUnitToImage, "", 0, kGroupAll, true));
    dm->EcuLink()->Disconnect();
    state.counters["bytes"] = dm->ProgressTotal();
}
BENCHMARK(BM_FullReadOfTheUnit)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
    qputenv("SERQUARN_SIM_MEMORY", (scratch.path() + "/unit.mem").toLocal8Bit());
    // The engine's waits (500 ms after every transfer) pass in no real time.
    platform::VirtualClock clock;
    platform::setClock(&clock);
    SetupEditionProfile(128);
    Check(BindBasarioLibrary());
    screen.SetMessageHandler([](const std::string&, const std::string&, unsigned) {});
    dm = std::make_unique<TStreamDati>(nullptr, &screen);
    Check(dm->Transfer(kTransferFileToImage, "", 18, kGroupAll, false));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dm.reset();
    FreeBasarioLibrary();
    platform::setClock(nullptr);
    return 0;
}
