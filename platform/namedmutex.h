#pragma once
// A per-user named lock that marks a running copy of the program. The first
// holder keeps it for the life of the process; a crashed holder's lock is
// taken over.
#include <memory>
#include <string>

class QLockFile;

namespace platform {

class NamedMutex {
public:
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // True when another process holds the name (ERROR_ALREADY_EXISTS).
    bool alreadyExists() const { return alreadyExists_; }
    // The name turned into something usable as a file or socket name.
    static std::string safeName(const std::string& name);

private:
    std::unique_ptr<QLockFile> lock_;
    bool alreadyExists_ = false;
};

} // namespace platform
