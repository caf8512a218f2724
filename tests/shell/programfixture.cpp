#include "programfixture.h"

#include "core/basario.h"
#include "core/serialecu.h"
#include "formmain.h"
#include "startup.h"
#include "statuspanels.h"

#include <QDir>
#include <QScopeGuard>
#include <QTimer>

ProgramTest::ProgramTest() {
    configureUnit();
    data.reset(); // the program makes its own data module
    StreamDati = nullptr;
    previousFolder = QDir::currentPath();
    QDir::setCurrent(workshop.path());
}

ProgramTest::~ProgramTest() {
    QDir::setCurrent(previousFolder);
}

int ProgramTest::runProgram(std::vector<std::function<bool()>> steps) {
    size_t next = 0;
    int ticks = 0;
    bool busy = false; // a step runs modal windows, whose loops tick this timer too
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (busy || !FormMain || !FormMain->isVisible())
            return;
        busy = true;
        const auto done = qScopeGuard([&] { busy = false; });
        if (++ticks > 5000) {
            ADD_FAILURE() << "step " << next << " never completed";
            next = steps.size();
        }
        if (next < steps.size() && steps[next]())
            ++next;
        if (next == steps.size()) {
            driver.stop();
            FormMain->close();
        }
    });
    driver.start(2);
    char name[] = "Vexano";
    char* argv[] = {name, nullptr};
    return WinMain(1, argv);
}

void ProgramTest::configureUnit() {
    ASSERT_TRUE(BindBasarioLibrary());
    ASSERT_TRUE(data->EcuLink()->Connect());
    ASSERT_TRUE(
        data->Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll, false));
    data->EcuLink()->Disconnect();
    FreeBasarioLibrary();
    sim.setNeverConfigured(false);
}

bool ProgramTest::connectedShown() const {
    return FormMain->StatusPanels()->text(0) == "Centralina connessa";
}
