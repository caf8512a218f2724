#pragma once
// Temporary files and the few file operations that the program names.
#include <QIODeviceBase>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QByteArray;
class QFile;
class QFileDevice;
class QString;

namespace platform {

// The user's temporary folder, ending in a separator.
std::string GetTempPath();
// Creates a new empty file "<dir><prefix><hex>.tmp" (prefix cut to three
// characters) and returns its path; empty when all 65,535 names are taken or
// the folder takes no file.
std::string GetTempFileName(const std::string& dir, const std::string& prefix);
// Clears the read-only state so the file can be deleted (attributes := archive).
// A link is left as it is: what it points to is not this program's.
bool SetArchiveAttributes(const std::string& path);
// True when anything holds the name: a file, a link (even to nothing), a
// folder, a FIFO. A link is not followed.
bool NameTaken(const std::string& path);
enum class NewFile { Created, Taken, Failed };
// Makes path a new file that only this user may read or write and opens it
// for writing (with the extra open flags, such as unbuffered). Never through
// a link, never over anything already there: Taken says to try another name.
NewFile CreatePrivateFile(const std::string& path, QFile& file, QIODeviceBase::OpenMode extra = {});
// False for a read-only file, as on the workshop PC: clear it first.
bool DeleteFile(const std::string& path);
bool FileExists(const std::string& path);
// Names (no folder) of the files of dir matching a wildcard such as "_mt*.tmp",
// regardless of letter case.
std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern);
// The platform's folder separator.
char PathSeparator();
// dir joined with name by exactly one separator.
std::string JoinPath(const std::string& dir, const std::string& name);
// Same file, after resolving relative folders and links of both paths.
bool SameFile(const std::string& a, const std::string& b);

// Writes bytes into an open file and sees them onto the disk: false when the
// write, the flush of Qt's buffer or the disk's own sync fails, or the file
// holds an error. A buffered write alone reports success for bytes a full
// disk never takes.
bool WriteAndFlush(QFileDevice& file, std::string_view bytes);
// Replaces the file at path with bytes only once every byte is on the disk;
// on any failure (a full disk among them) the old file keeps every byte and
// no other file is left behind. A name that holds something other than a
// file (a device, a FIFO, a folder, also behind a link) is refused.
bool WriteWholeFile(const QString& path, std::string_view bytes);
bool WriteWholeFile(const std::string& path, std::string_view bytes);
// Puts bytes at path as a new file of this user's only: they go whole into
// a private file of the same folder, synced, which is then renamed over the
// name. Whatever held the name, a link among them, is replaced and never
// followed; a folder there is refused. On any failure the name keeps what
// it held and no other file is left behind.
bool ReplaceWithNewFile(const std::string& path, std::string_view bytes);
enum class CopyFault {
    None,
    Source, // the source could not be read (see ReadFileInPieces)
    Target, // no new file can take target's name, or it holds no file
    Disk,   // the disk did not take every byte
};
// Replaces the file at target with a copy of the regular file source, as
// WriteWholeFile replaces it, but piece by piece, each piece checked as it
// is written: a file of any size is never held whole. On any fault the old
// file keeps every byte and no other file is left behind.
CopyFault CopyWholeFile(const std::string& source, const QString& target);
// Writes bytes over a work copy that is deleted once done: false when the
// open, the write, the flush or the close fails, but never synced, since
// nobody keeps it (a sync costs a disk load nearly all its time). Files the
// user keeps go through WriteWholeFile.
bool WriteWorkCopy(const std::string& path, std::string_view bytes);

// The bound on a file read whole where its format names none (the simulated
// unit's memory, work copies): a size to hold in memory.
inline constexpr int64_t kWholeFileCap = int64_t(64) << 20;

enum class ReadFault { None, Missing, NotAFile, Unreadable, TooLarge };
// Reads a regular file (links followed) whole into bytes. Anything else, a
// folder, a FIFO or a device, is refused before it is opened, and the open
// itself never blocks should one be put there meanwhile. More than cap
// bytes, counted as they are read and not as the size says, is TooLarge.
// On any fault bytes is left empty.
ReadFault ReadWholeFile(const QString& path, int64_t cap, QByteArray& bytes);
ReadFault ReadWholeFile(const std::string& path, int64_t cap, QByteArray& bytes);
// The same for a name of a folder this program keeps: a link there is
// refused (NotAFile), never followed.
ReadFault ReadOwnFile(const std::string& path, int64_t cap, QByteArray& bytes);
// Whether path itself is a regular file, a link not followed.
bool IsOwnFile(const std::string& path);
// The first count bytes (fewer when the file is shorter), opened as above.
ReadFault ReadFileStart(const std::string& path, int64_t count, QByteArray& bytes);
// A regular file, opened as above, read piece by piece into take(piece,
// size), size being what the file held when opened, so that it is never
// held whole. take returns false to stop the reading (None then). More than
// cap bytes read is TooLarge; kNoCap reads to the end, however far.
inline constexpr int64_t kNoCap = INT64_MAX;
ReadFault ReadFileInPieces(const std::string& path, int64_t cap,
                           const std::function<bool(std::string_view, int64_t)>& take);

} // namespace platform
