// Fuzz target of the two firmware readers: any bytes, read as a file, are
// refused or give a length-prefixed buffer that matches the file.
#include "core/edition.h"
#include "core/firmware.h"
#include "core/scramble.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

uint32_t LengthOf(const std::vector<uint8_t>& buffer) {
    Require(buffer.size() >= 4);
    return uint32_t(buffer[0]) | uint32_t(buffer[1]) << 8 | uint32_t(buffer[2]) << 16 |
           uint32_t(buffer[3]) << 24;
}

const std::string& ScratchFile() {
    static const std::string path =
        QDir::temp()
            .filePath(
                QString("vexano-fuzz-firmware-%1.bin").arg(QCoreApplication::applicationPid()))
            .toStdString();
    static const bool cleanUp = [] {
        return std::atexit([] { QFile::remove(QString::fromStdString(path)); }) == 0;
    }();
    (void)cleanUp;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string key = [] {
        SetupEditionProfile(128);
        return std::string(GetFileScrambleKey());
    }();
    QFile f(QString::fromStdString(ScratchFile()));
    Require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Require(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    f.close();

    const bool encrypted = IsEncryptedFirmware(data, size);
    if (const auto buffer = ReadEncryptedFirmwareFile(ScratchFile())) {
        Require(encrypted && size >= kEncryptedFirmwareHeaderSize);
        Require(LengthOf(*buffer) == size - kEncryptedFirmwareHeaderSize);
        Require(buffer->size() == 4 + LengthOf(*buffer));
    } else {
        Require(!encrypted || size < kEncryptedFirmwareHeaderSize);
    }
    if (const auto buffer = ReadScrambledFile(ScratchFile().c_str(), key.c_str())) {
        const TContainerLayout layout = InspectContainer(data, size);
        Require(LengthOf(*buffer) == size - layout.bodyOffset);
        Require(buffer->size() == 4 + LengthOf(*buffer));
    }
    return 0;
}
