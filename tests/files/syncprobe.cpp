// Saves or loads one configuration file, as a transfer does, so that a
// tracer can count what reaches the disk:
//   config_sync_probe save|load <file>
#include "core/configfile.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kKey = "Tv*3307kPell!am";

bool Save(TConfigFile& file) {
    if (!file.OpenIniFile(false, kKey))
        return false;
    int n = 0;
    for (const TConfigKey& k : ConfigFileKeys())
        file.WriteInteger(++n, k.key, k.section);
    return file.CloseIniFile();
}

bool Load(TConfigFile& file) {
    if (!file.OpenIniFile(true, kKey))
        return false;
    int32_t sum = 0;
    for (const TConfigKey& k : ConfigFileKeys()) {
        int32_t n = 0;
        file.ReadIntegerIfExists(n, k.key, k.section);
        sum += n;
    }
    // A load stores the file again; an equal file is left alone.
    return file.CloseIniFile() && sum > 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "save") != 0 && std::strcmp(argv[1], "load") != 0)) {
        std::fprintf(stderr, "usage: config_sync_probe save|load <file>\n");
        return 2;
    }
    TConfigFile file;
    file.SetFileName(argv[2]);
    const bool ok = std::strcmp(argv[1], "save") == 0 ? Save(file) : Load(file);
    if (!ok)
        std::fprintf(stderr, "%s of %s failed: %s\n", argv[1], argv[2], file.LastError().c_str());
    return ok ? 0 : 1;
}
