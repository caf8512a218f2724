#include "inifile.h"

#include "platform/cp1252.h"
#include "platform/files.h"

#include <charconv>
#include <limits>

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsBlank(std::string_view s) {
    return Trim(s).empty();
}

std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

namespace {
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
} // namespace

size_t TIniFile::NameHash::operator()(std::string_view name) const {
    size_t h = 14695981039346656037ull;
    for (const char c : name)
        h = (h ^ uint8_t(Lower(c))) * 1099511628211ull;
    return h;
}

bool TIniFile::NameEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

int32_t TIniFile::ParseInteger(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return 0;
    }
    int64_t value = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (err != std::errc() || end != text.data() + text.size() ||
        value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(value);
}

void TIniFile::Parse(std::string_view text) {
    prelude_.clear();
    sections_.clear();
    index_.clear();
    modified_ = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = Trim(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            const std::string_view name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
            index_.try_emplace(std::string(name), sections_.size());
            sections_.push_back(Section{std::string(name), {}, {}});
            continue;
        }
        if (sections_.empty()) {
            prelude_.emplace_back(line);
            continue;
        }
        Section& s = sections_.back();
        const size_t eq = line.find('=');
        const std::string_view key = eq == std::string_view::npos ? "" : Trim(line.substr(0, eq));
        if (key.empty()) {
            s.lines.push_back(Line{{}, std::string(line)});
            continue;
        }
        s.index.try_emplace(std::string(key), s.lines.size());
        s.lines.push_back(Line{std::string(key), std::string(Trim(line.substr(eq + 1)))});
    }
}

std::string TIniFile::Text() const {
    std::string out;
    for (const std::string& line : prelude_)
        out.append(line).append("\r\n");
    for (const Section& s : sections_) {
        out.append("[").append(s.name).append("]\r\n");
        for (const Line& line : s.lines) {
            if (!line.key.empty())
                out.append(line.key).append("=");
            out.append(line.value).append("\r\n");
        }
    }
    return out;
}

bool TIniFile::Load(const std::string& path) {
    Parse({});
    QByteArray bytes;
    if (platform::ReadWholeFile(path, platform::kWholeFileCap, bytes) != platform::ReadFault::None)
        return false;
    Parse(std::string_view(bytes.constData(), size_t(bytes.size())));
    return true;
}

bool TIniFile::Save(const std::string& path) {
    const std::string text = Text();
    if (!platform::WriteWholeFile(path, text))
        return false;
    modified_ = false;
    return true;
}

const TIniFile::Section* TIniFile::Find(std::string_view section) const {
    const auto it = index_.find(Trim(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

bool TIniFile::HasSection(std::string_view section) const {
    return Find(section) != nullptr;
}

std::optional<std::string> TIniFile::ReadValue(std::string_view section,
                                               std::string_view key) const {
    const Section* s = Find(section);
    if (!s)
        return std::nullopt;
    const auto it = s->index.find(Trim(key));
    if (it == s->index.end())
        return std::nullopt;
    return s->lines[it->second].value;
}

TIniFile::Section& TIniFile::FindOrAppend(std::string_view section) {
    const auto [it, added] = index_.try_emplace(std::string(Trim(section)), sections_.size());
    if (added)
        sections_.push_back(Section{std::string(Trim(section)), {}, {}});
    return sections_[it->second];
}

// A new key goes after the last line of the section that is not blank; the
// blank lines behind it hold no key, so no index moves.
void TIniFile::AddLine(Section& s, Line line) {
    size_t at = s.lines.size();
    while (at > 0 && s.lines[at - 1].key.empty() && IsBlank(s.lines[at - 1].value))
        --at;
    s.index.emplace(line.key, at);
    s.lines.insert(s.lines.begin() + std::ptrdiff_t(at), std::move(line));
}

void TIniFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
    if (Trim(key).empty())
        return;
    modified_ = true;
    Section& s = FindOrAppend(section);
    const auto it = s.index.find(Trim(key));
    if (it != s.index.end())
        s.lines[it->second].value = OneLine(Trim(value));
    else
        AddLine(s, Line{std::string(Trim(key)), OneLine(Trim(value))});
}

std::vector<std::string> TIniFile::SectionNames() const {
    std::vector<std::string> names;
    for (const Section& s : sections_)
        names.push_back(s.name);
    return names;
}

std::vector<std::string> TIniFile::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Section* s = Find(section))
        for (const Line& line : s->lines)
            if (!line.key.empty())
                names.push_back(line.key);
    return names;
}
