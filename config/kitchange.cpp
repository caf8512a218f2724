#include "kitchange.h"

#include "formattesa.h"
#include "formmain.h"
#include "unitwrite.h"
#include "windowutil.h"

#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "core/transfer.h"
#include "platform/clock.h"
#include "platform/gui/modal.h"

#include <QTimer>

namespace {

// Flags of the reload: the resource into the image, the image into the unit.
constexpr uint8_t kResourceToUnit = kTransferFileToImage | kTransferImageToUnit;
// Groups reloaded after a change of fuel and of injector type.
constexpr uint32_t kFuelGroups = kGroupCalibration;
constexpr uint32_t kInjectorGroups = kGroupInjector;

constexpr int kFuelQuestion = 441;
constexpr int kInjectorQuestion = 442;
constexpr int kWaitCaption = 50;
constexpr int kWaitLabel = 53;
constexpr int kCompleted = 59;

constexpr char kNoDefaults[] = "Nessuna configurazione di base per il carburante e il tipo di "
                               "iniettore scelti: nulla \xe8 stato cambiato.";
constexpr char kWordsNotTaken[] = "La centralina non ha accettato il tipo di iniettore.";

bool connected() {
    return StreamDati->EcuLink()->IsConnected() != 0;
}

} // namespace

int KitResourceId(int fuel, int injectorType) {
    return GetResourceId(fuel, 0, injectorType, CustomerCodeOfMask(0));
}

TKitChange::TKitChange(QWidget* owner, std::string caption, std::function<std::string(int)> text,
                       QTimer* timer)
    : owner_(owner), caption_(std::move(caption)), text_(std::move(text)), timer_(timer) {}

bool TKitChange::ask(int question) const {
    return platform::MessageBox(owner_, text_(question), caption_,
                                platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDYES;
}

void TKitChange::tell(const std::string& text) {
    failure_ = text;
    platform::MessageBox(owner_, text, caption_, platform::MB_ICONERROR);
}

TKitChange::Outcome TKitChange::ChangeFuel(int item) {
    const bool cng = item == 1;
    Reload r{kFuelQuestion,
             cng ? 1 : 0,
             StreamDati->GetTipoIniettoreSoftware(1),
             kFuelGroups,
             true,
             // The new fuel's defaults are loaded only once the unit runs on it.
             [cng] {
                 StreamDati->SetFlag(1, cng);
                 platform::Sleep(200);
                 return StreamDati->GetFlag(1) == cng;
             },
             {}};
    return run(r);
}

TKitChange::Outcome TKitChange::ChangeInjector(int type, bool typed) {
    Reload r{
        kInjectorQuestion, StreamDati->GetFlag(1) ? 1 : 0, type, kInjectorGroups, false, {}, {}};
    if (typed)
        r.after = [type] {
            return StreamDati->SetTipoIniettoreSoftware(0, type) &&
                   StreamDati->SetTipoIniettoreSoftware(1, type);
        };
    return run(r);
}

TKitChange::Outcome TKitChange::run(const Reload& r) {
    failure_.clear();
    if (!ask(r.question))
        return Outcome::Refused;
    // Found before anything is written: a kit without defaults changes nothing.
    const int resource = KitResourceId(r.resourceFuel, r.injectorType);
    if (resource == 0) {
        tell(kNoDefaults);
        return Outcome::Refused;
    }
    const TEcuImage before = StreamDati->Image();
    const bool fuel = bool(r.before);
    const bool linked = connected();
    if (timer_)
        timer_->stop();
    shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
    auto restart = [this] {
        shell::SetScreenCursor(shell::ScreenCursor::Default);
        if (timer_)
            timer_->start();
    };
    if (r.before && !r.before()) {
        // The unit kept the old fuel: its option words are as they were.
        StreamDati->RestoreImage(before);
        restart();
        return Outcome::NotTaken;
    }

    auto wait = TFormAttesa::Open(owner_, text_(kWaitCaption), text_(kWaitLabel),
                                  " " + text_(kCompleted) + " ");
    if (r.animation)
        wait->StartAnimation();
    else
        wait->ShowProgress(false);
    TUnitWrite write(CurrentProgramFolder(), before,
                     linked
                         ? std::function<bool()>([this, &r, fuel] { return putBack(r.mask, fuel); })
                         : std::function<bool()>());
    if (fuel)
        write.UnitChangedBefore();
    bool ok = write.Write(resource, r.mask, true);
    // A new kit the unit did not confirm it keeps goes back, so that the
    // change can be made again.
    if (!ok && write.Holds() == TUnitHolds::Unconfirmed)
        write.Revert(write.Cause());
    if (ok && r.after && !r.after()) {
        ok = false;
        write.Revert(kWordsNotTaken);
    }
    wait->close();
    wait.reset();
    restart();
    if (!ok) {
        tell(write.Told());
        return Outcome::Failed;
    }
    return Outcome::Changed;
}

// The way back of a reload cut short, run on the image as it was: the
// groups the reload wrote, the option words and the official mark go back
// into the unit.
bool TKitChange::putBack(uint32_t mask, bool fuel) {
    const bool official = StreamDati->IsUfficiale();
    bool back = StreamDati->Transfer(kTransferImageToUnit, "", 0, mask, false);
    if (fuel)
        back = StreamDati->SetFlag(1, StreamDati->GetFlag(1)) && back;
    return StreamDati->SetUfficiale(official) && back;
}
