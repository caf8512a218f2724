#pragma once
// The link object of the serial link library "SerQuarnDL.dll": every exchange
// with the control unit is one of these operations. The library creates and
// destroys the object through its exports; the program calls only the virtual
// operations, in this slot order.
#include <cstdint>

struct FILE_VERSION_DATA {
    uint16_t major;
    uint16_t minor;
    uint16_t release;
    uint16_t build;
    char text[64];
};

class TSerialEcuLink {
public:
    virtual int GetPortNumber() = 0;
    virtual void SetOptionA(int value) = 0;
    virtual void SetOptionB(int value) = 0;
    virtual void SetOptionC(int value) = 0;
    virtual bool Close() = 0;
    // Non-zero while a connection is open.
    virtual int IsConnected() = 0;
    // Non-zero once the unit answers again.
    virtual int Reconnect() = 0;
    virtual bool Disconnect() = 0;
    virtual bool EndProgramming() = 0;
    virtual bool BeginProgramming() = 0;
    virtual bool StartMonitor() = 0;
    virtual bool StopMonitor() = 0;
    // values: one 32-bit element per element of the item the id names.
    virtual bool ReadParam(uint32_t id, int32_t* values) = 0;
    virtual bool ReadParamRow(uint32_t id, int32_t* values, int row) = 0;
    // length: capacity on entry, bytes received on return.
    virtual bool ReadRealTimeBlock(int block, uint8_t* bytes, int* length) = 0;
    virtual bool WriteParamArray(uint32_t id, const int32_t* values) = 0;
    virtual bool WriteParam(uint32_t id, int32_t value) = 0;
    virtual bool WriteParamItem(uint32_t id, int index, int32_t value) = 0;
    virtual bool WriteParamCell(uint32_t id, int row, int column, int32_t value) = 0;
    virtual bool WriteParamRow(uint32_t id, const int32_t* values, int row) = 0;
    // The answer, at most capacity bytes, is written over bytes.
    virtual bool SendCommand(int command, uint8_t* bytes, int length, int capacity) = 0;
    virtual bool ReadEcuId(uint8_t* id4) = 0;
    virtual bool Connect() = 0;
    // Programming status: 0 success.
    virtual int ProgramFile(const char* path, int a, int b, int c) = 0;
    // buffer: a 32-bit little-endian length followed by that many bytes.
    virtual int ProgramImage(const uint8_t* buffer, int a, int b, int c) = 0;
    virtual void SetOptionD(int a, int b) = 0;
    // Width of a parameter on the unit: 0 or less absent, 1 bytes, 2 words.
    virtual int8_t GetParamWidth(int param, int a) = 0;

protected:
    virtual ~TSerialEcuLink() = default;
};

// The library's exports, bound by name.
extern "C" {
using CreateClassInstanceFn = TSerialEcuLink* (*)();
using DestroyClassInstanceFn = void (*)(TSerialEcuLink*);
using GetDLLVersionFn = int (*)(FILE_VERSION_DATA*);
}
