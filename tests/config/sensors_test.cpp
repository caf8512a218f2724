// The temperature page's points, the kit changes and the cylinder items of
// the change-over page, on a data module linked to the simulated unit.
#include "gridfixture.h"
#include "shellfixture.h"

#include "formconfig.h"
#include "formconfig_sensors.h"
#include "formmodmappa.h"
#include "kitchange.h"
#include "ui_FormConfig.h"
#include "ui_FormModMappa.h"

#include "controls/keycombobox.h"
#include "controls/numericedit.h"
#include "core/basario.h"
#include "core/realtime.h"
#include "core/serialecu.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

using sensors::kOhmsColumn;
using sensors::kVoltsColumn;

// --- The point editor's arithmetic -----------------------------------------------

struct PointCase {
    const char* what;
    int column;
    uint8_t mode;
    double v;
    int32_t stored;
    int32_t pullUp;
    std::optional<int32_t> raw;
};

TEST(SensorPoints, EntryGivesTheRawPoint) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const PointCase cases[] = {
        {"absolute ohms", kOhmsColumn, 0, 1000, 0, 4700, 44},
        {"absolute volts", kVoltsColumn, 0, 2.5, 0, 4700, 127},
        {"linear volts", kVoltsColumn, 1, 0.5, 100, 4700, 125},
        {"percentage ohms", kOhmsColumn, 2, 10, 128, 4700, 134},
        {"raw 255 has no resistance", kOhmsColumn, 2, 10, 255, 4700, 0},
        {"absolute ohms over a raw 255", kOhmsColumn, 0, 4700, 255, 4700, 127},
        {"volts beyond the reference", kVoltsColumn, 0, 6, 0, 4700, 255},
        {"negative volts", kVoltsColumn, 1, -3, 10, 4700, 0},
        {"a divider of no resistance", kOhmsColumn, 0, -4700, 0, 4700, std::nullopt},
        {"no pull-up and no resistance", kOhmsColumn, 0, 0, 0, 0, std::nullopt},
        {"not a number", kVoltsColumn, 0, nan, 0, 4700, std::nullopt},
    };
    for (const PointCase& c : cases)
        EXPECT_EQ(sensors::PointFromEntry(c.column, c.mode, c.v, c.stored, c.pullUp), c.raw)
            << c.what;
    EXPECT_EQ(sensors::PointOhms(255, 4700), 0);
    EXPECT_EQ(sensors::PointOhms(128, 4700), 4737);
    EXPECT_DOUBLE_EQ(sensors::ProposedValue(kOhmsColumn, 128, 4700), 4737);
    EXPECT_NEAR(sensors::ProposedValue(kVoltsColumn, 51, 4700), 1.0, 1e-12);
}

TEST(SensorPoints, CountFollowsTheTemperatureRange) {
    EXPECT_EQ(sensors::PointCount(20, 20, 5), 1);
    EXPECT_EQ(sensors::PointCount(-40, 180, 5), 30);
    EXPECT_EQ(sensors::ShownTMax(-40, 5, 30), 110);
    EXPECT_EQ(sensors::PointCount(-20, 10, 10), 3);
    EXPECT_EQ(sensors::PointCount(-20, 10, 0), std::nullopt);
}

TEST(CylinderItems, CountsAndItems) {
    const std::pair<int, int> items[] = {{3, 0},  {4, 1},  {5, 2},  {6, 3},  {8, 4},
                                         {7, -1}, {2, -1}, {0, -1}, {12, -1}};
    for (auto [cylinders, item] : items) {
        EXPECT_EQ(sensors::CylinderItem(cylinders), item) << cylinders;
        if (item >= 0) {
            EXPECT_EQ(sensors::CylindersOfItem(item), cylinders);
        }
    }
    EXPECT_EQ(sensors::CylindersOfItem(-1), 0);
    EXPECT_EQ(sensors::CylindersOfItem(5), 0);
}

// --- On the simulated unit --------------------------------------------------------

// A unit configured with the LPG defaults, linked.
class LinkedUnit : public ShellTest {
protected:
    LinkedUnit() {
        // A copy the kit change keeps goes below the working folder.
        QDir::setCurrent(workshop.path());
        EXPECT_TRUE(BindBasarioLibrary());
        EXPECT_TRUE(data->EcuLink()->Connect());
        EXPECT_TRUE(
            data->Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll, false));
        EXPECT_TRUE(data->EcuLink()->IsConnected());
        sim.clearCallLog();
    }
    ~LinkedUnit() override {
        FreeBasarioLibrary();
        QDir::setCurrent(startFolder);
    }
    QStringList kept(const QString& pattern) const {
        return QDir(workshop.path() + "/ConfigLPG").entryList({pattern}, QDir::Files);
    }

    // What the unit holds of a kit: map, calibration, injector items, option
    // words, identification.
    std::vector<std::vector<int>> unitKit() const {
        return sim.peekEach({0x54, 0x7f, 0x37, 0x3d, 0x95, 0x03, 0x35, 0x94, 0x7d, 0x7e, 0x4a});
    }
    // Index of the first log entry from `from` on that starts with prefix.
    size_t find(const std::vector<std::string>& log, const std::string& prefix,
                size_t from = 0) const {
        for (size_t i = from; i < log.size(); ++i)
            if (log[i].rfind(prefix, 0) == 0)
                return i;
        return log.size();
    }

    const QString startFolder = QDir::currentPath();
    QTemporaryDir workshop;
    QTimer timer;
    TKitChange change{nullptr, "Vexano", [](int n) { return "text " + std::to_string(n); }, &timer};
    ScriptedModals modals;
};

TEST_F(LinkedUnit, FuelChangeFromLpgToCngReloadsTheCngDefaultsIntoTheUnit) {
    ASSERT_FALSE(data->GetFlag(1));
    ASSERT_EQ(KitResourceId(1, data->GetTipoIniettoreSoftware(1)), 30);
    const std::vector<int> lpgMap = UnitMapCells(sim, *data);
    timer.start(170);
    modals.expectMessageBox(platform::IDYES, "text 441");
    EXPECT_EQ(change.ChangeFuel(1), TKitChange::Outcome::Changed);
    EXPECT_TRUE(timer.isActive()) << "the live tick runs again";
    EXPECT_EQ(modals.interactions().size(), 1u) << "no box but the question";

    // The fuel bit first, then one save: begin, geometry, the calibration
    // group, end, and the wait for the unit.
    const std::vector<std::string> log = sim.callLog();
    const size_t flags = find(log, "WriteParamArray(0x2303,");
    const size_t begin = find(log, "SendCommand(17,", flags);
    const size_t geometry = find(log, "SendCommand(4,", begin);
    const size_t mapRow = find(log, "WriteParamRow(0x", geometry);
    const size_t end = find(log, "SendCommand(18,", mapRow);
    const size_t wait = find(log, "Reconnect(", end);
    const size_t ready = find(log, "ReadParam(0x2)=1", wait);
    EXPECT_LT(flags, begin);
    EXPECT_LT(ready, log.size()) << "the whole sequence is in the log";
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(),
                      [](const std::string& e) { return e.rfind("SendCommand(17,", 0) == 0; }),
        1);
    // Only the calibration group: no base item (the serial number) is written.
    EXPECT_EQ(sim.countCalls("WriteParamArray(0x14100,"), 0);

    EXPECT_TRUE(data->GetFlag(1));
    EXPECT_EQ(*sim.peek(0x03, 0) & 0x2, 0x2) << "the unit runs on CNG";
    const std::vector<int> cngMap = UnitMapCells(sim, *data);
    EXPECT_EQ(cngMap, ImageMapCells(*data));
    EXPECT_NE(cngMap, lpgMap);
    // The map the unit holds is the one of resource 30.
    ASSERT_TRUE(data->Transfer(kTransferFileToImage, "", 30, kGroupCalibration, false));
    EXPECT_EQ(cngMap, ImageMapCells(*data));
}

// Any way the reload fails, the image and the unit end as they were: put
// back while the link holds, or, where the unit refuses even that, marked
// with the kit it had kept in a copy that the next connect offers.
struct FailedChange {
    const char* what;
    std::function<void(SimUnit&)> fault;
    bool fuel;
    int injectorType;
    bool typed;
    bool putBack;
    bool linkBack = true; // the link comes back: the unit holds its kit as before
    // Marked never configured afterwards; by default when not put back.
    std::optional<bool> marked = std::nullopt;
};

constexpr char kStillPrevious[] = "La centralina contiene ancora la configurazione precedente.\n";
constexpr char kPartAndCopy[] =
    "La centralina pu\xf2 contenere in parte i dati nuovi e in parte quelli precedenti.\nLa "
    "configurazione della centralina \xe8 salvata nel file:\n";

TEST_F(LinkedUnit, AFailedKitChangeLeavesImageAndUnitAsTheyWere) {
    const FailedChange cases[] = {
        {"link dropped midway through the fuel change", [](SimUnit& s) { s.dropAfter(12); }, true,
         0, false, true},
        {"map refused in the fuel change", [](SimUnit& s) { s.refuseWritesTo(0x54); }, true, 0,
         false, false},
        {"injector words refused", [](SimUnit& s) { s.refuseWritesTo(0x94); }, false, 1, true,
         false},
        {"link dropped in the injector change", [](SimUnit& s) { s.dropAfter(6); }, false, 2, false,
         true},
        {"link lost for good in the fuel change",
         [](SimUnit& s) {
             s.dropAfter(12);
             s.setReconnectDelay(60000);
         },
         true, 0, false, false, false},
        // The unit takes the new kit but does not confirm it keeps it, nor
        // the old one put back: what it held goes into a copy, the change
        // can be made again.
        {"end of every save refused in the fuel change", [](SimUnit& s) { s.refuseCommand(18); },
         true, 0, false, false, true, false},
    };
    for (const FailedChange& c : cases) {
        SCOPED_TRACE(c.what);
        const TEcuImage before = data->Image();
        const auto unitBefore = unitKit();
        modals.expectMessageBox(platform::IDYES, c.fuel ? "text 441" : "text 442");
        modals.expectMessageBox(platform::IDOK, "");
        c.fault(sim);
        const auto outcome =
            c.fuel ? change.ChangeFuel(1) : change.ChangeInjector(c.injectorType, c.typed);
        sim.refuseWritesTo(0x54, false);
        sim.refuseWritesTo(0x94, false);
        sim.refuseCommand(18, false);
        sim.dropAfter(-1);
        sim.setReconnectDelay(0);
        EXPECT_EQ(outcome, TKitChange::Outcome::Failed);
        // The box says what the unit holds, then why: the transfer's own
        // text, or the unit's refusal.
        const std::string& why = change.Failure();
        EXPECT_EQ(why.rfind(c.putBack ? kStillPrevious : kPartAndCopy, 0), 0u) << why;
        EXPECT_TRUE(why.find(kTransferUnitWriteError) != std::string::npos ||
                    why.find(kTransferEndSaveError) != std::string::npos ||
                    why.find(kTransferWaitError) != std::string::npos)
            << why;
        EXPECT_EQ(modals.interactions().back().text, change.Failure());
        EXPECT_TRUE(data->Image() == before) << "the image is as it was";
        if (c.linkBack) {
            EXPECT_EQ(unitKit(), unitBefore) << "the unit is as it was";
        } else {
            EXPECT_NE(unitKit(), unitBefore) << "the unit holds part of the new kit";
        }
        EXPECT_EQ(data->EcuLink()->IsConnected() != 0, c.linkBack);
        // The one thing to do with a copy, as the link stands.
        if (!c.putBack) {
            EXPECT_NE(why.find(c.linkBack ? "Caricarla ora con CARICA CONFIGURAZIONE."
                                          : "Alla prossima connessione sar\xe0 proposto"),
                      std::string::npos)
                << why;
        }
        EXPECT_EQ(sim.stateFlags() & 1, c.marked.value_or(!c.putBack) ? 1 : 0);
        // The copy holds the kit before the change; its record waits for the next connect.
        const QStringList records = kept("PrimaDellaScrittura_*.programmazione");
        EXPECT_EQ(records.size(), c.putBack ? 0 : 1);
        for (const QString& record : records) {
            const QString copy = workshop.path() + "/ConfigLPG/" + record.chopped(15);
            EXPECT_NE(why.find(copy.toStdString()), std::string::npos) << why;
            // The copy holds the kit as it was: loaded, it is the image before.
            EXPECT_TRUE(data->Transfer(kTransferFileToImage, copy.toStdString(), 0, kGroupAll,
                                       false, true));
            const TEcuImage& loaded = data->Image();
            EXPECT_EQ(0, std::memcmp(loaded.MappaK, before.MappaK, sizeof before.MappaK));
            EXPECT_EQ(loaded.TipoIniettoreSoftware[1], before.TipoIniettoreSoftware[1]);
            EXPECT_EQ(data->GetFlag(1), TStreamDati::FlagOf(before, 1));
            data->RestoreImage(before);
        }
        QDir(workshop.path() + "/ConfigLPG").removeRecursively();
        sim.setNeverConfigured(false);
        // The next case starts from a unit that holds the image again.
        if (!c.linkBack) {
            EXPECT_TRUE(data->EcuLink()->Connect());
            EXPECT_TRUE(data->WaitForEcu(20000));
            EXPECT_TRUE(data->Transfer(kTransferImageToUnit, "", 0, kGroupAll, false));
        }
    }
}

TEST_F(LinkedUnit, AFuelBitTheUnitRefusesReloadsNothing) {
    const TEcuImage before = data->Image();
    const auto unitBefore = unitKit();
    sim.refuseWritesTo(0x03);
    modals.expectMessageBox(platform::IDYES, "text 441");
    EXPECT_EQ(change.ChangeFuel(1), TKitChange::Outcome::NotTaken);
    EXPECT_EQ(sim.countCalls("SendCommand(17,"), 0);
    EXPECT_EQ(sim.countCalls("WriteParamRow("), 0);
    EXPECT_TRUE(data->Image() == before);
    EXPECT_EQ(unitKit(), unitBefore);
}

TEST_F(LinkedUnit, NoAndAKitWithoutDefaultsChangeNothing) {
    modals.expectMessageBox(platform::IDNO, "text 441");
    EXPECT_EQ(change.ChangeFuel(1), TKitChange::Outcome::Refused);
    modals.expectMessageBox(platform::IDYES, "text 442");
    modals.expectMessageBox(platform::IDOK, "Nessuna configurazione");
    EXPECT_EQ(change.ChangeInjector(99, true), TKitChange::Outcome::Refused);
    EXPECT_EQ(sim.countCalls("Write"), 0);
    EXPECT_EQ(sim.countCalls("SendCommand("), 0);
    EXPECT_FALSE(data->GetFlag(1));
}

// --- The editor's handlers ----------------------------------------------------------

class EditorOnUnit : public LinkedUnit {
protected:
    EditorOnUnit() {
        data->SetEcuIdentity(31); // the model with five cylinder counts
        editor = std::make_unique<TFormConfig>();
        editor->FillCylinderList();
        editor->TabTempShow();
        sim.clearCallLog();
    }
    ~EditorOnUnit() override { editor.reset(); }
    void enter(QObject* sender, void (TFormConfig::*handler)(QObject*, char&)) {
        char key = 13;
        (editor.get()->*handler)(sender, key);
    }
    std::unique_ptr<TFormConfig> editor;
};

TEST_F(EditorOnUnit, CylinderAndIgnitionCombos) {
    auto* ui = editor->ui();
    // Rev counter with 8 cylinders: code 8 for the ignition, 8 cylinders (raw 7).
    ui->ComboAccensione->setCurrentIndex(2);
    ui->ComboCilindri->setCurrentIndex(4);
    enter(ui->ComboCilindri, &TFormConfig::ComboCilindriKeyPress);
    EXPECT_EQ(sim.peek(0x14), 8);
    EXPECT_EQ(sim.peek(0x34), 7);
    EXPECT_EQ(ui->ComboCilindri->currentIndex(), 4);

    // Rev counter without a cylinder item writes nothing and goes back.
    sim.clearCallLog();
    ui->ComboAccensione->setCurrentIndex(0);
    ui->ComboCilindri->setCurrentIndex(-1);
    ui->ComboAccensione->setCurrentIndex(2);
    data->SetValue(20, 1);
    sim.clearCallLog();
    enter(ui->ComboAccensione, &TFormConfig::ComboAccensioneKeyPress);
    EXPECT_EQ(sim.countCalls("Write"), 0);
    EXPECT_EQ(ui->ComboAccensione->currentIndex(), 1);
    EXPECT_EQ(ui->ComboCilindri->currentIndex(), 4);

    // A refused count springs back.
    sim.refuseWritesTo(0x34);
    ui->ComboCilindri->setCurrentIndex(0);
    enter(ui->ComboCilindri, &TFormConfig::ComboCilindriKeyPress);
    EXPECT_EQ(ui->ComboCilindri->currentIndex(), 4);
    EXPECT_EQ(sim.peek(0x34), 7);
}

// Three points of the engine sensor learnt with Space while the engine warms.
TEST_F(EditorOnUnit, ThreePointsLearntFromTheWarmingEngine) {
    auto* ui = editor->ui();
    ASSERT_GE(ui->DrawGridTemp->RowCount(), 4);
    editor->ButtonNuoviParametriClick();
    EXPECT_TRUE(editor->SensorEditMode);
    EXPECT_FALSE(ui->EditRPullUp->isReadOnly());
    std::vector<int> learnt;
    for (int i = 0; i < 3; ++i) {
        clock.advance(90000);
        // The live tick keeps the engine sensor's raw byte.
        editor->Timer1Timer();
        ASSERT_EQ(editor->LiveSensorRaw, RealTimeBuffer1()[16]);
        learnt.push_back(editor->LiveSensorRaw);
        editor->DrawGridTempKeyPress(' ');
    }
    EXPECT_GT(learnt[0], learnt[1]) << "a warmer NTC reads lower";
    EXPECT_GT(learnt[1], learnt[2]);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sim.peek(0x8b, i), learnt[i]) << i;
        EXPECT_EQ(data->GetEcuTempMotore(i), learnt[i]);
    }
    EXPECT_EQ(editor->SensorRow, 4);
    EXPECT_EQ(ui->DrawGridTemp->Row(), 4);
    editor->ButtonNuoviParametriClick();
    EXPECT_FALSE(editor->SensorEditMode);
    EXPECT_TRUE(data->GetFlag(10)) << "the engine curve is the learnt one";
    EXPECT_TRUE(ui->EditRPullUp->isReadOnly());
}

// The point editor on the sensor row: what the cell dialog's answer stores.
TEST_F(EditorOnUnit, PointEditorStoresTheTypedOrTheLivePoint) {
    editor->ButtonNuoviParametriClick();
    editor->Timer1->start();
    struct Case {
        const char* what;
        int column;
        std::optional<std::string> text; // none: OK on the proposal as it stands
        int mode;
        int stored; // the point before
        std::optional<int> raw;
    };
    // Live reading 100 on a 4700 ohm pull-up: 1.961 V, 3032 ohm, whose raw
    // worked back would be 99.99, stored as 99.
    const Case cases[] = {
        {"volts proposed", kVoltsColumn, std::nullopt, 0, 7, 100},
        {"ohms proposed", kOhmsColumn, std::nullopt, 0, 7, 100},
        {"ohms typed", kOhmsColumn, "3000", 0, 7, 99},
        {"volts added", kVoltsColumn, "0,5", 1, 100, 125},
        {"ohms by a percentage", kOhmsColumn, "10", 2, 128, 134},
        {"volts beyond the reference", kVoltsColumn, "9", 0, 7, 255},
        {"a divider of no resistance", kOhmsColumn, "-4700", 0, 7, std::nullopt},
        {"cancelled", kVoltsColumn, "2", 0, 7, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(data->SetEcuTempMotore(1, c.stored));
        editor->LiveSensorRaw = 100;
        const bool cancel = std::string(c.what) == "cancelled";
        if (!c.text)
            modals.expectModal(
                [](QDialog& d) {
                    dynamic_cast<TFormModMappa&>(d).ui()->ButtonOK->click();
                    return 1;
                },
                "TFormModMappa");
        else if (cancel)
            modals.expectModal(2, "TFormModMappa");
        else
            modals.expectModal(Answer(*c.text, c.mode, nullptr, editor->Timer1), "TFormModMappa");
        editor->DrawGridTempDblClick(c.column, 2);
        EXPECT_EQ(data->GetEcuTempMotore(1), c.raw.value_or(c.stored));
        EXPECT_EQ(sim.peek(0x8b, 1), c.raw.value_or(c.stored));
        EXPECT_EQ(editor->SensorRow, 3) << "the row moves on";
        EXPECT_TRUE(editor->Timer1->isActive());
    }
}

// While editing, the grid with the focus says what Enter and Space do, and
// its sensor row shows the live reading.
TEST_F(EditorOnUnit, SensorGridInstructionsWhileItHasTheFocus) {
    auto* ui = editor->ui();
    ASSERT_TRUE(data->SetFlag(10, true)); // the grid shows with the vehicle's sensor
    editor->show();
    ui->PageControl->SetActivePage(ui->TabTemp);
    QApplication::setActiveWindow(editor.get());
    ASSERT_TRUE(ui->DrawGridTemp->isVisible());
    editor->ButtonNuoviParametriClick();
    editor->LiveSensorRaw = 77;
    ui->DrawGridTemp->setFocus();
    ProcessEvents();
    EXPECT_TRUE(ui->LabelInstr->isVisible());
    editor->RepaintSensorGrid();
    EXPECT_EQ(ui->DrawGridTemp->SensorRaw(1), 77);
    EXPECT_EQ(ui->DrawGridTemp->CellText(2, 1), "1,510");
    ui->ButtonNuoviParametri->setFocus();
    ProcessEvents();
    EXPECT_FALSE(ui->LabelInstr->isVisible());
    EXPECT_NE(ui->DrawGridTemp->SensorRaw(1), 77) << "the stored point once the focus left";
    editor->hide();
}

// The small handlers write through to the unit on Enter and show back what
// the image then holds: the value read back from the unit is the one typed.
TEST_F(EditorOnUnit, SmallHandlersWriteOnEnterAndShowBack) {
    auto* ui = editor->ui();
    using Handler = void (TFormConfig::*)(QObject*, char&);
    struct Case {
        TNumericEdit* edit;
        Handler handler;
        double typed;
        std::function<double()> stored;
    };
    const Case cases[] = {
        {ui->EditTInjCng3, &TFormConfig::EditTInjKeyPress, 7.5,
         [&] { return double(data->GetTInjDefault(3, 1)); }},
        {ui->EditTInjLpg0, &TFormConfig::EditTInjKeyPress, 4.2,
         [&] { return double(data->GetTInjDefault(0, 0)); }},
        {ui->EditCorrIntSup, &TFormConfig::EditCorrIntInfKeyPress, 33,
         [&] { return double(data->GetOpzione(1)); }},
        {ui->EditCorrIntInf, &TFormConfig::EditCorrIntInfKeyPress, 12,
         [&] { return double(data->GetOpzione(0)); }},
        {ui->EditKFiltroCaldo, &TFormConfig::EditKFiltroFreddoKeyPress, 140,
         [&] { return double(data->GetKFiltro(1)); }},
        {ui->EditScartoMinFuoriMin, &TFormConfig::EditScartoMinFuoriMinKeyPress, 0.4,
         [&] { return double(data->GetScartoMinimoTaratura(0)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit->objectName().toStdString());
        c.edit->SetDouble(c.typed);
        enter(c.edit, c.handler);
        EXPECT_NEAR(c.edit->GetDouble(), c.typed, 0.011);
        ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false));
        EXPECT_NEAR(c.stored(), c.typed, 0.011) << "as the unit holds it";
    }

    // A refused value springs back.
    sim.refuseWritesTo(0x81);
    const int before = data->GetKFiltro(1);
    ui->EditKFiltroCaldo->SetDouble(10);
    enter(ui->EditKFiltroCaldo, &TFormConfig::EditKFiltroFreddoKeyPress);
    EXPECT_EQ(ui->EditKFiltroCaldo->GetInt(), before);

    // Check boxes and the injector check: the option bit, shown back.
    ui->CheckInibisciEmulazione->click();
    EXPECT_EQ(data->GetFlag(7), ui->CheckInibisciEmulazione->isChecked());
    EXPECT_TRUE(data->GetFlag(7));
    ui->CheckKFiltroTpsPremuto->setChecked(true);
    ui->CheckKFiltroTpsPremuto->click();
    EXPECT_FALSE(data->GetFlag(6));
    EXPECT_FALSE(ui->EditKFiltroTpsPremuto->isEnabled());
    const bool check = data->GetFlag(15);
    ui->MenuControlloIniettori->trigger();
    EXPECT_EQ(data->GetFlag(15), !check);
    EXPECT_EQ(ui->MenuControlloIniettori->isChecked(), !check);
    ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false));
    EXPECT_TRUE(data->GetFlag(7));
    EXPECT_EQ(data->GetFlag(15), !check);

    // The test page shows what the unit holds.
    ASSERT_TRUE(sim.poke(0x19, 4, 77));
    ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false));
    editor->TabTestShow();
    EXPECT_EQ(ui->EditTest4->GetInt(), 77);
}

// The parameters: pull-up in two bytes, TMax cut to 30 points, a TMax at its
// limit cutting nothing.
TEST_F(EditorOnUnit, SensorParametersAreWrittenAndShownBack) {
    auto* ui = editor->ui();
    editor->ButtonNuoviParametriClick();
    struct Step {
        int tag;
        int value;
        std::vector<int> stored; // parameters 0..4 afterwards
        int shownTMax;
    };
    const Step steps[] = {
        {0, 4700, {18, 92, 5, -20, 30}, 130}, {2, -40, {18, 92, 5, -40, 30}, 110},
        {3, 180, {18, 92, 5, -40, 30}, 110},  {3, 20, {18, 92, 5, -40, 12}, 20},
        {1, 20, {18, 92, 20, -40, 12}, 180}, // 200 beyond the field's limit
        {3, 180, {18, 92, 20, -40, 12}, 180}, {2, 100, {18, 92, 20, 100, 12}, 180},
        {3, 50, {18, 92, 20, 100, 1}, 120}, // not above TMin: one step
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.tag * 10000 + s.value);
        TNumericEdit* edit = std::vector<TNumericEdit*>{ui->EditRPullUp, ui->EditDeltaT,
                                                        ui->EditTMin, ui->EditTMax}[s.tag];
        edit->SetInt(s.value);
        editor->EditRPullUpExit(edit);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(sim.peek(0x8a, i), s.stored[i]) << i;
        EXPECT_EQ(ui->EditTMax->GetInt(), s.shownTMax);
        EXPECT_EQ(ui->DrawGridTemp->RowCount(), s.stored[4] + 1);
        EXPECT_EQ(editor->SensorRow, 1);
    }
}

} // namespace
