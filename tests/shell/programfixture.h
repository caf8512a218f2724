#pragma once
// The program run whole on its own start-up, on a unit an earlier connection
// configured: each step of a test runs once the one before reported done,
// then the user closes the main window.
#include "shellfixture.h"
#include "tests/support/userfolders.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

class ProgramTest : public ShellTest {
protected:
    ProgramTest();
    ~ProgramTest() override;

    // Runs the program; each step is tried every few milliseconds until it
    // reports done, then the next one. After the last step the user closes
    // the main window. Returns the program's exit code.
    int runProgram(std::vector<std::function<bool()>> steps);
    // A unit that an earlier connection configured: the default
    // configuration written into it.
    void configureUnit();

    bool startupDone() const { return modals.pendingExpectations() == 0; }
    bool connectedShown() const;

    // Its lock and socket apart from every other test's, however deep the
    // tests' temporary folder lies, and never in the real home.
    OwnUserFolders own;
    // Short too: a configuration file's path has a length limit, which a
    // copy named after the unit would pass in a deep temporary folder.
    QTemporaryDir workshop{"/tmp/vexano-shop-XXXXXX"};
    QString previousFolder;
    ScriptedModals modals;
};
