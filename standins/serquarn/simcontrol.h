#pragma once
// Controls of the simulated unit for tests in the same process (resolved by
// name from the loaded "SerQuarnDL" module); the program never calls them.
// A test starting the program as a child process sets the same things with
// SERQUARN_SIM_FAULTS (see settings.cpp for the keys).
#ifdef __cplusplus
extern "C" {
#endif

// A fresh unit (never configured, zero memory but for its serial number and
// clock), settings from the environment, an empty call log. A null or empty
// path takes SERQUARN_SIM_MEMORY or the user's data folder; the fresh memory
// is stored there.
void SimUnit_Reset(const char* memoryPath);
// Takes the memory file as it now is (for instance after a child process
// used the unit), dropping changes not yet stored.
void SimUnit_Reload(void);
// "key=value;key" as SERQUARN_SIM_FAULTS; 0 when a key was not understood.
int SimUnit_ApplyFaults(const char* text);

void SimUnit_SetModel(int model);
void SimUnit_SetAbsent(int on);
void SimUnit_RefuseAllWrites(int on);
void SimUnit_RefuseWritesTo(int param, int on);
// Reads of the parameter answer false; the link stays open.
void SimUnit_RefuseReadsOf(int param, int on);
void SimUnit_RefuseCommand(int command, int on);
// The k-th exchange with the unit from now fails (1 = the next); 0 cancels.
void SimUnit_FailCall(int k);
// n more exchanges work on the open link, the next fails and the link is
// lost (IsConnected 0, exchanges fail) until Reconnect or Connect; -1 cancels.
void SimUnit_DropAfter(int n);
void SimUnit_SetReconnectDelay(int ms);
void SimUnit_SetReadyDelay(int ms);
void SimUnit_SetNeverReady(int on);
// The next `times` programmings answer status (0 times: every one).
void SimUnit_SetProgramStatus(int status, int times);
// The next `times` programmings lose the link half-way (-1, nothing erased).
void SimUnit_SetProgramLinkLost(int times);
// Only the boot loader answers (programming alone) until a programming succeeds.
void SimUnit_SetBootLoaderOnly(int on);
// After a programming, Reconnect answers 0 `times` times; -1 always.
void SimUnit_SetReconnectFailsAfterProgram(int times);
// The k-th ReadEcuId from now fails (1 = the next); 0 cancels.
void SimUnit_FailEcuId(int k);
// Writes while the link is closed are refused instead of accepted unseen.
void SimUnit_RefuseOfflineWrites(int on);
// The firmware's version bytes: major << 8 | minor.
int SimUnit_FirmwareVersion(void);
// Width of CoeffPressDiff (parameter 124): 1 bytes, 2 words, 0 or less absent.
void SimUnit_SetParamWidth(int width);
void SimUnit_SetCalibrationRefusal(int flags);
void SimUnit_SetCalibrationStep(int ms);
// Refusal flags reported only once the calibration reaches `state`.
void SimUnit_SetCalibrationRefusalAt(int flags, int state);
// While running, state queries answer `code`; on 0 gives the real state again.
void SimUnit_SetCalibrationStateCode(int code, int on);
// The next n state queries (command 20) fail.
void SimUnit_FailCalibrationQueries(int n);
// Diagnosis: the condition of check `row` (0..12) holds while on; the
// injectors in fault (bit i: injector i + 1); an open temperature sensor
// (sensor 12 or 16: the real-time byte it shows in).
void SimUnit_SetDiagnosisCondition(int row, int on);
void SimUnit_SetInjectorFaults(int gasMask, int petrolMask);
void SimUnit_SetSensorOpen(int sensor, int on);
// Map geometry: columns and rows as the unit holds them (1..16 each).
int SimUnit_SetMapGeometry(int columns, int rows);
// 0 cycle, 1 stopped, 2 idle, 3 held at 2000 rpm; the scenario starts anew.
void SimUnit_SetEngine(int mode);
void SimUnit_SetPort(int port);
// Line speed of the link-speed model; 0 switches it off.
void SimUnit_SetBaud(int baud);
// Real-time reads deliver at most n bytes; 0 the whole block.
void SimUnit_SetRealTimeLength(int n);
// The next n real-time block reads fail while the link stays open.
void SimUnit_FailRealTimeReads(int n);
// Real-time block 1 or 2 answers these bytes from now on; length 0 returns
// to the live engine.
void SimUnit_FreezeRealTime(int block, const unsigned char* bytes, int length);
// One reading of block 1 or 2 for one read, after those already queued
// (delivered as long as it is); then the frozen or live data again.
void SimUnit_QueueRealTime(int block, const unsigned char* bytes, int length);

// Element `index` of a parameter (rows one after the other), in the unit's
// own signedness; 1 done, 0 no such element.
int SimUnit_Peek(int param, int index, int* value);
int SimUnit_Poke(int param, int index, int value);
int SimUnit_ElementCount(int param);
int SimUnit_StateFlags(void);
void SimUnit_SetNeverConfigured(int on);
int SimUnit_IsConnected(void);
int SimUnit_IsReady(void);
int SimUnit_CalibrationState(void);

// Texts: the full length is returned, at most size - 1 bytes and a 0 copied.
int SimUnit_MemoryPath(char* buffer, int size);
// Every operation as "Name(args)=result", one a line, oldest first.
int SimUnit_CallLog(char* buffer, int size);
void SimUnit_ClearCallLog(void);
// Bytes put on the line (requests and answers) since the log was cleared.
long long SimUnit_LineBytes(void);
// The payload of the last successful programming: its size (-1 when none),
// at most size bytes copied, and its MD5 as 32 hex digits and a 0.
int SimUnit_LastProgram(unsigned char* buffer, int size, char* md5Hex);

#ifdef __cplusplus
}
#endif
