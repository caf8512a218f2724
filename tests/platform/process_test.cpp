#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(RunProcessAndWait, WaitsForTheEndAndGivesTheExitCode) {
    int code = -1;
    ASSERT_TRUE(platform::RunProcessAndWait("/bin/sh", {"-c", "exit 3"}, &code));
    EXPECT_EQ(code, 3);
    ASSERT_TRUE(platform::RunProcessAndWait("/bin/sh", {"-c", "exit 0"}, &code));
    EXPECT_EQ(code, 0);
}

// A program folder with blanks and quotes, and arguments with blanks and
// quotes: each reaches the tool whole.
TEST(RunProcessAndWait, PathAndArgumentsWithBlanksAndQuotesReachTheToolWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath("Prog \"dir");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string tool = (folder + "/tool.sh").toStdString();
    const std::string out = (folder + "/args.txt").toStdString();
    {
        QFile f(QString::fromStdString(tool));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\nprintf '%s|' \"$@\" > '" + out + "'\nexit 5\n").c_str());
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    int code = -1;
    ASSERT_TRUE(platform::RunProcessAndWait(tool, {"2", "9600,n,8,1", "a \"b c"}, &code));
    EXPECT_EQ(code, 5);
    QFile args(QString::fromStdString(out));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly)) << "the tool ended before the call returned";
    EXPECT_EQ(args.readAll(), "2|9600,n,8,1|a \"b c|");
}

TEST(RunProcessAndWait, MissingProgramFails) {
    int code = 12345;
    EXPECT_FALSE(platform::RunProcessAndWait("/no/such dir/Sirvatel.exe", {"2"}, &code));
    EXPECT_FALSE(platform::RunProcessAndWait("", {}, &code));
    EXPECT_EQ(code, 12345);
}

} // namespace
