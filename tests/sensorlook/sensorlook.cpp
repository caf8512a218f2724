// Shows the editor's temperature page in editing mode with two points learnt
// from the warming engine, then changes the fuel from LPG to CNG: the
// question and the wait window while the unit is written. Saves the X
// screen after each with ImageMagick's import.
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/realtime.h"
#include "core/serialecu.h"
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
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

void Settle() {
    for (int i = 0; i < 30; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

QString Shot(const QString& folder, const QString& name) {
    Settle();
    const QString file = folder + "/" + name + ".png";
    QProcess::execute("import", {"-window", "root", file});
    std::printf("%s\n", qPrintable(file));
    return file;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "sensorlook <language 0|1> <folder>\n");
        return 2;
    }
    const QString folder = argv[2];
    const QString lang = argv[1];
    QTemporaryDir settings;
    UseStoredSettings(settings.path());
    SimUnit sim;
    sim.reset();
    sim.setBaud(0);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    BindBasarioLibrary();
    shell::InstallProgramScreen();
    LanguageIndex = std::atoi(argv[1]);
    TStreamDati data;
    StreamDati = &data;
    data.EcuLink()->Connect();
    data.Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll, false);
    data.SetFlag(10, true);

    TFormConfig editor;
    editor.LoadCaptions();
    editor.show();
    // The hidden page made current from code, as nothing in the program does.
    editor.ui()->PageControl->SetActivePage(editor.ui()->TabTemp);
    Settle();
    editor.ButtonNuoviParametriClick();
    TMapGrid* grid = editor.ui()->DrawGridTemp;
    // No window manager under Xvfb makes the window active.
    QApplication::setActiveWindow(&editor);
    grid->setFocus();
    for (int i = 0; i < 2; ++i) {
        ReadLiveBlock1(*data.EcuLink());
        editor.LiveSensorRaw = RealTimeBuffer1()[16] - 20 * i;
        editor.DrawGridTempKeyPress(' ');
    }
    editor.LiveSensorRaw = RealTimeBuffer1()[16] - 40;
    editor.RepaintSensorGrid();
    Shot(folder, "temp-" + lang);

    // The fuel change: a shot of the question, Yes, and one of the wait
    // window taken while the unit is written (the line model makes it last).
    editor.ui()->PageControl->SetActivePage(editor.ui()->TabCambio);
    Settle();
    sim.setBaud(9600);
    QTimer::singleShot(500, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        Shot(folder, "fuelquestion-" + lang);
        QProcess::startDetached(
            "sh", {"-c", QString("sleep 2; import -window root %1/wait-%2.png").arg(folder, lang)});
        if (box)
            box->button(QMessageBox::Yes)->click();
    });
    editor.ui()->ComboCarburante->setCurrentIndex(1);
    char enter = 13;
    editor.ComboCarburanteKeyPress(editor.ui()->ComboCarburante, enter);
    std::printf("%s/wait-%s.png\n", qPrintable(folder), qPrintable(lang));
    Shot(folder, "after-" + lang);
    data.EcuLink()->Disconnect();
    StreamDati = nullptr;
    FreeBasarioLibrary();
    return 0;
}
