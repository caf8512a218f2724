#pragma once
// Names that hold no regular file: a device that never ends (as /dev/zero),
// a link to one, a FIFO nobody writes to, a folder. A reader that takes them
// for a file reads without end, runs out of memory or blocks for ever.
#include <QString>
#include <vector>

enum class Special { Device, LinkToDevice, Fifo, Folder };

struct SpecialCase {
    const char* what;
    Special kind;
};

// Every kind; the device only as root, who alone can make one.
const std::vector<SpecialCase>& SpecialCases();

// Puts the special at path; false when it cannot be made.
bool PlantSpecial(Special kind, const QString& path);
