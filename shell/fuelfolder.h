#pragma once
// The folders of the configuration files, one per fuel, below the program
// folder.
#include <string>
#include <vector>

std::string FuelFolder(const std::string& programFolder, bool cng);
std::vector<std::string> FuelFolders(const std::string& programFolder);
