// The link component against the simulated unit's library, loaded by name as
// the program loads it.
#include "core/quarnconnectecu.h"
#include "platform/module.h"
#include "tests/support/simunit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>

class LinkComponentTest : public ::testing::Test {
protected:
    void SetUp() override { sim.reset(); }
    SimUnit sim;
};

TEST_F(LinkComponentTest, CreationIsFollowedByTheSetUpCallsInOrder) {
    TQuarnConnectEcu ecu;
    ASSERT_TRUE(ecu.Loaded());
    EXPECT_EQ(ecu.Link(), ecu.LinkObject());
    EXPECT_EQ(sim.callLog(),
              (std::vector<std::string>{"CreateClassInstance()", "SetOptionA(0)", "SetOptionB(5)",
                                        "SetOptionC(600)", "SetOptionD(30,600)"}));
}

TEST_F(LinkComponentTest, SecondLoadKeepsTheFirstObject) {
    TQuarnConnectEcu ecu;
    TSerialEcuLink* first = ecu.LinkObject();
    EXPECT_TRUE(ecu.LoadDll());
    EXPECT_EQ(ecu.LinkObject(), first);
    EXPECT_EQ(sim.countCalls("CreateClassInstance"), 1);
    EXPECT_EQ(sim.countCalls("SetOptionA"), 1);
}

TEST_F(LinkComponentTest, NameIsTakenOnlyWhileNotLoaded) {
    TQuarnConnectEcu ecu;
    ecu.SetDllName("Other.dll");
    EXPECT_EQ(ecu.DllName(), "SerQuarnDL.dll");
    ecu.UnloadDll();
    ASSERT_FALSE(ecu.Loaded());
    ecu.SetDllName("Missing.dll");
    EXPECT_EQ(ecu.DllName(), "Missing.dll");
    EXPECT_FALSE(ecu.LoadDll());
    ecu.SetDllName("SerQuarnDL.dll");
    EXPECT_TRUE(ecu.LoadDll());
    EXPECT_EQ(sim.countCalls("CreateClassInstance"), 2);
}

TEST_F(LinkComponentTest, TearDownDisconnectsAnOpenLinkAndClosesAnotherOne) {
    const struct {
        bool connected;
        std::vector<std::string> tail;
        const char* never;
    } cases[] = {
        {true, {"IsConnected()=1", "Disconnect()=1", "DestroyClassInstance()"}, "Close("},
        {false, {"IsConnected()=0", "Close()=1", "DestroyClassInstance()"}, "Disconnect("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connected);
        sim.reset();
        {
            TQuarnConnectEcu ecu;
            if (c.connected) {
                ASSERT_TRUE(ecu.Link()->Connect());
            }
            sim.clearCallLog();
        }
        EXPECT_EQ(sim.callLog(), c.tail);
        EXPECT_EQ(sim.countCalls(c.never), 0);
        EXPECT_FALSE(sim.unitConnected());
    }
}

TEST_F(LinkComponentTest, VersionComesFromTheLibraryWhileLoaded) {
    TQuarnConnectEcu ecu;
    FILE_VERSION_DATA version{};
    EXPECT_NE(ecu.GetDllVersion(&version), 0);
    EXPECT_NE(version.major + version.minor + version.release + version.build, 0);
    EXPECT_GT(std::strlen(version.text), 0u);
    EXPECT_EQ(ecu.GetDllVersion(nullptr), 0);
    ecu.UnloadDll();
    EXPECT_EQ(ecu.GetDllVersion(&version), 0);
}

TEST_F(LinkComponentTest, MissingLibraryLeavesANullObjectThatAnswersNothing) {
    TQuarnConnectEcu ecu;
    ecu.UnloadDll();
    ecu.SetDllName("Missing.dll");
    ASSERT_FALSE(ecu.LoadDll());
    EXPECT_EQ(ecu.LinkObject(), nullptr);
    TSerialEcuLink* link = ecu.Link();
    ASSERT_NE(link, nullptr);

    int32_t values[32] = {};
    uint8_t bytes[34] = {};
    int length = 34;
    const uint8_t image[] = {1, 0, 0, 0, 0};
    link->SetOptionA(0);
    link->SetOptionD(30, 600);
    EXPECT_EQ(link->GetPortNumber(), 0);
    EXPECT_FALSE(link->Close());
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_EQ(link->Reconnect(), 0);
    EXPECT_FALSE(link->Disconnect());
    EXPECT_FALSE(link->BeginProgramming());
    EXPECT_FALSE(link->EndProgramming());
    EXPECT_FALSE(link->StartMonitor());
    EXPECT_FALSE(link->StopMonitor());
    EXPECT_FALSE(link->ReadParam(0xc30c, values));
    EXPECT_FALSE(link->ReadParamRow(0x6154, values, 0));
    EXPECT_FALSE(link->ReadRealTimeBlock(1, bytes, &length));
    EXPECT_EQ(length, 0);
    EXPECT_FALSE(link->WriteParamArray(0x2303, values));
    EXPECT_FALSE(link->WriteParam(0x04, 2));
    EXPECT_FALSE(link->WriteParamItem(0x20c, 0, 1));
    EXPECT_FALSE(link->WriteParamCell(0x54, 0, 0, 1));
    EXPECT_FALSE(link->WriteParamRow(0x6154, values, 0));
    EXPECT_FALSE(link->SendCommand(4, bytes, 1, 2));
    EXPECT_FALSE(link->ReadEcuId(bytes));
    EXPECT_FALSE(link->Connect());
    EXPECT_NE(link->ProgramFile("firmware.po4", 2, 0, 1), 0);
    EXPECT_NE(link->ProgramImage(image, 2, 0, 1), 0);
    EXPECT_LE(link->GetParamWidth(124, 1), 0);
    EXPECT_EQ(sim.countCalls("CreateClassInstance"), 1) << "only the first, real load";
}

TEST_F(LinkComponentTest, LibraryWithoutCreateOrDestroyIsNotBound) {
    for (const char* name : {"NoCreateLink.dll", "NoDestroyLink.dll"}) {
        SCOPED_TRACE(name);
        // Held by the system loader's own reference, which the component's
        // FreeLibrary of the same file cannot take away.
        void* probe = dlopen(platform::ResolveLibraryPath(name).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(probe, nullptr);
        const auto createCalls = reinterpret_cast<int (*)()>(dlsym(probe, "Probe_CreateCalls"));
        ASSERT_NE(createCalls, nullptr);

        TQuarnConnectEcu ecu;
        ecu.UnloadDll();
        ecu.SetDllName(name);
        EXPECT_FALSE(ecu.LoadDll());
        EXPECT_FALSE(ecu.Loaded());
        EXPECT_EQ(ecu.LinkObject(), nullptr);
        EXPECT_EQ(ecu.Link()->IsConnected(), 0);
        EXPECT_EQ(createCalls(), 0) << "no object made that could not be destroyed";
        FILE_VERSION_DATA version{};
        EXPECT_EQ(ecu.GetDllVersion(&version), 0);
        dlclose(probe);
    }
}
