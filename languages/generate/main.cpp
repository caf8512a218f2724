// Build step: turns the text source into the string tables that the
// language library and the program carry as resources.
//   vexano_stringgen <strings.txt> <library table> <program table>
#include "stringsource.h"

#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

bool writeTable(const QString& path, const platform::StringTable& table) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray bytes = table.serialize();
    if (!platform::WriteWholeFile(path,
                                  std::string_view(bytes.constData(), size_t(bytes.size())))) {
        std::fprintf(stderr, "%s: cannot write\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <strings.txt> <library table> <program table>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }
    languages::StringSource source;
    if (!source.parse(in.readAll())) {
        std::fprintf(stderr, "%s: %s\n", argv[1], source.error().c_str());
        return 1;
    }
    const bool ok = writeTable(QString::fromLocal8Bit(argv[2]), source.libraryTable()) &&
                    writeTable(QString::fromLocal8Bit(argv[3]), source.programTable());
    return ok ? 0 : 1;
}
