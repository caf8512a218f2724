#include "namedmutex.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <cctype>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A digest and a suffix, after the folder's slash.
constexpr size_t kSocketNameRoom = 1 + 16 + 5;

// A real folder (no link) of this user that nobody else can write into.
bool OwnPrivateFolder(const std::string& path, bool exactly0700) {
    struct stat st {};
    if (path.empty() || path.front() != '/' || lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return false;
    const mode_t mode = st.st_mode & 07777;
    return exactly0700 ? mode == 0700 : (mode & 022) == 0;
}

std::string RuntimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    const std::string path = dir ? dir : "";
    if (path.size() + kSocketNameRoom > kMaxLocalSocketPath || !OwnPrivateFolder(path, true))
        return {};
    return path;
}

// "<home>/.cache/vexano", made with mode 0700 where missing; when the home
// folder or one below it is not this user's own, or others may write in it,
// none is used.
std::string HomeFolder() {
    std::string path = QDir::homePath().toStdString();
    if (!OwnPrivateFolder(path, false))
        return {};
    for (const char* below : {"/.cache", "/vexano"}) {
        path += below;
        ::mkdir(path.c_str(), 0700);
        if (!OwnPrivateFolder(path, false))
            return {};
    }
    ::chmod(path.c_str(), 0700);
    return OwnPrivateFolder(path, true) ? path : std::string();
}

} // namespace

std::string PrivateRuntimeFolder() {
    const std::string runtime = RuntimeFolder();
    return runtime.empty() ? HomeFolder() : runtime;
}

std::string LocalSocketFileName(const std::string& name) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromStdString(NamedMutex::safeName(name)), QCryptographicHash::Sha1);
    return digest.toHex().left(16).toStdString() + ".sock";
}

std::string NamedMutex::safeName(const std::string& name) {
    std::string out;
    for (unsigned char c : name)
        out.push_back(std::isalnum(c) ? static_cast<char>(c) : '_');
    return out + "-" + std::to_string(getuid());
}

NamedMutex::NamedMutex(const std::string& name) {
    const std::string dir = PrivateRuntimeFolder();
    if (dir.empty())
        return; // nowhere a lock of another user could not stand in: run unguarded
    lock_ =
        std::make_unique<QLockFile>(QString::fromStdString(dir + '/' + safeName(name)) + ".lock");
    lock_->setStaleLockTime(0); // a lock is stale only when its process is gone
    alreadyExists_ = !lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError;
}

NamedMutex::~NamedMutex() = default;

} // namespace platform
