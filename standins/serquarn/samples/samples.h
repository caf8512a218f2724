#pragma once
// Sample firmware for the simulated unit, in the two container kinds the
// program reads: encrypted (.po4, the first model) and scrambled (.po8, the
// second model). Used by the build step and by the tests.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace serquarn {

// The firmware the build ships: version 2.8, 8 KiB of code.
inline constexpr uint8_t kSampleMinor = 8;
inline constexpr uint8_t kSampleMajor = 2;
inline constexpr int kSampleCodeBytes = 8 * 1024;

// A firmware payload for the model: codeBytes of a repeatable pattern.
QByteArray sampleFlashImage(uint8_t model, int codeBytes = kSampleCodeBytes,
                            uint8_t minor = kSampleMinor, uint8_t major = kSampleMajor);

// The container headed "ENCRYPTED_FILE_V_01.01" holding the payload.
QByteArray encryptedFirmwareFile(const QByteArray& payload);
// The payload scrambled with the configuration-file key, without a header.
QByteArray scrambledFirmwareFile(const QByteArray& payload, const std::string& key);

struct SampleFirmware {
    QString fileName;
    uint8_t model;
    bool encrypted;
};
// The samples of both models of the edition (model codes 30 and 31).
const std::vector<SampleFirmware>& sampleFirmwareFiles();

// Writes the file of a sample; false when it cannot be written.
bool writeSampleFirmware(const QString& path, const SampleFirmware& sample, const std::string& key);

} // namespace serquarn
