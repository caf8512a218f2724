#pragma once
// A folder on a file system of its own that can be filled up or made
// read-only: a 64 KiB tmpfs mounted over it for the life of the object.
// Mounting needs root (as CI runs); without it mounted() is false and
// reason() says why.
#include <QString>
#include <string>

class FullFolder {
public:
    explicit FullFolder(const QString& path);
    ~FullFolder(); // unmounts: what the folder held is gone
    FullFolder(const FullFolder&) = delete;
    FullFolder& operator=(const FullFolder&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    // Takes every free block with one filler file; true once a further byte
    // can no longer be stored.
    bool fill();
    // Mounts it again read-only, as a write-protected share: what it holds
    // stays, nothing can be made or changed in it.
    bool makeReadOnly();
    static constexpr char kFiller[] = "filler";

private:
    QString path_;
    bool mounted_ = false;
    std::string reason_;
};
