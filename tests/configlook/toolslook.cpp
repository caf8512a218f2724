// Shows the map's pop-up menu, a copy read by another program from the X
// clipboard, a spreadsheet-like text set by another program and pasted, the
// size question, and the pressure page during a sensor search; saves the X
// screen after each with ImageMagick's import.
#include "core/edition.h"
#include "core/iodata.h"
#include "core/transfer.h"
#include "formconfig.h"
#include "language.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

void Settle(int rounds = 30) {
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

void Shot(const QString& folder, const QString& name) {
    const QString file = folder + "/" + name + ".png";
    QProcess::execute("import", {"-window", "root", file});
    std::printf("%s\n", qPrintable(file));
}

// Runs a shell command while the program keeps serving the clipboard.
QByteArray Shell(const QString& command) {
    QProcess p;
    p.start("sh", {"-c", command});
    while (!p.waitForFinished(20))
        QCoreApplication::processEvents();
    return p.readAllStandardOutput();
}

// After ms, shoots the screen and closes the modal box on it.
void ShootTheBox(const QString& folder, const QString& name, int ms) {
    QTimer::singleShot(ms, [=] {
        Shot(folder, name);
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "toolslook <folder>\n");
        return 2;
    }
    const QString folder = argv[1];
    QTemporaryDir settings;
    UseStoredSettings(settings.path());
    SimUnit sim;
    sim.reset();
    sim.setBaud(0);
    sim.setMapGeometry(6, 13);
    for (int r = 0; r < 13; ++r)
        for (int c = 0; c < 6; ++c)
            sim.poke(0x54, r * 6 + c, 80 + 7 * r + 3 * c);
    sim.poke(0x78, 2, 100);
    sim.poke(0x78, 3, 500);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    shell::InstallProgramScreen();
    TStreamDati data;
    StreamDati = &data;
    data.EcuLink()->Connect();
    data.Transfer(kTransferUnitToImage, "", 0, kGroupAll, false);

    TFormConfig editor;
    editor.LoadCaptions();
    editor.show();
    editor.ui()->PageControl->SetActivePage(editor.ui()->TabKCoefficienti);
    Settle();
    TMapGrid* map = editor.ui()->DrawGridK;
    map->SetSelection({2, 3, 4, 4});
    map->setFocus();
    Settle();
    editor.ui()->PopupMenuGrid->popup(map->viewport()->mapToGlobal(map->CellRect(4, 4).center()));
    Settle();
    Shot(folder, "popup");
    editor.ui()->PopupMenuGrid->hide();

    editor.ui()->MenuCopia->trigger();
    Settle();
    std::printf("copied, as another program reads it:\n%s",
                Shell("xclip -o -selection clipboard | od -c").constData());

    Shell("printf '1\\t2\\t3\\n4\\t5\\t6\\n' | xclip -selection clipboard");
    Settle();
    map->SetSelection({5, 6, 5, 6});
    editor.ui()->MenuIncolla->trigger();
    Settle();
    Shot(folder, "pasted");

    map->SetSelection({1, 1, 2, 2});
    ShootTheBox(folder, "sizequestion", 800);
    editor.ui()->MenuIncolla->trigger();
    Settle();

    // The search: the engine idling, then stopped, then at 2000 rpm.
    editor.ui()->PageControl->SetActivePage(editor.ui()->TabPressione);
    Settle();
    sim.freezeRealTime(2, SimUnit::Block2(820, 0x80, 26, 53));
    QTimer::singleShot(1500, [&] {
        Shot(folder, "search-stopped");
        sim.freezeRealTime(2, SimUnit::Block2(0, 0, 93, 105));
        QTimer::singleShot(1500, [&] {
            Shot(folder, "search-2000");
            sim.freezeRealTime(2, SimUnit::Block2(2000, 0x80, 21, 49));
            ShootTheBox(folder, "search-done", 2500);
        });
    });
    editor.ui()->ButtonRicercaParametri->click();
    Settle();
    Shot(folder, "search-after");
    data.EcuLink()->Disconnect();
    StreamDati = nullptr;
    return 0;
}
