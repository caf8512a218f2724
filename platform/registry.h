#pragma once
// Per-user settings under a key such as "\Software\Pellam\3307K" of
// HKEY_CURRENT_USER, kept by QSettings in the platform's native format: the
// first component below "Software" is the organisation, the rest the
// application name.
#include <memory>
#include <string>

class QSettings;

namespace platform {

class Registry {
public:
    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // False when the key is missing and canCreate is false, or cannot be used.
    bool OpenKey(const std::string& key, bool canCreate);
    // Writes what was set since the open; false when the settings could not
    // be stored (a full disk among the causes): the stored ones then stay.
    bool CloseKey();
    bool ValueExists(const std::string& name) const;
    // False when the value is missing or is not of the asked type.
    bool ReadInteger(const std::string& name, int& value) const;
    bool ReadString(const std::string& name, std::string& value) const;
    bool WriteInteger(const std::string& name, int value);
    bool WriteString(const std::string& name, const std::string& value);

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform
