#pragma once
// Unattended runs of the program (a test that starts it as a child process):
// with VEXANO_MODAL_LOG set, every message box is answered with its default
// button, file dialogs, input boxes and modal windows are cancelled, and each
// of them is written as one line to the file the variable names:
// kind, flags, caption and text separated by tabs, line breaks as "\n", tabs
// as "\t" and a backslash doubled.
namespace platform {

// Installs the unattended answers when the variable is set; true if so.
bool InstallUnattendedModalsFromEnvironment();

} // namespace platform
