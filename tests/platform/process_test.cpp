#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SplitCommandLine, QuotedProgramAndArguments) {
    const struct {
        const char* line;
        bool ok;
        const char *program, *arguments;
    } cases[] = {
        {"\"C:\\Prog dir\\Sirvatel.exe\" 2 9600,n,8,1", true, "C:\\Prog dir\\Sirvatel.exe",
         "2 9600,n,8,1"},
        {"/usr/bin/tool 2 9600,n,8,1", true, "/usr/bin/tool", "2 9600,n,8,1"},
        {"\"/a b/tool\"", true, "/a b/tool", ""},
        {"tool", true, "tool", ""},
        {"  tool   x", true, "tool", "x"},
        {"\"/a b/tool 2 9600", false, "", ""},
        {"\"\" 2", false, "", ""},
        {"", false, "", ""},
        {"   ", false, "", ""},
    };
    for (const auto& c : cases) {
        std::string program, arguments;
        EXPECT_EQ(platform::SplitCommandLine(c.line, program, arguments), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(program, c.program) << c.line;
            EXPECT_EQ(arguments, c.arguments) << c.line;
        }
    }
}

TEST(RunProcessAndWait, WaitsForTheEndAndGivesTheExitCode) {
    int code = -1;
    // Arguments are quoted as on the workshop PC: with double quotes.
    ASSERT_TRUE(platform::RunProcessAndWait("/bin/sh -c \"exit 3\"", &code));
    EXPECT_EQ(code, 3);
    ASSERT_TRUE(platform::RunProcessAndWait("\"/bin/sh\" -c \"exit 0\"", &code));
    EXPECT_EQ(code, 0);
}

// A program folder with blanks, and the arguments as the tool would receive
// them: the port number and the line settings.
TEST(RunProcessAndWait, QuotedPathWithBlanksAndItsArguments) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath("Prog dir");
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
    ASSERT_TRUE(platform::RunProcessAndWait("\"" + tool + "\" 2 9600,n,8,1", &code));
    EXPECT_EQ(code, 5);
    QFile args(QString::fromStdString(out));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly)) << "the tool ended before the call returned";
    EXPECT_EQ(args.readAll(), "2|9600,n,8,1|");
}

TEST(RunProcessAndWait, MissingProgramFails) {
    int code = 12345;
    EXPECT_FALSE(platform::RunProcessAndWait("\"/no/such dir/Sirvatel.exe\" 2 9600,n,8,1", &code));
    EXPECT_FALSE(platform::RunProcessAndWait("\"/unbalanced", &code));
    EXPECT_EQ(code, 12345);
}

} // namespace
