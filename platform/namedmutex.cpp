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

// Its length does not matter: only the socket needs a short path, and a lock
// kept elsewhere for a long one would let copies of one session both run, or
// copies of different sessions keep each other out.
std::string RuntimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    const std::string path = dir ? dir : "";
    return OwnPrivateFolder(path, true) ? path : std::string();
}

// path made where missing and closed to others; false when it is not this
// user's own or others may write in it.
bool MakePrivateFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    if (!OwnPrivateFolder(path, false))
        return false;
    ::chmod(path.c_str(), 0700);
    return OwnPrivateFolder(path, true);
}

// "<home>/.cache/vexano"; when the home folder or one below it is not this
// user's own, or others may write in it, none is used.
std::string HomeFolder() {
    std::string path = QDir::homePath().toStdString();
    if (!OwnPrivateFolder(path, false))
        return {};
    path += "/.cache";
    ::mkdir(path.c_str(), 0700);
    if (!OwnPrivateFolder(path, false))
        return {};
    path += "/vexano";
    return MakePrivateFolder(path) ? path : std::string();
}

std::string ShortDigest(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha1)
        .toHex()
        .left(16)
        .toStdString();
}

} // namespace

std::string PrivateRuntimeFolder() {
    const std::string runtime = RuntimeFolder();
    return runtime.empty() ? HomeFolder() : runtime;
}

std::string LocalSocketFileName(const std::string& name) {
    return ShortDigest(NamedMutex::safeName(name)) + ".sock";
}

std::string LocalSocketPath(const std::string& folder, const std::string& name,
                            const std::string& shortBase) {
    const std::string beside = folder + '/' + LocalSocketFileName(name);
    if (beside.size() <= kMaxLocalSocketPath)
        return beside;
    const std::string shortFolder = shortBase + "/vexano-" + std::to_string(geteuid());
    // The folder is in the name: copies guarded by different folders never
    // take over each other's socket.
    const std::string path =
        shortFolder + '/' + ShortDigest(folder + '\0' + NamedMutex::safeName(name)) + ".sock";
    if (path.size() > kMaxLocalSocketPath || !MakePrivateFolder(shortFolder))
        return {};
    return path;
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
