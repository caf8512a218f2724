#pragma once
// A per-user named lock that marks a running copy of the program. The first
// holder keeps it for the life of the process; a crashed holder's lock is
// taken over.
#include <memory>
#include <string>

class QLockFile;

namespace platform {

// The folder for this user's locks, one only this user can write: the runtime
// folder when it is the user's own with mode 0700, else one made under the
// home folder. Empty when neither can be had.
std::string PrivateRuntimeFolder();

// Room a local socket's path leaves for the folder and the name together.
constexpr size_t kMaxLocalSocketPath = 107;
// A short file name for a local socket of the given name, the same for every
// copy of the program run by this user.
std::string LocalSocketFileName(const std::string& name);
// The local socket of the given name for the locks in folder: in folder when
// the path fits, else in a short folder of this user under shortBase (made
// where missing). Empty when neither can be had.
std::string LocalSocketPath(const std::string& folder, const std::string& name,
                            const std::string& shortBase = "/tmp");

class NamedMutex {
public:
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // True when another process holds the name (ERROR_ALREADY_EXISTS).
    // Without a private folder there is no lock, and nothing is held.
    bool alreadyExists() const { return alreadyExists_; }
    // The name turned into something usable as a file or socket name.
    static std::string safeName(const std::string& name);

private:
    std::unique_ptr<QLockFile> lock_;
    bool alreadyExists_ = false;
};

} // namespace platform
