#include "language.h"

#include "languages/builtinstrings.h"
#include "languages/shape.h"
#include "platform/cp1252.h"

#include <charconv>
#include <limits>

platform::ModuleHandle LanguagesModule = nullptr;
std::int8_t MaxLanguages = 1;
std::int32_t MaxStrings = 1;
std::int32_t LanguageIndex = 0;
std::int32_t LanguageCharset = 0;
std::int32_t LanguageCodePage = 1252;

namespace {

// Calls a count export on a zeroed count; 0 when the export is missing.
template <typename Count> Count askCount(const char* exportName) {
    using CountExport = void (*)(Count*);
    Count count = 0;
    if (auto ask =
            reinterpret_cast<CountExport>(platform::GetProcAddress(LanguagesModule, exportName)))
        ask(&count);
    return count;
}

// A count below one (a missing export, or a library reporting none) would
// leave the language menus without even Italian: it counts as one.
template <typename Count> Count atLeastOne(Count count) {
    return count < 1 ? Count(1) : count;
}

} // namespace

std::string LanguageText(int n) {
    std::string text;
    LoadLanguageString(n, text);
    return text;
}

bool LoadLanguageString(int n, std::string& target) {
    const std::int64_t id = std::int64_t(LanguageIndex) * MaxStrings + n;
    if (id < 0 || id > std::numeric_limits<std::uint32_t>::max())
        return false;
    char buffer[languages::kReaderBuffer];
    const int length = platform::LoadString(LanguagesModule, static_cast<unsigned>(id), buffer,
                                            languages::kReaderBuffer);
    if (length == 0)
        return false;
    target.assign(buffer, static_cast<size_t>(length));
    return true;
}

bool LoadLanguageString(int n, QString& target) {
    std::string text;
    if (!LoadLanguageString(n, text))
        return false;
    target = platform::toUnicode(text);
    return true;
}

bool LoadLanguageNumber(int n, std::int32_t& target) {
    std::string text;
    if (!LoadLanguageString(n, text))
        return false;
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [last, fault] = std::from_chars(text.data(), end, value);
    if (fault != std::errc() || last != end)
        return false;
    target = value;
    return true;
}

void BindLanguageLibrary(const std::string& libraryName) {
    FreeLanguageLibrary();
    languages::RegisterBuiltinStrings();
    LanguagesModule = platform::LoadLibrary(libraryName);
    if (!LanguagesModule)
        return;
    // The language count is an unsigned byte, compared as signed.
    MaxLanguages = atLeastOne(static_cast<std::int8_t>(askCount<std::uint8_t>("_MaxLanguages")));
    MaxStrings = atLeastOne(askCount<std::int32_t>("_MaxStrings"));
}

void FreeLanguageLibrary() {
    platform::FreeLibrary(LanguagesModule);
    LanguagesModule = nullptr;
    MaxLanguages = 1;
    MaxStrings = 1;
}

TLanguageTexts::TLanguageTexts(std::initializer_list<int> numbers) {
    for (int n : numbers)
        texts_[n];
}

void TLanguageTexts::Load() {
    for (auto& [n, text] : texts_)
        LoadLanguageString(n, text);
}

std::string TLanguageTexts::Text(int n) const {
    auto it = texts_.find(n);
    return it == texts_.end() ? std::string() : it->second;
}
