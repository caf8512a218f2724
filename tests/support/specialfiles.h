#pragma once
// Names that hold no regular file: a device that never ends (as /dev/zero),
// a link to one, a FIFO nobody writes to, a folder. A reader that takes them
// for a file reads without end, runs out of memory or blocks for ever.
#include <QString>
#include <functional>
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

// What someone else can leave at a name a file is to be made at: a file, a
// link to nothing, a link to a file of theirs (victim), a folder, a FIFO.
// The program must take another name and leave each as it is.
struct PlantedHolder {
    const char* what;
    std::function<bool(const QString& name, const QString& victim)> plant;
};
const std::vector<PlantedHolder>& PlantedHolders();
