// The copy that a write into the unit leaves when it does not end, and its
// record, as names that anyone who can write in the fuel folder could have
// planted: new names never go through what holds a name, a record names a
// file of its own folder or is none of ours, and nothing outside the folder
// is read, written or removed through one.
#include "shellfixture.h"

#include "recoverycopy.h"

#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "tests/support/specialfiles.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The default configuration with a serial number of its own, in a program
// folder of its own; a folder beside it stands for the rest of the disk.
class RecoveryCopies : public ShellTest {
protected:
    RecoveryCopies() {
        EXPECT_TRUE(BindBasarioLibrary());
        data->SetEcuIdentity(GetModelCodeA());
        EXPECT_TRUE(data->Transfer(kTransferFileToImage, "", 18, kGroupAll, false));
        setSerial("SER42");
        EXPECT_TRUE(QDir().mkpath(lpg("")));
        EXPECT_TRUE(Write(victim(), "theirs"));
    }
    ~RecoveryCopies() override { FreeBasarioLibrary(); }

    void setSerial(const std::string& serial) {
        TEcuImage image = data->Image();
        std::fill(std::begin(image.SerialNumber), std::end(image.SerialNumber), 0);
        for (size_t i = 0; i < serial.size(); ++i)
            image.SerialNumber[i] = static_cast<unsigned char>(serial[i]);
        data->RestoreImage(image);
    }
    std::string shop() const { return workshop.path().toStdString(); }
    QString lpg(const QString& name) const { return workshop.path() + "/ConfigLPG/" + name; }
    QString victim() const { return outside.path() + "/victim.vx4"; }
    std::vector<std::string> folders() const { return FuelFolders(shop()); }
    // The name a copy of today takes first.
    QString firstName() const {
        return "PrimaDellaScrittura_SER42_" + QDate::currentDate().toString(Qt::ISODate) + ".vx4";
    }
    std::optional<TRecoveryCopy> keep() {
        std::string why;
        auto copy = KeepRecoveryCopy(shop(), data->Image(), TCopyReason::Write, why);
        EXPECT_TRUE(copy) << why;
        return copy;
    }

    QTemporaryDir workshop;
    QTemporaryDir outside;
};

TEST_F(RecoveryCopies, TakeTheNextNameOverAnyPlantedHolderOfTheCopyOrTheRecord) {
    for (const char* suffix : {"", ".programmazione"}) {
        for (const PlantedHolder& h : PlantedHolders()) {
            SCOPED_TRACE(std::string(h.what) + " at the name" + suffix);
            const QString held = lpg(firstName() + suffix);
            ASSERT_TRUE(h.plant(held, victim()));
            struct stat before {};
            ASSERT_EQ(::lstat(QFile::encodeName(held).constData(), &before), 0);

            const auto copy = keep();
            ASSERT_TRUE(copy);
            EXPECT_EQ(copy->copyPath, lpg(firstName()).chopped(4).toStdString() + "_2.vx4");
            EXPECT_EQ(copy->recordPath, copy->copyPath + ".programmazione");
            for (const std::string& made : {copy->copyPath, copy->recordPath}) {
                struct stat st {};
                ASSERT_EQ(::lstat(made.c_str(), &st), 0);
                EXPECT_TRUE(S_ISREG(st.st_mode)) << made;
                EXPECT_EQ(st.st_mode & 0777, 0600u) << made;
                EXPECT_GT(st.st_size, 0) << made;
            }
            struct stat after {};
            ASSERT_EQ(::lstat(QFile::encodeName(held).constData(), &after), 0);
            EXPECT_EQ(after.st_mode, before.st_mode);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(Bytes(victim()), "theirs");
            EXPECT_FALSE(QFile::exists(victim() + ".nowhere"));
            EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                      QStringList{"victim.vx4"});

            // The copy reads back as the configuration it was made from.
            const auto found = FindRecoveryCopies(folders(), std::string("SER42"));
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].copyPath, copy->copyPath);
            const TEcuImage image = data->Image();
            const std::string work = CopyIntoWorkFile(found[0]);
            ASSERT_FALSE(work.empty());
            EXPECT_TRUE(data->Transfer(kTransferFileToImage, work, 0, kGroupAll, false, true));
            EXPECT_TRUE(platform::DeleteFile(work));
            EXPECT_EQ(data->Image().MappaK[3][2], image.MappaK[3][2]);
            EXPECT_EQ(data->GetSerialNumber(), "SER42");
            data->RestoreImage(image);

            ASSERT_TRUE(QDir(lpg("")).removeRecursively());
            ASSERT_TRUE(QDir().mkpath(lpg("")));
        }
    }
}

// Records planted to make the connect offer, load or remove a file that is
// not a copy in the record's own folder.
TEST_F(RecoveryCopies, ARecordNamesAFileOfItsOwnFolderOrIsNoneOfOurs) {
    ASSERT_TRUE(Write(victim(), "theirs"));
    // Theirs, naming a file that the folder holds.
    ASSERT_TRUE(Write(victim() + ".programmazione", "SER42\ngood.vx4\n"));
    ASSERT_TRUE(Write(lpg("good.vx4"), "a copy"));
    ASSERT_TRUE(QFile::link(victim(), lpg("linked.vx4")));
    const struct {
        const char* what;
        QByteArray record;
    } records[] = {
        {"an absolute path", "SER42\n" + QFile::encodeName(victim()) + "\n"},
        {"a path out of the folder", "SER42\n../../" +
                                         QFile::encodeName(QFileInfo(outside.path()).fileName()) +
                                         "/victim.vx4\n"},
        {"a name that links out of the folder", "SER42\nlinked.vx4\n"},
        {"a name that is no configuration file", "SER42\ngood.txt\n"},
        {"a hidden name", "SER42\n.vx4\n"},
        {"a name with a line end in it", "SER42\ngo\rod.vx4\n"},
        {"a serial number too long for any unit", "SER42SER42SER42SER42X\ngood.vx4\n"},
        {"a damaged newer form", "VexanoCopia 2\nzz\ngood.vx4\n2026-01-01T00:00:00\n"},
        {"a newer form without a date", "VexanoCopia 2\n5345523432\ngood.vx4\n\n"},
    };
    for (const auto& r : records) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(Write(lpg("x.vx4.programmazione"), r.record));
        EXPECT_TRUE(FindRecoveryCopies(folders(), std::nullopt).empty());
        RetireRecords(folders(), "SER42");
        EXPECT_TRUE(QFile::exists(lpg("x.vx4.programmazione")));
    }
    ASSERT_TRUE(QFile::remove(lpg("x.vx4.programmazione")));

    // Records that are no files of the folder: a link to one outside, a
    // device, a FIFO, a folder.
    ASSERT_TRUE(QFile::link(victim() + ".programmazione", lpg("out.vx4.programmazione")));
    for (const SpecialCase& c : SpecialCases())
        ASSERT_TRUE(
            PlantSpecial(c.kind, lpg(QString("special%1.vx4.programmazione").arg(int(c.kind)))))
            << c.what;
    EXPECT_TRUE(FindRecoveryCopies(folders(), std::nullopt).empty());
    RetireRecords(folders(), "SER42");
    EXPECT_EQ(Bytes(victim() + ".programmazione"), "SER42\ngood.vx4\n");
    EXPECT_EQ(Bytes(victim()), "theirs");

    // A record of the earlier form, two lines, still reads: the file it
    // names in its folder, its date the record's own.
    ASSERT_TRUE(Write(lpg("good.vx4.programmazione"), "SER42\ngood.vx4\n"));
    const auto found = FindRecoveryCopies(folders(), std::string("SER42"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].copyPath, lpg("good.vx4").toStdString());
    EXPECT_EQ(found[0].recordPath, lpg("good.vx4.programmazione").toStdString());
    EXPECT_EQ(found[0].made, QFileInfo(lpg("good.vx4.programmazione")).lastModified());
    // Retiring removes the record that was read, never the file it names.
    RetireRecord(found[0]);
    EXPECT_FALSE(QFile::exists(lpg("good.vx4.programmazione")));
    EXPECT_TRUE(QFile::exists(lpg("good.vx4")));
    EXPECT_EQ(Bytes(victim() + ".programmazione"), "SER42\ngood.vx4\n");
}

TEST_F(RecoveryCopies, ASerialNumberOfAnyBytesReadsBackExactly) {
    const std::string serial("AB\nCD\r\x7f\xff x", 10);
    setSerial(serial);
    ASSERT_TRUE(keep());
    for (const std::optional<std::string>& unit :
         {std::optional<std::string>(serial), std::optional<std::string>(std::nullopt),
          std::optional<std::string>(""), std::optional<std::string>(kNoSerialNumber)}) {
        const auto found = FindRecoveryCopies(folders(), unit);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].serial, serial);
    }
    EXPECT_TRUE(FindRecoveryCopies(folders(), std::string("AB")).empty());
}

// Every record that could be the unit's, newest first: those of its serial
// number, or all for a unit whose serial number is not known.
TEST_F(RecoveryCopies, NewestFirstAndRetiredBySerialNumber) {
    const auto older = keep();
    setSerial("OTHER99");
    const auto other = keep();
    setSerial("SER42");
    const auto newer = keep();
    ASSERT_TRUE(older && other && newer);
    // Made within a second: the dates in the records tell them apart.
    const auto made = [](const TRecoveryCopy& c, const QString& when) {
        EXPECT_TRUE(Write(QString::fromStdString(c.recordPath),
                          "VexanoCopia 2\n" + QByteArray::fromStdString(c.serial).toHex() + "\n" +
                              QFileInfo(QString::fromStdString(c.copyPath)).fileName().toUtf8() +
                              "\n" + when.toLatin1() + "\n"));
    };
    made(*older, "2026-12-01T08:00:00");
    made(*other, "2026-12-05T08:00:00");
    made(*newer, "2026-12-09T08:00:00");
    const auto paths = [](const std::vector<TRecoveryCopy>& copies) {
        std::vector<std::string> out;
        for (const auto& c : copies)
            out.push_back(c.copyPath);
        return out;
    };
    EXPECT_EQ(paths(FindRecoveryCopies(folders(), std::string("SER42"))),
              (std::vector<std::string>{newer->copyPath, older->copyPath}));
    EXPECT_EQ(paths(FindRecoveryCopies(folders(), std::nullopt)),
              (std::vector<std::string>{newer->copyPath, other->copyPath, older->copyPath}));
    RetireRecords(folders(), "SER42");
    EXPECT_EQ(paths(FindRecoveryCopies(folders(), std::nullopt)),
              std::vector<std::string>{other->copyPath});
    for (const auto* c : {&*older, &*other, &*newer})
        EXPECT_TRUE(platform::IsOwnFile(c->copyPath));
}

} // namespace
