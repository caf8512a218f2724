#pragma once
// The serial message tool, an outside program the editor hands the link's
// port to while it runs.
#include <string>
#include <vector>

// The tool's file in the program folder.
std::string SerialToolPath(const std::string& programFolder);
// The tool's arguments: the port number and the line settings "9600,n,8,1".
std::vector<std::string> SerialToolArguments(int port);
