#include "platform/files.h"
#include "tests/support/specialfiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string path(const std::string& name = "") const {
        return platform::JoinPath(dir_.path().toStdString(), name);
    }
    void touch(const std::string& name) {
        QFile f(QString::fromStdString(path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QTemporaryDir dir_;
};

TEST_F(TempFolder, TempFileNamesAreNewUniqueAndEmpty) {
    const QRegularExpression shape("^_mt[0-9A-F]{1,4}\\.tmp$");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string made = platform::GetTempFileName(path(), "_mt");
        ASSERT_FALSE(made.empty());
        const QFileInfo info(QString::fromStdString(made));
        EXPECT_EQ(info.absolutePath(), dir_.path());
        EXPECT_TRUE(shape.match(info.fileName()).hasMatch()) << made;
        EXPECT_TRUE(info.isFile());
        EXPECT_EQ(info.size(), 0);
        EXPECT_EQ(info.permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
        EXPECT_TRUE(seen.insert(made).second) << "handed out twice: " << made;
    }
}

TEST_F(TempFolder, TempFilePrefixIsCutToThreeCharacters) {
    const std::string made = platform::GetTempFileName(path(), "_mtlong");
    EXPECT_EQ(QFileInfo(QString::fromStdString(made)).fileName().left(3), "_mt");
    EXPECT_FALSE(QFileInfo(QString::fromStdString(made)).fileName().startsWith("_mtl"));
}

// The hex part has 65,535 values: the last free one is still found, and
// only a folder that holds all of them is full.
TEST_F(TempFolder, EveryNameIsTriedBeforeTheFolderCountsAsFull) {
    constexpr unsigned kFree = 0x7a3c;
    int made = 0;
    for (unsigned n = 1; n <= 0xffff; ++n) {
        QFile f(QString::fromStdString(
            path("_mt" + QString::number(n, 16).toUpper().toStdString() + ".tmp")));
        made += n != kFree && f.open(QIODevice::WriteOnly);
    }
    ASSERT_EQ(made, 0xffff - 1);
    EXPECT_EQ(platform::GetTempFileName(path(), "_mt"), path("_mt7A3C.tmp"));
    EXPECT_EQ(platform::GetTempFileName(path(), "_mt"), "");
}

// A folder that is missing, or no folder at all (as the temporary path of
// a missing TMPDIR), never means the current one.
TEST_F(TempFolder, TempFileInAMissingFolderFails) {
    EXPECT_EQ(platform::GetTempFileName(path("missing"), "_mt"), "");
    EXPECT_FALSE(QDir(QString::fromStdString(path("missing"))).exists());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    EXPECT_EQ(platform::GetTempFileName("", "_mt"), "");
    QDir::setCurrent(previous);
    EXPECT_TRUE(QDir(dir_.path()).isEmpty());
}

TEST(TempPath, EndsInASeparatorAndExists) {
    const std::string temp = platform::GetTempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), platform::PathSeparator());
    EXPECT_TRUE(QDir(QString::fromStdString(temp)).exists());
}

TEST_F(TempFolder, ReadOnlyFileIsDeletedOnlyAfterItsAttributesAreCleared) {
    touch("_mt1.tmp");
    const QString file = QString::fromStdString(path("_mt1.tmp"));
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner));
    EXPECT_FALSE(platform::DeleteFile(path("_mt1.tmp")));
    EXPECT_TRUE(platform::FileExists(path("_mt1.tmp")));
    EXPECT_TRUE(platform::SetArchiveAttributes(path("_mt1.tmp")));
    EXPECT_TRUE(platform::DeleteFile(path("_mt1.tmp")));
    EXPECT_FALSE(platform::FileExists(path("_mt1.tmp")));
    EXPECT_FALSE(platform::SetArchiveAttributes(path("_mt1.tmp")));
    EXPECT_FALSE(platform::DeleteFile(path("_mt1.tmp")));
}

// A work-file name planted as a link to someone's read-only file: clearing
// and deleting never reach the file it points to.
TEST_F(TempFolder, ClearingAndDeletingALinkLeaveWhatItPointsTo) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("theirs.txt");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("theirs");
    }
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner));
    const QFileDevice::Permissions before = QFile::permissions(target);
    ASSERT_TRUE(QFile::link(target, QString::fromStdString(path("_mt2.tmp"))));
    platform::SetArchiveAttributes(path("_mt2.tmp"));
    platform::DeleteFile(path("_mt2.tmp"));
    EXPECT_EQ(QFile::permissions(target), before);
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "theirs");
}

TEST_F(TempFolder, FolderIsNoFile) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("sub.tmp"));
    EXPECT_FALSE(platform::FileExists(path("sub.tmp")));
    EXPECT_FALSE(platform::DeleteFile(path("sub.tmp")));
    EXPECT_TRUE(QDir(QString::fromStdString(path("sub.tmp"))).exists());
}

TEST_F(TempFolder, FindFilesMatchesTheWorkFilePatternOnly) {
    for (const char* name :
         {"_mt1.tmp", "_mtAB12.tmp", "_MT9.TMP", "_mp3.tmp", "other.tmp", "_mt.txt", "x_mt2.tmp"})
        touch(name);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("_mtdir.tmp"));
    std::vector<std::string> found = platform::FindFiles(path(), "_mt*.tmp");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"_MT9.TMP", "_mt1.tmp", "_mtAB12.tmp"}));
    EXPECT_EQ(platform::FindFiles(path(), "_mp*.tmp"), std::vector<std::string>{"_mp3.tmp"});
    EXPECT_TRUE(platform::FindFiles(path("missing"), "*").empty());
}

// What is not a regular file is refused before it is opened (a FIFO would
// block the open, a device would never end); a file is read up to its cap.
TEST_F(TempFolder, AWholeFileIsARegularFileReadUpToItsCap) {
    touch("one.txt");
    ASSERT_TRUE(QFile::link(QString::fromStdString(path("one.txt")),
                            QString::fromStdString(path("link.txt"))));
    ASSERT_TRUE(QFile::link(QString::fromStdString(path("gone.txt")),
                            QString::fromStdString(path("dangling.txt"))));
    using platform::ReadFault;
    struct Case {
        std::string what, path;
        int64_t cap;
        ReadFault fault;
        QByteArray bytes;
    };
    std::vector<Case> cases = {
        {"file", path("one.txt"), 1, ReadFault::None, "x"},
        {"link to a file", path("link.txt"), 1, ReadFault::None, "x"},
        {"over the cap", path("one.txt"), 0, ReadFault::TooLarge, ""},
        {"missing", path("gone.txt"), 10, ReadFault::Missing, ""},
        {"dangling link", path("dangling.txt"), 10, ReadFault::Missing, ""},
        {"/dev/zero", "/dev/zero", 10, ReadFault::NotAFile, ""},
        // Its size says 0: the cap counts the bytes read.
        {"file whose size says nothing", "/proc/self/status", 10, ReadFault::TooLarge, ""},
    };
    for (const SpecialCase& c : SpecialCases()) {
        const std::string name = "special" + std::to_string(int(c.kind));
        ASSERT_TRUE(PlantSpecial(c.kind, QString::fromStdString(path(name))));
        cases.push_back({c.what, path(name), 10, ReadFault::NotAFile, ""});
    }
    for (const Case& c : cases) {
        QByteArray bytes = "left over";
        EXPECT_EQ(platform::ReadWholeFile(c.path, c.cap, bytes), c.fault) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }
    QByteArray start;
    EXPECT_EQ(platform::ReadFileStart("/proc/self/status", 4, start), ReadFault::None);
    EXPECT_EQ(start, "Name");
    EXPECT_EQ(
        platform::ReadFileStart(path("special" + std::to_string(int(Special::Fifo))), 4, start),
        ReadFault::NotAFile);
    EXPECT_EQ(platform::ReadFileStart("/dev/zero", 4, start), ReadFault::NotAFile);
}

TEST(JoinPath, OneSeparatorBetween) {
    const struct {
        const char *dir, *name, *joined;
    } cases[] = {
        {"/a", "b", "/a/b"}, {"/a/", "b", "/a/b"}, {"/a", "/b", "/a/b"}, {"/a/", "//b", "/a/b"},
        {"", "b", "b"},      {"/a", "", "/a/"},    {"/", "b", "/b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::JoinPath(c.dir, c.name), c.joined) << c.dir << " + " << c.name;
}

TEST_F(TempFolder, SameFileSeesThroughRelativePathsAndLinks) {
    touch("a.txt");
    touch("b.txt");
    ASSERT_TRUE(QFile::link(QString::fromStdString(path("a.txt")),
                            QString::fromStdString(path("link.txt"))));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    EXPECT_TRUE(platform::SameFile("a.txt", path("a.txt")));
    EXPECT_TRUE(platform::SameFile("./sub/../a.txt", path("a.txt")));
    EXPECT_TRUE(platform::SameFile(path("link.txt"), "a.txt"));
    EXPECT_FALSE(platform::SameFile("a.txt", "b.txt"));
    EXPECT_TRUE(platform::SameFile("new.txt", path("new.txt"))) << "files yet to be made";
    EXPECT_FALSE(platform::SameFile("new.txt", "a.txt"));
    QDir::setCurrent(previous);
}

// Bytes past the limit are refused as a full disk refuses them, without root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, signal_);
    }

private:
    rlimit saved_{};
    void (*signal_)(int) = nullptr;
};

QByteArray Read(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Under 16 KiB Qt buffers the whole write and commit() would rename a file
// whose flush failed: the disk's refusal must still keep the old file.
TEST_F(TempFolder, AWholeFileReplacesTheOldOneOnlyOnceEveryByteIsStored) {
    const std::string target = path("Golf.vx4");
    const std::string old(8550, 'o'), next(8550, 'n');
    ASSERT_TRUE(platform::WriteWholeFile(target, old));
    {
        const FileSizeLimit limit(4096);
        EXPECT_FALSE(platform::WriteWholeFile(target, next));
    }
    EXPECT_EQ(Read(target), QByteArray::fromStdString(old));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Golf.vx4"});
    ASSERT_TRUE(platform::WriteWholeFile(target, next));
    EXPECT_EQ(Read(target), QByteArray::fromStdString(next));
}

// A copy replaces the old file as a whole save does, in pieces: every byte
// of a source of many pieces, or, on any fault, the old file as it was and
// nothing else left in the folder. The fault says whose it is.
TEST_F(TempFolder, ACopyReplacesTheOldFileOnlyOnceEveryPieceIsStored) {
    std::string source(3 << 20, '\0');
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = char(i * 7 / 3);
    ASSERT_TRUE(platform::WriteWholeFile(path("source.txt"), source));
    ASSERT_TRUE(::mkfifo(path("fifo").c_str(), 0600) == 0);
    using platform::CopyFault;
    const struct {
        const char* what;
        std::string from;
        rlim_t sizeLimit; // 0: none
        CopyFault fault;
    } cases[] = {
        {"a disk that refuses the second piece", path("source.txt"), 1 << 20, CopyFault::Disk},
        {"a disk that refuses the last bytes", path("source.txt"), rlim_t(source.size() - 1),
         CopyFault::Disk},
        {"a missing source", path("gone.txt"), 0, CopyFault::Source},
        {"a source that is no file", path("fifo"), 0, CopyFault::Source},
        {"a copy", path("source.txt"), 0, CopyFault::None},
    };
    const QString target = QString::fromStdString(path("Golf.txt"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(platform::WriteWholeFile(target, "old"));
        {
            std::optional<FileSizeLimit> limit;
            if (c.sizeLimit)
                limit.emplace(c.sizeLimit);
            EXPECT_EQ(platform::CopyWholeFile(c.from, target), c.fault);
        }
        const QByteArray expected =
            c.fault == CopyFault::None ? QByteArray::fromStdString(source) : QByteArray("old");
        EXPECT_TRUE(Read(target.toStdString()) == expected);
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{"Golf.txt", "source.txt"}));
    }
    EXPECT_EQ(platform::CopyWholeFile(path("source.txt"), QString::fromStdString(path("no/x.txt"))),
              CopyFault::Target);
}

// A save over a name that holds no file would put a file in place of a
// device or a FIFO (through a link too): refused, and what is there stays.
TEST_F(TempFolder, AWholeFileNeverReplacesWhatIsNoFile) {
    const QString dir = dir_.path();
    // A device of this folder's own, so that nothing outside it is at stake.
    const bool device = ::geteuid() == 0 && ::mknod(QFile::encodeName(dir + "/zero").constData(),
                                                    S_IFCHR | 0600, makedev(1, 5)) == 0;
    ASSERT_TRUE(::mkfifo(QFile::encodeName(dir + "/fifo").constData(), 0600) == 0);
    ASSERT_TRUE(QDir(dir).mkdir("folder"));
    ASSERT_TRUE(QFile::link(dir + "/fifo", dir + "/to-fifo"));
    ASSERT_TRUE(platform::WriteWholeFile(path("source"), "bytes"));
    std::vector<std::string> names = {"fifo", "folder", "to-fifo"};
    if (device) {
        ASSERT_TRUE(QFile::link(dir + "/zero", dir + "/to-zero"));
        names.insert(names.end(), {"zero", "to-zero"});
    }
    for (const std::string& name : names) {
        struct stat before {
        }, after{};
        ASSERT_EQ(::stat(path(name).c_str(), &before), 0) << name;
        EXPECT_FALSE(platform::WriteWholeFile(path(name), "bytes")) << name;
        EXPECT_EQ(platform::CopyWholeFile(path("source"), QString::fromStdString(path(name))),
                  platform::CopyFault::Target)
            << name;
        ASSERT_EQ(::stat(path(name).c_str(), &after), 0) << name;
        EXPECT_EQ(after.st_mode, before.st_mode) << name;
        EXPECT_EQ(after.st_ino, before.st_ino) << name;
    }
}

// /dev/full takes a buffered write and refuses only its flush.
TEST(WriteAndFlush, AFlushTheDeviceRefusesIsAFailure) {
    const std::string bytes(8550, 'x');
    QFile full("/dev/full"), null("/dev/null");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    ASSERT_TRUE(null.open(QIODevice::WriteOnly));
    EXPECT_FALSE(platform::WriteAndFlush(full, bytes));
    EXPECT_TRUE(platform::WriteAndFlush(null, bytes));
}

// A work copy is written over whole, and a device or folder that does not
// take it is a failure though nothing syncs it.
TEST_F(TempFolder, AWorkCopyHoldsExactlyTheNewBytesOrFails) {
    const std::string copy = path("_mt1.tmp");
    ASSERT_TRUE(platform::WriteWorkCopy(copy, std::string(9000, 'o')));
    ASSERT_TRUE(platform::WriteWorkCopy(copy, "[Lambda]\r\n"));
    EXPECT_EQ(Read(copy), QByteArray("[Lambda]\r\n")) << "no old bytes left past the new end";
    const std::string bytes(8550, 'x');
    EXPECT_FALSE(platform::WriteWorkCopy("/dev/full", bytes));
    EXPECT_FALSE(platform::WriteWorkCopy(path("gone/_mt2.tmp"), bytes));
    EXPECT_TRUE(platform::WriteWorkCopy("/dev/null", bytes));
}

} // namespace
