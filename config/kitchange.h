#pragma once
// A change of the kit on the change-over page that reloads the defaults of
// the new kit from the default-configuration library and writes them into
// the unit: the fuel, or the injector type. Asks first, shows the wait
// window while the unit is written and, when the write fails, puts the image
// and the unit back as they were, or keeps what cannot go back as a copy that
// the next connect offers, and says why.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

class QTimer;

class TKitChange {
public:
    enum class Outcome {
        Refused,  // the user said No, or the kit has no defaults: nothing changed
        NotTaken, // the unit did not take the fuel bit: nothing changed
        Failed,   // the reload failed; image and unit were put back (as far as they could)
        Changed,
    };

    // Texts by language string number; caption: the title of its boxes;
    // timer: the live tick, stopped while the unit is written.
    TKitChange(QWidget* owner, std::string caption, std::function<std::string(int)> text,
               QTimer* timer);

    // Fuel item 0 LPG, 1 CNG (option bit 1).
    Outcome ChangeFuel(int item);
    // The injector type chosen in the list, or typed (both software injector
    // words then take the typed value).
    Outcome ChangeInjector(int type, bool typed);

    // What the last failure told the user.
    const std::string& Failure() const { return failure_; }

private:
    struct Reload {
        int question;     // language string of the question
        int resourceFuel; // fuel of the resource
        int injectorType; // injector type of the resource
        uint32_t mask;    // groups reloaded
        bool animation;   // wait window: the clip and the percentage
        std::function<bool()> before;
        std::function<bool()> after;
    };
    Outcome run(const Reload& reload);
    bool ask(int question) const;
    void tell(const std::string& text);
    // Puts the unit back to the image it held before; false when not all of it went.
    bool putBack(uint32_t mask, bool fuel);

    QPointer<QWidget> owner_;
    std::string caption_;
    std::function<std::string(int)> text_;
    QPointer<QTimer> timer_;
    std::string failure_;
};

// The defaults resource of a kit: 0 when the library has none.
int KitResourceId(int fuel, int injectorType);
