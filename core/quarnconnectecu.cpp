#include "quarnconnectecu.h"

#include "platform/module.h"

namespace {

class NullLink final : public TSerialEcuLink {
public:
    int GetPortNumber() override { return 0; }
    void SetOptionA(int) override {}
    void SetOptionB(int) override {}
    void SetOptionC(int) override {}
    bool Close() override { return false; }
    int IsConnected() override { return 0; }
    int Reconnect() override { return 0; }
    bool Disconnect() override { return false; }
    bool EndProgramming() override { return false; }
    bool BeginProgramming() override { return false; }
    bool StartMonitor() override { return false; }
    bool StopMonitor() override { return false; }
    bool ReadParam(uint32_t, int32_t*) override { return false; }
    bool ReadParamRow(uint32_t, int32_t*, int) override { return false; }
    bool ReadRealTimeBlock(int, uint8_t*, int* length) override {
        if (length)
            *length = 0;
        return false;
    }
    bool WriteParamArray(uint32_t, const int32_t*) override { return false; }
    bool WriteParam(uint32_t, int32_t) override { return false; }
    bool WriteParamItem(uint32_t, int, int32_t) override { return false; }
    bool WriteParamCell(uint32_t, int, int, int32_t) override { return false; }
    bool WriteParamRow(uint32_t, const int32_t*, int) override { return false; }
    bool SendCommand(int, uint8_t*, int, int) override { return false; }
    bool ReadEcuId(uint8_t*) override { return false; }
    bool Connect() override { return false; }
    int ProgramFile(const char*, int, int, int) override { return -1; }
    int ProgramImage(const uint8_t*, int, int, int) override { return -1; }
    void SetOptionD(int, int) override {}
    int8_t GetParamWidth(int, int) override { return 0; }
};

} // namespace

TSerialEcuLink& NullEcuLink() {
    static NullLink link;
    return link;
}

TQuarnConnectEcu::TQuarnConnectEcu(QObject* owner) : QObject(owner) { LoadDll(); }

TQuarnConnectEcu::~TQuarnConnectEcu() {
    if (loaded_)
        UnloadDll();
}

TSerialEcuLink* TQuarnConnectEcu::Link() const { return link_ ? link_ : &NullEcuLink(); }

void TQuarnConnectEcu::SetDllName(const std::string& name) {
    if (!loaded_)
        dllName_ = name;
}

bool TQuarnConnectEcu::LoadDll() {
    if (loaded_)
        return true;
    module_ = platform::LoadLibrary(dllName_);
    if (!module_) {
        link_ = nullptr;
        return false;
    }
    create_ = reinterpret_cast<CreateClassInstanceFn>(
        platform::GetProcAddress(module_, "_CreateClassInstance"));
    destroy_ = reinterpret_cast<DestroyClassInstanceFn>(
        platform::GetProcAddress(module_, "_DestroyClassInstance"));
    version_ =
        reinterpret_cast<GetDLLVersionFn>(platform::GetProcAddress(module_, "_GetDLLVersion"));
    link_ = (create_ && destroy_) ? create_() : nullptr;
    if (!link_) {
        platform::FreeLibrary(module_);
        module_ = nullptr;
        create_ = nullptr;
        destroy_ = nullptr;
        version_ = nullptr;
        return false;
    }
    link_->SetOptionA(0);
    link_->SetOptionB(5);
    link_->SetOptionC(600);
    link_->SetOptionD(30, 600);
    loaded_ = true;
    return true;
}

void TQuarnConnectEcu::UnloadDll() {
    if (!loaded_)
        return;
    std::lock_guard<std::mutex> guard(lock_);
    if (link_->IsConnected())
        link_->Disconnect();
    else
        link_->Close();
    destroy_(link_);
    link_ = nullptr;
    platform::FreeLibrary(module_);
    module_ = nullptr;
    loaded_ = false;
}

int TQuarnConnectEcu::GetDllVersion(FILE_VERSION_DATA* data) {
    if (!loaded_ || !data || !version_)
        return 0;
    return version_(data);
}
