// The firmware programming: the file of the firmware dialog handed to the
// link, retries with the user's consent, the wait for the reprogrammed unit
// and the configuration written back into it.
#include "formattesa.h"
#include "formmain.h"
#include "formscarica.h"
#include "language.h"
#include "messagetexts.h"
#include "recoverycopy.h"
#include "statuspanels.h"
#include "unitwrite.h"
#include "windowutil.h"

#include "core/edition.h"
#include "core/firmware.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "core/transfer.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/files.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <cstring>

namespace {

using shell::ScreenCursor;
using shell::SetScreenCursor;

constexpr int kAttempts = 5;
constexpr int kCheckTheLink = 40;
constexpr int kNoWholeConfiguration = 208;
constexpr int kNotPrepared = 196;
constexpr int kCopyNotSaved = 468;
constexpr int kSavedInFile = 475;
// The start of an encrypted container's magic: a file that has it but not
// the whole magic is a damaged container, not a scrambled one.
constexpr char kEncryptedPrefix[] = "ENCRYPTED_FILE_V_";
constexpr char kUnreadConfiguration[] =
    "La configurazione in memoria non \xe8 stata letta da questa centralina: scriverla?";
constexpr char kNoConfiguration[] =
    "La centralina non contiene alcuna configurazione: alla prossima connessione "
    "ricever\xe0 quella predefinita.";

bool StartsWith(const char* data, size_t size, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return size >= n && std::memcmp(data, prefix, n) == 0;
}

} // namespace

class TProgrammingRun {
public:
    explicit TProgrammingRun(TFormMain& main) : main_(main), link_(*StreamDati->EcuLink()) {}
    void Run();

private:
    bool checkUnit();
    bool readUnitConfiguration();
    bool saveCopy();
    bool markUnit();
    std::string copyLines() const;
    std::string savedIn() const;
    std::optional<std::vector<uint8_t>> readFile(const std::string& path, const char*& code);
    int programAttempts(const std::vector<uint8_t>& buffer);
    bool waitForUnit();
    bool identifyUnit();
    void writeBack();
    void leaveUnwritten();
    // Ends the run on a unit that came back wrong: the link closed, the box.
    void giveUp(const std::string& text);
    void closeWait();
    int question(const std::string& text, const std::string& caption, unsigned icon);
    std::string caption() const { return platform::fromUnicode(main_.windowTitle()); }
    std::string waitCaption() const { return platform::fromUnicode(wait_->windowTitle()); }
    std::string text(int n) const { return main_.Text(n); }

    TFormMain& main_;
    TSerialEcuLink& link_;
    int fileModel_ = 0;
    bool unitAnswered_ = false;
    // The copy of the configuration made before programming, with its record.
    std::optional<TRecoveryCopy> copy_;
    std::unique_ptr<TFormAttesa> wait_;
};

void TProgrammingRun::Run() {
    FormScarica->Execute();
    if (FormScarica->ModalResult != 1)
        return;
    main_.repaint();
    fileModel_ = FormScarica->FileModel();
    if (!checkUnit())
        return;

    QApplication::processEvents();
    wait_ = TFormAttesa::Open(&main_, text(67), text(66), text(59));
    wait_->StartAnimation();
    SetScreenCursor(ScreenCursor::HourGlass);
    const char* code = "P03";
    const auto buffer = readFile(FormScarica->OpenDialogFile.fileName, code);
    if (!buffer) {
        closeWait();
        main_.errorBox(text(65) + TFormMain::ErrorCode(code));
        return;
    }
    if (!saveCopy() || (unitAnswered_ && !markUnit()))
        return;
    if (unitAnswered_) {
        link_.Disconnect();
        main_.announceLink(false);
    }

    link_.BeginProgramming();
    const auto end = qScopeGuard([this] { link_.EndProgramming(); });
    const int status = programAttempts(*buffer);
    platform::Sleep(1000);
    if (status != 0) {
        // The unit is not reconnected: nothing says it still holds the image.
        StreamDati->SetImageFromUnit(false);
        closeWait();
        main_.errorBox(text(65) + TFormMain::ErrorCode(ProgrammingStatusCode(status)) + savedIn());
        return;
    }

    wait_->ShowProgress(false);
    wait_->repaint();
    wait_->SetLabel(LanguageText(401));
    wait_->SetProgress(0, true);
    wait_->repaint();
    if (!waitForUnit() || !identifyUnit())
        return;
    wait_->ShowProgress(true);
    wait_->repaint();
    platform::Sleep(200);
    writeBack();
    closeWait();
}

// The configuration the image holds goes into an ordinary file of the fuel
// folder, with a record that outlives the program, before anything can
// erase the unit, whether the unit answers now or not. Without both nothing
// is programmed.
bool TProgrammingRun::saveCopy() {
    std::string why;
    copy_ =
        KeepRecoveryCopy(main_.ProgramFolder, StreamDati->Image(), TCopyReason::Programming, why);
    if (copy_)
        return true;
    closeWait();
    main_.errorBox(LanguageText(kCopyNotSaved) + "\n" + EngineText(why));
    return false;
}

// The unit counts as never configured from before it is programmed until
// the configuration is back in it whole, and keeps that only once a save of
// its own ends: a kill or a power loss then never leaves it erased and
// trusted. Without the mark nothing is programmed.
bool TProgrammingRun::markUnit() {
    const TStreamDati::TStoredMark mark = StreamDati->StoreNeverConfiguredMark();
    if (mark == TStreamDati::TStoredMark::Stored)
        return true;
    // Refused: the unit holds what it held, so the copy is not wanted.
    const bool unchanged = mark == TStreamDati::TStoredMark::NotTaken;
    if (unchanged) {
        DiscardRecoveryCopy(*copy_);
        copy_.reset();
    }
    closeWait();
    main_.errorBox(LanguageText(kNotPrepared) +
                   (unchanged ? "\n" + LanguageText(kCheckTheLink) : savedIn()));
    return false;
}

// Where the configuration is, once the unit is to be programmed.
std::string TProgrammingRun::copyLines() const {
    return copy_ ? LanguageText(kSavedInFile) + "\n" + copy_->copyPath + "\n" : std::string();
}

// The same with the one thing to do about it, for a failure.
std::string TProgrammingRun::savedIn() const {
    return copy_ ? "\n" + CopyNotice(*copy_) : std::string();
}

// The unit that answers now is checked before anything is programmed: its
// model against the file's kind, and whether the image holds its
// configuration (read first when not). Its serial number thus reaches the
// image before the link is closed.
bool TProgrammingRun::checkUnit() {
    const bool wasOpen = link_.IsConnected() != 0;
    unitAnswered_ = link_.Reconnect() != 0;
    if (!unitAnswered_)
        return true;
    uint8_t id[4];
    std::copy(StreamDati->EcuIdentity(), StreamDati->EcuIdentity() + 4, id);
    const bool identified = link_.ReadEcuId(id);
    if (!identified || id[1] != uint8_t(fileModel_)) {
        if (!wasOpen)
            link_.Disconnect();
        main_.errorBox(identified ? text(55) + TFormMain::ErrorCode("C03")
                                  : text(39) + TFormMain::ErrorCode("C02"));
        return false;
    }
    const auto serial = StreamDati->ReadUnitSerialNumber();
    const bool imageOfThisUnit =
        StreamDati->ImageFromUnit() && (!serial || *serial == StreamDati->GetSerialNumber());
    return imageOfThisUnit || readUnitConfiguration();
}

bool TProgrammingRun::readUnitConfiguration() {
    if (main_.AskSaveModified() == platform::IDCANCEL)
        return false;
    const TEcuImage before = StreamDati->Image();
    SetScreenCursor(ScreenCursor::HourGlass);
    auto wait = TFormAttesa::Open(&main_, "  " + text(49), text(52), " " + text(59) + " ");
    const bool read = StreamDati->Transfer(kTransferUnitToImage, "", 0, kGroupAll, true);
    wait->close();
    wait.reset();
    SetScreenCursor(ScreenCursor::Default);
    if (read)
        return true;
    StreamDati->RestoreImage(before);
    main_.errorBox(text(38) + "\n" + text(40) + TFormMain::ErrorCode("C01"));
    return false;
}

std::optional<std::vector<uint8_t>> TProgrammingRun::readFile(const std::string& path,
                                                              const char*& code) {
    // A folder, a FIFO or a device is no file to open; the readers below read
    // at most the cap, whatever the size says.
    QByteArray start;
    code = "P03";
    if (platform::ReadFileStart(path, kEncryptedFirmwareMagicSize, start) !=
        platform::ReadFault::None)
        return std::nullopt;
    const char* head = start.constData();
    const size_t n = size_t(start.size());
    code = "P04";
    std::optional<std::vector<uint8_t>> buffer;
    if (QFileInfo(platform::toUnicode(path)).size() > kMaxFirmwareFileSize)
        return std::nullopt;
    if (IsEncryptedFirmware(reinterpret_cast<const uint8_t*>(head), size_t(n)))
        buffer = ReadEncryptedFirmwareFile(path);
    else if (!StartsWith(head, size_t(n), kEncryptedPrefix))
        buffer = StreamDati->ReadScrambledFile(path.c_str());
    // A buffer of the length alone holds nothing to program; a file that grew
    // past the cap while it was read is refused as one that was too large.
    if (!buffer || buffer->size() <= 4 || int64_t(buffer->size() - 4) > kMaxFirmwareFileSize)
        return std::nullopt;
    return buffer;
}

int TProgrammingRun::programAttempts(const std::vector<uint8_t>& buffer) {
    int status = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (attempt > 1) {
            // The question comes last, so that Yes and No answer it alone.
            const std::string why = status == 1 ? text(76) : main_.RetryText();
            if (question(copyLines() + why + TFormMain::ErrorCode(ProgrammingStatusCode(status)),
                         waitCaption(), platform::MB_ICONERROR) != platform::IDYES)
                return status;
            wait_->SetCaption(text(67) + " - " + text(71) + " " + std::to_string(attempt));
        }
        wait_->repaint();
        status = link_.ProgramImage(buffer.data(), 2, 0, 1);
        if (status == 0)
            return 0;
    }
    return status;
}

bool TProgrammingRun::waitForUnit() {
    platform::Sleep(3000);
    StreamDati->WaitForEcu(20000);
    while (link_.Reconnect() == 0)
        if (question(copyLines() + LanguageText(402) + TFormMain::ErrorCode("C01"), caption(),
                     platform::MB_ICONERROR) != platform::IDYES) {
            link_.Disconnect();
            StreamDati->SetImageFromUnit(false);
            closeWait();
            return false;
        }
    return true;
}

bool TProgrammingRun::identifyUnit() {
    const uint8_t model = StreamDati->EcuIdentity()[1];
    if (!StreamDati->ReadEcuIdentity()) {
        giveUp(text(39) + TFormMain::ErrorCode("C02"));
        return false;
    }
    if (StreamDati->EcuIdentity()[1] != uint8_t(fileModel_)) {
        StreamDati->SetEcuIdentity(model);
        giveUp(text(55) + TFormMain::ErrorCode("C03"));
        return false;
    }
    main_.announceLink(true);
    return true;
}

void TProgrammingRun::giveUp(const std::string& message) {
    SetScreenCursor(ScreenCursor::Default);
    link_.Disconnect();
    StreamDati->SetImageFromUnit(false);
    main_.errorBox(message + savedIn());
    closeWait();
}

// Only the configuration of the unit itself goes back into it unasked. The
// unit that is back is marked again in a save of its own before anything is
// written, and stays so until the write-back is whole; a failed write leaves
// the image as it is, ready to be saved.
void TProgrammingRun::writeBack() {
    if (!unitAnswered_ &&
        question(kUnreadConfiguration, caption(), platform::MB_ICONQUESTION) != platform::IDYES) {
        leaveUnwritten();
        return;
    }
    bool marked = false;
    for (;;) {
        marked =
            marked || StreamDati->StoreNeverConfiguredMark() == TStreamDati::TStoredMark::Stored;
        // The unit holds no configuration before the write: the copy is its.
        TUnitWrite write(main_.ProgramFolder, std::nullopt, {}, copy_);
        if (marked && write.Write())
            return;
        const std::string told =
            marked ? write.Told() : LanguageText(kNoWholeConfiguration) + savedIn();
        if (question(copyLines() + LanguageText(402) + TFormMain::ErrorCode("C01"), caption(),
                     platform::MB_ICONERROR) != platform::IDYES) {
            closeWait();
            main_.errorBox(told);
            return;
        }
        // A link lost on the way is brought back before the next attempt.
        if (!link_.IsConnected())
            StreamDati->WaitForEcu(20000);
    }
}

// The user keeps the image out of a unit it was not read from. Marked, the
// unit needs no record: the next connect sets it up afresh. Without the
// mark the record stays, so that the next connect does not trust the
// erased unit; it offers the copy first, then sets the unit up all the same.
void TProgrammingRun::leaveUnwritten() {
    const bool marked = StreamDati->StoreNeverConfiguredMark() == TStreamDati::TStoredMark::Stored;
    if (marked)
        RetireRecord(*copy_);
    StreamDati->SetImageFromUnit(false);
    closeWait();
    platform::MessageBox(&main_, kNoConfiguration, caption(), platform::MB_ICONINFORMATION);
}

void TProgrammingRun::closeWait() {
    if (wait_) {
        wait_->close();
        wait_.reset();
    }
    main_.StatusPanels()->repaint();
    SetScreenCursor(ScreenCursor::Default);
}

int TProgrammingRun::question(const std::string& message, const std::string& title, unsigned icon) {
    QWidget* owner = wait_ ? static_cast<QWidget*>(wait_.get()) : &main_;
    const int answer = platform::MessageBox(owner, message, title, platform::MB_YESNO | icon);
    // What the box covered is painted again before the next long call holds
    // the event loop.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return answer;
}

void TFormMain::ActionProgrammaExecute() {
    if (!FormScarica || !StreamDati)
        return;
    TProgrammingRun(*this).Run();
}
