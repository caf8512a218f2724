#pragma once
// The one source of every user-interface text (languages/strings.txt): one
// slot a line, its texts quoted, one per language. Parsing checks everything a
// reader relies on, so a bad source fails the build instead of a window.
#include "languages/shape.h"
#include "platform/stringtable.h"

#include <QByteArray>
#include <array>
#include <map>
#include <string>

namespace languages {

using SlotTexts = std::array<std::string, kLanguageCount>; // code page 1252

class StringSource {
public:
    // False on the first fault; error() then names its line.
    bool parse(const QByteArray& utf8);
    const std::map<int, SlotTexts>& texts() const { return slots_; }
    const std::string& error() const { return error_; }

    // Every language, ids L x kStringsPerLanguage + n.
    platform::StringTable libraryTable() const;
    // The Italian texts alone, ids n: the program's own table.
    platform::StringTable programTable() const;

private:
    bool parseLine(const QByteArray& line, int lineNumber);
    bool fail(int lineNumber, const std::string& message);

    std::map<int, SlotTexts> slots_;
    std::string error_;
};

} // namespace languages
