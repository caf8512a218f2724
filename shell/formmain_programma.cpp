// The firmware programming: the file of the firmware dialog handed to the
// link, retries with the user's consent, the wait for the reprogrammed unit
// and the configuration written back into it.
#include "formattesa.h"
#include "formmain.h"
#include "formscarica.h"
#include "language.h"
#include "programmingrecord.h"
#include "statuspanels.h"
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
constexpr int kCopyNotSaved = 468;
constexpr int kSetUpAgain = 450;
// The start of an encrypted container's magic: a file that has it but not
// the whole magic is a damaged container, not a scrambled one.
constexpr char kEncryptedPrefix[] = "ENCRYPTED_FILE_V_";
constexpr char kUnreadConfiguration[] =
    "La configurazione in memoria non \xe8 stata letta da questa centralina: scriverla?";
constexpr char kNoConfiguration[] =
    "La centralina non contiene alcuna configurazione: alla prossima connessione "
    "ricever\xe0 quella predefinita.";

std::string LanguageText(int n) {
    std::string text;
    LoadLanguageString(n, text);
    return text;
}

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
    std::string savedIn() const;
    std::optional<std::vector<uint8_t>> readFile(const std::string& path, const char*& code);
    int programAttempts(const std::vector<uint8_t>& buffer);
    bool waitForUnit();
    bool identifyUnit();
    void writeBack();
    // Ends the run on a unit that came back wrong: the box, the link closed.
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
    // The copy of the configuration made before programming, and its record.
    std::optional<TProgrammingRecord> copy_;
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
    if (unitAnswered_ && !saveCopy())
        return;

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

// The configuration of the unit as it was goes into an ordinary file of the
// fuel folder, with a record that outlives the program, before anything can
// erase the unit. Without both nothing is programmed.
bool TProgrammingRun::saveCopy() {
    const std::string folder =
        platform::JoinPath(main_.ProgramFolder, StreamDati->GetFlag(1) ? "ConfigCNG" : "ConfigLPG");
    char ext[4] = {};
    const std::string extension =
        CopyModelConfigExt(ext, BrandMaskOfCode(-1), int8_t(StreamDati->EcuIdentity()[1]));
    const std::string serial = StreamDati->GetSerialNumber();
    const TProgrammingRecord record{
        serial, PreProgrammingCopyPath(folder, serial,
                                       QDate::currentDate().toString(Qt::ISODate).toStdString(),
                                       extension)};
    const bool modified = StreamDati->IsModified();
    QDir().mkpath(platform::toUnicode(folder));
    const bool saved =
        StreamDati->Transfer(kTransferImageToFile, record.copyPath, 0, kGroupAll, false);
    // The copy is no save of the user's: the question before data is lost stays.
    StreamDati->SetModified(modified);
    if (saved && WriteProgrammingRecord(record)) {
        copy_ = record;
        return true;
    }
    const std::string why = saved ? kTransferStoreError : StreamDati->LastTransferError();
    if (saved)
        QFile::remove(platform::toUnicode(record.copyPath));
    closeWait();
    main_.errorBox(LanguageText(kCopyNotSaved) + "\n" + why);
    return false;
}

// Where the configuration is, once programming began: every failure says it.
std::string TProgrammingRun::savedIn() const {
    if (!copy_)
        return {};
    return "\n" + CopyNotice(copy_->copyPath);
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
    if (!imageOfThisUnit && !readUnitConfiguration())
        return false;
    link_.Disconnect();
    main_.announceLink(false);
    return true;
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
            const std::string why = status == 1 ? text(76) : main_.RetryText();
            if (question(why + TFormMain::ErrorCode(ProgrammingStatusCode(status)) + savedIn(),
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
        if (question(LanguageText(402) + TFormMain::ErrorCode("C01") + savedIn(), caption(),
                     platform::MB_ICONERROR) != platform::IDYES) {
            link_.Disconnect();
            StreamDati->SetImageFromUnit(false);
            closeWait();
            return false;
        }
    // The unit that is back holds no configuration until the write-back is
    // whole: if that is cut short, the next connect does not trust it.
    int32_t state = 0;
    StreamDati->MarkNeverConfigured(state);
    return true;
}

bool TProgrammingRun::identifyUnit() {
    const uint8_t model = StreamDati->EcuIdentity()[1];
    if (!StreamDati->ReadEcuIdentity()) {
        giveUp(text(39) + TFormMain::ErrorCode("C02") + savedIn());
        return false;
    }
    if (StreamDati->EcuIdentity()[1] != uint8_t(fileModel_)) {
        StreamDati->SetEcuIdentity(model);
        giveUp(text(55) + TFormMain::ErrorCode("C03") + savedIn());
        return false;
    }
    main_.announceLink(true);
    return true;
}

void TProgrammingRun::giveUp(const std::string& message) {
    SetScreenCursor(ScreenCursor::Default);
    main_.errorBox(message);
    link_.Disconnect();
    StreamDati->SetImageFromUnit(false);
    closeWait();
}

// Only the configuration of the unit itself goes back into it unasked; a
// failed write leaves the image as it is, ready to be saved.
void TProgrammingRun::writeBack() {
    if (!unitAnswered_ &&
        question(kUnreadConfiguration, caption(), platform::MB_ICONQUESTION) != platform::IDYES) {
        int32_t state = 0;
        StreamDati->MarkNeverConfigured(state);
        StreamDati->SetImageFromUnit(false);
        closeWait();
        platform::MessageBox(&main_, kNoConfiguration, caption(), platform::MB_ICONINFORMATION);
        return;
    }
    while (!StreamDati->Transfer(kTransferImageToUnit, "", 0, kGroupAll, true)) {
        if (question(LanguageText(402) + TFormMain::ErrorCode("C01") + savedIn(), caption(),
                     platform::MB_ICONERROR) != platform::IDYES) {
            // The unit stays marked: half a configuration is none.
            closeWait();
            main_.errorBox(StreamDati->LastTransferError() + "\n" + LanguageText(kSetUpAgain) +
                           savedIn());
            return;
        }
        // A link lost on the way is brought back before the next attempt.
        if (!link_.IsConnected())
            StreamDati->WaitForEcu(20000);
    }
    if (copy_)
        RemoveProgrammingRecord(*copy_);
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
