#pragma once
// Start-up timing for the start-up benchmark: with VEXANO_STARTUP_TRACE
// naming a file, the first time each event happens its wall-clock time in
// milliseconds since the epoch is appended to that file as "<event> <ms>".
namespace shell {
void TraceStartup(const char* event);
}
