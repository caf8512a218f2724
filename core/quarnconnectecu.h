#pragma once
// Loads the serial link library, creates the link object through its export,
// owns it for the life of the program and destroys it at the end. While the
// library is not bound, Link() is a null object whose operations all answer
// false or 0, so no caller ever dereferences a missing link.
#include "serialecu.h"

#include <QObject>
#include <mutex>
#include <string>

namespace platform {
struct Module;
}

class TQuarnConnectEcu : public QObject {
public:
    explicit TQuarnConnectEcu(QObject* owner = nullptr);
    ~TQuarnConnectEcu() override;

    bool LoadDll();
    void UnloadDll();
    int GetDllVersion(FILE_VERSION_DATA* data);

    const std::string& DllName() const { return dllName_; }
    // Taken only while not loaded.
    void SetDllName(const std::string& name);
    bool AutoLoadLibrary() const { return autoLoadLibrary_; }
    void SetAutoLoadLibrary(bool on) { autoLoadLibrary_ = on; }
    bool Loaded() const { return loaded_; }

    // The link object; never null.
    TSerialEcuLink* Link() const;
    // The object the library created, null while not loaded.
    TSerialEcuLink* LinkObject() const { return link_; }

private:
    TSerialEcuLink* link_ = nullptr;
    bool autoLoadLibrary_ = true;
    std::string dllName_ = "SerQuarnDL.dll";
    bool loaded_ = false;
    CreateClassInstanceFn create_ = nullptr;
    DestroyClassInstanceFn destroy_ = nullptr;
    GetDLLVersionFn version_ = nullptr;
    platform::Module* module_ = nullptr;
    std::mutex lock_;
};

// The link object of a library that could not be loaded.
TSerialEcuLink& NullEcuLink();
