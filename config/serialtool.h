#pragma once
// The serial message tool, an outside program the editor hands the link's
// port to while it runs.
#include <string>

// The tool's file in the program folder.
std::string SerialToolPath(const std::string& programFolder);
// "\"<path>\" <port> 9600,n,8,1".
std::string SerialToolCommandLine(const std::string& path, int port);
