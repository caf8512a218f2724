#pragma once
// A recording link with per-call answers, a window that counts the messages it
// receives, and a data module wired to both on the virtual clock.
#include "core/iodata.h"
#include "core/messages.h"
#include "core/serialecu.h"
#include "platform/clock.h"

#include <QObject>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Creates the application object once and points the settings at a scratch
// folder, so no test touches the user's own settings.
void EnsureTestApplication();
// A fresh, empty settings folder.
void ResetSettings();

struct LinkCall {
    std::string op;
    uint32_t id = 0;
    std::vector<int32_t> args; // indexes and values, in call order

    std::string text() const;
};

class FakeLink : public TSerialEcuLink {
public:
    // Decides each write; every write is accepted unless this says otherwise.
    std::function<bool(const LinkCall&)> acceptWrite = [](const LinkCall&) { return true; };
    // Values a ReadParam of the id answers with (refused when absent).
    std::map<uint32_t, std::vector<int32_t>> reads;
    // Unit behaviour over virtual time: Reconnect answers once this much time
    // was slept, parameter 2 reads 0xAC once this much was slept (-1: never).
    platform::VirtualClock* clock = nullptr;
    int64_t reconnectAfterMs = 0;
    int64_t readyAfterMs = 0;
    bool acceptEcuId = true;
    uint8_t ecuId[4] = {10, 30, 1, 2};

    std::vector<LinkCall> calls;
    std::vector<std::string> log() const;
    void clear() { calls.clear(); }

    int GetPortNumber() override { return 1; }
    void SetOptionA(int) override {}
    void SetOptionB(int) override {}
    void SetOptionC(int) override {}
    bool Close() override { return record("Close"), true; }
    int IsConnected() override { return 1; }
    int Reconnect() override;
    bool Disconnect() override { return record("Disconnect"), true; }
    bool EndProgramming() override { return true; }
    bool BeginProgramming() override { return true; }
    bool StartMonitor() override { return record("StartMonitor"), true; }
    bool StopMonitor() override { return record("StopMonitor"), true; }
    bool ReadParam(uint32_t id, int32_t* values) override;
    bool ReadParamRow(uint32_t, int32_t*, int) override { return false; }
    bool ReadRealTimeBlock(int, uint8_t*, int*) override { return false; }
    bool WriteParamArray(uint32_t id, const int32_t* values) override;
    bool WriteParam(uint32_t id, int32_t value) override;
    bool WriteParamItem(uint32_t id, int index, int32_t value) override;
    bool WriteParamCell(uint32_t id, int row, int column, int32_t value) override;
    bool WriteParamRow(uint32_t, const int32_t*, int) override { return false; }
    bool SendCommand(int, uint8_t*, int, int) override { return false; }
    bool ReadEcuId(uint8_t* id4) override;
    bool Connect() override { return true; }
    int ProgramFile(const char*, int, int, int) override { return -1; }
    int ProgramImage(const uint8_t*, int, int, int) override { return -1; }
    void SetOptionD(int, int) override {}
    int8_t GetParamWidth(int, int) override { return 2; }

private:
    void record(const std::string& op, uint32_t id = 0, std::vector<int32_t> args = {});
    bool write(const std::string& op, uint32_t id, std::vector<int32_t> args);
    bool elapsed(int64_t ms) const;
};

// A window that keeps every application message it receives.
class MessageRecorder : public QObject {
public:
    struct Message {
        int message;
        intptr_t wParam;
        intptr_t lParam;
        bool operator==(const Message&) const = default;
    };
    std::vector<Message> received;

protected:
    bool event(QEvent* e) override;
};

class ImageTest : public ::testing::Test {
protected:
    ImageTest();
    ~ImageTest() override;

    // A data module on the fake link with the map geometry of the edition.
    void SetUp() override;
    // Changes the image as a transfer would, through a snapshot.
    void editImage(const std::function<void(TEcuImage&)>& edit);
    // Marks the image official and unmodified, as after loading such a file.
    void makeOfficial();
    // Delivers the posted messages.
    static void deliverPosted();

    platform::VirtualClock clock{1000};
    FakeLink link;
    TScreen screen;
    MessageRecorder form1, form2, waitWindow;
    std::vector<std::string> messageBoxes;
    std::unique_ptr<TStreamDati> dm;
};
