#include "serialtool.h"

#include "formconfig.h"
#include "formmain.h"
#include "windowutil.h"

#include "core/iodata.h"
#include "core/messages.h"
#include "core/serialecu.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/gui/modal.h"
#include "platform/process.h"

#include <QDir>

std::string SerialToolPath(const std::string& programFolder) {
    return platform::JoinPath(programFolder, "Sirvatel.exe");
}

std::vector<std::string> SerialToolArguments(int port) {
    return {std::to_string(port), "9600,n,8,1"};
}

void TFormConfig::MenuComunicazioneSerialeCostruitaClick() {
    const std::string caption = platform::fromUnicode(windowTitle());
    const std::string path = SerialToolPath(CurrentProgramFolder());
    if (!platform::FileExists(path)) {
        platform::MessageBox(this,
                             "Impossibile individuare il modulo di composizione messaggi seriali",
                             caption, platform::MB_ICONERROR);
        return;
    }
    shell::SetScreenCursor(shell::ScreenCursor::AppStart);
    TSerialEcuLink& link = *StreamDati->EcuLink();
    const std::vector<std::string> arguments = SerialToolArguments(link.GetPortNumber());
    const bool wasOpen = link.IsConnected() != 0;
    if (wasOpen)
        link.Disconnect();
    // The tool owns the port until it ends; the editor waits for it.
    const bool ran = platform::RunProcessAndWait(path, arguments);
    shell::SetScreenCursor(shell::ScreenCursor::Default);
    if (!ran)
        platform::MessageBox(this,
                             "Impossibile eseguire il modulo di composizione messaggi seriali",
                             caption, platform::MB_ICONERROR);
    if (wasOpen && !link.Reconnect()) {
        // The main window's status bar shows the link closed.
        platform::MessageBox(this, Text(44), caption, platform::MB_ICONERROR);
        StreamDati->Screen().PostToEveryForm(WM_DATACHANGED, 0, 0);
    }
}
