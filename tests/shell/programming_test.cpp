// Firmware programming end to end, on the program's own start-up: a sample
// of each kind programs the unit and its configuration goes back into it;
// then the faults of the unit, the files and the user's answers.
#include "mainroadfixture.h"

#include "core/ecuimage.h"
#include "core/iodata.h"
#include "formmain.h"
#include "formscarica.h"
#include "recoverycopy.h"
#include "statuspanels.h"
#include "ui_FormMain.h"
#include "ui_FormScarica.h"

#include "tests/support/samplefirmware.h"
#include "tests/support/specialfiles.h"

#include <QDialog>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace {

constexpr char kRetry[] = "Riprovare ?";
constexpr char kNotBack[] = "Impossibile scaricare i dati di configurazione";

// The configuration the image holds, whatever its modified flag and the
// firmware version it last read say.
TEcuImage Configuration(TEcuImage image) {
    image.Modified = false;
    std::fill(std::begin(image.EcuIdentity) + 2, std::end(image.EcuIdentity), 0);
    return image;
}

size_t Position(const std::vector<std::string>& log, const std::string& prefix) {
    return size_t(std::find_if(log.begin(), log.end(),
                               [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }) -
                  log.begin());
}

class Programming : public ProgramTest {
protected:
    QString firmwareFolder() const { return workshop.path() + "/Firmware"; }

    // The firmware dialog answered: the open dialog gives `path`, the dialog
    // is confirmed with Programma.
    void chooseAndProgram(const std::string& path) {
        modals.expectFileDialog(path, "po");
        modals.expectModal(
            [this](QDialog& d) {
                auto& dialog = static_cast<TFormScarica&>(d);
                shownName = dialog.ui()->LabelN->text().toStdString();
                shownDate = dialog.ui()->LabelD->text().toStdString();
                dialog.ui()->ButtonRiprogr->click();
                return d.result();
            },
            "FormScarica");
    }
    void program() { FormMain->LabelClick(FormMain->ui()->LabelRiprogramma); }
    // Closing asks nothing more.
    bool closeQuietly() {
        StreamDati->SetModified(false);
        return true;
    }
    int calls(const std::string& prefix) const { return sim.countCalls(prefix); }
    // The copies made before programming.
    QStringList Copies() const {
        const QDir folder(workshop.path() + "/ConfigLPG");
        QStringList paths;
        for (const QString& name : folder.entryList({"PrimaDellaProgrammazione_*.vx4"}))
            paths << folder.filePath(name);
        return paths;
    }

    std::string shownName, shownDate;
};

class ProgramsASample : public Programming, public ::testing::WithParamInterface<int> {};

TEST_P(ProgramsASample, AndWritesTheConfigurationBackWithItsSerialNumber) {
    const int model = GetParam();
    sim.setModel(model);
    const TestFirmware firmware = MakeSampleFirmware(firmwareFolder(), model);
    UnitMemory before;
    std::string serial;
    runProgram({
        [&] { return connectedShown(); },
        [&] {
            before = ReadUnitMemory(sim);
            serial = sim.serialNumber();
            EXPECT_EQ(StreamDati->GetSerialNumber(), serial);
            sim.clearCallLog();
            chooseAndProgram(firmware.path);
            program();
            return true;
        },
        [&] { return connectedShown(); },
        [&] {
            const auto last = sim.lastProgram();
            EXPECT_TRUE(last && last->payload == firmware.payload);
            EXPECT_EQ(ReadUnitMemory(sim), before);
            EXPECT_EQ(sim.serialNumber(), serial);
            EXPECT_EQ(StreamDati->GetSerialNumber(), serial);
            EXPECT_EQ(FormMain->StatusPanels()->text(2), "Versione firmware: 2.8");
            const std::vector<std::string> log = sim.callLog();
            EXPECT_EQ(calls("BeginProgramming"), 1);
            EXPECT_EQ(calls("EndProgramming"), 1);
            EXPECT_LT(Position(log, "BeginProgramming"), Position(log, "ProgramImage"));
            EXPECT_LT(Position(log, "ProgramImage"), Position(log, "EndProgramming"));
            EXPECT_LT(Position(log, "EndProgramming"), log.size());
            return closeQuietly();
        },
    });
    // The dialog showed the file and its date; the open dialog started in
    // the workshop's firmware folder and offered the unit's kind only.
    EXPECT_EQ(shownName, QFileInfo(QString::fromStdString(firmware.path)).fileName().toStdString());
    EXPECT_EQ(std::count(shownDate.begin(), shownDate.end(), '/'), 2) << shownDate;
    ASSERT_FALSE(modals.interactions().empty());
    const auto& open = modals.interactions().front();
    ASSERT_TRUE(open.file.has_value());
    EXPECT_EQ(open.file->initialDir, workshop.path().toStdString() + "/Firmware");
    EXPECT_EQ(open.text, model == 30 ? "Files programmazione 3-4 cilindri|*.po4"
                                     : "Files programmazione 5-6-8 cilindri|*.po8");
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProgramsASample, ::testing::Values(30, 31),
                         [](const auto& info) { return std::to_string(info.param); });

// The faults: each shows its messages and leaves unit, image and files as
// its mend says.
// As before: nothing programmed. Configured: programmed and holding its
// configuration again. Erased: programmed, holding none. Rewritten:
// programmed and holding the image.
enum class Unit { AsBefore, Configured, Erased, Rewritten };

struct ProgramFault {
    const char* name;
    // Before the start: the unit and what the start-up shows.
    std::function<void(SimUnit&, ScriptedModals&)> arrange;
    // The file the open dialog gives.
    std::function<TestFirmware(const QString& folder)> file;
    // What the programming shows, after the firmware dialog; the unit's
    // faults armed just before it.
    std::function<void(ScriptedModals&, SimUnit&)> script;
    Unit unit;
    bool imageKept;       // the image's configuration as before
    bool connects = true; // the start-up connects to the unit
    // A change of the unit once connected, behind the image's back.
    std::function<void(SimUnit&)> changeUnit = [](SimUnit&) {};
    // Left marked never configured: until the configuration is back whole,
    // so the next connect does not trust the unit.
    bool neverConfigured = false;
    // The copy stays though nothing was programmed: the unit may be marked.
    bool copyUnprogrammed = false;
};

void Unchanged(SimUnit&) {}

void PrintTo(const ProgramFault& fault, std::ostream* os) {
    *os << fault.name;
}

class ProgramFaults : public Programming, public ::testing::WithParamInterface<ProgramFault> {};

TEST_P(ProgramFaults, ShowTheirMessagesAndLeaveUnitAndImageAsTheMendsSay) {
    const ProgramFault& fault = GetParam();
    fault.arrange(sim, modals);
    const TestFirmware firmware = fault.file(firmwareFolder());
    const QByteArray fileBytes = FileBytes(QString::fromStdString(firmware.path));
    UnitMemory before;
    TEcuImage image;
    runProgram({
        [&] { return startupDone() && (connectedShown() || !fault.connects); },
        [&] {
            fault.changeUnit(sim);
            before = ReadUnitMemory(sim);
            image = StreamDati->Image();
            sim.clearCallLog();
            const size_t shownBefore = modals.interactions().size();
            chooseAndProgram(firmware.path);
            fault.script(modals, sim);
            program();
            ProcessEvents();
            // The status bar follows the link: closed before programming,
            // open again once the unit is back.
            EXPECT_EQ(connectedShown(), sim.unitConnected());
            EXPECT_EQ(modals.pendingExpectations(), 0u);
            EXPECT_EQ(calls("BeginProgramming"), calls("EndProgramming"));
            EXPECT_LE(calls("EndProgramming"), 1);
            if (fault.imageKept) {
                EXPECT_EQ(Configuration(StreamDati->Image()), Configuration(image));
            }
            // Once programming began, the configuration the image held is
            // in a file, whether the unit answered or not, and every message
            // after that names it.
            const QStringList copies = Copies();
            if (calls("BeginProgramming")) {
                EXPECT_EQ(copies.size(), 1);
                const auto& shownAll = modals.interactions();
                for (size_t i = shownBefore; i < shownAll.size(); ++i) {
                    const auto& shown = shownAll[i];
                    if (!copies.isEmpty() && shown.kind == ScriptedModals::Kind::MessageBox &&
                        shown.text.find("ERR.CODE") != std::string::npos) {
                        EXPECT_NE(shown.text.find(copies[0].toStdString()), std::string::npos)
                            << shown.text;
                    }
                }
            } else {
                EXPECT_EQ(copies.size(), fault.copyUnprogrammed ? 1 : 0);
            }
            return closeQuietly();
        },
    });
    EXPECT_EQ(FileBytes(QString::fromStdString(firmware.path)), fileBytes);
    EXPECT_EQ(sim.stateFlags() & 1, fault.neverConfigured ? 1 : 0);
    switch (fault.unit) {
    case Unit::AsBefore:
        EXPECT_FALSE(sim.lastProgram());
        EXPECT_EQ(ReadUnitMemory(sim), before);
        break;
    case Unit::Configured:
        EXPECT_TRUE(sim.lastProgram());
        EXPECT_EQ(ReadUnitMemory(sim), before);
        break;
    case Unit::Erased:
        EXPECT_TRUE(sim.lastProgram());
        EXPECT_EQ(sim.peek(0x05), 0);
        break;
    case Unit::Rewritten:
        EXPECT_TRUE(sim.lastProgram());
        EXPECT_EQ(sim.peek(0x05), 30); // RifLambda of the default configuration
        break;
    }
}

void Nothing(SimUnit&, ScriptedModals&) {}

TestFirmware Sample30(const QString& folder) {
    return MakeSampleFirmware(folder, 30);
}

// A unit of which only the boot loader answers: the start-up cannot connect.
void BootLoaderOnly(SimUnit& s, ScriptedModals& m) {
    s.setBootLoaderOnly();
    m.expectMessageBox(platform::IDOK, "(ERR.CODE: C01)");
    m.expectMessageBox(platform::IDOK, "ATTENZIONE");
}

// A name that holds no file: a device, a link to one, a FIFO, a folder.
std::function<TestFirmware(const QString&)> SpecialFirmware(Special kind) {
    return [kind](const QString& folder) {
        EXPECT_TRUE(QDir().mkpath(folder));
        const QString path = folder + "/special.po4";
        EXPECT_TRUE(PlantSpecial(kind, path) || kind == Special::Device);
        return TestFirmware{path.toStdString(), {}};
    };
}

void CannotBeOpened(ScriptedModals& m, SimUnit&) {
    m.expectMessageBox(platform::IDOK, "(ERR.CODE: P03)");
}

constexpr char kNotPrepared[] = "Impossibile preparare la centralina alla programmazione: la "
                                "centralina non \xe8 stata programmata.";
constexpr char kUnread[] = "non \xe8 stata letta da questa centralina";

INSTANTIATE_TEST_SUITE_P(
    Unit, ProgramFaults,
    ::
        testing::Values(ProgramFault{"YesEachTime",
                                     [](SimUnit& s, ScriptedModals&) { s.setProgramStatus(-3); },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDYES,
                                                            "Aggiornamento software centralina");
                                         for (int n = 2; n <= 4; ++n)
                                             m.expectMessageBox(platform::IDYES,
                                                                "Tentativo " + std::to_string(n));
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: P09)");
                                     },
                                     Unit::AsBefore, true, true, Unchanged, true},
                        ProgramFault{"NoAtOnce",
                                     [](SimUnit& s, ScriptedModals&) { s.setProgramStatus(1, 1); },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDNO, "tensione di batteria");
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: P05)");
                                     },
                                     Unit::AsBefore, true, true, Unchanged, true},
                        ProgramFault{"LinkLostHalfWay",
                                     [](SimUnit& s, ScriptedModals&) { s.setProgramLinkLost(); },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDNO, "(ERR.CODE: P07)");
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: P07)");
                                     },
                                     Unit::AsBefore, true, true, Unchanged, true},
                        ProgramFault{"DamagedPayload", Nothing,
                                     [](const QString& folder) {
                                         auto payload = FirmwarePayload(30, 512);
                                         payload[200] ^= 1;
                                         return TestFirmware{
                                             WriteTestFile(folder, "damaged.po4",
                                                           EncryptedFirmwareBytes(payload)),
                                             payload};
                                     },
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDYES, "(ERR.CODE: P09)");
                                         m.expectMessageBox(platform::IDNO, "(ERR.CODE: P09)");
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: P09)");
                                     },
                                     Unit::AsBefore, true, true, Unchanged, true},
                        ProgramFault{
                            "VanishedFile", Nothing,
                            [](const QString& folder) {
                                return TestFirmware{(folder + "/gone.po4").toStdString(), {}};
                            },
                            [](ScriptedModals& m, SimUnit&) {
                                m.expectMessageBox(platform::IDOK, "(ERR.CODE: P03)");
                            },
                            Unit::AsBefore, true},
                        ProgramFault{"ContainerUnderItsHeader", Nothing,
                                     [](const QString& folder) {
                                         return TestFirmware{
                                             WriteTestFile(folder, "short.po4",
                                                           EncryptedFirmwareBytes({}).left(100)),
                                             {}};
                                     },
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: P04)");
                                     },
                                     Unit::AsBefore, true},
                        ProgramFault{
                            "DamagedMagic", Nothing,
                            [](const QString& folder) {
                                QByteArray bytes = EncryptedFirmwareBytes(FirmwarePayload(30, 64));
                                bytes[20] = '9';
                                return TestFirmware{WriteTestFile(folder, "magic.po4", bytes), {}};
                            },
                            [](ScriptedModals& m, SimUnit&) {
                                m.expectMessageBox(platform::IDOK, "(ERR.CODE: P04)");
                            },
                            Unit::AsBefore, true},
                        ProgramFault{"UnitNotBack",
                                     [](SimUnit& s, ScriptedModals&) {
                                         s.setReconnectFailsAfterProgram(-1);
                                     },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDYES, "(ERR.CODE: C01)");
                                         m.expectMessageBox(platform::IDYES, kNotBack);
                                         m.expectMessageBox(platform::IDNO, kNotBack);
                                     },
                                     Unit::Erased, true, true, Unchanged, true},
                        ProgramFault{"IdentificationUnreadable", Nothing, Sample30,
                                     [](ScriptedModals& m, SimUnit& s) {
                                         s.failEcuId(2); // the one after programming
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: C02)");
                                     },
                                     Unit::Erased, true, true, Unchanged, true},
                        ProgramFault{"UnitOfTheOtherModel",
                                     [](SimUnit& s, ScriptedModals&) { s.setModel(31); }, Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: C03)");
                                     },
                                     Unit::AsBefore, true},
                        ProgramFault{"WriteBackRefused",
                                     [](SimUnit& s, ScriptedModals&) { s.refuseWritesTo(0x05); },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDYES, kNotBack);
                                         m.expectMessageBox(platform::IDNO, kNotBack);
                                         m.expectMessageBox(platform::IDOK, "");
                                     },
                                     Unit::Erased, true, true, Unchanged, true},
                        // The unit's own serial number reaches the image before the link is
                        // closed, so it goes back into the unit though writes are refused then.
                        ProgramFault{"WritesRefusedWhileClosed",
                                     [](SimUnit& s, ScriptedModals&) { s.refuseOfflineWrites(); },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDNO, "Salvare i dati");
                                     },
                                     Unit::Configured, false, true,
                                     [](SimUnit& s) { s.poke(0x00, 3, 'Z'); }},
                        ProgramFault{
                            "RememberedFileOfTheOtherKind", Nothing, Sample30,
                            [](ScriptedModals&, SimUnit&) {
                                // Chosen while no unit was connected; the open dialog runs again.
                                FormScarica->OpenDialogFile.fileName =
                                    MakeSampleFirmware(QDir::currentPath() + "/Firmware", 31).path;
                            },
                            Unit::Configured, true},
                        ProgramFault{"ImageNotFromTheUnit", Nothing, Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDNO, "Salvare i dati");
                                     },
                                     Unit::Configured, false, true,
                                     [](SimUnit& s) {
                                         s.poke(0x05, 0, 77);
                                         s.poke(0x00, 0, 'X');
                                     }},
                        ProgramFault{"BootLoaderOnlyWrittenBack", BootLoaderOnly, Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDYES, kUnread);
                                     },
                                     // The write takes the unit's form of the pressure
                                     // coefficients.
                                     Unit::Rewritten, false, false},
                        ProgramFault{"BootLoaderOnlyLeftEmpty", BootLoaderOnly, Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDNO, kUnread);
                                         m.expectMessageBox(platform::IDOK,
                                                            "non contiene alcuna configurazione");
                                     },
                                     Unit::Erased, true, false, Unchanged, true},
                        // The mark before programming, in a save of its own: refused, the
                        // unit is as it was and the copy goes; sent but not confirmed, the
                        // copy stays for the next connect. Either way nothing is programmed.
                        ProgramFault{"MarkRefused", Nothing, Sample30,
                                     [](ScriptedModals& m, SimUnit& s) {
                                         s.refuseWritesTo(0x01);
                                         m.expectMessageBox(platform::IDOK,
                                                            std::string(kNotPrepared) +
                                                                "\nControllare il collegamento.");
                                     },
                                     Unit::AsBefore, true},
                        ProgramFault{"MarkNotConfirmed", Nothing, Sample30,
                                     [](ScriptedModals& m, SimUnit& s) {
                                         s.refuseCommand(18);
                                         m.expectMessageBox(
                                             platform::IDOK,
                                             std::string(kNotPrepared) +
                                                 "\nLa configurazione della centralina \xe8 "
                                                 "salvata nel file:\n");
                                     },
                                     Unit::AsBefore, true, true, Unchanged, true, true},
                        // A unit slow to answer just before programming: the image, read from
                        // it at the connect, is its configuration, and goes into the copy all
                        // the same.
                        ProgramFault{"SlowToAnswerBeforeProgramming", Nothing, Sample30,
                                     [](ScriptedModals& m, SimUnit& s) {
                                         s.dropAfter(0);
                                         int32_t v = 0;
                                         StreamDati->EcuLink()->ReadParam(2, &v);
                                         s.setReconnectDelay(2000);
                                         // While the unit, erased, is asked about, the record
                                         // carries the serial number the image holds.
                                         m.expectMessageBox(
                                             platform::IDYES, kUnread, [serial = s.serialNumber()] {
                                                 const auto copies = FindRecoveryCopies(
                                                     FuelFolders(FormMain->ProgramFolder),
                                                     std::nullopt);
                                                 ASSERT_EQ(copies.size(), 1u);
                                                 EXPECT_EQ(copies[0].serial, serial);
                                                 EXPECT_FALSE(serial.empty());
                                             });
                                     },
                                     Unit::Configured, true},
                        // A fuel folder that cannot be made: no copy, so nothing is programmed.
                        ProgramFault{"CopyNotSaved",
                                     [](SimUnit&, ScriptedModals&) {
                                         QFile f(QDir::currentPath() + "/ConfigLPG");
                                         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                                     },
                                     Sample30,
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(
                                             platform::IDOK,
                                             "Impossibile salvare la configurazione prima della "
                                             "programmazione: la centralina non \xe8 stata "
                                             "programmata.\nImpossibile salvare i dati nel file");
                                     },
                                     Unit::AsBefore, true},
                        ProgramFault{"ContainerOver16MiB", Nothing,
                                     [](const QString& folder) {
                                         return TestFirmware{
                                             WriteTestFile(folder, "huge.po4",
                                                           QByteArray((16 << 20) + 1, 'x')),
                                             {}};
                                     },
                                     [](ScriptedModals& m, SimUnit&) {
                                         m.expectMessageBox(platform::IDOK, "(ERR.CODE: P04)");
                                     },
                                     Unit::AsBefore, true},
                        // Refused before they are opened: neither read without end nor waited on.
                        ProgramFault{"DeviceOfZeros", Nothing, SpecialFirmware(Special::Device),
                                     CannotBeOpened, Unit::AsBefore, true},
                        ProgramFault{"LinkToADevice", Nothing,
                                     SpecialFirmware(Special::LinkToDevice), CannotBeOpened,
                                     Unit::AsBefore, true},
                        ProgramFault{"Fifo", Nothing, SpecialFirmware(Special::Fifo),
                                     CannotBeOpened, Unit::AsBefore, true},
                        ProgramFault{"Folder", Nothing, SpecialFirmware(Special::Folder),
                                     CannotBeOpened, Unit::AsBefore, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The program killed while it programs, in a child process of this test:
// the next start offers the copy made before programming. Yes puts the
// configuration back whole; No sets the unit up afresh, the copy kept.
// Records found beside the one the kill left: another unit's, newer; an
// older one of the same unit, in the records' earlier form.
enum class Planted { None, OtherUnitNewer, SameUnitOlder };

struct KillCase {
    const char* name;
    // The child's unit from its start: it holds the programming where it
    // asks the user, and is killed there.
    std::function<void(SimUnit&)> arrange;
    const char* heldAt;
    // To the offer of the copy the kill left.
    int answer;
    Planted planted = Planted::None;
    // The serial number cannot be read at the next connect.
    bool serialUnreadable = false;
};

void PrintTo(const KillCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr char kChildCase[] = "VEXANO_KILLED_CASE";
constexpr char kChildReady[] = "VEXANO_KILLED_READY";
constexpr char kSerialOfTheUnit[] = "KILL0042";
constexpr char kOffered[] = "Una scrittura in centralina non \xe8 terminata";
constexpr char kSetUpAsNew[] = "configurata come nuova";

const KillCase kKillCases[] = {
    {"WhileTheUnitIsAwaitedYes", [](SimUnit& s) { s.setReconnectFailsAfterProgram(-1); },
     "(ERR.CODE: C01)", platform::IDYES},
    {"WhileTheUnitIsAwaitedNo", [](SimUnit& s) { s.setReconnectFailsAfterProgram(-1); },
     "(ERR.CODE: C01)", platform::IDNO},
    {"WhileWritingBackYes", [](SimUnit& s) { s.refuseWritesTo(0x05); }, kNotBack, platform::IDYES},
    {"WhileWritingBackNo", [](SimUnit& s) { s.refuseWritesTo(0x05); }, kNotBack, platform::IDNO},
    {"BesideAnotherUnitsNewerRecord", [](SimUnit& s) { s.setReconnectFailsAfterProgram(-1); },
     "(ERR.CODE: C01)", platform::IDYES, Planted::OtherUnitNewer},
    {"BesideAnOlderRecordOfTheUnit", [](SimUnit& s) { s.refuseWritesTo(0x05); }, kNotBack,
     platform::IDYES, Planted::SameUnitOlder},
    {"SerialNumberUnreadableAtTheConnect", [](SimUnit& s) { s.refuseWritesTo(0x05); }, kNotBack,
     platform::IDYES, Planted::None, true},
};

// Puts a record and its copy beside the kill's: the copy the same
// configuration, the record the given form.
void PlantRecord(const QDir& fuel, const QString& copy, const QString& name,
                 const QByteArray& record, const QDateTime& made) {
    ASSERT_TRUE(QFile::copy(fuel.filePath(copy), fuel.filePath(name)));
    QFile f(fuel.filePath(name + ".programmazione"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(record), record.size());
    ASSERT_TRUE(f.flush());
    ASSERT_TRUE(f.setFileTime(made, QFileDevice::FileModificationTime));
}

class KilledWhileProgramming : public Programming,
                               public ::testing::WithParamInterface<KillCase> {};

// Run only as the child of the test below. The unit has values of its own,
// which only the copy made before programming holds.
TEST_F(Programming, DISABLED_ProgramsUntilKilled) {
    // By name: the parameter gtest hands the parent is a copy of the row.
    const QString name = qEnvironmentVariable(kChildCase);
    const auto c = std::find_if(std::begin(kKillCases), std::end(kKillCases),
                                [&](const KillCase& k) { return name == k.name; });
    ASSERT_NE(c, std::end(kKillCases)) << name.toStdString();
    const QString ready = qEnvironmentVariable(kChildReady);
    sim.poke(0x05, 0, 44);
    for (int i = 0; i < 20; ++i)
        sim.poke(0x00, i, i < int(sizeof kSerialOfTheUnit) - 1 ? kSerialOfTheUnit[i] : 0);
    const TestFirmware firmware = MakeSampleFirmware(firmwareFolder(), 30);
    runProgram({[&] { return connectedShown(); },
                [&] {
                    c->arrange(sim);
                    chooseAndProgram(firmware.path);
                    modals.expectMessageBox(platform::IDNO, c->heldAt, [&] {
                        QSaveFile f(ready);
                        const QByteArray paths = QByteArray::fromStdString(sim.memoryPath()) +
                                                 '\n' + workshop.path().toLocal8Bit() + '\n';
                        if (f.open(QIODevice::WriteOnly) && f.write(paths) == paths.size())
                            f.commit();
                        for (;;)
                            std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    });
                    program();
                    return true;
                }});
}

TEST_P(KilledWhileProgramming, TheNextConnectOffersTheCopyMadeBeforeProgramming) {
    const KillCase& c = GetParam();
    QTemporaryDir childDir;
    const QString ready = childDir.filePath("ready");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildCase, c.name);
    env.insert(kChildReady, ready);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=Programming.DISABLED_ProgramsUntilKilled",
                 "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted());
    for (int waited = 0;
         !QFile::exists(ready) && child.state() != QProcess::NotRunning && waited < 60000;
         waited += 20)
        child.waitForFinished(20);
    ASSERT_TRUE(QFile::exists(ready)) << child.exitCode() << "\n"
                                      << child.readAllStandardOutput().toStdString()
                                      << child.readAllStandardError().toStdString();
    child.kill();
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // The child's unit and workshop, as the kill left them, become this run's.
    QFile readyFile(ready);
    ASSERT_TRUE(readyFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> paths = readyFile.readAll().split('\n');
    ASSERT_GE(paths.size(), 2);
    const QString childMemory = QString::fromLocal8Bit(paths[0]);
    const QDir childFuel(QString::fromLocal8Bit(paths[1]) + "/ConfigLPG");
    QFile::remove(QString::fromStdString(sim.memoryPath()));
    ASSERT_TRUE(QFile::copy(childMemory, QString::fromStdString(sim.memoryPath())));
    sim.reload();
    ASSERT_TRUE(QDir().mkpath(workshop.path() + "/ConfigLPG"));
    for (const QString& name : childFuel.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(childFuel.filePath(name), workshop.path() + "/ConfigLPG/" + name));
    QDir(QFileInfo(childMemory).path()).removeRecursively();
    QDir(QString::fromLocal8Bit(paths[1])).removeRecursively();
    EXPECT_EQ(sim.peek(0x05), 0); // the programming erased the unit
    // Marked before programming, in a save of its own: the kill loses nothing of it.
    EXPECT_EQ(sim.stateFlags() & 1, 1);
    const QDir fuel(workshop.path() + "/ConfigLPG");
    ASSERT_EQ(fuel.entryList({"*.programmazione"}).size(), 1);
    const QStringList copies = fuel.entryList({"PrimaDellaProgrammazione_KILL0042_*.vx4"});
    ASSERT_EQ(copies.size(), 1);

    // A write-back cut short may have stored the serial number already.
    const bool serialKnown = !sim.serialNumber().empty() && !c.serialUnreadable;
    const QDateTime now = QDateTime::currentDateTime();
    if (c.planted == Planted::OtherUnitNewer) {
        PlantRecord(fuel, copies[0], "Altra.vx4",
                    "VexanoCopia 2\n" + QByteArray("OTHER99").toHex() + "\nAltra.vx4\n" +
                        now.addSecs(3600).toString(Qt::ISODate).toLatin1() + "\n",
                    now);
        // Newest first, each naming its unit; another car's copy is declined.
        modals.expectMessageBox(platform::IDNO, "Numero di serie: OTHER99");
    }
    if (c.planted == Planted::SameUnitOlder)
        PlantRecord(fuel, copies[0], "Vecchia.vx4", "KILL0042\nVecchia.vx4\n", now.addDays(-2));
    if (c.serialUnreadable)
        sim.refuseReadsOf(0x00);
    modals.expectMessageBox(c.answer, "Numero di serie: KILL0042");
    if (c.answer == platform::IDNO)
        modals.expectMessageBox(platform::IDOK, kSetUpAsNew);
    runProgram({[&] { return startupDone() && connectedShown(); }, [&] { return closeQuietly(); }});
    sim.refuseReadsOf(0x00, false);
    EXPECT_EQ(sim.stateFlags() & 1, 0);
    EXPECT_EQ(fuel.entryList({"PrimaDellaProgrammazione_KILL0042_*.vx4"}), copies);
    const auto& shown = modals.interactions();
    ASSERT_FALSE(shown.empty());
    // The offer names the copy, its serial number and date, and what No does.
    const auto offer = std::find_if(shown.begin(), shown.end(), [](const auto& i) {
        return i.text.find("Numero di serie: KILL0042") != std::string::npos;
    });
    ASSERT_NE(offer, shown.end());
    for (const std::string& part : {std::string(kOffered), fuel.filePath(copies[0]).toStdString(),
                                    std::string("\nData: "), std::string("\nNo: ")})
        EXPECT_NE(offer->text.find(part), std::string::npos) << part << " in " << offer->text;
    if (c.answer == platform::IDYES) {
        EXPECT_EQ(sim.peek(0x05), 44);
        EXPECT_EQ(sim.serialNumber(), kSerialOfTheUnit);
        // Every record of the unit is retired, another unit's stays.
        EXPECT_EQ(fuel.entryList({"*.programmazione"}),
                  c.planted == Planted::OtherUnitNewer ? QStringList{"Altra.vx4.programmazione"}
                                                       : QStringList{});
        // So the next connect asks nothing: the unit has its serial number again.
        runProgram(
            {[&] { return startupDone() && connectedShown(); }, [&] { return closeQuietly(); }});
        EXPECT_EQ(sim.peek(0x05), 44);
    } else {
        // The erased unit is not trusted: it is set up afresh, and the box
        // names the copy. Once set up it holds what the user chose, so the
        // record of its serial number goes; without a serial number the
        // record may be another unit's and stays.
        EXPECT_EQ(sim.peek(0x05), 30);
        EXPECT_NE(shown.back().text.find(copies[0].toStdString()), std::string::npos)
            << shown.back().text;
        EXPECT_EQ(fuel.entryList({"*.programmazione"}).size(), serialKnown ? 0 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Kill, KilledWhileProgramming, ::testing::ValuesIn(kKillCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// A connect beside a record that another unit's interrupted write left:
// whom it is offered to, and what No costs. A unit that cannot tell its
// serial number and holds a configuration is offered nothing; one that
// holds its configuration and is set up afresh after a No keeps it in a
// file first.
struct OfferCase {
    const char* name;
    const char* serial; // null: the serial number cannot be read
    bool marked;
    const char* recordSerial; // the record planted beside
    bool offered;
    bool keptFirst = false; // the unit's own configuration saved before the defaults
};

void PrintTo(const OfferCase& c, std::ostream* os) {
    *os << c.name;
}

class ConnectBesideARecord : public Programming, public ::testing::WithParamInterface<OfferCase> {
protected:
    void setSerial(const char* serial) {
        for (int i = 0; i < 20; ++i)
            sim.poke(0x00, i, i < int(std::strlen(serial)) ? serial[i] : 0);
    }
};

TEST_P(ConnectBesideARecord, OffersOnlyWhereNoDoesNotCostTheUnitsConfiguration) {
    const OfferCase& c = GetParam();
    const QDir fuel(workshop.path() + "/ConfigLPG");
    // A copy of a configuration with RifLambda 55, and its record.
    sim.poke(0x05, 0, 55);
    runProgram({[&] { return connectedShown(); },
                [&] {
                    std::string why;
                    const auto copy = KeepRecoveryCopy(FormMain->ProgramFolder, StreamDati->Image(),
                                                       TCopyReason::Write, why);
                    EXPECT_TRUE(copy) << why;
                    return closeQuietly();
                }});
    const QStringList records = fuel.entryList({"*.programmazione"});
    ASSERT_EQ(records.size(), 1);
    QFile record(fuel.filePath(records[0]));
    ASSERT_TRUE(record.open(QIODevice::ReadWrite));
    QList<QByteArray> lines = record.readAll().split('\n');
    lines[1] = QByteArray(c.recordSerial).toHex();
    record.resize(0);
    record.write(lines.join('\n'));
    record.close();

    // The unit: its own configuration (RifLambda 44), serial number and mark.
    sim.poke(0x05, 0, 44);
    setSerial(c.serial ? c.serial : "UNREAD1");
    if (!c.serial)
        sim.refuseReadsOf(0x00);
    sim.setNeverConfigured(c.marked);
    if (c.offered) {
        modals.expectMessageBox(platform::IDNO, std::string("Numero di serie: ") + c.recordSerial);
        modals.expectMessageBox(platform::IDOK, kSetUpAsNew);
    }
    runProgram({[&] { return startupDone() && connectedShown(); }, [&] { return closeQuietly(); }});
    sim.refuseReadsOf(0x00, false);
    EXPECT_EQ(sim.stateFlags() & 1, 0);
    // Not offered: read as it is. Declined: the default configuration.
    EXPECT_EQ(sim.peek(0x05), c.offered ? 30 : 44);
    EXPECT_EQ(fuel.entryList({"*.programmazione"}), records) << "another unit's record stays";
    const QStringList kept = fuel.entryList({"PrimaDellaScrittura_*.vx4"});
    EXPECT_EQ(kept.size(), c.keptFirst ? 2 : 1) << kept.join(", ").toStdString();
    if (c.keptFirst) {
        // The file named in the box holds what the unit had.
        const auto& told = modals.interactions().back().text;
        for (const QString& name : kept)
            EXPECT_NE(told.find(name.toStdString()), std::string::npos) << told;
        // It no longer answers to a copy: the next connect asks nothing.
        EXPECT_EQ(sim.serialNumber(), "SerialNumberNotInEcu");
        runProgram({[&] { return startupDone() && connectedShown(); },
                    [&] {
                        // The unit's own configuration is in the file without a record.
                        for (const QString& name : kept)
                            if (!records.contains(name + ".programmazione")) {
                                EXPECT_TRUE(StreamDati->Transfer(kTransferFileToImage,
                                                                 fuel.filePath(name).toStdString(),
                                                                 0, kGroupAll, false));
                                EXPECT_EQ(StreamDati->Image().RifLambda, 44);
                            }
                        return closeQuietly();
                    }});
        EXPECT_EQ(sim.peek(0x05), 30);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offers, ConnectBesideARecord,
    ::testing::Values(OfferCase{"UnreadableSerialNumber", nullptr, false, "OTHER99", false},
                      OfferCase{"NoSerialNumber", "SerialNumberNotInEcu", false, "OTHER99", false},
                      OfferCase{"AnotherSerialNumber", "MINE01", false, "OTHER99", false},
                      OfferCase{"ErasedSerialNumber", "", false, "OTHER99", true, true},
                      OfferCase{"ErasedAndMarked", "", true, "OTHER99", true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
