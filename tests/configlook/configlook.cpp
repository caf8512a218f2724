// Shows the editor's map page with a selection and the live cursor, then
// the cell dialog and the two reference dialogs, and saves the X screen
// after each with ImageMagick's import.
#include "core/edition.h"
#include "core/iodata.h"
#include "core/transfer.h"
#include "formcentricelle.h"
#include "formcentricellek.h"
#include "formconfig.h"
#include "formmodmappa.h"
#include "language.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormConfig.h"
#include "ui_FormModMappa.h"
#include "windowutil.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

void Settle() {
    for (int i = 0; i < 30; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

void Shot(const QString& folder, const QString& name) {
    Settle();
    const QString file = folder + "/" + name + ".png";
    QProcess::execute("import", {"-window", "root", file});
    std::printf("%s\n", qPrintable(file));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "configlook <language 0|1> <folder>\n");
        return 2;
    }
    const QString folder = argv[2];
    QTemporaryDir settings;
    UseStoredSettings(settings.path());
    SimUnit sim;
    sim.reset();
    sim.setBaud(0);
    sim.setMapGeometry(6, 13);
    for (int r = 0; r < 13; ++r)
        for (int c = 0; c < 6; ++c)
            sim.poke(0x54, r * 6 + c, 80 + 7 * r + 3 * c);
    for (int c = 0; c < 6; ++c)
        sim.poke(0x3d, c, 800 + 900 * c);
    for (int r = 0; r < 12; ++r)
        sim.poke(0x37, r, 40 + 30 * r);
    for (int i = 0; i < 12; ++i)
        sim.poke(0x0c, i, 1000 + 500 * i);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    shell::InstallProgramScreen();
    LanguageIndex = std::atoi(argv[1]);
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
    map->SetSelection({2, 3, 5, 5});
    map->setFocus();
    map->SetCursorPoint(map->CellRect(4, 8).center(), QColor(0, 128, 0));
    Shot(folder, QString("map-%1").arg(argv[1]));

    editor.ui()->PageControl->SetActivePage(editor.ui()->TabEmissioni);
    Settle();
    TMapGrid* emulation = editor.ui()->DrawGridEmissioni;
    emulation->SetLiveColumn(3);
    emulation->SetSelection({5, 1, 7, 1});
    emulation->setFocus();
    Shot(folder, QString("emissioni-%1").arg(argv[1]));
    editor.ui()->PageControl->SetActivePage(editor.ui()->TabKCoefficienti);
    map->setFocus();

    FormModMappa->ui()->Edit1->setText("-5");
    FormModMappa->ui()->RadioLineare->setChecked(true);
    FormModMappa->show();
    Shot(folder, QString("modmappa-%1").arg(argv[1]));
    FormModMappa->hide();

    {
        TFormCentriCelle dialog(&editor);
        dialog.show();
        Shot(folder, QString("centricelle-%1").arg(argv[1]));
    }
    {
        TFormCentriCelleK dialog(&editor);
        dialog.show();
        Shot(folder, QString("centricellek-%1").arg(argv[1]));
    }
    data.EcuLink()->Disconnect();
    StreamDati = nullptr;
    return 0;
}
