#include "valuewrites.h"

#include "language.h"

#include "core/iodata.h"
#include "core/serialecu.h"

#include <algorithm>

namespace {

constexpr char kKeptPrevious[] = "La centralina ha ancora i valori precedenti.";
constexpr char kCheckThem[] = "Ricollegare la centralina e controllare questi valori.";

// What the unit holds of one value after a failed set.
enum class THeld { Old, New, Either };

std::vector<int> MixedParts(const std::vector<TValueWrite>& writes,
                            const std::vector<THeld>& held) {
    std::vector<int> parts;
    for (size_t i = 0; i < writes.size(); ++i) {
        const int part = writes[i].part;
        if (std::find(parts.begin(), parts.end(), part) != parts.end())
            continue;
        bool old = false, fresh = false, either = false;
        for (size_t j = i; j < writes.size(); ++j) {
            if (writes[j].part != part)
                continue;
            old |= held[j] == THeld::Old;
            fresh |= held[j] == THeld::New;
            either |= held[j] == THeld::Either;
        }
        if (either || (old && fresh))
            parts.push_back(part);
    }
    return parts;
}

} // namespace

bool LinkOpen() {
    return StreamDati->EcuLink()->IsConnected() != 0;
}

TWriteResult WriteAllOrNone(const std::vector<TValueWrite>& writes,
                            const std::function<bool()>& linked) {
    // A write that failed once the link was gone may have reached the unit
    // or not: no answer tells. A link closed from the start reaches no unit.
    const bool wasLinked = linked();
    const auto lost = [&] { return wasLinked && !linked(); };
    std::vector<THeld> held(writes.size(), THeld::Old);
    size_t failed = 0;
    for (; failed < writes.size(); ++failed) {
        if (!writes[failed].set(writes[failed].after))
            break;
        held[failed] = THeld::New;
    }
    if (failed == writes.size())
        return {true, {}};
    bool gone = lost();
    if (gone)
        held[failed] = THeld::Either;
    for (size_t j = failed; j-- > 0 && !gone;) {
        if (writes[j].set(writes[j].before))
            held[j] = THeld::Old;
        else if ((gone = lost()))
            held[j] = THeld::Either;
    }
    return {false, MixedParts(writes, held)};
}

std::string WriteFailureText(const TWriteResult& result, const std::string& first,
                             const std::vector<std::string>& partTexts) {
    std::string text = first;
    if (result.mixed.empty()) {
        std::string checkLink = "Controllare il collegamento.";
        LoadLanguageString(40, checkLink);
        return text + "\n" + kKeptPrevious + "\n" + checkLink;
    }
    for (int part : result.mixed)
        text += "\n" + partTexts.at(size_t(part));
    return text + "\n" + kCheckThem;
}
