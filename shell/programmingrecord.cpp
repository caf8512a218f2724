#include "programmingrecord.h"

#include "language.h"

#include "platform/cp1252.h"
#include "platform/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cctype>

namespace {

constexpr char kCopyName[] = "PrimaDellaProgrammazione";
constexpr char kRecordSuffix[] = ".programmazione";
constexpr int64_t kRecordCap = 4096;
constexpr int kSavedInFile = 475;
constexpr int kLoadItLater = 491;

QString u(const std::string& s) {
    return platform::toUnicode(s);
}

// A serial number as part of a file name: what a name cannot hold is dropped.
std::string NamePart(const std::string& serial) {
    std::string out;
    for (char c : serial)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-')
            out += c;
    return out.empty() ? "0" : out;
}

std::string RecordPath(const TProgrammingRecord& record) {
    return record.copyPath + kRecordSuffix;
}

std::optional<TProgrammingRecord> ReadRecord(const QString& path) {
    // A record is two short lines: anything longer, or no regular file, is
    // none of ours.
    QByteArray bytes;
    if (platform::ReadWholeFile(path, kRecordCap, bytes) != platform::ReadFault::None)
        return std::nullopt;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 2 || lines[1].isEmpty())
        return std::nullopt;
    const QString copy = QFileInfo(path).dir().filePath(u(lines[1].toStdString()));
    return TProgrammingRecord{lines[0].toStdString(), platform::fromUnicode(copy)};
}

} // namespace

std::string PreProgrammingCopyPath(const std::string& folder, const std::string& serial,
                                   const std::string& date, const std::string& extension) {
    const std::string base = std::string(kCopyName) + "_" + NamePart(serial) + "_" + date;
    std::string path = platform::JoinPath(folder, base + "." + extension);
    for (int n = 2; platform::FileExists(path) || platform::FileExists(path + kRecordSuffix); ++n)
        path = platform::JoinPath(folder, base + "_" + std::to_string(n) + "." + extension);
    return path;
}

std::string CopyNotice(const std::string& copyPath) {
    std::string saved, load;
    LoadLanguageString(kSavedInFile, saved);
    LoadLanguageString(kLoadItLater, load);
    return saved + "\n" + copyPath + "\n" + load;
}

bool WriteProgrammingRecord(const TProgrammingRecord& record) {
    QSaveFile file(u(RecordPath(record)));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray name =
        QByteArray::fromStdString(platform::fromUnicode(QFileInfo(u(record.copyPath)).fileName()));
    const QByteArray text = QByteArray::fromStdString(record.serial) + '\n' + name + '\n';
    return file.write(text) == text.size() && file.commit();
}

void RemoveProgrammingRecord(const TProgrammingRecord& record) {
    QFile::remove(u(RecordPath(record)));
}

std::optional<TProgrammingRecord> FindProgrammingRecord(const std::vector<std::string>& folders,
                                                        const std::string& unitSerial) {
    std::optional<TProgrammingRecord> found;
    QDateTime newest;
    for (const std::string& folder : folders) {
        const QFileInfoList records =
            QDir(u(folder)).entryInfoList({QString("*") + kRecordSuffix}, QDir::Files);
        for (const QFileInfo& info : records) {
            const auto record = ReadRecord(info.filePath());
            if (!record || (record->serial != unitSerial && !unitSerial.empty()) ||
                !platform::FileExists(record->copyPath))
                continue;
            if (!found || info.lastModified() > newest) {
                found = record;
                newest = info.lastModified();
            }
        }
    }
    return found;
}
