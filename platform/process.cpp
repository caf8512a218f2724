#include "process.h"

#include "cp1252.h"

#include <QFileInfo>
#include <QProcess>

namespace platform {

bool RunProcessAndWait(const std::string& program, const std::vector<std::string>& arguments,
                       int* exitCode) {
    if (program.empty())
        return false;
    QStringList args;
    for (const std::string& a : arguments)
        args << toUnicode(a);
    QProcess process;
    // A bare name would be looked up along PATH: run the file that was named.
    process.setProgram(QFileInfo(toUnicode(program)).absoluteFilePath());
    process.setArguments(args);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitCode();
    return true;
}

} // namespace platform
