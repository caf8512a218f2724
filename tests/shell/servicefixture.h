#pragma once
// The service windows on a unit that an earlier connection set up with the
// default configuration, idling on a linked data module, answering at once.
#include "shellfixture.h"

#include "core/serialecu.h"
#include "platform/cp1252.h"

#include <QString>
#include <string>

class ServiceTest : public ShellTest {
protected:
    ServiceTest();

    TSerialEcuLink* link() const { return data->EcuLink(); }
    // The unit's data read into the image again.
    void readUnit();
    // The calls of the log that start with one of the prefixes.
    std::vector<std::string> calls(const std::vector<std::string>& prefixes) const;
    static std::string text(const QString& s) { return platform::fromUnicode(s); }

    ScriptedModals modals;
};
