// The main window's actions: connecting to the unit, saving the image to a
// file, the configuration-file dialog, the reset of the unit and the question
// asked before data in memory is lost.
#include "configeditor.h"
#include "formattesa.h"
#include "formcalibratar.h"
#include "formdiagnosi.h"
#include "formfile.h"
#include "formmain.h"
#include "formvisualizza.h"
#include "language.h"
#include "programmingrecord.h"
#include "statuspanels.h"
#include "ui_FormMain.h"
#include "windowutil.h"

#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/messages.h"
#include "core/serialecu.h"
#include "platform/cp1252.h"
#include "platform/files.h"

#include <QApplication>
#include <QFileInfo>

namespace {

using shell::ScreenCursor;
using shell::SetScreenCursor;

constexpr uint32_t kStateFlags = 1;
constexpr int kInjectionType = 52;
constexpr char kNoSerialNumber[] = "SerialNumberNotInEcu";
constexpr int kUnfinishedProgramming = 410;
constexpr int kWriteItNow = 422;
constexpr int kNotLoadedIntoUnit = 431;
constexpr int kSetUpAgain = 450;

std::string LanguageText(int n) {
    std::string text;
    LoadLanguageString(n, text);
    return text;
}

TSerialEcuLink* link() {
    return StreamDati->EcuLink();
}

// The file name of a path without its folder and its last four characters
// (the dot and a three-letter extension).
std::string NameOfConfiguration(const std::string& path) {
    const std::string file = platform::fromUnicode(QFileInfo(platform::toUnicode(path)).fileName());
    return file.size() <= 4 ? std::string() : file.substr(0, file.size() - 4);
}

} // namespace

std::string TFormMain::ErrorCode(const std::string& code) {
    return "\n(ERR.CODE: " + code + ")";
}

void TFormMain::installActions() {
    connect(ui_->ActionConf, &QAction::triggered, this, &TFormMain::ActionConfExecute);
    connect(ui_->ActionVisualizza, &QAction::triggered, this, &TFormMain::ActionVisualizzaExecute);
    connect(ui_->ActionConnetti, &QAction::triggered, this, &TFormMain::ActionConnettiExecute);
    connect(ui_->ActionDisconnetti, &QAction::triggered, this,
            &TFormMain::ActionDisconnettiExecute);
    connect(ui_->ActionSalva, &QAction::triggered, this, [this] { ActionSalvaExecute(); });
    connect(ui_->ActionSalvaConf, &QAction::triggered, this, &TFormMain::ActionSalvaConfExecute);
    connect(ui_->ActionApriConf, &QAction::triggered, this, &TFormMain::ActionApriConfExecute);
    connect(ui_->ActionResetDaPc, &QAction::triggered, this, &TFormMain::ActionResetDaPcExecute);
    connect(ui_->ActionProgramma, &QAction::triggered, this, &TFormMain::ActionProgrammaExecute);
    connect(ui_->ActionDiagnosi, &QAction::triggered, this, &TFormMain::ActionDiagnosiExecute);
    connect(ui_->ActionTara, &QAction::triggered, this, &TFormMain::ActionTaraExecute);
}

void TFormMain::errorBox(const std::string& text) {
    platform::MessageBox(this, text, platform::fromUnicode(windowTitle()), platform::MB_ICONERROR);
}

void TFormMain::announceLink(bool open) {
    linkAnnounced_ = open;
    Screen().PostToEveryForm(WM_DATACHANGED, 0, open ? 1 : 0);
}

void TFormMain::watchLink() {
    if (linkAnnounced_ && StreamDati && !link()->IsConnected()) {
        StreamDati->SetImageFromUnit(false);
        announceLink(false);
    }
}

int TFormMain::AskSaveModified() {
    if (!StreamDati->IsModified())
        return platform::IDNO;
    const int answer =
        platform::MessageBox(this, Text(58), platform::fromUnicode(windowTitle()),
                             platform::MB_YESNOCANCEL | platform::MB_ICONEXCLAMATION);
    // A save the user cancelled or that failed keeps the data in memory: the
    // action that would replace it stops as if Cancel had been chosen.
    if (answer == platform::IDYES && !ActionSalvaExecute())
        return platform::IDCANCEL;
    return answer;
}

bool TFormMain::FormCloseQuery() {
    return AskSaveModified() != platform::IDCANCEL;
}

void TFormMain::ActionConnettiExecute() {
    if (AskSaveModified() == platform::IDCANCEL)
        return;
    SetScreenCursor(ScreenCursor::AppStart);
    const bool wasOpen = link()->IsConnected() != 0;
    link()->Disconnect();
    if (wasOpen)
        announceLink(false);
    StreamDati->SetEcuIdentity(GetModelCodeA());
    const int resource =
        GetResourceId(0, 0, DefaultResourceIdOfMask(BrandMaskOfCode(-1)), CustomerCodeOfMask(0));
    // Without the default configuration no unit can be set up or read.
    if (!StreamDati->Transfer(kTransferFileToImage, "", resource, kGroupAll, false)) {
        SetScreenCursor(ScreenCursor::Default);
        errorBox(StreamDati->LastTransferError());
        return;
    }
    const TEcuImage defaults = StreamDati->Image();

    if (!link()->Connect()) {
        SetScreenCursor(ScreenCursor::Default);
        errorBox(Text(38) + "\n" + Text(40) + ErrorCode("C01"));
        return;
    }
    link()->Reconnect();
    if (!StreamDati->ReadEcuIdentity()) {
        SetScreenCursor(ScreenCursor::Default);
        errorBox(Text(39) + ErrorCode("C02"));
        link()->Disconnect();
        return;
    }
    if (!IsEditionModel()) {
        SetScreenCursor(ScreenCursor::Default);
        link()->Disconnect();
        errorBox(Text(55) + "\n" + Text(38) + ErrorCode("C03"));
        StreamDati->SetEcuIdentity(GetModelCodeA());
        return;
    }

    auto wait = TFormAttesa::Open(this, "  " + Text(49), Text(75), " " + Text(59) + " ");
    StreamDati->WaitForEcu(20000);
    if (!writeBackUnfinishedProgramming()) {
        StreamDati->RestoreImage(defaults);
        link()->Disconnect();
        wait->close();
        SetScreenCursor(ScreenCursor::Default);
        announceLink(false);
        return;
    }
    int32_t state = 0;
    link()->ReadParam(kStateFlags, &state);
    bool ok = true;
    if (state & 1) {
        wait->SetCaption("! " + Text(49));
        wait->SetLabel(Text(52));
        wait->repaint();
        const uint8_t model = StreamDati->EcuIdentity()[1];
        StreamDati->SetValue(kInjectionType, model == uint8_t(GetModelCodeB()) ? 6.0 : 4.0);
        StreamDati->SetSerialNumber(StreamDati->ReadUnitSerialNumber().value_or(kNoSerialNumber));
        // The write clears the mark only once the whole default image was
        // accepted.
        ok = StreamDati->Transfer(kTransferImageToUnit, "", 0, kGroupAll, true);
        if (!ok)
            errorBox(Text(38) + "\n" + Text(40) + ErrorCode("C01"));
    } else {
        wait->SetCaption("  " + Text(49));
        wait->SetLabel(Text(52));
        wait->repaint();
        if (!StreamDati->Transfer(kTransferUnitToImage, "", 0, kGroupAll, true)) {
            // Half a unit's data is no configuration: the image goes back to
            // the default and the link is closed.
            ok = false;
            StreamDati->RestoreImage(defaults);
            link()->Disconnect();
            errorBox(Text(38) + "\n" + Text(40) + ErrorCode("C01"));
        }
    }
    panels_->repaint();
    wait->close();
    SetScreenCursor(ScreenCursor::Default);
    announceLink(link()->IsConnected() != 0);
}

// Checked before the unit's state: a unit that a programming left marked
// would otherwise be set up with the default configuration. Yes loads the
// copy into the unit as the file dialog does; on success the connect reads
// the unit as usual.
bool TFormMain::writeBackUnfinishedProgramming() {
    const auto serial = StreamDati->ReadUnitSerialNumber();
    if (!serial)
        return true;
    const auto record = FindProgrammingRecord({platform::JoinPath(ProgramFolder, "ConfigLPG"),
                                               platform::JoinPath(ProgramFolder, "ConfigCNG")},
                                              *serial);
    if (!record)
        return true;
    SetScreenCursor(ScreenCursor::Default);
    const std::string question = LanguageText(kUnfinishedProgramming) + "\n" + record->copyPath +
                                 "\n" + LanguageText(kWriteItNow);
    const int answer = platform::MessageBox(this, question, platform::fromUnicode(windowTitle()),
                                            platform::MB_YESNO | platform::MB_ICONQUESTION);
    SetScreenCursor(ScreenCursor::AppStart);
    if (answer != platform::IDYES)
        return true;
    // The copy carries no serial number: the unit gets the one it had.
    TEcuImage image = StreamDati->Image();
    std::fill(std::begin(image.SerialNumber), std::end(image.SerialNumber), 0);
    for (size_t i = 0; i < record->serial.size() && i < TEcuImage::kSerialLength; ++i)
        image.SerialNumber[i] = uint8_t(record->serial[i]);
    StreamDati->RestoreImage(image);
    if (StreamDati->Transfer(kTransferFileToImage, record->copyPath, 0, kGroupAll, true, true) &&
        StreamDati->Transfer(kTransferImageToUnit, "", 0, kGroupAll, true)) {
        RemoveProgrammingRecord(*record);
        return true;
    }
    std::string text = LanguageText(kNotLoadedIntoUnit);
    if (StreamDati->UnitLeftMarked())
        text += "\n" + LanguageText(kSetUpAgain);
    text += "\n" + StreamDati->LastTransferError() + "\n" + CopyNotice(record->copyPath);
    errorBox(text);
    return false;
}

void TFormMain::ActionConfExecute() {
    TConfigEditorWindow* editor = shell::ConfigEditor();
    if (!editor)
        return;
    // From the layout's caption when the table lacks string 94, so that
    // shows one after another do not pile up the name.
    QString caption = editor->DesignCaption;
    LoadLanguageString(94, caption);
    editor->setWindowTitle(caption + platform::toUnicode(" - " + Text(34) + ": " +
                                                         StreamDati->GetNomeConfigurazione()));
    SetScreenCursor(ScreenCursor::HourGlass); // the editor's show puts it back
    platform::ShowModal(*editor);
}

void TFormMain::ActionVisualizzaExecute() {
    TFormVisualizza window(this);
    window.setWindowTitle(
        window.windowTitle() +
        platform::toUnicode(" - " + Text(34) + ": " + StreamDati->GetNomeConfigurazione()));
    platform::ShowModal(window);
}

void TFormMain::runServiceWindow(QDialog& window, int captionId) {
    QString caption = window.windowTitle();
    LoadLanguageString(captionId, caption);
    window.setWindowTitle(caption + platform::toUnicode(" - " + Text(34) + ": " +
                                                        StreamDati->GetNomeConfigurazione()));
    platform::ShowModal(window);
}

void TFormMain::ActionDiagnosiExecute() {
    TFormDiagnosi window(this);
    runServiceWindow(window, 250);
}

void TFormMain::ActionTaraExecute() {
    if (!link()->IsConnected()) {
        errorBox(Text(77));
        return;
    }
    TFormCalibraTar window(this);
    runServiceWindow(window, 451);
}

void TFormMain::ActionDisconnettiExecute() {
    link()->Disconnect();
    StreamDati->SetImageFromUnit(false);
    announceLink(false);
}

bool TFormMain::ActionSalvaExecute() {
    PrepareSaveDialog();
    const auto chosen = platform::RunFileDialog(SaveDialog);
    if (!chosen)
        return false;
    SetScreenCursor(ScreenCursor::HourGlass);
    auto wait = TFormAttesa::Open(this, Text(51), Text(54), Text(59));
    const std::string failure =
        SaveConfigurationAs(chosen->fileName, NameOfConfiguration(chosen->fileName), false);
    wait->close();
    wait.reset();
    panels_->repaint();
    SetScreenCursor(ScreenCursor::Default);
    if (!failure.empty())
        errorBox(failure);
    return failure.empty();
}

void TFormMain::ActionSalvaConfExecute() {
    TFormFile dialog(this, nullptr, TFormFile::kSave, ProgramFolder);
    platform::ShowModal(dialog);
}

void TFormMain::ActionApriConfExecute() {
    bool found = false;
    TFormFile dialog(this, &found, TFormFile::kOpen, ProgramFolder);
    if (found)
        platform::ShowModal(dialog);
    else
        platform::MessageBox(this, Text(78), platform::fromUnicode(windowTitle()),
                             platform::MB_ICONEXCLAMATION);
}

void TFormMain::ActionResetDaPcExecute() {
    if (platform::MessageBox(this, Text(79), platform::fromUnicode(windowTitle()),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDNO)
        return;
    int32_t state = 0;
    // Without the unit's state flags a write would wipe the other bits.
    if (!link()->ReadParam(kStateFlags, &state) || !link()->WriteParam(kStateFlags, state | 1)) {
        errorBox(Text(80) + "\n" + Text(40));
        return;
    }
    StreamDati->SetModified(false);
    ExecuteAction(ui_->ActionDisconnetti);
    QApplication::processEvents();
    ExecuteAction(ui_->ActionConnetti);
}
