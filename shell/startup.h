#pragma once
// The program's entry: edition, single instance, system check, libraries,
// the data module and the main window, the message loop, and the libraries
// freed at the end. Returns 0 on every path.
#include <string>

int WinMain(int argc, char** argv);

namespace shell {
// The text of the exception box: a full stop is added after a message whose
// last character comes after '.' in the code page (letters, digits, but also
// ':' and '?'); one ending in '.', '!', ')' or a blank stays as it is.
std::string ExceptionBoxText(const std::string& message);
// Whether the program runs on a system it supports.
bool IsSupportedSystem();
} // namespace shell
