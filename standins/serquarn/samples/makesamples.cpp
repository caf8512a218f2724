// Build step: writes the sample firmware of both models into a folder.
#include "samples.h"

#include "core/edition.h"

#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    SetupEditionProfile(128);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    for (const serquarn::SampleFirmware& s : serquarn::sampleFirmwareFiles())
        if (!serquarn::writeSampleFirmware(QDir(folder).filePath(s.fileName), s,
                                           GetFileScrambleKey())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(s.fileName));
            return 1;
        }
    return 0;
}
