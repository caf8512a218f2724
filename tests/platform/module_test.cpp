#include "platform/module.h"
#include "platform/stringtable.h"
#include "probetable.h"

#include <QDir>
#include <QFile>
#include <QResource>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using Answer = int (*)();

int answerOf(platform::ModuleHandle m) {
    auto f = reinterpret_cast<Answer>(platform::GetProcAddress(m, "_ProbeAnswer"));
    return f ? f() : -1;
}

std::string beside(const std::string& file) {
    return platform::ProgramDirectory() + "/" + file;
}

// Runs a test in a working folder of its own holding copies of the decoy
// module, and goes back to the previous folder afterwards.
class WorkingFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    }
    void TearDown() override { QDir::setCurrent(previous_); }
    void placeDecoyAs(const QString& file) {
        ASSERT_TRUE(QFile::copy(QString::fromStdString(beside("PlatformProbeDecoy.so")),
                                dir_.filePath(file)));
    }
    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(WorkingFolder, WindowsNameResolvesBesideTheProgramFirst) {
    placeDecoyAs("PlatformProbe.so");
    platform::ModuleHandle m = platform::LoadLibrary("PlatformProbe.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(answerOf(m), 42) << "the copy in the working folder was taken";
    EXPECT_EQ(platform::ModuleName(m), "PlatformProbe");
    EXPECT_EQ(platform::ResolveLibraryPath("PlatformProbe.dll"), beside("PlatformProbe.so"));
    platform::FreeLibrary(m);
}

TEST_F(WorkingFolder, WorkingFolderIsTheSecondPlace) {
    placeDecoyAs("OnlyHere.so");
    platform::ModuleHandle m = platform::LoadLibrary("OnlyHere.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(answerOf(m), 7);
    EXPECT_EQ(platform::ModuleName(m), "OnlyHere");
    platform::FreeLibrary(m);
}

TEST(ModuleLoading, NamesOutsideTheTwoFoldersAreNotFound) {
    // Both exist where a bare dlopen would search; neither is beside the program.
    for (const char* name : {"libQt6Core.dll", "libQt6Core.so", "libc.dll", "NoSuchModule.dll", ""})
        EXPECT_EQ(platform::LoadLibrary(name), nullptr) << name;
}

TEST(ModuleLoading, ExportsAndTheirAbsence) {
    platform::ModuleHandle m = platform::LoadLibrary("PlatformProbe.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_NE(platform::GetProcAddress(m, "_ProbeAnswer"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(m, "_NoSuchExport"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(m, "probeAnswer"), nullptr) << "only the exported name";
    EXPECT_EQ(platform::GetProcAddress(m, nullptr), nullptr);
    EXPECT_EQ(platform::GetProcAddress(nullptr, "_ProbeAnswer"), nullptr);
    platform::FreeLibrary(m);
    platform::FreeLibrary(nullptr);
    EXPECT_EQ(platform::ModuleName(nullptr), "Vexano");
}

class ProbeModule : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = platform::LoadLibrary("PlatformProbe.dll");
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { platform::FreeLibrary(module_); }
    platform::ModuleHandle module_ = nullptr;
};

// The reader's 255-byte buffer: longer strings are cut to 254 bytes and a 0.
TEST_F(ProbeModule, LoadStringCopiesAtMostSizeMinusOneBytes) {
    for (const auto& [id, text] : ProbeStrings()) {
        if (text.empty())
            continue;
        char buffer[255];
        std::memset(buffer, 'x', sizeof buffer);
        const int n = platform::LoadString(module_, id, buffer, sizeof buffer);
        const std::string expected = text.substr(0, 254);
        EXPECT_EQ(n, int(expected.size())) << "id " << id;
        EXPECT_EQ(std::string(buffer), expected) << "id " << id;
    }
    char small[4];
    EXPECT_EQ(platform::LoadString(module_, 0, small, sizeof small), 3);
    EXPECT_STREQ(small, "&It");
}

TEST_F(ProbeModule, MissingOrEmptyStringLeavesTheBufferAlone) {
    for (unsigned id : {1u, 3u, 500u, 1000u, 0xFFFFFFFFu}) {
        char buffer[255] = "previous";
        EXPECT_EQ(platform::LoadString(module_, id, buffer, sizeof buffer), 0) << id;
        EXPECT_STREQ(buffer, "previous");
    }
    char buffer[8] = "keep";
    EXPECT_EQ(platform::LoadString(module_, 7, buffer, 0), 0);
    EXPECT_EQ(platform::LoadString(module_, 7, nullptr, 255), 0);
    EXPECT_STREQ(buffer, "keep");
}

// This test program starts without a table of its own; asking before the
// table is registered must not cost the program its strings later.
TEST(ModuleStrings, NullModuleReadsTheProgramsOwnTable) {
    ASSERT_FALSE(QFile::exists(platform::StringTableResourcePath("Vexano")));
    char buffer[255] = "previous";
    EXPECT_EQ(platform::LoadString(nullptr, 0, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "previous");

    ASSERT_TRUE(QResource::registerResource(VEXANO_PROGRAM_TABLE_RCC));
    EXPECT_EQ(platform::LoadString(nullptr, 0, buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "&Italiano");
    QResource::unregisterResource(VEXANO_PROGRAM_TABLE_RCC);
}

TEST_F(ProbeModule, TypedResourceByNumberAndType) {
    QFile source(QStringLiteral(VEXANO_PROBE_RESOURCE));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray data;
    ASSERT_TRUE(platform::FindResource(module_, "#18", "#256", data));
    EXPECT_EQ(data, source.readAll());
    QByteArray untouched = "keep";
    EXPECT_FALSE(platform::FindResource(module_, "#19", "#256", untouched));
    EXPECT_FALSE(platform::FindResource(module_, "#18", "#255", untouched));
    EXPECT_FALSE(platform::FindResource(nullptr, "#18", "#256", untouched));
    EXPECT_EQ(untouched, "keep");
}

TEST(ModuleResources, GoAwayWhenTheModuleIsUnloaded) {
    const QString table = platform::StringTableResourcePath("PlatformProbe");
    const QString typed = platform::TypedResourcePath("PlatformProbe", "#18", "#256");
    ASSERT_FALSE(QFile::exists(table));
    platform::ModuleHandle m = platform::LoadLibrary("PlatformProbe.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(QFile::exists(table));
    EXPECT_TRUE(QFile::exists(typed));
    platform::FreeLibrary(m);
    EXPECT_FALSE(QFile::exists(table));
    EXPECT_FALSE(QFile::exists(typed));

    // Loading again brings them back, and the strings are read afresh.
    m = platform::LoadLibrary("PlatformProbe.dll");
    ASSERT_NE(m, nullptr);
    char buffer[255];
    EXPECT_EQ(platform::LoadString(m, 999, buffer, sizeof buffer), 4);
    platform::FreeLibrary(m);
}

// Two holders of one library share it: freeing one leaves the other's
// exports and resources in place until the last holder frees it.
TEST(ModuleResources, StayWhileAnotherHolderKeepsTheModule) {
    const QString table = platform::StringTableResourcePath("PlatformProbe");
    platform::ModuleHandle first = platform::LoadLibrary("PlatformProbe.dll");
    platform::ModuleHandle second = platform::LoadLibrary("PlatformProbe.dll");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    platform::FreeLibrary(second);
    EXPECT_TRUE(QFile::exists(table));
    char buffer[255];
    EXPECT_EQ(platform::LoadString(first, 999, buffer, sizeof buffer), 4);
    platform::FreeLibrary(first);
    EXPECT_FALSE(QFile::exists(table));
}

TEST(StringTable, SerializeAndParseRoundTrip) {
    platform::StringTable table;
    for (const auto& [id, text] : ProbeStrings())
        table.add(id, text);
    table.add(70000, std::string("with\0zero", 9));
    platform::StringTable back;
    ASSERT_TRUE(back.parse(table.serialize()));
    EXPECT_EQ(back.strings(), table.strings());
    ASSERT_NE(back.find(70000), nullptr);
    EXPECT_EQ(back.find(70000)->size(), 9u);
    EXPECT_EQ(back.find(1), nullptr);
}

TEST(StringTable, RefusesDataThatIsNotAWholeTable) {
    platform::StringTable table;
    table.add(1, "one");
    table.add(2, "two");
    const QByteArray whole = table.serialize();
    platform::StringTable back;
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        back.add(9, "stale");
        EXPECT_FALSE(back.parse(whole.left(cut))) << "cut at " << cut;
        EXPECT_TRUE(back.strings().empty()) << "cut at " << cut;
    }
    QByteArray foreign = whole;
    foreign[0] = 'W';
    EXPECT_FALSE(back.parse(foreign));
    QByteArray overstated = whole;
    overstated[4] = 3; // count says three strings, the data holds two
    EXPECT_FALSE(back.parse(overstated));
}

TEST(StringTable, TextBeyondTheLengthFieldIsCutNotCorrupted) {
    platform::StringTable table;
    table.add(1, std::string(70000, 'x'));
    table.add(2, "after");
    platform::StringTable back;
    ASSERT_TRUE(back.parse(table.serialize()));
    EXPECT_EQ(back.find(1)->size(), 65535u);
    EXPECT_EQ(*back.find(2), "after");
}

} // namespace
