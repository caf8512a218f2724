#include "unitwrite.h"

#include "language.h"
#include "messagetexts.h"

#include "core/iodata.h"
#include "core/serialecu.h"

#include <initializer_list>

namespace {

constexpr int kCheckTheLink = 40;
constexpr int kLoadItNow = 139;
constexpr int kPartNewPartOld = 157;
constexpr int kNotConfirmed = 171;
constexpr int kNoCopy = 182;
constexpr int kNoWholeConfiguration = 208;
constexpr int kStillPrevious = 446;
constexpr int kSavedInFile = 475;
constexpr int kOfferedAtConnect = 491;

bool Connected() {
    return StreamDati->EcuLink()->IsConnected() != 0;
}

} // namespace

std::string CopyNotice(const TRecoveryCopy& copy) {
    return Lines({LanguageText(kSavedInFile), copy.copyPath,
                  LanguageText(Connected() ? kLoadItNow : kOfferedAtConnect)});
}

TUnitWrite::TUnitWrite(std::string programFolder, std::optional<TEcuImage> before,
                       std::function<bool()> putBack, std::optional<TRecoveryCopy> copy)
    : programFolder_(std::move(programFolder)), before_(std::move(before)),
      putBack_(std::move(putBack)), copy_(std::move(copy)),
      beforeFromUnit_(StreamDati->ImageFromUnit()) {}

bool TUnitWrite::Load(const std::string& path, const std::function<void()>& between) {
    const TEcuImage start = StreamDati->Image();
    if (!StreamDati->Transfer(kTransferFileToImage, path, 0, kGroupAll, true, true)) {
        fileRead_ = false;
        holds_ = TUnitHolds::Previous;
        cause_ = EngineText(StreamDati->LastTransferError());
        StreamDati->RestoreImage(start);
        return false;
    }
    replaced_ = StreamDati->OutOfRangeKeys();
    if (between)
        between();
    return Write();
}

bool TUnitWrite::Write(int resource, uint32_t mask, bool notify) {
    const uint8_t flags =
        resource ? kTransferFileToImage | kTransferImageToUnit : kTransferImageToUnit;
    const bool written = StreamDati->Transfer(flags, "", resource, mask, notify);
    const TTransferFault fault = StreamDati->LastTransferFault();
    const bool marked = StreamDati->UnitLeftMarked();
    // A unit that did not come back after the save ended holds the new
    // values whole: the lost link shows where it is used next.
    if (written || (fault == TTransferFault::UnitWait && !marked)) {
        holds_ = TUnitHolds::New;
        if (mask == kGroupAll)
            retire();
        return true;
    }
    failed(fault, marked);
    return false;
}

// The unit's state follows from where the write stopped: before the mark
// nothing reached it; a mark still set means part of the write; with the
// mark cleared, a refused end of the save leaves the new values unconfirmed.
void TUnitWrite::failed(TTransferFault fault, bool marked) {
    cause_ = EngineText(StreamDati->LastTransferError());
    if (marked)
        holds_ = TUnitHolds::Part;
    else if (fault == TTransferFault::EndSave)
        holds_ = TUnitHolds::Unconfirmed;
    else
        holds_ = TUnitHolds::Previous;
    if (holds_ == TUnitHolds::Part || (holds_ == TUnitHolds::Previous && changedBefore_))
        undo();
    settleImage();
}

void TUnitWrite::Revert(const std::string& cause) {
    cause_ = cause;
    undo();
    settleImage();
}

// The way back of a write cut short: the previous configuration into the
// unit while the link holds, else kept as a copy.
void TUnitWrite::undo() {
    if (putBack_ && before_) {
        StreamDati->RestoreImage(*before_);
        if (!Connected())
            StreamDati->WaitForEcu(20000);
        if (Connected() && putBack_()) {
            holds_ = TUnitHolds::Previous;
            return;
        }
    }
    holds_ = TUnitHolds::Part;
    keepCopy();
}

// The image goes back only with the unit, or to what the copy holds.
void TUnitWrite::settleImage() {
    if (!before_ || holds_ == TUnitHolds::New || holds_ == TUnitHolds::Unconfirmed)
        return;
    StreamDati->RestoreImage(*before_);
    if (holds_ == TUnitHolds::Previous)
        StreamDati->SetImageFromUnit(beforeFromUnit_);
}

void TUnitWrite::keepCopy() {
    if (copy_ || !before_)
        return;
    std::string why;
    copy_ = KeepRecoveryCopy(programFolder_, *before_, TCopyReason::Write, why);
    if (!copy_)
        copyWhy_ = EngineText(why);
}

// A unit written whole holds what the user chose: no copy waits for it any
// longer, neither one of its serial number nor the one just written back.
// Records of no known serial number may be any unit's: only the one
// written back goes.
void TUnitWrite::retire() const {
    const std::vector<std::string> folders = FuelFolders(programFolder_);
    const std::string serial = StreamDati->GetSerialNumber();
    if (IsKnownSerial(serial))
        RetireRecords(folders, serial);
    if (copy_ && IsKnownSerial(copy_->serial))
        RetireRecords(folders, copy_->serial);
    else if (copy_)
        RetireRecord(*copy_);
}

std::string TUnitWrite::Told() const {
    const std::string copy = copy_     ? CopyNotice(*copy_)
                             : before_ ? Lines({copyWhy_, LanguageText(kNoCopy)})
                                       : "";
    switch (holds_) {
    case TUnitHolds::New:
        return cause_;
    case TUnitHolds::Previous:
        // A unit that held no whole configuration still holds none.
        if (!before_)
            return Lines({LanguageText(kNoWholeConfiguration), copy, cause_});
        return Lines({LanguageText(kStillPrevious),
                      Connected() ? std::string() : LanguageText(kCheckTheLink), cause_});
    case TUnitHolds::Unconfirmed:
        return Lines({LanguageText(kNotConfirmed), cause_});
    case TUnitHolds::Part:
        break;
    }
    return Lines({LanguageText(before_ ? kPartNewPartOld : kNoWholeConfiguration), copy, cause_});
}
