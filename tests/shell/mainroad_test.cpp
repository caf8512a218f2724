// The main road end to end, on the program's own start-up: it connects at
// start and reads the unit, saves the configuration to a file, the unit is
// changed, the file is loaded back into the unit; then the same road with
// the unit absent, of another model, losing the link while read, and
// refusing a write while loaded.
#include "mainroadfixture.h"

#include "core/basario.h"
#include "core/ecuimage.h"
#include "core/iodata.h"
#include "core/messages.h"
#include "core/paramid.h"
#include "formattesa.h"
#include "formfile.h"
#include "formmain.h"
#include "startup.h"
#include "statuspanels.h"
#include "ui_FormFile.h"
#include "ui_FormMain.h"

#include "platform/cp1252.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <map>

namespace {

TEST_F(MainRoad, ConnectsReadsSavesAndLoadsTheConfigurationBackIntoTheUnit) {
    sim.poke(0x05, 0, 44); // RifLambda: a unit value the default does not have
    UnitMemory saved;
    const UnitMemory initial = ReadUnitMemory(sim);
    std::vector<intptr_t> readProgress;
    const int code = runProgram({
        [&] { return connectedShown(); },
        [&] {
            // The whole image was read, with progress from 0 to 100.
            readProgress = progress.values;
            EXPECT_NEAR(static_cast<double>(StreamDati->GetValue(5)), 44 * 5.0 / 255, 1e-9);
            EXPECT_EQ(FormMain->StatusPanels()->text(2), "Versione firmware: 2.7");
            useFileDialog(FormMain->ui()->LabelSalva, [](TFormFile& d) { saveAs(d, "Golf"); });
            saved = ReadUnitMemory(sim);
            return true;
        },
        [&] {
            EXPECT_TRUE(QFile::exists(configFile("Golf")));
            // The installer changes the unit.
            EXPECT_EQ(StreamDati->SetValue(5, 1.0), 1);
            StreamDati->SetMappaK(3, 2, 201);
            EXPECT_NE(ReadUnitMemory(sim), saved);
            useFileDialog(
                FormMain->ui()->LabelCarica,
                [](TFormFile& d) {
                    EXPECT_EQ(d.ui()->ListFile->topLevelItemCount(), 1);
                    d.ui()->ButtonOk->click();
                },
                [&] {
                    // Unsaved edits: the load asks first (No); then the serial number.
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    modals.expectInput(std::nullopt, "SERIAL NUMBER");
                });
            return true;
        },
        [&] {
            EXPECT_TRUE(connectedShown());
            // The serial-number prompt offered the unit's own serial number.
            const auto& asked = modals.interactions().back();
            EXPECT_TRUE(asked.input.has_value());
            if (asked.input) {
                EXPECT_EQ(asked.input->defaultText, sim.serialNumber());
            }
            const UnitMemory now = ReadUnitMemory(sim);
            for (const auto& [param, values] : saved)
                EXPECT_EQ(now.at(param), values) << "parameter 0x" << std::hex << param;
            modals.expectMessageBox(platform::IDNO, "Salvare i dati"); // closing asks
            return true;
        },
    });
    EXPECT_EQ(code, 0);
    ASSERT_FALSE(readProgress.empty());
    EXPECT_EQ(readProgress.front(), 0);
    EXPECT_EQ(readProgress.back(), 100);
    EXPECT_TRUE(std::is_sorted(readProgress.begin(), readProgress.end()));
    EXPECT_GT(readProgress.size(), 50u);
    EXPECT_NE(saved, initial); // the save wrote the new name into the unit
}

// A start that cannot connect shows its error, then the no-connection box;
// the unit and the folder stay as they were.
struct StartFault {
    const char* name;
    std::function<void(SimUnit&)> arrange;
    const char* code;
};

class StartFaults : public MainRoad, public ::testing::WithParamInterface<StartFault> {};

TEST_P(StartFaults, ShowTheirCodeAndLeaveTheUnitAsItWas) {
    GetParam().arrange(sim);
    const UnitMemory before = ReadUnitMemory(sim);
    const QByteArray memoryFile = FileBytes(QString::fromStdString(sim.memoryPath()));
    modals.expectMessageBox(platform::IDOK, GetParam().code);
    modals.expectMessageBox(platform::IDOK, "ATTENZIONE");
    EXPECT_EQ(runProgram({[&] { return startupDone(); },
                          [&] {
                              EXPECT_FALSE(connectedShown());
                              EXPECT_EQ(StreamDati->GetNomeConfigurazione(), "Standard GPL");
                              return true;
                          }}),
              0);
    sim.setAbsent(false);
    sim.dropAfter(-1);
    EXPECT_EQ(ReadUnitMemory(sim), before);
    EXPECT_EQ(FileBytes(QString::fromStdString(sim.memoryPath())), memoryFile);
    EXPECT_FALSE(QDir(workshop.path() + "/ConfigLPG").exists());
}

INSTANTIATE_TEST_SUITE_P(
    Connect, StartFaults,
    ::testing::Values(
        StartFault{"Absent", [](SimUnit& s) { s.setAbsent(); }, "(ERR.CODE: C01)"},
        StartFault{"OtherModel", [](SimUnit& s) { s.setModel(40); }, "(ERR.CODE: C03)"},
        StartFault{"LinkLostWhileRead", [](SimUnit& s) { s.dropAfter(40); }, "(ERR.CODE: C01)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainRoad, AWriteRefusedWhileLoadingPutsTheUnitBackAndKeepsTheFile) {
    UnitMemory beforeLoad;
    QByteArray file;
    runProgram({
        [&] { return connectedShown(); },
        [&] {
            useFileDialog(FormMain->ui()->LabelSalva, [](TFormFile& d) { saveAs(d, "Golf"); });
            file = FileBytes(configFile("Golf"));
            EXPECT_FALSE(file.isEmpty());
            EXPECT_EQ(StreamDati->SetValue(5, 1.0), 1);
            beforeLoad = ReadUnitMemory(sim);
            const TEcuImage image = StreamDati->Image();
            useFileDialog(
                FormMain->ui()->LabelCarica,
                [&](TFormFile& d) {
                    sim.failCall(40);
                    d.ui()->ButtonOk->click();
                    // The load failed: the dialog stays open, reporting no success.
                    EXPECT_TRUE(d.isVisible());
                    d.ui()->ButtonAnnulla->click();
                },
                [&] {
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    modals.expectMessageBox(platform::IDOK, "La centralina non ha accettato");
                });
            EXPECT_EQ(StreamDati->Image(), image);
            return true;
        },
        [&] {
            EXPECT_EQ(ReadUnitMemory(sim), beforeLoad);
            EXPECT_EQ(FileBytes(configFile("Golf")), file);
            modals.expectMessageBox(platform::IDNO, "Salvare i dati");
            return true;
        },
    });
}

// A unit never configured gets the default configuration, and counts as
// configured only once all of it was written. Model 30 takes injection
// type 4 (raw 3), model 31 type 6 (raw 5).
class NeverConfigured : public MainRoad,
                        public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(NeverConfigured, TheUnitIsConfiguredWithTheDefaults) {
    const auto [model, injection] = GetParam();
    sim.setModel(model);
    sim.setNeverConfigured(true);
    sim.poke(0x05, 0, 44);
    runProgram({[&] { return connectedShown(); },
                [&] {
                    EXPECT_EQ(sim.stateFlags() & 1, 0);
                    EXPECT_EQ(sim.peek(0x05), 30); // RifLambda of the default configuration
                    EXPECT_EQ(sim.peek(0x34), injection);
                    return true;
                }});
}

INSTANTIATE_TEST_SUITE_P(Models, NeverConfigured,
                         ::testing::Values(std::pair{30, 3}, std::pair{31, 5}),
                         [](const auto& info) { return std::to_string(info.param.first); });

TEST_F(MainRoad, AFailedInitialisationLeavesTheUnitNeverConfigured) {
    sim.setNeverConfigured(true);
    modals.expectMessageBox(platform::IDOK, "(ERR.CODE: C01)");
    bool armed = false;
    runProgram({[&] {
                    // Once the program has started connecting, a write of the
                    // default image fails.
                    if (!armed)
                        sim.failCall(60);
                    armed = true;
                    return startupDone();
                },
                [&] {
                    EXPECT_EQ(sim.stateFlags() & 1, 1);
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    return true;
                }});
}

// A unit whose firmware refuses the clock item still connects: the clock
// takes 2560 and everything else is read.
TEST_F(MainRoad, AUnitThatRefusesTheClockReadConnectsWithTheDefaultClock) {
    sim.poke(0x79, 0, 2600);
    sim.poke(0x05, 0, 44);
    sim.refuseReadsOf(0x79);
    runProgram({[&] { return connectedShown(); },
                [&] {
                    EXPECT_EQ(StreamDati->GetClock(), 2560);
                    EXPECT_EQ(StreamDati->Image().RifLambda, 44);
                    EXPECT_EQ(sim.countCalls("ReadParam(0x279)=0"), 1);
                    EXPECT_TRUE(modals.interactions().empty());
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati"); // read, unsaved
                    return true;
                }});
    sim.refuseReadsOf(0x79, false);
}

// Without a work copy the default configuration cannot be had: the connect
// stops with the message and sets nothing up in a never-configured unit.
TEST_F(MainRoad, AConnectWithoutAWorkCopyIsToldAndSetsNothingUp) {
    const QByteArray temp = qgetenv("TMPDIR");
    const auto restoreTemp = [&] {
        if (temp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", temp);
    };
    runProgram({[&] { return connectedShown(); },
                [&] {
                    sim.setNeverConfigured(true);
                    const UnitMemory before = ReadUnitMemory(sim);
                    qputenv("TMPDIR", (workshop.path() + "/no-such-folder").toLocal8Bit());
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    modals.expectMessageBox(platform::IDOK,
                                            "Impossibile caricare i dati dalla risorsa impostata");
                    FormMain->ActionConnettiExecute();
                    restoreTemp();
                    EXPECT_EQ(sim.stateFlags() & 1, 1);
                    EXPECT_EQ(ReadUnitMemory(sim), before);
                    EXPECT_FALSE(StreamDati->EcuLink()->IsConnected());
                    return true;
                },
                [&] { return !connectedShown(); },
                [&] {
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    return true;
                }});
}

// The status bar and the connection actions follow the link: Ctrl+D, a new
// Ctrl+C, and a link that is lost on its own.
TEST_F(MainRoad, TheStatusBarFollowsDisconnectReconnectAndALostLink) {
    auto ui = [] { return FormMain->ui(); };
    runProgram({[&] { return connectedShown(); },
                [&] {
                    EXPECT_TRUE(ui()->ActionDisconnetti->isEnabled());
                    QApplication::setActiveWindow(FormMain); // shortcuts go to the active window
                    QTest::keyClick(FormMain, Qt::Key_D, Qt::ControlModifier);
                    return true;
                },
                [&] { return !connectedShown(); },
                [&] {
                    EXPECT_EQ(FormMain->StatusPanels()->text(2), "");
                    EXPECT_FALSE(ui()->ActionDisconnetti->isEnabled());
                    EXPECT_TRUE(ui()->ActionConnetti->isEnabled());
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    QTest::keyClick(FormMain, Qt::Key_C, Qt::ControlModifier);
                    return true;
                },
                [&] { return connectedShown(); },
                [&] {
                    sim.dropAfter(0);
                    int32_t v = 0;
                    StreamDati->EcuLink()->ReadParam(2, &v); // the loss shows at the next exchange
                    return true;
                },
                [&] { return !connectedShown(); },
                [&] {
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                    return true;
                }});
}

// The reset marks the unit never configured and connects again without
// asking to save what was read: the new connection writes the defaults.
TEST_F(MainRoad, ResetFromThePcConfiguresTheUnitAfresh) {
    sim.poke(0x05, 0, 44); // RifLambda: a unit value the default does not have
    runProgram({[&] { return connectedShown(); },
                [&] {
                    EXPECT_TRUE(StreamDati->IsModified());
                    modals.expectMessageBox(platform::IDYES, "Sei sicuro di resettare");
                    FormMain->ActionResetDaPcExecute();
                    EXPECT_EQ(sim.stateFlags() & 1, 0);
                    EXPECT_EQ(sim.peek(0x05), 30);
                    return true;
                },
                [&] { return connectedShown(); }});
}

TEST_F(MainRoad, ResetFromThePcWritesNothingWithoutTheStateFlags) {
    runProgram({[&] { return connectedShown(); },
                [&] {
                    const int flags = sim.stateFlags();
                    modals.expectMessageBox(platform::IDYES, "Sei sicuro di resettare");
                    modals.expectMessageBox(platform::IDOK, "Impossibile effettuare il reset");
                    sim.failCall(1);
                    FormMain->ActionResetDaPcExecute();
                    EXPECT_EQ(sim.stateFlags(), flags);
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati"); // read, unsaved
                    return true;
                }});
}

} // namespace
