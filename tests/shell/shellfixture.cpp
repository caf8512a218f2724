#include "shellfixture.h"

#include "core/edition.h"
#include "language.h"
#include "windowutil.h"

#include "tests/support/storedsettings.h"


QApplication& ShellApp() {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QCoreApplication::setApplicationVersion("1.0.0");
        SetupEditionProfile(128);
        BindLanguageLibrary();
        shell::InstallProgramScreen();
        return a;
    }();
    return *app;
}

ShellTest::ShellTest() {
    ShellApp();
    UseStoredSettings(settings.path());
    platform::setClock(&clock);
    sim.reset();
    data = std::make_unique<TStreamDati>();
    StreamDati = data.get();
}

ShellTest::~ShellTest() {
    ProcessEvents();
    data.reset();
    StreamDati = nullptr;
    platform::setClock(nullptr);
}

void ShellTest::ProcessEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}
