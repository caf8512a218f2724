#include "quarnglobaldata.h"

#include "platform/cp1252.h"
#include "platform/registry.h"

#include <QDir>
#include <cstdio>

TQuarnGlobalData::TQuarnGlobalData(QObject* owner)
    : QObject(owner), registry_(std::make_unique<platform::Registry>()) {
    setMainPath(platform::fromUnicode(QDir::currentPath()));
}

TQuarnGlobalData::~TQuarnGlobalData() {
    if (!registry_->OpenKey(StrKey, true))
        return;
    registry_->WriteString("MainPath", mainPath_);
    registry_->WriteInteger("ComPort", comPort_);
    registry_->WriteInteger("Language", language_);
    // No window is left to tell: the stored settings stay, and the next
    // start reads them.
    if (!registry_->CloseKey())
        std::fprintf(stderr, "Vexano: the settings of %s could not be stored\n", StrKey.c_str());
}

bool TQuarnGlobalData::LoadStrKey() {
    if (!registry_->OpenKey(StrKey, true))
        return false;
    std::string path;
    const bool ok = registry_->ReadInteger("ComPort", comPort_) &&
                    registry_->ReadString("MainPath", path) && (setMainPath(path), true) &&
                    registry_->ReadInteger("Language", language_);
    registry_->CloseKey();
    return ok;
}

int TQuarnGlobalData::Get(int index) const {
    switch (index) {
    case 1:
        return comPort_;
    case 2:
        return language_;
    default:
        return 0;
    }
}

int TQuarnGlobalData::Set(int index, int value) {
    switch (index) {
    case 1:
        comPort_ = value;
        return 1;
    case 2:
        language_ = value;
        return 1;
    default:
        return 0;
    }
}

int TQuarnGlobalData::Get(int index, std::string& out) const {
    if (index != 0)
        return 0;
    out = mainPath_;
    return 1;
}

int TQuarnGlobalData::Set(int index, const std::string& text) {
    if (index != 0)
        return 0;
    setMainPath(text);
    return 1;
}
