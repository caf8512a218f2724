#include "process.h"

#include "cp1252.h"

#include <QProcess>

namespace platform {

bool SplitCommandLine(const std::string& commandLine, std::string& program,
                      std::string& arguments) {
    size_t pos = commandLine.find_first_not_of(' ');
    if (pos == std::string::npos)
        return false;
    if (commandLine[pos] == '"') {
        const size_t close = commandLine.find('"', pos + 1);
        if (close == std::string::npos)
            return false;
        program = commandLine.substr(pos + 1, close - pos - 1);
        pos = close + 1;
    } else {
        const size_t end = commandLine.find(' ', pos);
        program = commandLine.substr(pos, end - pos);
        pos = end;
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
