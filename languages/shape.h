#pragma once
// Shape of the language tables: string n of language L is id L x the strings
// per language + n. Language 0 (Italian) is also the program's own table.

namespace languages {

constexpr int kLanguageCount = 2;
constexpr int kStringsPerLanguage = 500;
// Every reader loads a text into a 255-byte buffer with its terminating 0.
constexpr int kReaderBuffer = 255;
constexpr int kMaxTextBytes = kReaderBuffer - 1;

} // namespace languages
