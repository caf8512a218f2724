#pragma once
// Every write of the image into the unit goes through here, whoever asks
// for it: a load, a write-back after programming or at connect, a kit
// change, a first set-up. It finds what the unit holds afterwards and, when
// a write that did not end whole cannot be put back, keeps the
// configuration the unit had as a copy that the next connect offers. The
// unit keeps what it is sent only once a save ends.
#include "recoverycopy.h"

#include "core/ecuimage.h"
#include "core/transfer.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class TUnitHolds {
    New,         // the write ended whole (the unit may be slow to come back)
    Previous,    // nothing reached the unit, or what did went back
    Unconfirmed, // every value was taken, but the unit did not confirm it keeps them
    Part,        // marked never configured, holding part new, part previous values
};

class TUnitWrite {
public:
    // before: the configuration the unit held before the write, null when
    // it held none worth keeping (a unit never configured). putBack: writes
    // it back into the unit after a write cut short, with the image set back
    // to it; none puts nothing back. copy: the copy of before that already
    // has its record (a write-back).
    TUnitWrite(std::string programFolder, std::optional<TEcuImage> before,
               std::function<bool()> putBack = {}, std::optional<TRecoveryCopy> copy = {});

    // The image, or with a resource that resource's groups of mask through
    // the image, into the unit.
    bool Write(int resource = 0, uint32_t mask = kGroupAll, bool notify = true);
    // A configuration file into the image, then the whole image into the
    // unit; between runs before the unit is written.
    bool Load(const std::string& path, const std::function<void()>& between = {});

    // The unit already differs from before as the write begins (a bit the
    // caller wrote first): any failure puts it back.
    void UnitChangedBefore() { changedBefore_ = true; }
    // After a write that ended whole, a step of the caller's own failed:
    // the unit goes back to before, as after a write cut short.
    void Revert(const std::string& cause);

    TUnitHolds Holds() const { return holds_; }
    // Whether the file was read, when the write was a load.
    bool FileRead() const { return fileRead_; }
    // The keys of the loaded file whose values were out of range.
    const std::vector<std::string>& Replaced() const { return replaced_; }
    // The copy that holds the configuration the unit had, while the unit
    // is not whole.
    const std::optional<TRecoveryCopy>& Copy() const { return copy_; }
    // What the user is told once the write failed: what the unit holds, the
    // copy and the one thing to do, the cause last.
    std::string Told() const;
    // Why the write failed, in the program's language.
    const std::string& Cause() const { return cause_; }

private:
    void failed(TTransferFault fault, bool marked);
    void undo();
    void keepCopy();
    void settleImage();
    void retire() const;

    std::string programFolder_;
    std::optional<TEcuImage> before_;
    std::function<bool()> putBack_;
    std::optional<TRecoveryCopy> copy_;
    TUnitHolds holds_ = TUnitHolds::New;
    bool fileRead_ = true;
    bool beforeFromUnit_;
    bool changedBefore_ = false;
    std::string cause_;
    std::string copyWhy_;
    std::vector<std::string> replaced_;
};

// Where the copy is, and the one thing to do about it as the link stands now.
std::string CopyNotice(const TRecoveryCopy& copy);
