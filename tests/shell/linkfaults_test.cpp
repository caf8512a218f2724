// Every main-road operation (connect, first set-up, save from the dialog and
// from the menu, load into the unit, reset) with the link dropped half-way
// and with a refusal at its first, a middle and its last exchange with the
// unit: what the user is told, what becomes of the configuration file, and
// whether the unit ends as before, as after, or marked never configured.
// Each operation first runs once without a fault; its call log tells which
// exchanges are the first, the middle and the last.
#include "mainroadfixture.h"

#include "formfile.h"
#include "formmain.h"
#include "formscarica.h"
#include "ui_FormFile.h"
#include "ui_FormMain.h"
#include "ui_FormScarica.h"

#include "tests/support/samplefirmware.h"

#include "platform/cp1252.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {

// One exchange with the unit in the call log. all: its place among every
// exchange (as SimUnit::failCall counts them, from 1); open: how many
// exchanges on an open link went before it (as SimUnit::dropAfter counts).
struct Exchange {
    int all;
    int open;
    std::string call;
};

// The exchanges made while the link was open: the operation's own, or with
// after those that follow the first call so named. The programming itself
// counts among the exchanges that fail.
std::vector<Exchange> OpenLinkExchanges(const std::vector<std::string>& log, bool open,
                                        const char* after = nullptr) {
    std::vector<Exchange> found;
    int all = 0, onOpen = 0;
    bool counted = !after;
    for (const std::string& entry : log) {
        const std::string name = SimUnit::CallName(entry);
        if (after && name == after)
            counted = true;
        if (name == "ProgramImage")
            ++all;
        else if (entry == "Connect()=1" || entry == "Reconnect()=1")
            open = true;
        else if (name == "Disconnect" || name == "Close")
            open = false;
        else if (SimUnit::IsExchange(entry)) {
            ++all;
            if (open && counted)
                found.push_back({all, onOpen, entry});
            onOpen += open;
        }
    }
    return found;
}

// Drop: the link lost half-way, back at once; LostForGood: lost half-way
// and not back; EndRefused: the first end of a save refused.
enum class Fault { None, Drop, First, Middle, Last, LostForGood, EndRefused };
// FileHeld: the unit and the image hold the loaded file's values, the unit
// unmarked, though it did not confirm it keeps them.
enum class Ends { Before, After, NeverConfigured, FileHeld };

const char* FaultName(Fault f) {
    static const char* names[] = {"none", "drop",          "first",      "middle",
                                  "last", "lost for good", "end refused"};
    return names[int(f)];
}

// What the user is shown, in order, and how it is answered.
struct Say {
    ScriptedModals::Kind kind;
    std::string match;
    int answer = platform::IDOK;
    std::optional<std::string> text = std::nullopt; // input answer, file name
};
Say Box(std::string match) {
    return {ScriptedModals::Kind::MessageBox, std::move(match)};
}
Say Ask(std::string match, int answer) {
    return {ScriptedModals::Kind::MessageBox, std::move(match), answer};
}
Say Input(std::string match, std::string answer) {
    return {ScriptedModals::Kind::Input, std::move(match), 0, std::move(answer)};
}

struct Expect {
    std::vector<Say> told;
    Ends ends;
    bool fileChanged = false;
    // A copy of the configuration made before programming stays; its record
    // too while the configuration is not back in the unit.
    bool copyKept = false;
};

class FaultRuns;
using Tell = std::function<void()>;

struct Operation {
    const char* name;
    bool neverConfigured = false;
    // Both null: the operation is the connect at start-up. run queues the
    // dialogs it opens, then calls tell for what the row expects, then runs.
    std::function<void(FaultRuns&)> prepare = nullptr;
    std::function<void(FaultRuns&, const Tell&)> run = nullptr;
    // What the operation asks before anything else, whatever the fault.
    std::vector<Say> asks = {};
    // The faults fall among the exchanges after the first call so named.
    const char* after = nullptr;
    // Without a fault, then under each fault.
    std::map<Fault, Expect> expect;
};

void PrintTo(const Operation& op, std::ostream* os) {
    *os << op.name;
}

constexpr char kSerial[] = "NEWSERIAL";
// RifLambda of the unit at the start, and so of the file Golf.
constexpr int kFileRifLambda = 44;
constexpr char kOverwrite[] = "esiste gi";
constexpr char kUnsaved[] = "Salvare i dati";
constexpr char kSerialPrompt[] = "SERIAL NUMBER";
constexpr char kNoConnection[] = "ATTENZIONE";
constexpr char kResetQuestion[] = "Sei sicuro di resettare";

// Runs of the program, each from the same start, with one operation under
// a fault armed just before it.
class FaultRuns : public MainRoad {
public:
    QString golf() const { return configFile("Golf"); }

    // The file Golf holds an older configuration than the unit, whose name
    // is no longer Golf.
    void haveAnOlderGolf() {
        useFileDialog(FormMain->ui()->LabelSalva, [](TFormFile& d) { saveAs(d, "Golf"); });
        ASSERT_TRUE(QFile::exists(golf()));
        EXPECT_EQ(StreamDati->SetValue(5, 1.0), 1);
        EXPECT_TRUE(StreamDati->SetNomeConfigurazione("Vecchio"));
    }
    // A file dialog through its label; one that stays open after OK, as
    // after a failure, is cancelled.
    void dialog(QLabel* label, std::function<void(TFormFile&)> ok, const Tell& tell) {
        useFileDialog(
            label,
            [this, ok](TFormFile& d) {
                ok(d);
                if (d.isVisible())
                    d.ui()->ButtonAnnulla->click();
                dialogResult = d.result();
            },
            tell);
    }
    void saveInTheDialog(const Tell& tell) {
        dialog(
            FormMain->ui()->LabelSalva, [](TFormFile& d) { saveAs(d, "Golf"); }, tell);
    }
    void saveFromTheMenu(const Tell& tell) {
        script().expectFileDialog(platform::fromUnicode(golf()));
        tell();
        FormMain->ActionSalvaExecute();
    }
    void loadIntoTheUnit(const Tell& tell) {
        dialog(
            FormMain->ui()->LabelCarica, [](TFormFile& d) { d.ui()->ButtonOk->click(); }, tell);
    }
    void reset(const Tell& tell) {
        tell();
        FormMain->ActionResetDaPcExecute();
    }
    void program(const Tell& tell) {
        const TestFirmware firmware = MakeSampleFirmware(workshop.path() + "/Firmware", 30);
        script().expectFileDialog(firmware.path, "po");
        script().expectModal(
            [](QDialog& d) {
                static_cast<TFormScarica&>(d).ui()->ButtonRiprogr->click();
                return d.result();
            },
            "FormScarica");
        tell();
        FormMain->LabelClick(FormMain->ui()->LabelRiprogramma);
    }
    // The copies made before programming, and the records of those whose
    // configuration is not back in the unit.
    QStringList inFuelFolder(const QString& pattern) const {
        return QDir(workshop.path() + "/ConfigLPG").entryList({pattern}, QDir::Files);
    }

    struct Run {
        std::vector<std::string> log;
        UnitMemory before, unit;
        int stateFlags = 0;
        int imageRifLambda = 0;
        bool fileChanged = false;
        int copies = 0, records = 0;
        std::vector<std::string> shown; // the texts of every box, in order
    };

    // One run of the program with the operation; arm sets the fault.
    Run runWith(const Operation& op, const std::function<void()>& arm, const Expect& expect) {
        std::vector<Say> told = op.asks;
        told.insert(told.end(), expect.told.begin(), expect.told.end());
        const Tell tell = [&] {
            for (const Say& s : told) {
                if (s.kind == ScriptedModals::Kind::Input)
                    script().expectInput(s.text, s.match);
                else
                    script().expectMessageBox(s.answer, s.match);
            }
        };
        Run run;
        QByteArray file;
        const auto armed = [&] {
            run.before = ReadUnitMemory(sim);
            sim.clearCallLog();
            arm();
        };
        std::vector<std::function<bool()>> steps;
        if (!op.run) {
            armed();
            tell();
            // Without a message, the connect is over once the link shows.
            steps.push_back([&] {
                return script().pendingExpectations() == 0 &&
                       (!expect.told.empty() || connectedShown());
            });
        } else {
            steps.push_back([&] { return connectedShown(); });
            steps.push_back([&] {
                if (op.prepare)
                    op.prepare(*this);
                file = FileBytes(golf());
                armed();
                op.run(*this, tell);
                return true;
            });
        }
        steps.push_back([&] {
            run.log = sim.callLog();
            run.imageRifLambda = StreamDati->Image().RifLambda;
            StreamDati->SetModified(false); // closing asks nothing
            return true;
        });
        EXPECT_EQ(runProgram(std::move(steps)), 0);
        for (const auto& shown : script().interactions())
            run.shown.push_back(shown.text);
        newScript();
        sim.failCall(0);
        sim.dropAfter(-1);
        sim.setReconnectDelay(0);
        run.unit = ReadUnitMemory(sim);
        run.stateFlags = sim.stateFlags();
        run.fileChanged = FileBytes(golf()) != file;
        run.copies = int(inFuelFolder("PrimaDella*.vx4").size());
        run.records = int(inFuelFolder("*.programmazione").size());
        return run;
    }

    // Sets up the unit for the operation; its memory file is then the start
    // of every run.
    void begin(const Operation& op) {
        sim.setNeverConfigured(op.neverConfigured);
        sim.poke(0x05, 0, kFileRifLambda); // a unit value the default does not have
        memory = FileBytes(QString::fromStdString(sim.memoryPath()));
    }
    // The unit's memory file and the workshop as they were at the start.
    void startAgain() {
        QDir(workshop.path() + "/ConfigLPG").removeRecursively();
        QFile f(QString::fromStdString(sim.memoryPath()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(memory), memory.size());
        f.close();
        sim.reload();
    }

    // Runs the operation once without a fault, then puts everything back:
    // the exchange of that run that the n-th call starting with prefix is,
    // or the one offset after it.
    std::optional<Exchange> exchangeOf(const Operation& op, const std::string& prefix, int n,
                                       int offset = 0) {
        begin(op);
        const Run clean = runWith(
            op, [] {}, op.expect.at(Fault::None));
        startAgain();
        const std::vector<Exchange> exchanges = OpenLinkExchanges(clean.log, true, op.after);
        for (size_t i = 0; i < exchanges.size(); ++i)
            if (exchanges[i].call.rfind(prefix, 0) == 0 && --n == 0 &&
                i + offset < exchanges.size())
                return exchanges[i + offset];
        return std::nullopt;
    }

    QByteArray memory;
    int dialogResult = 0;
};

class LinkFaults : public FaultRuns, public ::testing::WithParamInterface<Operation> {};

TEST_P(LinkFaults, TellTheUserAndLeaveTheUnitAsBeforeAsAfterOrMarkedNeverConfigured) {
    const Operation& op = GetParam();
    begin(op);
    const Run clean = runWith(
        op, [] {}, op.expect.at(Fault::None));
    EXPECT_EQ(clean.fileChanged, bool(op.expect.at(Fault::None).fileChanged));
    // The operations after the start-up connect begin on an open link.
    const std::vector<Exchange> exchanges = OpenLinkExchanges(clean.log, bool(op.run), op.after);
    ASSERT_GE(exchanges.size(), 3u);
    // A programming ends with the unit holding what it held before.
    if ((op.run || op.neverConfigured) && !op.after) {
        EXPECT_NE(clean.unit, clean.before);
    }
    const auto endOfSave = std::find_if(exchanges.begin(), exchanges.end(), [](const Exchange& e) {
        return e.call.rfind("SendCommand(18", 0) == 0;
    });
    for (const auto& [fault, expect] : op.expect) {
        if (fault == Fault::None)
            continue;
        if (fault == Fault::EndRefused) {
            ASSERT_NE(endOfSave, exchanges.end());
        }
        const Exchange& e = fault == Fault::First        ? exchanges.front()
                            : fault == Fault::Last       ? exchanges.back()
                            : fault == Fault::EndRefused ? *endOfSave
                                                         : exchanges[exchanges.size() / 2];
        SCOPED_TRACE(std::string(FaultName(fault)) + " at " + e.call);
        startAgain();
        const Run faulted = runWith(
            op,
            [&] {
                if (fault == Fault::Drop || fault == Fault::LostForGood)
                    sim.dropAfter(e.open);
                else
                    sim.failCall(e.all);
                if (fault == Fault::LostForGood)
                    sim.setReconnectDelay(60000);
            },
            expect);
        EXPECT_EQ(faulted.fileChanged, expect.fileChanged);
        EXPECT_EQ(faulted.copies, expect.copyKept ? 1 : 0);
        EXPECT_EQ(faulted.records, expect.copyKept && expect.ends != Ends::After ? 1 : 0);
        switch (expect.ends) {
        case Ends::Before:
            EXPECT_EQ(faulted.unit, faulted.before);
            EXPECT_EQ(faulted.stateFlags & 1, op.neverConfigured ? 1 : 0);
            break;
        case Ends::After:
            EXPECT_EQ(faulted.unit, clean.unit);
            EXPECT_EQ(faulted.stateFlags, clean.stateFlags);
            break;
        case Ends::NeverConfigured:
            EXPECT_EQ(faulted.stateFlags & 1, 1);
            break;
        case Ends::FileHeld:
            EXPECT_EQ(faulted.unit.at(0x05), std::vector<int>{kFileRifLambda});
            EXPECT_EQ(faulted.imageRifLambda, kFileRifLambda);
            EXPECT_EQ(faulted.stateFlags & 1, 0);
            break;
        }
    }
}

constexpr char kNameNotTaken[] = "il file non \xe8 stato salvato";
// A load that did not reach the unit leads with that, then says what the
// unit holds; the engine's text comes last.
constexpr char kLoadNotBegun[] =
    "La configurazione caricata dal file non \xe8 stata scritta in centralina.\nLa centralina "
    "contiene ancora la configurazione precedente.\nImpossibile eseguire il salvataggio";
constexpr char kLoadPutBack[] =
    "La configurazione caricata dal file non \xe8 stata scritta in centralina.\nLa centralina "
    "contiene ancora la configurazione precedente.\n";
// Cut short and not put back: what the unit had is kept as a copy, which the
// next connect offers.
constexpr char kLoadKept[] =
    "La configurazione caricata dal file non \xe8 stata scritta in centralina.\nLa centralina "
    "pu\xf2 contenere in parte i dati nuovi e in parte quelli precedenti.\nLa configurazione "
    "della centralina \xe8 salvata nel file:\n";
constexpr char kOfferedAtConnect[] =
    "\nAlla prossima connessione sar\xe0 proposto di scriverla nella centralina.\n";
constexpr char kLoadUnconfirmed[] =
    "La centralina ha ricevuto i nuovi dati ma non ha confermato di conservarli: ripetere "
    "l'operazione.\nImpossibile completare correttamente il salvataggio dei dati";
constexpr char kResetRefused[] = "Impossibile effettuare il reset";
const Say kSerialAsked = Input(kSerialPrompt, kSerial);
constexpr char kNotBack[] = "Impossibile scaricare i dati di configurazione";
// The path of the copy, in the fuel folder.
constexpr char kSavedIn[] = "/ConfigLPG/PrimaDellaProgrammazione_";

// Both saves write the name into the unit first: a refusal or a lost link
// there puts the old name back and saves nothing.
const std::map<Fault, Expect> kSave = {{Fault::None, {{}, Ends::After, true}},
                                       {Fault::Drop, {{Box(kNameNotTaken)}, Ends::Before}},
                                       {Fault::First, {{Box(kNameNotTaken)}, Ends::Before}},
                                       {Fault::Middle, {{Box(kNameNotTaken)}, Ends::Before}},
                                       {Fault::Last, {{}, Ends::After, true}}};

// A refusal at the last exchange, a poll of the unit's readiness, is
// polled again: the operation succeeds.
const Operation kOperations[] = {
    {.name = "Connect",
     .expect = {{Fault::None, {{}, Ends::After}},
                {Fault::Drop, {{Box("C01"), Box(kNoConnection)}, Ends::Before}},
                {Fault::First, {{Box("C02"), Box(kNoConnection)}, Ends::Before}},
                {Fault::Middle, {{}, Ends::After}},
                {Fault::Last, {{}, Ends::After}}}},
    {.name = "FirstSetUp",
     .neverConfigured = true,
     .expect = {{Fault::None, {{}, Ends::After}},
                {Fault::Drop, {{Box("C01"), Box(kNoConnection)}, Ends::NeverConfigured}},
                {Fault::First, {{Box("C02"), Box(kNoConnection)}, Ends::Before}},
                {Fault::Middle, {{Box("C01")}, Ends::NeverConfigured}},
                {Fault::Last, {{}, Ends::After}}}},
    {.name = "SaveInTheDialog",
     .prepare = &FaultRuns::haveAnOlderGolf,
     .run = &FaultRuns::saveInTheDialog,
     .asks = {Ask(kOverwrite, platform::IDYES)},
     .expect = kSave},
    {.name = "SaveFromTheMenu",
     .prepare = &FaultRuns::haveAnOlderGolf,
     .run = &FaultRuns::saveFromTheMenu,
     .expect = kSave},
    {.name = "LoadIntoTheUnit",
     .prepare = &FaultRuns::haveAnOlderGolf,
     .run = &FaultRuns::loadIntoTheUnit,
     .asks = {Ask(kUnsaved, platform::IDNO)},
     .expect = {{Fault::None, {{kSerialAsked}, Ends::After}},
                {Fault::Drop, {{Box(kLoadPutBack)}, Ends::Before}},
                {Fault::First, {{Box(kLoadNotBegun)}, Ends::Before}},
                {Fault::Middle, {{Box(kLoadPutBack)}, Ends::Before}},
                {Fault::Last, {{kSerialAsked}, Ends::After}},
                {Fault::LostForGood, {{Box(kLoadKept)}, Ends::NeverConfigured, false, true}},
                {Fault::EndRefused, {{Box(kLoadUnconfirmed)}, Ends::FileHeld}}}},
    // After programming: the unit is written back whole, or it stays marked
    // and the copy made before programming names itself.
    {.name = "Programming",
     .run = &FaultRuns::program,
     .after = "ProgramImage",
     .expect =
         {{Fault::None, {{}, Ends::After, false, true}},
          {Fault::Drop,
           {{Ask(kNotBack, platform::IDNO), Box(kSavedIn)}, Ends::NeverConfigured, false, true}},
          {Fault::First, {{}, Ends::After, false, true}},
          {Fault::Middle, {{Ask(kNotBack, platform::IDYES)}, Ends::After, false, true}},
          {Fault::Last, {{}, Ends::After, false, true}}}},
    {.name = "Reset",
     .prepare = [](FaultRuns&) { EXPECT_EQ(StreamDati->SetValue(5, 1.0), 1); },
     .run = &FaultRuns::reset,
     .asks = {Ask(kResetQuestion, platform::IDYES)},
     .expect = {{Fault::None, {{}, Ends::After}},
                {Fault::Drop, {{Box("C01")}, Ends::NeverConfigured}},
                {Fault::First, {{Box(kResetRefused)}, Ends::Before}},
                {Fault::Middle, {{Box("C01")}, Ends::NeverConfigured}},
                {Fault::Last, {{}, Ends::After}}}},
};

INSTANTIATE_TEST_SUITE_P(MainRoad, LinkFaults, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

const Operation& SaveFromTheMenu() {
    return kOperations[3];
}
const Operation& Load() {
    return kOperations[4];
}

// The serial number, the last step of a load into the unit: each failure is
// told, a serial number cut short goes back, and the dialog's result says
// that the last step failed while the configuration stays loaded.
struct SerialCase {
    const char* name;
    const char* call; // the failing exchange: the n-th call so named, or the one after it
    int n;
    int offset;
    bool drop;
    bool asked; // the serial number was asked for
    const char* told;
    bool written; // the unit holds the new serial number
};

void PrintTo(const SerialCase& c, std::ostream* os) {
    *os << c.name;
}

class SerialStep : public FaultRuns, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialStep, FailsToldAndPutBackWithTheConfigurationLoaded) {
    const SerialCase& c = GetParam();
    const auto e = exchangeOf(Load(), c.call, c.n, c.offset);
    EXPECT_EQ(dialogResult, TFormFile::kDone);
    ASSERT_TRUE(e);
    SCOPED_TRACE(e->call);
    Expect expect{{}, Ends::After};
    if (c.asked)
        expect.told.push_back(kSerialAsked);
    expect.told.push_back(Box(c.told));
    const std::string old = sim.serialNumber();
    const Run faulted = runWith(
        Load(), [&] { c.drop ? sim.dropAfter(e->open) : sim.failCall(e->all); }, expect);
    EXPECT_EQ(dialogResult, TFormFile::kLastStepFailed);
    EXPECT_EQ(sim.serialNumber(), c.written ? kSerial : old);
    EXPECT_EQ(faulted.unit.at(0x05), std::vector<int>{44}); // the file's configuration
    EXPECT_EQ(faulted.stateFlags & 1, 0);
}

constexpr char kNotWritten[] = "numero di serie non \xe8 stato scritto";

INSTANTIATE_TEST_SUITE_P(
    Load, SerialStep,
    ::testing::Values(SerialCase{"BeginRefused", "SendCommand(17", 2, 0, false, false, kNotWritten,
                                 false},
                      SerialCase{"FirstCharacterRefused", "WriteParamItem(0x0,0,", 1, 0, false,
                                 true, kNotWritten, false},
                      SerialCase{"CharacterRefusedHalfWay", "WriteParamItem(0x0,9,", 1, 0, false,
                                 true, kNotWritten, false},
                      SerialCase{"LastElementRefused", "WriteParamItem(0x0,19,", 1, 0, false, true,
                                 kNotWritten, false},
                      SerialCase{"LinkLostHalfWay", "WriteParamItem(0x0,9,", 1, 0, true, true,
                                 kNotWritten, false},
                      SerialCase{"EndRefused", "SendCommand(18", 2, 0, false, true,
                                 "Impossibile completare correttamente il salvataggio", true},
                      SerialCase{"UnitNotBack", "SendCommand(18", 2, 1, true, true,
                                 "Impossibile connettersi correttamente", true},
                      // The load's own save ended, but the unit did not come
                      // back: it holds the file whole, the serial number
                      // cannot follow.
                      SerialCase{"UnitNotBackAfterTheLoad", "SendCommand(18", 1, 1, true, false,
                                 "Impossibile eseguire il salvataggio dei dati\nIl numero di "
                                 "serie non \xe8 stato scritto",
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// A load whose link is lost half-way and does not come back leaves the unit
// marked, with what it held before kept as a copy: the box says the next
// connect offers it, and Yes there writes it back.
TEST_F(FaultRuns, ALoadCutByALinkLostForGoodIsOfferedBackAtTheNextConnect) {
    const auto e = exchangeOf(Load(), "WriteParamRow(0x6154", 1);
    ASSERT_TRUE(e);
    const Run faulted = runWith(
        Load(),
        [&] {
            sim.dropAfter(e->open);
            sim.setReconnectDelay(60000);
        },
        Load().expect.at(Fault::LostForGood));
    EXPECT_EQ(faulted.stateFlags & 1, 1);
    ASSERT_EQ(faulted.records, 1);
    ASSERT_FALSE(faulted.shown.empty());
    EXPECT_NE(faulted.shown.back().find(kOfferedAtConnect), std::string::npos)
        << faulted.shown.back();
    script().expectMessageBox(platform::IDYES, "Una scrittura in centralina non \xe8 terminata");
    runProgram({[&] { return connectedShown(); },
                [&] {
                    StreamDati->SetModified(false);
                    return true;
                }});
    EXPECT_EQ(sim.stateFlags() & 1, 0);
    // RifLambda as the unit held it before the load (1.0 V), not the file's
    // 44 nor the default 30.
    EXPECT_EQ(sim.peek(0x05), 51);
    EXPECT_TRUE(inFuelFolder("*.programmazione").isEmpty());
}

// A link lost in the middle of the name that does not come back: the old
// name cannot go back, and the user is told so; no file is written.
TEST_F(FaultRuns, ANameCutByALinkThatStaysLostIsToldAndSavesNothing) {
    const auto e = exchangeOf(SaveFromTheMenu(), "WriteParamItem(0x35,4,", 1);
    ASSERT_TRUE(e);
    const Run faulted =
        runWith(SaveFromTheMenu(),
                [&] {
                    sim.dropAfter(e->open);
                    sim.setReconnectDelay(60000);
                },
                {{Box("non \xe8 stato salvato.\nIl nome della configurazione in centralina pu\xf2 "
                      "essere incompleto.\nControllare il collegamento.")},
                 Ends::Before});
    EXPECT_FALSE(faulted.fileChanged);
    // Two characters of the new name reached the unit before the link was lost.
    EXPECT_EQ(faulted.unit.at(0x35)[2], 'G');
    EXPECT_EQ(faulted.unit.at(0x35)[3], 'o');
    EXPECT_EQ(faulted.unit.at(0x35)[4], faulted.before.at(0x35)[4]);
}

// Once the link is lost the unit cannot take the name, and nothing of it
// reached the unit: the data in memory can still be saved.
TEST_F(FaultRuns, ASaveAfterTheLinkWasLostStillWritesTheFile) {
    runProgram({[&] { return connectedShown(); },
                [&] {
                    sim.dropAfter(0);
                    int32_t v = 0;
                    StreamDati->EcuLink()->ReadParam(2, &v); // the loss shows at the next exchange
                    return true;
                },
                [&] { return !connectedShown(); },
                [&] {
                    const UnitMemory before = ReadUnitMemory(sim);
                    QDir().mkpath(workshop.path() + "/ConfigLPG");
                    script().expectFileDialog(platform::fromUnicode(golf()));
                    EXPECT_TRUE(FormMain->ActionSalvaExecute());
                    EXPECT_TRUE(QFile::exists(golf()));
                    EXPECT_EQ(ReadUnitMemory(sim), before);
                    StreamDati->SetModified(false);
                    return true;
                }});
}

} // namespace
