// Writes the probe module's string table to the path given.
#include "platform/stringtable.h"
#include "probetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    platform::StringTable table;
    for (const auto& [id, text] : ProbeStrings())
        table.add(id, text);
    const QString path = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(table.serialize()) < 0)
        return 1;
    return 0;
}
