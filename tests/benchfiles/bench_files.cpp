// Save and load of a full configuration file through TConfigFile (every key
// of the connect default configuration), parsing its text, and the scramble
// throughput in memory and file to file.
#include "core/configfile.h"
#include "core/edition.h"
#include "core/scramble.h"

#include "platform/module.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TKeyValue {
    TConfigKey key;
    std::string value;
};

// The keys and values of the default configuration the program loads first.
const std::vector<TKeyValue>& FullConfiguration() {
    static const std::vector<TKeyValue> values = [] {
        SetupEditionProfile(128);
        platform::ModuleHandle basario = platform::LoadLibrary("Basario.dll");
        TConfigFile file;
        std::vector<TKeyValue> out;
        if (!file.OpenIniResource(basario, 18, GetFileScrambleKey()))
            std::abort();
        for (const TConfigKey& k : ConfigFileKeys()) {
            std::string v;
            file.ReadStringIfExists(v, k.key, k.section, 0);
            out.push_back({k, v});
        }
        file.CloseIniResource();
        platform::FreeLibrary(basario);
        return out;
    }();
    return values;
}

// Argument 0: files and work copies on the disk's temporary folder; 1: on
// a memory file system, which leaves the cost of the code alone.
QTemporaryDir& Folder(int medium = 0) {
    static QTemporaryDir disk;
    static QTemporaryDir memory(QDir("/dev/shm").exists() ? "/dev/shm/bench_files" : "");
    return medium ? memory : disk;
}

std::string FilePath(const char* name, int medium = 0) {
    return Folder(medium).path().toStdString() + "/" + name;
}

// Work copies go where the files are.
void UseTempFolder(int medium) {
    qputenv("TMPDIR", Folder(medium).path().toLocal8Bit());
}

void SaveFull(const std::string& path) {
    const auto& full = FullConfiguration(); // sets the edition up first
    TConfigFile file;
    file.SetFileName(path);
    file.OpenIniFile(false, GetFileScrambleKey());
    for (const TKeyValue& kv : full)
        file.WriteString(kv.value, kv.key.key, kv.key.section);
    if (!file.CloseIniFile())
        std::abort();
}

void BM_SaveConfigFile(benchmark::State& state) {
    UseTempFolder(int(state.range(0)));
    const std::string path = FilePath("save.vx4", int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(QString::fromStdString(path)); // an equal file would not be rewritten
        state.ResumeTiming();
        SaveFull(path);
    }
    state.counters["keys"] = double(FullConfiguration().size());
}
BENCHMARK(BM_SaveConfigFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LoadConfigFile(benchmark::State& state) {
    UseTempFolder(int(state.range(0)));
    const std::string path = FilePath("load.vx4", int(state.range(0)));
    SaveFull(path);
    for (auto _ : state) {
        TConfigFile file;
        file.SetFileName(path);
        if (!file.OpenIniFile(true, GetFileScrambleKey()))
            std::abort();
        for (const TKeyValue& kv : FullConfiguration()) {
            int32_t n = 0;
            file.ReadIntegerIfExists(n, kv.key.key, kv.key.section);
            benchmark::DoNotOptimize(n);
        }
        file.CloseIniFile(); // a file that was read is stored again
    }
}
BENCHMARK(BM_LoadConfigFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ParseConfigText(benchmark::State& state) {
    TIniFile full;
    for (const TKeyValue& kv : FullConfiguration())
        full.WriteValue(kv.key.section, kv.key.key, kv.value);
    const std::string text = full.Text();
    for (auto _ : state) {
        TIniFile profile;
        benchmark::DoNotOptimize(TConfigFile::LoadText(text, profile));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseConfigText)->Unit(benchmark::kMicrosecond);

void BM_ScrambleInMemory(benchmark::State& state) {
    FullConfiguration();
    std::vector<uint8_t> data(size_t(state.range(0)), 0x5a);
    for (auto _ : state) {
        ScrambleBytes(data.data(), data.size(), GetFileScrambleKey());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ScrambleInMemory)->Arg(1 << 20);

void BM_ConvertFile(benchmark::State& state) {
    const bool toPlain = state.range(0) != 0;
    const std::string plain = FilePath("plain.bin"), scrambled = FilePath("scrambled.bin");
    {
        QFile f(QString::fromStdString(plain));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray("DECRYPTED_MLTP_FILE\r\n") + QByteArray(1 << 20, 'k'));
    }
    ConvertScrambledFile(plain.c_str(), scrambled.c_str(), false, GetFileScrambleKey());
    const std::string& source = toPlain ? scrambled : plain;
    const std::string target = FilePath("target.bin");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(QString::fromStdString(target)); // a target already equal is not rewritten
        state.ResumeTiming();
        if (!ConvertScrambledFile(source.c_str(), target.c_str(), toPlain, GetFileScrambleKey()))
            std::abort();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) << 20);
    state.SetLabel(toPlain ? "unscramble 1 MiB file" : "scramble 1 MiB file");
}
BENCHMARK(BM_ConvertFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
