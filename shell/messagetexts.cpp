#include "messagetexts.h"

#include "language.h"

#include "core/configfile.h"
#include "core/transfer.h"

#include <string_view>
#include <utility>

namespace {

constexpr std::pair<std::string_view, int> kEngineTexts[] = {
    {kTransferBeginSaveError, 4},
    {kTransferEndSaveError, 16},
    {kTransferWaitError, 22},
    {kTransferStoreError, 33},
    {kTransferUnitWriteError, 45},
    {kTransferUnitReadError, 61},
    {kTransferGeometryError, 72},
    {TConfigFile::kFileReadError, 73},
    {TConfigFile::kResourceReadError, 84},
};

} // namespace

std::string EngineText(const std::string& text) {
    const std::string_view t = text;
    for (const auto& [italian, n] : kEngineTexts)
        if (t.substr(0, italian.size()) == italian) {
            const std::string_view detail = t.substr(italian.size());
            // Without the language's text the engine's own still tells the cause.
            const std::string translated = LanguageText(n);
            return translated.empty() ? text : translated + std::string(detail);
        }
    return text;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines)
        if (!line.empty())
            text += (text.empty() ? "" : "\n") + line;
    return text;
}
