#include "recoverycopy.h"

#include "core/ecuimage.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "core/transfer.h"
#include "platform/cp1252.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kCopyNames[] = {"PrimaDellaProgrammazione", "PrimaDellaScrittura"};
constexpr char kRecordSuffix[] = ".programmazione";
// The record's first line since serial numbers are kept as hexadecimal
// bytes; an earlier record is two lines, the serial number as it stood and
// the copy's name.
constexpr char kRecordHead[] = "VexanoCopia 2";
constexpr char kTimeFormat[] = "yyyy-MM-ddTHH:mm:ss";
constexpr int64_t kRecordCap = 4096;
constexpr int64_t kCopyCap = int64_t(1) << 20;
constexpr int kNamesTried = 100000;

using platform::u;

// A serial number as part of a file name: what a name cannot hold is dropped.
std::string NamePart(const std::string& serial) {
    std::string out;
    for (char c : serial)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-')
            out += c;
    return out.empty() ? "0" : out;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A file of the record's own folder with a configuration file's extension;
// a folder, a hidden name or anything that leaves the folder is none.
bool IsBareCopyName(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.size() > 255)
        return false;
    if (std::any_of(name.begin(), name.end(), [](char c) {
            return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
        }))
        return false;
    const std::string lower = Lower(name);
    for (int model : {GetModelCodeA(), GetModelCodeB()}) {
        const std::string ext = std::string(".") + GetModelConfigExt(model);
        if (lower.size() > ext.size() &&
            lower.compare(lower.size() - ext.size(), ext.size(), Lower(ext)) == 0)
            return true;
    }
    return false;
}

QByteArray RecordText(const TRecoveryCopy& copy) {
    const QByteArray name =
        QByteArray::fromStdString(platform::fromUnicode(QFileInfo(u(copy.copyPath)).fileName()));
    return QByteArray(kRecordHead) + '\n' + QByteArray::fromStdString(copy.serial).toHex() + '\n' +
           name + '\n' + copy.made.toString(kTimeFormat).toLatin1() + '\n';
}

// The serial number, the copy's name and when it was made, from either form.
std::optional<TRecoveryCopy> ParseRecord(const QByteArray& bytes, const QFileInfo& record) {
    QList<QByteArray> lines = bytes.split('\n');
    TRecoveryCopy copy;
    copy.made = record.lastModified();
    QByteArray name;
    if (!lines.isEmpty() && lines[0] == kRecordHead) {
        if (lines.size() < 4)
            return std::nullopt;
        const QByteArray hex = lines[1];
        const QByteArray serial = QByteArray::fromHex(hex);
        if (serial.toHex() != hex.toLower() || serial.size() > TEcuImage::kSerialLength)
            return std::nullopt;
        copy.serial = serial.toStdString();
        name = lines[2];
        const QDateTime made = QDateTime::fromString(QString::fromLatin1(lines[3]), kTimeFormat);
        if (!made.isValid())
            return std::nullopt;
        copy.made = made;
    } else {
        if (lines.size() < 2 || lines[0].size() > TEcuImage::kSerialLength)
            return std::nullopt;
        copy.serial = lines[0].toStdString();
        name = lines[1];
    }
    if (!IsBareCopyName(name.toStdString()))
        return std::nullopt;
    const std::string folder = platform::fromUnicode(record.path());
    copy.copyPath = platform::JoinPath(folder, name.toStdString());
    copy.recordPath = platform::fromUnicode(record.filePath());
    return copy;
}

std::optional<TRecoveryCopy> ReadRecord(const QFileInfo& info) {
    QByteArray bytes;
    const std::string path = platform::fromUnicode(info.filePath());
    if (platform::ReadOwnFile(path, kRecordCap, bytes) != platform::ReadFault::None)
        return std::nullopt;
    auto copy = ParseRecord(bytes, info);
    if (!copy || !platform::IsOwnFile(copy->copyPath))
        return std::nullopt;
    return copy;
}

std::vector<TRecoveryCopy> AllRecords(const std::vector<std::string>& folders) {
    std::vector<TRecoveryCopy> found;
    for (const std::string& folder : folders) {
        const QDir dir(u(folder));
        for (const QFileInfo& info :
             dir.entryInfoList({QString("*") + kRecordSuffix}, QDir::Files | QDir::System))
            if (auto copy = ReadRecord(info))
                found.push_back(std::move(*copy));
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const TRecoveryCopy& a, const TRecoveryCopy& b) { return a.made > b.made; });
    return found;
}

void Remove(const std::string& path) {
    QFile::remove(u(path));
}

// New names side by side, the copy's and its record's, each made empty and
// private so that nothing planted later can stand in for them; the next
// number while either is held by anything at all.
std::optional<TRecoveryCopy> ReserveNames(const std::string& folder, const std::string& base,
                                          const std::string& extension, bool withRecord,
                                          std::string& why) {
    for (int n = 1; n <= kNamesTried; ++n) {
        const std::string name = base + (n > 1 ? "_" + std::to_string(n) : "") + "." + extension;
        TRecoveryCopy copy;
        copy.copyPath = platform::JoinPath(folder, name);
        QFile copyFile, recordFile;
        const auto copyMade = platform::CreatePrivateFile(copy.copyPath, copyFile);
        if (copyMade == platform::NewFile::Taken)
            continue;
        if (copyMade == platform::NewFile::Failed)
            break;
        copyFile.close();
        if (!withRecord)
            return copy;
        copy.recordPath = copy.copyPath + kRecordSuffix;
        const auto recordMade = platform::CreatePrivateFile(copy.recordPath, recordFile);
        if (recordMade == platform::NewFile::Created)
            return copy;
        Remove(copy.copyPath);
        if (recordMade == platform::NewFile::Failed)
            break;
    }
    why = kTransferStoreError;
    return std::nullopt;
}

bool WriteCopy(const TRecoveryCopy& copy, const TEcuImage& image, std::string& why) {
    const std::string work = platform::GetTempFileName(platform::GetTempPath(), "_mt");
    if (work.empty()) {
        why = kTransferStoreError;
        return false;
    }
    QByteArray bytes;
    bool ok = StreamDati->SaveImageCopy(image, work, why);
    ok = ok && platform::ReadOwnFile(work, kCopyCap, bytes) == platform::ReadFault::None;
    Remove(work);
    ok = ok && platform::ReplaceWithNewFile(copy.copyPath, bytes.toStdString()) &&
         (copy.recordPath.empty() ||
          platform::ReplaceWithNewFile(copy.recordPath, RecordText(copy).toStdString()));
    if (!ok && why.empty())
        why = kTransferStoreError;
    return ok;
}

std::optional<TRecoveryCopy> Keep(const std::string& programFolder, const TEcuImage& image,
                                  TCopyReason reason, bool withRecord, std::string& why) {
    why.clear();
    const std::string folder = FuelFolder(programFolder, TStreamDati::FlagOf(image, 1));
    QDir().mkpath(u(folder));
    char ext[4] = {};
    const std::string extension =
        CopyModelConfigExt(ext, BrandMaskOfCode(-1), int8_t(image.EcuIdentity[1]));
    const std::string serial = TStreamDati::SerialNumberOf(image);
    const QDateTime made = QDateTime::currentDateTime();
    const std::string base = std::string(kCopyNames[int(reason)]) + "_" + NamePart(serial) + "_" +
                             made.date().toString(Qt::ISODate).toStdString();
    auto copy = ReserveNames(folder, base, extension, withRecord, why);
    if (!copy)
        return std::nullopt;
    copy->serial = serial;
    copy->made = made;
    if (WriteCopy(*copy, image, why))
        return copy;
    DiscardRecoveryCopy(*copy);
    return std::nullopt;
}

} // namespace

bool IsKnownSerial(const std::string& serial) {
    return !serial.empty() && serial != kNoSerialNumber;
}

std::optional<TRecoveryCopy> KeepRecoveryCopy(const std::string& programFolder,
                                              const TEcuImage& image, TCopyReason reason,
                                              std::string& why) {
    return Keep(programFolder, image, reason, true, why);
}

std::optional<std::string> KeepConfigurationCopy(const std::string& programFolder,
                                                 const TEcuImage& image, std::string& why) {
    const auto copy = Keep(programFolder, image, TCopyReason::Write, false, why);
    return copy ? std::optional<std::string>(copy->copyPath) : std::nullopt;
}

std::vector<TRecoveryCopy> FindRecoveryCopies(const std::vector<std::string>& folders,
                                              const std::optional<std::string>& unitSerial) {
    std::vector<TRecoveryCopy> found = AllRecords(folders);
    if (unitSerial && IsKnownSerial(*unitSerial))
        std::erase_if(found, [&](const TRecoveryCopy& c) { return c.serial != *unitSerial; });
    return found;
}

void RetireRecord(const TRecoveryCopy& copy) {
    Remove(copy.recordPath);
}

void DiscardRecoveryCopy(const TRecoveryCopy& copy) {
    if (!copy.recordPath.empty())
        Remove(copy.recordPath);
    Remove(copy.copyPath);
}

void RetireRecords(const std::vector<std::string>& folders, const std::string& serial) {
    for (const TRecoveryCopy& copy : AllRecords(folders))
        if (copy.serial == serial)
            RetireRecord(copy);
}

std::string CopyIntoWorkFile(const TRecoveryCopy& copy) {
    QByteArray bytes;
    if (platform::ReadOwnFile(copy.copyPath, kCopyCap, bytes) != platform::ReadFault::None)
        return {};
    const std::string work = platform::GetTempFileName(platform::GetTempPath(), "_mt");
    if (work.empty())
        return {};
    if (!platform::WriteWorkCopy(work, bytes.toStdString())) {
        Remove(work);
        return {};
    }
    return work;
}
