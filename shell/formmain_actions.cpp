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
#include "messagetexts.h"
#include "recoverycopy.h"
#include "statuspanels.h"
#include "ui_FormMain.h"
#include "unitwrite.h"
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
constexpr int kSerialNumber = 93;
constexpr int kNoGoesToTheNext = 109;
constexpr int kNoSetsUpAsNew = 121;
constexpr int kSetUpAsNew = 129;
constexpr int kLoadItNow = 139;
constexpr int kDate = 285;
constexpr int kSavedInFile = 475;
constexpr int kWriteUnfinished = 410;
constexpr int kWriteItNow = 422;
constexpr int kNotLoadedIntoUnit = 431;

TSerialEcuLink* link() {
    return StreamDati->EcuLink();
}

// A serial number as the user reads it: what no line can show as a mark.
std::string ShownSerial(const std::string& serial) {
    std::string shown;
    for (char c : serial)
        shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return shown.empty() ? "-" : shown;
}

// The question for one copy: its file, serial number and date, and what No does.
std::string OfferText(const TRecoveryCopy& copy, bool last) {
    return LanguageText(kWriteUnfinished) + "\n" + copy.copyPath + "\n" +
           LanguageText(kSerialNumber) + ": " + ShownSerial(copy.serial) + "\n" +
           LanguageText(kDate) + ": " + copy.made.toString("dd/MM/yyyy HH:mm").toStdString() +
           "\n" + LanguageText(kWriteItNow) + "\n" +
           LanguageText(last ? kNoSetsUpAsNew : kNoGoesToTheNext);
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
        errorBox(EngineText(StreamDati->LastTransferError()));
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
    const bool marked = (UnitState() & 1) != 0;
    std::vector<TRecoveryCopy> declined;
    std::string notWritten;
    const TCopyOffer offer = offerRecoveryCopies(marked, declined, notWritten);
    if (offer == TCopyOffer::NotWrittenBack) {
        StreamDati->RestoreImage(defaults);
        link()->Disconnect();
        wait->close();
        SetScreenCursor(ScreenCursor::Default);
        announceLink(false);
        errorBox(notWritten);
        return;
    }
    bool ok = true;
    std::optional<std::string> kept;
    // A unit a copy waits for holds no configuration to trust.
    if (offer == TCopyOffer::Declined || (marked && offer != TCopyOffer::WrittenBack)) {
        wait->SetCaption("! " + Text(49));
        wait->SetLabel(Text(52));
        wait->repaint();
        ok = setUpAsNew(offer == TCopyOffer::Declined, marked, kept);
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
    if (ok && offer == TCopyOffer::Declined)
        tellSetUpAsNew(declined, kept);
}

// The default configuration into a unit never configured, or one whose
// copies the user declined. Such a unit may still hold a configuration of
// its own when it is not marked: that is read and kept as a file first, or
// nothing is written. A unit without a serial number gets the text for
// none, so that no copy is offered to it again.
bool TFormMain::setUpAsNew(bool declined, bool marked, std::optional<std::string>& kept) {
    if (declined && !marked) {
        const TEcuImage defaults = StreamDati->Image();
        std::string why;
        if (StreamDati->Transfer(kTransferUnitToImage, "", 0, kGroupAll, true))
            kept = KeepConfigurationCopy(ProgramFolder, StreamDati->Image(), why);
        StreamDati->RestoreImage(defaults);
        if (!kept)
            return false;
    }
    const uint8_t model = StreamDati->EcuIdentity()[1];
    StreamDati->SetValue(kInjectionType, model == uint8_t(GetModelCodeB()) ? 6.0 : 4.0);
    std::string serial = StreamDati->ReadUnitSerialNumber().value_or(kNoSerialNumber);
    if (declined && serial.empty())
        serial = kNoSerialNumber;
    StreamDati->SetSerialNumber(serial);
    // The write clears the mark only once the whole default image was
    // accepted.
    return TUnitWrite(ProgramFolder, std::nullopt).Write();
}

int32_t TFormMain::UnitState() {
    int32_t state = 0;
    link()->ReadParam(kStateFlags, &state);
    return state;
}

// Checked before the unit is read: a unit that a write left marked, or
// erased, would otherwise be set up with the default configuration or read
// as it is. One question per copy that could be this unit's, newest first;
// Yes writes that copy back, after which the connect reads the unit as
// usual. A unit that holds a configuration and cannot tell its serial number
// is offered no copy: every No would cost it its configuration again.
TFormMain::TCopyOffer TFormMain::offerRecoveryCopies(bool marked,
                                                     std::vector<TRecoveryCopy>& declined,
                                                     std::string& notWritten) {
    const std::optional<std::string> serial = StreamDati->ReadUnitSerialNumber();
    const bool known = serial && IsKnownSerial(*serial);
    const bool erased = serial && serial->empty();
    if (!known && !erased && !marked)
        return TCopyOffer::None;
    const std::vector<TRecoveryCopy> copies =
        FindRecoveryCopies(FuelFolders(ProgramFolder), serial);
    for (size_t i = 0; i < copies.size(); ++i) {
        SetScreenCursor(ScreenCursor::Default);
        const int answer = platform::MessageBox(this, OfferText(copies[i], i + 1 == copies.size()),
                                                platform::fromUnicode(windowTitle()),
                                                platform::MB_YESNO | platform::MB_ICONQUESTION);
        SetScreenCursor(ScreenCursor::AppStart);
        if (answer == platform::IDYES) {
            // The unit is whole again: the copies declined before were not its own.
            declined.clear();
            return writeBackCopy(copies[i], notWritten) ? TCopyOffer::WrittenBack
                                                        : TCopyOffer::NotWrittenBack;
        }
        declined.push_back(copies[i]);
    }
    return declined.empty() ? TCopyOffer::None : TCopyOffer::Declined;
}

// The copy goes back as the file dialog loads a file, with the serial
// number it was made with: a copy carries none of its own.
bool TFormMain::writeBackCopy(const TRecoveryCopy& copy, std::string& notWritten) {
    TEcuImage image = StreamDati->Image();
    std::fill(std::begin(image.SerialNumber), std::end(image.SerialNumber), 0);
    for (size_t i = 0; i < copy.serial.size() && i < TEcuImage::kSerialLength; ++i)
        image.SerialNumber[i] = static_cast<unsigned char>(copy.serial[i]);
    StreamDati->RestoreImage(image);
    const std::string work = CopyIntoWorkFile(copy);
    TUnitWrite write(ProgramFolder, std::nullopt, {}, copy);
    const bool written = !work.empty() && write.Load(work);
    if (!work.empty())
        platform::DeleteFile(work);
    if (written)
        return true;
    // The connect closes the link: the box says what to do as it will stand.
    link()->Disconnect();
    notWritten = LanguageText(kNotLoadedIntoUnit) + "\n" +
                 (work.empty() ? LanguageText(291) + "\n" + copy.copyPath : write.Told());
    return false;
}

// The copies the user did not want stay files of the fuel folder, as does
// what the unit held when it was not marked.
void TFormMain::tellSetUpAsNew(const std::vector<TRecoveryCopy>& declined,
                               const std::optional<std::string>& kept) {
    std::string text = LanguageText(kSetUpAsNew);
    for (const TRecoveryCopy& copy : declined)
        text += "\n" + copy.copyPath;
    if (kept)
        text += "\n" + LanguageText(kSavedInFile) + "\n" + *kept;
    // One file, one thing to do; several are the user's to choose from.
    if (declined.size() == 1 && !kept)
        text += "\n" + LanguageText(kLoadItNow);
    platform::MessageBox(this, text, platform::fromUnicode(windowTitle()),
                         platform::MB_ICONEXCLAMATION);
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
