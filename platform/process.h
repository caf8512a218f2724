#pragma once
// Starting an outside program: its path and its arguments are handed over as
// they are, never joined into one line and split again, so no character of a
// folder name can pick another program or shift the arguments.
#include <string>
#include <vector>

namespace platform {

// Starts the program and blocks until it ends. False when it cannot start.
bool RunProcessAndWait(const std::string& program, const std::vector<std::string>& arguments,
                       int* exitCode = nullptr);

} // namespace platform
