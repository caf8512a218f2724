#include "fuelfolder.h"

#include "platform/files.h"

std::string FuelFolder(const std::string& programFolder, bool cng) {
    return platform::JoinPath(programFolder, cng ? "ConfigCNG" : "ConfigLPG");
}

std::vector<std::string> FuelFolders(const std::string& programFolder) {
    return {FuelFolder(programFolder, false), FuelFolder(programFolder, true)};
}
