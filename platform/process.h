#pragma once
// Starting an outside program from a Windows-style command line: the quoted
// program path, then its arguments separated by blanks.
#include <string>

namespace platform {

// Splits "\"C:\\Prog\\Tool.exe\" 2 9600,n,8,1" into program and arguments.
bool SplitCommandLine(const std::string& commandLine, std::string& program, std::string& arguments);
// Starts the program and blocks until it ends. False when it cannot start.
bool RunProcessAndWait(const std::string& commandLine, int* exitCode = nullptr);

} // namespace platform
