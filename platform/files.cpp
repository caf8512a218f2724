#include "files.h"

#include "cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
QString q(const std::string& s) {
    return toUnicode(s);
}
QByteArray local(const std::string& s) {
    return QFile::encodeName(q(s));
}
bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(local(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}
constexpr unsigned kTempNames = 0xffff; // the hex part runs from 1 to FFFF
} // namespace

char PathSeparator() {
    return '/';
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    std::string out = dir;
    if (out.back() != PathSeparator())
        out += PathSeparator();
    size_t start = 0;
    while (start < name.size() && name[start] == PathSeparator())
        ++start;
    return out + name.substr(start);
}

std::string GetTempPath() {
    return JoinPath(fromUnicode(QDir::tempPath()), "");
}

// Every one of the 65,535 names is tried, from a random one on, before the
// folder counts as full.
std::string GetTempFileName(const std::string& dir, const std::string& prefix) {
    // No folder is no folder: never the current one.
    if (dir.empty() || !QFileInfo(q(dir)).isDir())
        return {};
    const std::string head = JoinPath(dir, prefix.substr(0, 3));
    const unsigned first = QRandomGenerator::global()->bounded(0u, kTempNames);
    for (unsigned attempt = 0; attempt < kTempNames; ++attempt) {
        const unsigned unique = (first + attempt) % kTempNames + 1;
        const std::string path = head + fromUnicode(QString::number(unique, 16).toUpper()) + ".tmp";
        QFile f;
        const NewFile made = CreatePrivateFile(path, f);
        if (made == NewFile::Created)
            return path;
        if (made == NewFile::Failed)
            return {};
    }
    return {};
}

bool NameTaken(const std::string& path) {
    struct stat st;
    return ::lstat(local(path).constData(), &st) == 0;
}

NewFile CreatePrivateFile(const std::string& path, QFile& file, QIODeviceBase::OpenMode extra) {
    if (NameTaken(path))
        return NewFile::Taken;
    const QByteArray name = local(path);
    // O_EXCL fails on any name that is there, a link to nothing among them.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno == EEXIST || errno == ELOOP ? NewFile::Taken : NewFile::Failed;
    file.setFileName(q(path));
    if (!file.open(fd, QIODevice::WriteOnly | extra, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(name.constData());
        return NewFile::Failed;
    }
    return NewFile::Created;
}

bool SetArchiveAttributes(const std::string& path) {
    if (IsLink(path))
        return true;
    QFile f(q(path));
    return f.setPermissions(f.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
}

// A read-only file stays, as the program's clean-up expects: it clears the
// attribute first.
bool DeleteFile(const std::string& path) {
    const QFileInfo info(q(path));
    if (!info.isFile() || !(info.permissions() & QFileDevice::WriteOwner))
        return false;
    return QFile::remove(info.filePath());
}

bool FileExists(const std::string& path) {
    return QFileInfo(q(path)).isFile();
}

std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> names;
    // Without QDir::CaseSensitive names match regardless of letter case.
    const QStringList found =
        QDir(q(dir)).entryList({q(pattern)}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& n : found)
        names.push_back(fromUnicode(n));
    return names;
}

bool SameFile(const std::string& a, const std::string& b) {
    const QFileInfo fa(q(a)), fb(q(b));
    const QString ca = fa.exists() ? fa.canonicalFilePath() : fa.absoluteFilePath();
    const QString cb = fb.exists() ? fb.canonicalFilePath() : fb.absoluteFilePath();
    return QDir::cleanPath(ca) == QDir::cleanPath(cb);
}

namespace {
bool WriteChecked(QFileDevice& file, std::string_view bytes) {
    return file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) && file.flush();
}

// A device that cannot be synced has nothing more to store.
bool Synced(QFileDevice& file) {
    const int fd = file.handle();
    if (fd >= 0 && ::fsync(fd) != 0 && errno != EINVAL)
        return false;
    return file.error() == QFileDevice::NoError;
}

// A new file that fill writes takes the name of path only once every byte
// is on the disk. QSaveFile follows links and renames its new file over
// whatever is there: a device, a FIFO or a folder would be replaced by a
// file, so those are refused first.
CopyFault Replace(const QString& path, const std::function<CopyFault(QFileDevice&)>& fill) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return CopyFault::Target;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return CopyFault::Target;
    CopyFault fault = fill(f);
    if (fault == CopyFault::None && !Synced(f))
        fault = CopyFault::Disk;
    if (fault != CopyFault::None) {
        f.cancelWriting();
        return fault;
    }
    return f.commit() ? CopyFault::None : CopyFault::Disk;
}
} // namespace

// QSaveFile::commit() renames even when its last flush failed (the write
// error stays only in error()), so the flush is done and checked here first.
bool WriteAndFlush(QFileDevice& file, std::string_view bytes) {
    return WriteChecked(file, bytes) && Synced(file);
}

bool WriteWholeFile(const QString& path, std::string_view bytes) {
    return Replace(path, [&](QFileDevice& f) {
               return WriteChecked(f, bytes) ? CopyFault::None : CopyFault::Disk;
           }) == CopyFault::None;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    return WriteWholeFile(q(path), bytes);
}

namespace {
// The new name itself is on the disk only once its folder is synced.
bool SyncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
}
} // namespace

// Not QSaveFile: it follows a link at the name and writes where it points.
// The new file's name is never one that was there, so nothing is written
// through a link; rename() then replaces the name itself.
bool ReplaceWithNewFile(const std::string& path, std::string_view bytes) {
    struct stat st;
    if (::lstat(local(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return false;
    const QFileInfo target(q(path));
    const std::string head =
        JoinPath(fromUnicode(target.path()), "." + fromUnicode(target.fileName()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp =
            head + "." + std::to_string(QRandomGenerator::global()->bounded(1u << 30)) + ".new";
        QFile file;
        const NewFile made = CreatePrivateFile(temp, file);
        if (made == NewFile::Taken)
            continue;
        if (made == NewFile::Failed)
            return false;
        const bool written = WriteAndFlush(file, bytes);
        file.close();
        if (written && file.error() == QFileDevice::NoError &&
            ::rename(local(temp).constData(), local(path).constData()) == 0)
            return SyncFolder(target.path());
        ::unlink(local(temp).constData());
        return false;
    }
    return false;
}

// Not QSaveFile: its commit syncs the file whatever the caller wants. A copy
// left half written by a failure is deleted by its owner.
bool WriteWorkCopy(const std::string& path, std::string_view bytes) {
    QFile f(q(path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = WriteChecked(f, bytes);
    f.close(); // a failed close is left in error()
    return written && f.error() == QFileDevice::NoError;
}

namespace {

constexpr int64_t kReadPiece = 64 << 10;

enum class Links { Follow, Refuse };

// Opens a regular file for reading, or says why not. O_NONBLOCK: a FIFO
// swapped in after the check must not hold the open.
ReadFault OpenRegular(const QByteArray& name, int& fd, int64_t& size, Links links = Links::Follow) {
    struct stat st;
    const bool follow = links == Links::Follow;
    if ((follow ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadFault::Missing : ReadFault::Unreadable;
    if (!S_ISREG(st.st_mode))
        return ReadFault::NotAFile;
    fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return errno == ELOOP ? ReadFault::NotAFile : ReadFault::Unreadable;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadFault::NotAFile;
    }
    size = int64_t(st.st_size);
    return ReadFault::None;
}

// Reads until the end or until more than limit bytes are in.
ReadFault ReadUpTo(int fd, int64_t limit, QByteArray& out) {
    for (;;) {
        const int64_t room = limit - int64_t(out.size());
        if (room <= 0)
            return ReadFault::None;
        const int64_t want = std::min(room, kReadPiece);
        const qsizetype at = out.size();
        out.resize(at + qsizetype(want));
        const ssize_t got = ::read(fd, out.data() + at, size_t(want));
        if (got < 0 && errno == EINTR) {
            out.resize(at);
            continue;
        }
        if (got < 0)
            return ReadFault::Unreadable;
        out.resize(at + qsizetype(got));
        if (got == 0)
            return ReadFault::None;
    }
}

ReadFault ReadBounded(const QByteArray& name, int64_t limit, bool refuseMore, QByteArray& bytes,
                      Links links = Links::Follow) {
    bytes.clear();
    int fd = -1;
    int64_t size = 0;
    ReadFault fault = OpenRegular(name, fd, size, links);
    if (fault != ReadFault::None)
        return fault;
    const int64_t most = refuseMore ? limit + 1 : limit;
    QByteArray read;
    // The size only saves reallocations: what counts is what is read.
    read.reserve(qsizetype(std::clamp<int64_t>(size + 1, 0, most)));
    fault = ReadUpTo(fd, most, read);
    ::close(fd);
    if (fault == ReadFault::None && refuseMore && read.size() > limit)
        fault = ReadFault::TooLarge;
    if (fault == ReadFault::None)
        bytes = std::move(read);
    return fault;
}

} // namespace

ReadFault ReadWholeFile(const QString& path, int64_t cap, QByteArray& bytes) {
    return ReadBounded(QFile::encodeName(path), cap, true, bytes);
}

ReadFault ReadWholeFile(const std::string& path, int64_t cap, QByteArray& bytes) {
    return ReadWholeFile(q(path), cap, bytes);
}

ReadFault ReadOwnFile(const std::string& path, int64_t cap, QByteArray& bytes) {
    return ReadBounded(local(path), cap, true, bytes, Links::Refuse);
}

bool IsOwnFile(const std::string& path) {
    struct stat st;
    return ::lstat(local(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

ReadFault ReadFileStart(const std::string& path, int64_t count, QByteArray& bytes) {
    return ReadBounded(local(path), count, false, bytes);
}

ReadFault ReadFileInPieces(const std::string& path, int64_t cap,
                           const std::function<bool(std::string_view, int64_t)>& take) {
    constexpr int64_t kPiece = 1 << 20;
    int fd = -1;
    int64_t size = 0;
    ReadFault fault = OpenRegular(local(path), fd, size);
    if (fault != ReadFault::None)
        return fault;
    QByteArray piece;
    for (int64_t done = 0;;) {
        piece.clear();
        // One byte over the cap tells a file that is too large; cap + 1
        // itself would overflow with kNoCap.
        fault = ReadUpTo(fd, cap - done < kPiece ? cap - done + 1 : kPiece, piece);
        done += piece.size();
        if (fault != ReadFault::None || piece.isEmpty())
            break;
        if (done > cap) {
            fault = ReadFault::TooLarge;
            break;
        }
        if (!take(std::string_view(piece.constData(), size_t(piece.size())), size))
            break;
    }
    ::close(fd);
    return fault;
}

CopyFault CopyWholeFile(const std::string& source, const QString& target) {
    return Replace(target, [&](QFileDevice& f) {
        bool stored = true;
        const ReadFault read =
            ReadFileInPieces(source, kNoCap, [&](std::string_view piece, int64_t) {
                return stored = WriteChecked(f, piece);
            });
        if (!stored)
            return CopyFault::Disk;
        return read == ReadFault::None ? CopyFault::None : CopyFault::Source;
    });
}

} // namespace platform
