#pragma once
// The program's few per-user settings under one registry key: the serial
// port number, the data folder and the user-interface language. Loaded once
// at start, written back when the component is destroyed.
#include <QObject>
#include <memory>
#include <string>

namespace platform {
class Registry;
}

class TQuarnGlobalData : public QObject {
public:
    static constexpr size_t kMainPathMax = 149;

    explicit TQuarnGlobalData(QObject* owner = nullptr);
    ~TQuarnGlobalData() override;

    // Opens (creating) the key and reads "ComPort", "MainPath", "Language" in
    // this order; false at the first value missing or of another type, the
    // later ones keeping their defaults.
    bool LoadStrKey();

    // 1 ComPort, 2 Language; other indexes 0 (and Set sets nothing).
    int Get(int index) const;
    int Set(int index, int value);
    // Index 0: MainPath, cut to 149 characters; other indexes 0.
    int Get(int index, std::string& out) const;
    int Set(int index, const std::string& text);

    std::string StrKey = "\\Software\\Quarn";
    bool CanStart = true;

    int ComPort() const { return comPort_; }
    int Language() const { return language_; }
    const std::string& MainPath() const { return mainPath_; }

private:
    void setMainPath(const std::string& text) { mainPath_ = text.substr(0, kMainPathMax); }

    std::unique_ptr<platform::Registry> registry_;
    int comPort_ = 1;
    int language_ = 0;
    std::string mainPath_;
};
