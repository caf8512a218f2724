#include "samples.h"

#include "../flashimage.h"

#include "core/firmware.h"
#include "core/scramble.h"
#include "platform/crypto.h"
#include "platform/files.h"

#include <QFile>

namespace serquarn {

namespace {

// Filler bytes of the container header; the set bits of the masks pick the
// pass phrase out of the candidates.
constexpr uint8_t kMasks[16] = {0x81, 0x00, 0x3c, 0x42, 0x18, 0xff, 0x00, 0x24,
                                0x5a, 0x01, 0x80, 0x66, 0x00, 0x99, 0x10, 0x08};

uint8_t candidate(int i) {
    return uint8_t(i * 37 + 11);
}

} // namespace

QByteArray sampleFlashImage(uint8_t model, int codeBytes, uint8_t minor, uint8_t major) {
    QByteArray code(codeBytes, '\0');
    uint32_t x = 0x2545f491u ^ model;
    for (int i = 0; i < codeBytes; ++i) {
        x = x * 1103515245u + 12345u;
        code[i] = char(x >> 16);
    }
    return makeFlashImage({model, minor, major}, code);
}

QByteArray encryptedFirmwareFile(const QByteArray& payload) {
    QByteArray file(kEncryptedFirmwareMagic, int(kEncryptedFirmwareMagicSize));
    uint8_t candidates[128];
    for (int i = 0; i < 128; ++i)
        candidates[i] = candidate(i);
    file.append(reinterpret_cast<const char*>(kMasks), sizeof kMasks);
    file.append(reinterpret_cast<const char*>(candidates), sizeof candidates);
    platform::Rc4 rc4 = platform::DeriveRc4KeyFromMd5(FirmwarePassPhrase(kMasks, candidates));
    QByteArray body = payload;
    rc4.process(reinterpret_cast<uint8_t*>(body.data()), size_t(body.size()));
    return file + body;
}

QByteArray scrambledFirmwareFile(const QByteArray& payload, const std::string& key) {
    QByteArray body = payload;
    ScrambleBytes(reinterpret_cast<uint8_t*>(body.data()), size_t(body.size()), key.c_str());
    return body;
}

const std::vector<SampleFirmware>& sampleFirmwareFiles() {
    static const std::vector<SampleFirmware> files = {
        {"Vexano-sim-30-v2.8.po4", 30, true},
        {"Vexano-sim-31-v2.8.po8", 31, false},
    };
    return files;
}

bool writeSampleFirmware(const QString& path, const SampleFirmware& sample,
                         const std::string& key) {
    const QByteArray payload = sampleFlashImage(sample.model);
    const QByteArray bytes =
        sample.encrypted ? encryptedFirmwareFile(payload) : scrambledFirmwareFile(payload, key);
    return platform::WriteWholeFile(path,
                                    std::string_view(bytes.constData(), size_t(bytes.size())));
}

} // namespace serquarn
