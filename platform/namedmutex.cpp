#include "namedmutex.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <cctype>
#include <unistd.h>

namespace platform {

std::string NamedMutex::safeName(const std::string& name) {
    std::string out;
    for (unsigned char c : name)
        out.push_back(std::isalnum(c) ? static_cast<char>(c) : '_');
    return out + "-" + std::to_string(getuid());
}

NamedMutex::NamedMutex(const std::string& name) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    lock_ =
        std::make_unique<QLockFile>(dir + '/' + QString::fromStdString(safeName(name)) + ".lock");
    lock_->setStaleLockTime(0); // a lock is stale only when its process is gone
    alreadyExists_ = !lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError;
}

NamedMutex::~NamedMutex() = default;

} // namespace platform
