// Fuzz target of the scrambled container, the configuration reader and the
// recorded-trace reader: any bytes, taken as a container, as a plain text and
// as a trace, must be refused or read without fault, and whatever is read
// must survive being written again.
#include "core/configfile.h"
#include "core/edition.h"
#include "core/inifile.h"
#include "core/scramble.h"
#include "core/tracefile.h"

#include <QBuffer>

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

// A trace read whole has every column of every row; written out again by
// the recorder's writer it reads back with the same rows.
void ReadTrace(const uint8_t* data, size_t size) {
    TTrace trace;
    if (!ParseTrace(std::string_view(reinterpret_cast<const char*>(data), size), trace)) {
        Require(trace.Rows() == 0);
        return;
    }
    const size_t columns = size_t(trace.ValuesPerRow() - 2);
    Require(trace.giri.size() == trace.Rows());
    for (size_t c = 0; c < trace.values.size(); ++c)
        Require(trace.values[c].size() == (c < columns ? trace.Rows() : 0));
    if (trace.banks != 1 && trace.banks != 2)
        return;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TTraceWriter writer(out, trace.banks);
    Require(writer.WriteHeader("fuzz"));
    for (size_t r = 0; r < trace.Rows(); ++r) {
        TTraceRow row;
        row.giri = trace.giri[r];
        double* const floats[] = {&row.lambda, &row.inj,     &row.injBnz, &row.press,  nullptr,
                                  nullptr,     &row.lambda2, &row.inj2,   &row.injBnz2};
        for (size_t c = 0; c < columns; ++c)
            if (floats[c])
                *floats[c] = trace.values[c][r];
        Require(writer.WriteRow(row));
    }
    TTrace again;
    Require(ParseTrace(out.data().toStdString(), again));
    Require(again.Rows() == trace.Rows() && again.giri == trace.giri);
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
    ReadTrace(data, size);
    return 0;
}
