#include "startuptrace.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <cstdlib>

void shell::TraceStartup(const char* event) {
    static const char* path = std::getenv("VEXANO_STARTUP_TRACE");
    static QSet<QByteArray> seen;
    if (!path || !*path || seen.contains(event))
        return;
    seen.insert(event);
    QFile f(QString::fromLocal8Bit(path));
    if (f.open(QIODevice::Append | QIODevice::WriteOnly))
        f.write(QByteArray(event) + ' ' + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) +
                '\n');
}
