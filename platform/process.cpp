#include "process.h"

#include "cp1252.h"

#include <QProcess>

namespace platform {

bool SplitCommandLine(const std::string& commandLine, std::string& program,
                      std::string& arguments) {
    size_t pos = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const size_t close = commandLine.find('"', 1);
        if (close == std::string::npos)
            return false;
        program = commandLine.substr(1, close - 1);
        pos = close + 1;
    } else {
        pos = commandLine.find(' ');
        program = commandLine.substr(0, pos);
    }
    while (pos < commandLine.size() && commandLine[pos] == ' ')
        ++pos;
    arguments = pos < commandLine.size() ? commandLine.substr(pos) : std::string();
    return !program.empty();
}

bool RunProcessAndWait(const std::string& commandLine, int* exitCode) {
    std::string program, arguments;
    if (!SplitCommandLine(commandLine, program, arguments))
        return false;
    QProcess process;
    process.setProgram(toUnicode(program));
    process.setArguments(QProcess::splitCommand(toUnicode(arguments)));
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
