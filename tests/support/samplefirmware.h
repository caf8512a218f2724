#pragma once
// Firmware files for tests, made as the build step makes the samples: the
// encrypted kind (.po4, first model) or the scrambled kind (.po8, second
// model), each holding the unit's firmware format.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

struct TestFirmware {
    std::string path;
    std::vector<uint8_t> payload; // what the unit is handed, without the length
};

// The sample of a model (30: .po4 encrypted, 31: .po8 scrambled) in folder.
TestFirmware MakeSampleFirmware(const QString& folder, int model);

// A file of either kind holding a firmware for payloadModel with codeBytes of code.
// The file's extension is the kind's (po4 encrypted, po8 scrambled).
TestFirmware MakeFirmwareFile(const QString& folder, const QString& name, bool encrypted,
                              int payloadModel, int codeBytes = 1024);

// The firmware payload itself: for a damaged one, flip a byte of it.
std::vector<uint8_t> FirmwarePayload(int model, int codeBytes);

// The container bytes of a payload.
QByteArray EncryptedFirmwareBytes(const std::vector<uint8_t>& payload);
QByteArray ScrambledFirmwareBytes(const std::vector<uint8_t>& payload);

// Writes bytes to folder/name; the path.
std::string WriteTestFile(const QString& folder, const QString& name, const QByteArray& bytes);
