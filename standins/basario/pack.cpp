// Build-time tool: merges plain configuration sources into one complete
// default configuration and scrambles it with the program's own code and key.
//   basario_pack <output> headed|bare <source.ini>...
// "headed" writes the header line "ENCRYPTED_MLTP_FILE" before the body.
#include "core/configfile.h"
#include "core/edition.h"
#include "core/scramble.h"
#include "platform/files.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

int Fail(const std::string& what) {
    std::fprintf(stderr, "basario_pack: %s\n", what.c_str());
    return 1;
}

// Every key of every source must be one the program knows: a misspelt key
// would silently leave the program's default in place.
std::string UnknownKey(const TIniFile& source) {
    std::set<std::pair<std::string, std::string>> known;
    for (const TConfigKey& k : ConfigFileKeys())
        known.insert({k.section, k.key});
    for (const std::string& section : source.SectionNames())
        for (const std::string& key : source.KeyNames(section))
            if (!known.count({section, key}))
                return "[" + section + "] " + key;
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return Fail("usage: basario_pack <output> headed|bare <source.ini>...");
    const std::string output = argv[1];
    const std::string form = argv[2];
    if (form != "headed" && form != "bare")
        return Fail("form must be headed or bare");

    std::vector<TIniFile> sources(size_t(argc - 3));
    for (int i = 3; i < argc; ++i) {
        TIniFile& s = sources[size_t(i - 3)];
        if (!s.Load(argv[i]))
            return Fail(std::string("cannot read ") + argv[i]);
        if (const std::string bad = UnknownKey(s); !bad.empty())
            return Fail(std::string(argv[i]) + ": unknown key " + bad);
    }
    // The keys in the order the program writes them, each from the last
    // source that has it.
    TIniFile merged;
    for (const TConfigKey& k : ConfigFileKeys()) {
        std::optional<std::string> value;
        for (const TIniFile& s : sources)
            if (auto v = s.ReadValue(k.section, k.key))
                value = v;
        if (!value)
            return Fail(output + ": no value for [" + k.section + "] " + k.key);
        merged.WriteValue(k.section, k.key, *value);
    }

    SetupEditionProfile(128);
    const char* key = GetFileScrambleKey();
    const std::string plain = output + ".ini";
    if (!merged.Save(plain))
        return Fail("cannot write " + plain);
    if (form == "headed")
        return ConvertScrambledFile(plain.c_str(), output.c_str(), false, key)
                   ? 0
                   : Fail("cannot write " + output);
    std::string body = merged.Text();
    ScrambleBytes(reinterpret_cast<uint8_t*>(body.data()), body.size(), key);
    if (!platform::WriteWholeFile(QString::fromStdString(output), body))
        return Fail("cannot write " + output);
    return 0;
}
