#include "guiapp.h"
#include "platform/gui/modal.h"
#include "platform/gui/unattended.h"
#include "tests/support/userfolders.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The boxes an unattended run answers, as its log prints them for a person:
// each box's line breaks, tabs and backslashes come out as the box shows
// them, its accented letters in the terminal's encoding.
TEST(UnattendedBoxes, PrintWithTheirOwnLineBreaks) {
    GuiApp();
    QTemporaryDir dir;
    const QString log = dir.path() + "/boxes.log";
    platform::ModalScript* const before = platform::modalScript();
    {
        ScopedEnv env("VEXANO_MODAL_LOG", log);
        ASSERT_TRUE(platform::InstallUnattendedModalsFromEnvironment());
    }
    const struct {
        const char* caption;
        const char* text;
        unsigned flags;
        int answer;
        const char* printed;
    } boxes[] = {
        {"Vexano", "It is not possible,\n      very important.\nReinstall.", platform::MB_ICONERROR,
         platform::IDOK,
         "Answered with its default: messagebox \"Vexano\": It is not possible,\n"
         "      very important.\nReinstall.\n"},
        {"", "Cartella C:\\new\\tmp\tpronta", platform::MB_YESNO | platform::MB_DEFBUTTON2,
         platform::IDNO, "Answered with its default: messagebox Cartella C:\\new\\tmp\tpronta\n"},
        {"Citt\xe0", "gi\xf9\\", platform::MB_OKCANCEL, platform::IDOK,
         "Answered with its default: messagebox \"Citt\xc3\xa0\": gi\xc3\xb9\\\n"},
    };
    std::string expected;
    for (const auto& b : boxes) {
        EXPECT_EQ(platform::MessageBox(nullptr, b.text, b.caption, b.flags), b.answer) << b.text;
        expected += b.printed;
    }
    platform::setModalScript(before);

    QProcess printer;
    printer.setStandardInputFile(log);
    printer.start(VEXANO_BOX_PRINTER, {});
    ASSERT_TRUE(printer.waitForFinished(10000));
    EXPECT_EQ(printer.exitCode(), 0) << printer.readAllStandardError().toStdString();
    EXPECT_EQ(printer.readAllStandardOutput().toStdString(), expected);
}

} // namespace
