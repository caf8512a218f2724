#include "platform/registry.h"
#include "tests/support/fullfolder.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const std::string kKey = "\\Software\\Pellam\\3307K";

// Every test sees an empty per-user settings folder of its own.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir_.path() + "/sys");
    }
    // Writes a settings file by hand, as another program or an editor would.
    void writeFile(const QString& relative, const QByteArray& text) {
        QDir(dir_.path()).mkpath(QFileInfo(dir_.filePath(relative)).path());
        QFile f(dir_.filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QTemporaryDir dir_;
};

TEST_F(RegistryTest, MissingKeyOpensOnlyWhenItMayBeCreated) {
    platform::Registry r;
    EXPECT_FALSE(r.OpenKey(kKey, false));
    int value = 5;
    EXPECT_FALSE(r.ReadInteger("ComPort", value));
    EXPECT_FALSE(r.WriteInteger("ComPort", 1)) << "no key is open";
    ASSERT_TRUE(r.OpenKey(kKey, true));
    EXPECT_TRUE(r.WriteInteger("ComPort", 3));
    r.CloseKey();

    platform::Registry again;
    ASSERT_TRUE(again.OpenKey(kKey, false));
    ASSERT_TRUE(again.ReadInteger("ComPort", value));
    EXPECT_EQ(value, 3);
    EXPECT_TRUE(QFile::exists(dir_.filePath("Pellam/3307K.conf")));
}

TEST_F(RegistryTest, ValuesComeBackAsWritten) {
    const std::string path = "C:\\Programmi\\Perch\xe8, 25\xb0 \x80 \"q\" @x [y]=z;";
    {
        platform::Registry r;
        ASSERT_TRUE(r.OpenKey(kKey, true));
        EXPECT_TRUE(r.WriteString("MainPath", path));
        EXPECT_TRUE(r.WriteInteger("ComPort", -2147483647 - 1));
        EXPECT_TRUE(r.WriteInteger("Language", 1));
        r.CloseKey();
    }
    platform::Registry r;
    ASSERT_TRUE(r.OpenKey(kKey, false));
    std::string text;
    int port = 0, language = 0;
    ASSERT_TRUE(r.ReadString("MainPath", text));
    EXPECT_EQ(text, path);
    ASSERT_TRUE(r.ReadInteger("ComPort", port));
    EXPECT_EQ(port, -2147483647 - 1);
    ASSERT_TRUE(r.ReadInteger("Language", language));
    EXPECT_EQ(language, 1);
}

TEST_F(RegistryTest, MissingValueOrWrongTypeFailsAndKeepsTheTarget) {
    writeFile("Pellam/3307K.conf", "[General]\nComPort=abc\nLanguage=99999999999\n"
                                   "MainPath=a,b\n");
    platform::Registry r;
    ASSERT_TRUE(r.OpenKey(kKey, false));
    for (const char* name : {"ComPort", "Language", "NoSuchValue"}) {
        int value = 7;
        EXPECT_FALSE(r.ReadInteger(name, value)) << name;
        EXPECT_EQ(value, 7) << name;
    }
    std::string text = "kept";
    EXPECT_FALSE(r.ReadString("NoSuchValue", text));
    EXPECT_FALSE(r.ReadString("MainPath", text)) << "a list is no string";
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(r.ValueExists("ComPort"));
    EXPECT_FALSE(r.ValueExists("NoSuchValue"));
}

// Values of the organisation's own file or of the system scope belong to no
// key of the program and must not fill in a missing value.
TEST_F(RegistryTest, OnlyTheKeyItselfAnswers) {
    writeFile("Pellam.conf", "[General]\nLanguage=1\n");
    writeFile("sys/Pellam/3307K.conf", "[General]\nComPort=4\n");
    writeFile("Pellam/3307K.conf", "[General]\nMainPath=x\n");
    platform::Registry r;
    ASSERT_TRUE(r.OpenKey(kKey, false));
    int value = 0;
    EXPECT_FALSE(r.ReadInteger("Language", value));
    EXPECT_FALSE(r.ReadInteger("ComPort", value));
    EXPECT_EQ(value, 0);
}

// Settings the disk cannot take are told by the close, and the stored ones stay.
TEST_F(RegistryTest, AFullDiskIsSeenAtTheCloseAndKeepsTheStoredValues) {
    FullFolder disk(dir_.filePath("Pellam"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QString file = dir_.filePath("Pellam/3307K.conf");
    {
        platform::Registry r;
        ASSERT_TRUE(r.OpenKey(kKey, true));
        EXPECT_TRUE(r.WriteInteger("Language", 1));
        ASSERT_TRUE(r.CloseKey());
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray old = f.readAll();
    f.close();
    ASSERT_TRUE(disk.fill());

    platform::Registry r;
    ASSERT_TRUE(r.OpenKey(kKey, true));
    EXPECT_TRUE(r.WriteString("MainPath", std::string(200, 'p')));
    EXPECT_TRUE(r.WriteInteger("Language", 2));
    EXPECT_FALSE(r.CloseKey());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
}

TEST_F(RegistryTest, KeyWithoutAnyNameIsRefused) {
    platform::Registry r;
    EXPECT_FALSE(r.OpenKey("\\Software\\", true));
    EXPECT_FALSE(r.OpenKey("", true));
}

} // namespace
