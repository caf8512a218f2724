#include "specialfiles.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

const std::vector<SpecialCase>& SpecialCases() {
    static const std::vector<SpecialCase> cases = [] {
        std::vector<SpecialCase> all = {
            {"link to /dev/zero", Special::LinkToDevice},
            {"FIFO", Special::Fifo},
            {"folder", Special::Folder},
        };
        if (::geteuid() == 0)
            all.insert(all.begin(), {"device of endless zeros", Special::Device});
        return all;
    }();
    return cases;
}

bool PlantSpecial(Special kind, const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    switch (kind) {
    case Special::Device: // the same device as /dev/zero
        return ::mknod(p.constData(), S_IFCHR | 0600, makedev(1, 5)) == 0;
    case Special::LinkToDevice:
        return QFile::link("/dev/zero", path);
    case Special::Fifo:
        return ::mkfifo(p.constData(), 0600) == 0;
    case Special::Folder:
        return QDir().mkdir(path);
    }
    return false;
}

const std::vector<PlantedHolder>& PlantedHolders() {
    static const std::vector<PlantedHolder> holders = {
        {"plain file",
         [](const QString& name, const QString&) {
             QFile f(name);
             return f.open(QIODevice::WriteOnly) && f.write("not ours") == 8;
         }},
        {"dangling link",
         [](const QString& name, const QString& victim) {
             return QFile::link(victim + ".nowhere", name);
         }},
        {"link to a file",
         [](const QString& name, const QString& victim) { return QFile::link(victim, name); }},
        {"folder", [](const QString& name, const QString&) { return QDir().mkdir(name); }},
        {"FIFO",
         [](const QString& name, const QString&) {
             return ::mkfifo(QFile::encodeName(name).constData(), 0600) == 0;
         }},
    };
    return holders;
}
