#pragma once
// The program's own reader and writer of sectioned key=value text, behaving
// as the Windows profile services do: section and key names match whatever
// their letter case, a key written again keeps its place, new sections and
// keys are appended in the order they are first written, lines outside any
// section are ignored. Values are kept as written (surrounding blanks
// trimmed on reading). Lines end in CR LF on writing; LF or CR LF on reading.
// Text is code page 1252 bytes throughout.
#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TIniFile {
public:
    TIniFile() = default;
    explicit TIniFile(std::string_view text) { Parse(text); }

    // Replaces the content with the given text.
    void Parse(std::string_view text);
    // The whole text as it would be written.
    std::string Text() const;

    // Reads a file (false when it cannot be read: the content is then empty).
    bool Load(const std::string& path);
    // Writes the text to path, replacing the file only when complete.
    bool Save(const std::string& path);

    bool HasSection(std::string_view section) const;
    // The value of the first matching key of the first matching section.
    std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
    // Writes a value; line breaks inside it become blanks, so the text stays
    // one key per line.
    void WriteValue(std::string_view section, std::string_view key, std::string_view value);

    // The section names in file order, as written in the text.
    std::vector<std::string> SectionNames() const;
    // The key names of the first matching section, in file order.
    std::vector<std::string> KeyNames(std::string_view section) const;
    // True once anything was written since the last Parse, Load or Save.
    bool Modified() const { return modified_; }

    // Decimal signed 32-bit text; anything else (blank, trailing letters,
    // out of range) reads 0.
    static int32_t ParseInteger(std::string_view text);

private:
    // Names compare without regard to ASCII letter case, looked up by view.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using NameIndex = std::unordered_map<std::string, size_t, NameHash, NameEqual>;

    struct Line {
        std::string key; // empty: a line kept as it is (comment, blank, no '=')
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
        NameIndex index; // key -> its first line
    };

    const Section* Find(std::string_view section) const;
    Section& FindOrAppend(std::string_view section);
    static void AddLine(Section& s, Line line);

    std::vector<std::string> prelude_; // lines before the first section
    std::vector<Section> sections_;
    NameIndex index_; // section -> the first of that name
    bool modified_ = false;
};
