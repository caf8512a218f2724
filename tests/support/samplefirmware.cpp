#include "samplefirmware.h"

#include "core/edition.h"
#include "standins/serquarn/samples/samples.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

std::vector<uint8_t> Vector(const QByteArray& b) {
    return std::vector<uint8_t>(b.begin(), b.end());
}

std::string Key() {
    SetupEditionProfile(128);
    return GetFileScrambleKey();
}

} // namespace

std::string WriteTestFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(path);
    EXPECT_EQ(f.write(bytes), bytes.size());
    return path.toStdString();
}

std::vector<uint8_t> FirmwarePayload(int model, int codeBytes) {
    return Vector(serquarn::sampleFlashImage(uint8_t(model), codeBytes));
}

QByteArray EncryptedFirmwareBytes(const std::vector<uint8_t>& payload) {
    return serquarn::encryptedFirmwareFile(Bytes(payload));
}

QByteArray ScrambledFirmwareBytes(const std::vector<uint8_t>& payload) {
    return serquarn::scrambledFirmwareFile(Bytes(payload), Key());
}

TestFirmware MakeFirmwareFile(const QString& folder, const QString& name, bool encrypted,
                              int payloadModel, int codeBytes) {
    TestFirmware f;
    f.payload = FirmwarePayload(payloadModel, codeBytes);
    f.path = WriteTestFile(folder, name,
                           encrypted ? EncryptedFirmwareBytes(f.payload)
                                     : ScrambledFirmwareBytes(f.payload));
    return f;
}

TestFirmware MakeSampleFirmware(const QString& folder, int model) {
    for (const serquarn::SampleFirmware& s : serquarn::sampleFirmwareFiles())
        if (s.model == model) {
            QDir().mkpath(folder);
            const QString path = QDir(folder).filePath(s.fileName);
            EXPECT_TRUE(serquarn::writeSampleFirmware(path, s, Key()));
            return {path.toStdString(), Vector(serquarn::sampleFlashImage(s.model))};
        }
    ADD_FAILURE() << "no sample firmware for model " << model;
    return {};
}
