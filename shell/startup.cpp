#include "startup.h"

#include "configeditor.h"
#include "formmain.h"
#include "formscarica.h"
#include "language.h"
#include "qttexts.h"
#include "windowutil.h"

#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/quarnglobaldata.h"
#include "platform/endrequest.h"
#include "platform/gui/modal.h"
#include "platform/gui/singleinstance.h"
#include "platform/gui/unattended.h"
#include "platform/namedmutex.h"

#include <QApplication>
#include <QSysInfo>
#include <memory>
#include <stdexcept>

#ifndef VEXANO_VERSION
#define VEXANO_VERSION ""
#endif

namespace {

constexpr char kMissingFiles[] = "It is not possible to start the program,\n"
                                 "      very important files missing.\n"
                                 "Reinstall the program and tray again.";

// Kernels of the systems the program runs on.
constexpr const char* kSupportedKernels[] = {"linux"};

// The windows of the run, destroyed before the libraries they use are freed.
void DestroyWindows() {
    delete FormScarica;
    FormScarica = nullptr;
    shell::DestroyConfigEditor();
    delete FormMain;
    FormMain = nullptr;
    delete StreamDati;
    StreamDati = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parent())
            delete w;
}

void FreeLibraries() {
    FreeBasarioLibrary();
    FreeLanguageLibrary();
}

} // namespace

std::string shell::ExceptionBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

bool shell::IsSupportedSystem() {
    const QString kernel = QSysInfo::kernelType();
    for (const char* k : kSupportedKernels)
        if (kernel == k)
            return true;
    return false;
}

int WinMain(int argc, char** argv) {
    SetupEditionProfile(128);
    const std::string title = GetProductTitle();
    // Qt needs its application object before any window or box.
    std::unique_ptr<QApplication> ownApplication;
    if (!qApp)
        ownApplication = std::make_unique<QApplication>(argc, argv);
    platform::InstallUnattendedModalsFromEnvironment();

    platform::NamedMutex instance(title);
    if (instance.alreadyExists()) {
        platform::AskRunningInstanceToRaise(title);
        return 0;
    }
    // Every box, the first one too, has Qt's buttons in the program's
    // language: the settings are not read yet, and a start whose settings
    // cannot be read stays in that language.
    TQtTexts qtTexts;
    qtTexts.Apply(LanguageIndex);
    if (!shell::IsSupportedSystem()) {
        platform::MessageBox(nullptr, "This program required Windows 95/98/NT/2000/XP", "OS error",
                             platform::MB_ICONERROR);
        return 0;
    }
    try {
        // No display name: on X11 Qt would append it to every window's title.
        QApplication::setApplicationName("Vexano");
        QApplication::setApplicationVersion(VEXANO_VERSION);
        shell::RegisterFontSubstitutes();
        shell::InstallProgramScreen();
        BindLanguageLibrary();
        if (!BindBasarioLibrary())
            throw std::runtime_error(kMissingFiles);
        StreamDati = new TStreamDati;
        FormMain = new TFormMain(nullptr, &qtTexts);
        shell::CreateConfigEditor();
        FormScarica = new TFormScarica(FormMain);
        platform::InstanceListener listener(title, [] { platform::BringToFront(FormMain); });
        platform::EndRequestListener endRequest([] { FormMain->EndOnRequest(); });
        if (StreamDati->QuarnGlobalData->CanStart) {
            FormMain->show();
            QApplication::exec();
        }
        DestroyWindows();
        FreeLibraries();
    } catch (const std::exception& e) {
        platform::MessageBox(nullptr, shell::ExceptionBoxText(e.what()), title,
                             platform::MB_ICONERROR);
        DestroyWindows();
        FreeLibraries();
    }
    return 0;
}
