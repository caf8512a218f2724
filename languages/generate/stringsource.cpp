#include "stringsource.h"

#include "platform/cp1252.h"

#include <QList>
#include <QString>

namespace languages {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the quoted text whose opening quote is at pos and leaves pos past its
// closing quote; a fault comes back through fault.
std::string readQuoted(const QByteArray& line, qsizetype& pos, std::string& fault) {
    QByteArray utf8;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            const QString text = QString::fromUtf8(utf8);
            std::string cp1252 = platform::fromUnicode(text);
            if (platform::toUnicode(cp1252) != text)
                fault = "text outside code page 1252";
            return cp1252;
        }
        if (c != '\\') {
            utf8.append(c);
            continue;
        }
        if (++pos == line.size())
            break;
        switch (line[pos]) {
        case 'n':
            utf8.append('\n');
            break;
        case '"':
        case '\\':
            utf8.append(line[pos]);
            break;
        default:
            fault = std::string("unknown escape \\") + line[pos];
            return {};
        }
    }
    fault = "text without its closing quote";
    return {};
}

} // namespace

bool StringSource::fail(int lineNumber, const std::string& message) {
    error_ = "line " + std::to_string(lineNumber) + ": " + message;
    slots_.clear();
    return false;
}

bool StringSource::parse(const QByteArray& utf8) {
    slots_.clear();
    error_.clear();
    const QList<QByteArray> lines = utf8.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (!parseLine(line, static_cast<int>(i + 1)))
            return false;
    }
    return true;
}

bool StringSource::parseLine(const QByteArray& line, int lineNumber) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#'))
        return true;

    qsizetype pos = 0;
    int slot = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && slot < 100000)
        slot = slot * 10 + (line[pos++] - '0');
    if (pos == 0)
        return fail(lineNumber, "a line must begin with its slot number");
    if (slot >= kStringsPerLanguage)
        return fail(lineNumber, "slot " + std::to_string(slot) + " beyond the table");
    if (slots_.count(slot))
        return fail(lineNumber, "slot " + std::to_string(slot) + " given twice");

    SlotTexts texts;
    for (std::string& text : texts) {
        const qsizetype start = pos;
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos == start || pos == line.size() || line[pos] != '"')
            return fail(lineNumber, "expected a blank and a quoted text for every language");
        std::string fault;
        text = readQuoted(line, pos, fault);
        if (!fault.empty())
            return fail(lineNumber, fault);
        if (text.empty())
            return fail(lineNumber, "empty text: leave an empty slot out");
        if (static_cast<int>(text.size()) > kMaxTextBytes)
            return fail(lineNumber, "text longer than " + std::to_string(kMaxTextBytes) +
                                        " bytes would be cut by every reader");
    }
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos != line.size())
        return fail(lineNumber, "unexpected text after the last language");
    slots_[slot] = std::move(texts);
    return true;
}

platform::StringTable StringSource::libraryTable() const {
    platform::StringTable table;
    for (const auto& [slot, texts] : slots_)
        for (int language = 0; language < kLanguageCount; ++language)
            table.add(static_cast<unsigned>(language * kStringsPerLanguage + slot),
                      texts[static_cast<size_t>(language)]);
    return table;
}

platform::StringTable StringSource::programTable() const {
    platform::StringTable table;
    for (const auto& [slot, texts] : slots_)
        table.add(static_cast<unsigned>(slot), texts[0]);
    return table;
}

} // namespace languages
