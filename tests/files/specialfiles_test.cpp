// Every reader of a whole file, handed a name that holds no regular file: a
// device of endless zeros, a link to one, a FIFO nobody writes, a folder.
// Each refuses it at once; none reads without end or waits on the FIFO.
#include "core/configfile.h"
#include "core/firmware.h"
#include "core/inifile.h"
#include "core/scramble.h"
#include "platform/files.h"

#include "filestest.h"

#include "tests/support/specialfiles.h"

#include <functional>

namespace {

const char* const kKey = "Tv*3307kPell!am";

class SpecialFiles : public FilesTest {};

TEST_F(SpecialFiles, EveryWholeFileReaderRefusesThem) {
    const struct {
        const char* reader;
        std::function<bool(const std::string&)> accepts;
    } readers[] = {
        {"encrypted firmware",
         [](const std::string& p) { return ReadEncryptedFirmwareFile(p).has_value(); }},
        {"scrambled firmware",
         [](const std::string& p) { return ReadScrambledFile(p.c_str(), kKey).has_value(); }},
        {"configuration",
         [](const std::string& p) {
             TConfigFile file;
             file.SetFileName(p);
             const bool opened = file.OpenIniFile(true, kKey);
             EXPECT_EQ(file.LastError(), opened ? "" : TConfigFile::kFileReadError);
             return opened;
         }},
        {"scrambled conversion",
         [this](const std::string& p) {
             return ConvertScrambledFile(p.c_str(), Path("out").c_str(), true, kKey);
         }},
        {"profile text", [](const std::string& p) { return TIniFile().Load(p); }},
        {"copy of a recording",
         [this](const std::string& p) {
             const auto fault = platform::CopyWholeFile(p, QString::fromStdString(Path("out")));
             EXPECT_NE(fault, platform::CopyFault::Target);
             return fault == platform::CopyFault::None;
         }},
    };
    for (const SpecialCase& c : SpecialCases()) {
        const std::string path = Path("special" + std::to_string(int(c.kind)));
        ASSERT_TRUE(PlantSpecial(c.kind, QString::fromStdString(path))) << c.what;
        for (const auto& r : readers)
            EXPECT_FALSE(r.accepts(path)) << r.reader << " took a " << c.what;
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("out"))));
    EXPECT_TRUE(WorkCopies().isEmpty());
}

} // namespace
