// Fuzz target of the scrambled container and the configuration reader: any
// bytes, taken as a container and as a plain text, must be refused or read
// without fault, and whatever is read must survive being written again.
#include "core/configfile.h"
#include "core/edition.h"
#include "core/inifile.h"
#include "core/scramble.h"

#include <cstdlib>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// Every value read from a text reads the same after the text is written out.
void CheckRoundTrip(const TIniFile& ini) {
    const TIniFile again(ini.Text());
    for (const std::string& section : ini.SectionNames())
        for (const std::string& key : ini.KeyNames(section))
            Require(again.ReadValue(section, key) == ini.ReadValue(section, key));
}

void ReadConfiguration(const std::vector<uint8_t>& plain) {
    TIniFile profile;
    const std::string_view text(reinterpret_cast<const char*>(plain.data()), plain.size());
    if (TConfigFile::LoadText(text, profile) != TConfigFile::Fault::None) {
        Require(profile.SectionNames().empty());
        return;
    }
    for (const TConfigKey& k : ConfigFileKeys())
        if (const auto value = profile.ReadValue(k.section, k.key))
            (void)TIniFile::ParseInteger(*value);
    profile.WriteValue("Generale", "VersioneFile", "1");
    CheckRoundTrip(profile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string key = [] {
        SetupEditionProfile(128);
        return std::string(GetFileScrambleKey());
    }();
    const TContainerLayout layout = InspectContainer(data, size);
    Require(layout.bodyOffset <= size);
    if (const auto body = DecodeContainer(data, size, key.c_str())) {
        Require(body->size() == size - layout.bodyOffset);
        ReadConfiguration(*body);
    } else {
        Require(layout.header == TContainerHeader::Truncated);
    }
    ReadConfiguration(std::vector<uint8_t>(data, data + size));
    CheckRoundTrip(TIniFile(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
