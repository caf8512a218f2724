// Shows the firmware programming on the simulated unit at 9600 baud and
// saves the X screen at each step with ImageMagick's import: the firmware
// dialog, the retry question, the wait window in the second attempt and
// while the configuration is written back.
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "formmain.h"
#include "formscarica.h"
#include "language.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "tests/support/samplefirmware.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"
#include "ui_FormMain.h"
#include "ui_FormScarica.h"
#include "windowutil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

QString folder;

void Settle(int ms = 300) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

QString ShotFile(const QString& name) {
    return folder + "/" + name + ".png";
}

void Shot(const QString& name) {
    Settle();
    QProcess::execute("import", {"-window", "root", ShotFile(name)});
    std::printf("%s\n", qPrintable(ShotFile(name)));
}

// A shot taken while the program blocks in a long call.
void ShotLater(const QString& name, int ms) {
    QProcess::startDetached(
        "sh",
        {"-c", QString("sleep %1; import -window root '%2'").arg(ms / 1000.0).arg(ShotFile(name))});
    std::printf("%s (taken in %d ms)\n", qPrintable(ShotFile(name)), ms);
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

class LookModals : public platform::ModalScript {
public:
    std::string firmware;
    int retries = 0;
    int writeBacks = 0;

    int messageBox(const platform::MessageBoxRequest& r) override {
        std::printf("box: %s | %s\n", r.caption.c_str(), r.text.c_str());
        // Both languages: the question ends the retry box, the copy is named before it.
        if ((Has(r.text, "Riprovare ?") || Has(r.text, "Retry ?")) && retries++ == 0) {
            const int answer = real(r, "retry-question", QMessageBox::Yes);
            ShotLater("wait-second-attempt", 2500);
            return answer;
        }
        if (Has(r.text, "(ERR.CODE: C01)") && writeBacks++ == 0) {
            ShotLater("wait-write-back", 600);
            return platform::IDYES;
        }
        if ((r.flags & 0xF) == platform::MB_OK && Has(r.text, "PrimaDellaProgrammazione"))
            return real(r, "failure-after-programming", QMessageBox::Ok);
        return (r.flags & 0xF) == platform::MB_OK ? platform::IDOK : platform::IDNO;
    }
    std::optional<platform::FileDialogResult>
    fileDialog(const platform::FileDialogRequest& r) override {
        std::printf("open dialog: %s in %s\n", r.filter.c_str(), r.initialDir.c_str());
        return platform::FileDialogResult{firmware, 1};
    }
    std::optional<std::string> inputQuery(const platform::InputRequest&) override { return {}; }
    int execDialog(QDialog& dialog) override {
        if (auto* scarica = dynamic_cast<TFormScarica*>(&dialog))
            QTimer::singleShot(500, scarica, [scarica] {
                Shot("firmware-dialog");
                scarica->ui()->ButtonRiprogr->click();
            });
        return dialog.exec();
    }

private:
    // The real box, shot, then answered with its button.
    int real(const platform::MessageBoxRequest& r, const char* name,
             QMessageBox::StandardButton button) {
        platform::setModalScript(nullptr);
        QTimer::singleShot(500, [name, button] {
            Shot(name);
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(button)->click();
        });
        const int answer = platform::MessageBox(r.owner, r.text, r.caption, r.flags);
        platform::setModalScript(this);
        return answer;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "firmwarelook <folder> [language]\n");
        return 2;
    }
    folder = QDir(argv[1]).absolutePath();
    const int language = argc > 2 ? std::atoi(argv[2]) : 0;
    QTemporaryDir settings, workshop;
    UseStoredSettings(settings.path());
    QDir::setCurrent(workshop.path());
    SimUnit sim;
    sim.reset();
    sim.setBaud(9600);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    BindBasarioLibrary();
    shell::InstallProgramScreen();
    LookModals modals;
    modals.firmware = MakeSampleFirmware(workshop.path() + "/Firmware", 30).path;
    platform::setModalScript(&modals);

    StreamDati = new TStreamDati;
    FormMain = new TFormMain;
    FormScarica = new TFormScarica(FormMain);
    FormMain->show();
    Settle(15000); // the start-up connects and sets the fresh unit up
    FormMain->MenuLinguaClick(FormMain->ui()->MenuSelLingua->actions().at(language));
    Shot("main-connected");
    sim.setProgramStatus(-3, 1);
    sim.refuseWritesTo(0x05);
    FormMain->ActionProgrammaExecute();
    Settle();
    Shot("main-after");
    StreamDati->SetModified(false);
    delete FormScarica;
    delete FormMain;
    delete StreamDati;
    platform::setModalScript(nullptr);
    return 0;
}
