#pragma once
// Start-up timing for the start-up benchmark: with VEXANO_STARTUP_TRACE
// naming a file, the first time each event happens its wall-clock time in
// milliseconds since the epoch is appended to that file as "<event> <ms>".
// "connect_end" tells a script that the start-up connection, its read and
// its box are over and the main window shows the outcome.
namespace shell {
void TraceStartup(const char* event);
}
