// The editor's pages and live values on the program's own start-up: page
// keys and tabs, the guard of a running calibration, the live bar from
// real-time block 1 on the virtual clock, and one field of every page
// written to the unit.
#include "editorfixture.h"
#include "programfixture.h"

#include "formmain.h"
#include "livestate.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"
#include "ui_FormMain.h"

#include "controls/keycombobox.h"
#include "controls/numericedit.h"
#include "core/iodata.h"
#include "core/realtime.h"
#include "platform/cp1252.h"
#include "platform/numbers.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QString text(const QLabel* label) {
    return label->text();
}

QColor colour(const QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

QColor background(const QWidget* w) {
    return w->palette().color(QPalette::Base);
}

void enter(TNumericEdit* edit, const QString& typed) {
    edit->setFocus();
    edit->setText(typed);
    QTest::keyClick(edit, Qt::Key_Return);
}

void choose(TKeyComboBox* combo, int item) {
    combo->setFocus();
    combo->setCurrentIndex(item);
    char key = 13;
    emit combo->keyPressed(combo, key);
}

class PagesRoad : public ProgramTest {
protected:
    PagesRoad() { RegisterFormConfig(); }
    ~PagesRoad() override { shell::RegisterConfigEditor({}); }

    // Runs `inside` on the editor opened from the main menu of a connected
    // program, its timer stopped so the test fires the ticks.
    void inEditor(std::function<void(TFormConfig&)> inside) {
        runProgram({
            [&] { return connectedShown(); },
            [&] {
                modals.expectModal(
                    [&](QDialog& d) {
                        auto* editor = dynamic_cast<TFormConfig*>(&d);
                        EXPECT_NE(editor, nullptr);
                        if (editor) {
                            editor->Timer1->stop();
                            inside(*editor);
                        }
                        return int(QDialog::Accepted);
                    },
                    "TFormConfig");
                FormMain->LabelClick(FormMain->ui()->LabelConfig);
                if (StreamDati->IsModified())
                    modals.expectMessageBox(platform::IDNO, "Salvare i dati");
                return true;
            },
        });
    }

    // Block 1 as the unit answers it from now on.
    void block1(std::vector<uint8_t> bytes) {
        bytes.resize(kBlock1Size, 0);
        sim.freezeRealTime(1, bytes);
    }

    void tick(TFormConfig& editor) {
        editor.Timer1Timer();
        ProcessEvents();
    }
};

QWidget* active(TFormConfig& e) {
    return e.ui()->PageControl->ActivePage();
}

TEST_F(PagesRoad, PageKeysStepThroughTheVisibleTabsBeforeGridsAndCombos) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        const std::vector<QWidget*> visible = {ui.TabCambio,  ui.TabLambda,        ui.TabEmissioni,
                                               ui.TabSensore, ui.TabKCoefficienti, ui.TabAutoTar};
        const struct {
            int key;
            Qt::KeyboardModifiers shift;
            QWidget* from;
            QWidget* to;
        } cases[] = {
            {Qt::Key_F1, {}, ui.TabAutoTar, ui.TabCambio},
            {Qt::Key_F3, {}, ui.TabCambio, ui.TabEmissioni},
            {Qt::Key_F6, {}, ui.TabCambio, ui.TabAutoTar},
            {Qt::Key_F7, {}, ui.TabLambda, ui.TabCambio}, // past the last visible: wraps
            {Qt::Key_PageDown, {}, ui.TabAutoTar, ui.TabCambio},
            {Qt::Key_PageDown, {}, ui.TabLambda, ui.TabEmissioni}, // over the hidden TabTps
            {Qt::Key_PageUp, {}, ui.TabCambio, ui.TabAutoTar},
            {Qt::Key_PageUp, Qt::ControlModifier, ui.TabSensore, ui.TabCambio},
            {Qt::Key_PageDown, Qt::ControlModifier, ui.TabLambda, ui.TabAutoTar},
        };
        for (const auto& c : cases) {
            ui.PageControl->SetActivePage(c.from);
            QTest::keyClick(&e, Qt::Key(c.key), c.shift);
            EXPECT_EQ(active(e), c.to) << c.key << " from " << c.from->objectName().toStdString();
        }
        // Alt+F2 is not a page key.
        ui.PageControl->SetActivePage(ui.TabCambio);
        QTest::keyClick(&e, Qt::Key_F2, Qt::AltModifier);
        EXPECT_EQ(active(e), ui.TabCambio);

        // The map grid and a combo never see the page keys.
        ui.PageControl->SetActivePage(ui.TabKCoefficienti);
        ui.DrawGridK->setFocus();
        ui.DrawGridK->SetCurrent(1, 1);
        QTest::keyClick(ui.DrawGridK, Qt::Key_PageDown);
        EXPECT_EQ(active(e), ui.TabAutoTar);
        EXPECT_EQ(ui.DrawGridK->Row(), 1);
        ui.PageControl->SetActivePage(ui.TabLambda);
        ui.ComboTipoLambda->setFocus();
        const int item = ui.ComboTipoLambda->currentIndex();
        QTest::keyClick(ui.ComboTipoLambda, Qt::Key_PageUp);
        EXPECT_EQ(active(e), ui.TabCambio);
        EXPECT_EQ(ui.ComboTipoLambda->currentIndex(), item);
        EXPECT_EQ(int(visible.size()), ui.PageControl->VisibleTabCount());
    });
}

TEST_F(PagesRoad, EveryPageShowsWithoutWritingAndOneFieldOfEachReachesTheUnit) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        ASSERT_EQ(StreamDati->GetValue(0x230001a), 0); // no TPS switch
        sim.clearCallLog();
        for (int key = Qt::Key_F1; key <= Qt::Key_F6; ++key)
            QTest::keyClick(&e, Qt::Key(key));
        for (int i = 0; i < ui.PageControl->count(); ++i)
            if (ui.PageControl->widget(i) != ui.TabEsci)
                ui.PageControl->SetActivePage(ui.PageControl->widget(i));
        for (int i = 0; i < ui.PageControlK->count(); ++i)
            ui.PageControlK->SetActivePage(ui.PageControlK->widget(i));
        ui.PageControlK->SetActivePage(ui.TabKOpenLoop);
        EXPECT_EQ(sim.countCalls("Write"), 0);
        EXPECT_EQ(sim.countCalls("SendCommand"), 0);

        // One field per page, by Enter or a click, found in the unit.
        const auto on = [&](QWidget* page) { ui.PageControl->SetActivePage(page); };
        const auto inUnit = [&](uint32_t id, double shown) {
            EXPECT_DOUBLE_EQ(double(StreamDati->GetValue(id)), shown) << std::hex << id;
            EXPECT_EQ(sim.peek(int(id & 0xff)), *StreamDati->GetParamAddress(id)) << std::hex << id;
        };
        on(ui.TabCambio);
        enter(ui.EditCilindrata, "1598");
        inUnit(587, 1598);
        EXPECT_EQ(ui.EditCilindrata->text(), "1598");
        on(ui.TabLambda);
        enter(ui.EditRitardoLbd, "12");
        inUnit(6, 12);
        on(ui.TabTps);
        ui.CheckDriveByWire1->click();
        EXPECT_EQ((*sim.peek(0x1a) >> 5) & 1, ui.CheckDriveByWire1->isChecked() ? 1 : 0);
        on(ui.TabEmissioni);
        enter(ui.EditNumeroIniettateSmagr, "9");
        inUnit(137, 9);
        on(ui.TabSensore);
        ui.CheckRitornoBenzina->setChecked(true);
        ui.CheckRitornoBenzina->click(); // off: 255, the time kept
        EXPECT_EQ(sim.peek(0x3e), 255);
        ui.CheckRitornoBenzina->click();
        EXPECT_GE(*sim.peek(0x3e), 1);
        EXPECT_NE(sim.peek(0x3e), 255);
        on(ui.TabPressione);
        enter(ui.EditOffsetDiff, "321");
        EXPECT_EQ(StreamDati->GetOffsetPendenzaMap(4), 321);
        EXPECT_EQ(sim.peek(0x78, 4), 321);
        on(ui.TabKCoefficienti);
        EXPECT_FALSE(ui.ButtonCommutatore->isVisibleTo(ui.TabKCoefficienti));
        ui.ButtonTaratura->click(); // calibration on
        EXPECT_TRUE(StreamDati->GetFlag(4));
        EXPECT_TRUE(ui.ButtonCommutatore->isVisibleTo(ui.TabKCoefficienti));
        EXPECT_EQ(ui.ButtonTaratura->text(), "&Termina taratura");
        ui.ButtonTaratura->click();
        EXPECT_FALSE(StreamDati->GetFlag(4));
        on(ui.TabCorrezioni);
        enter(ui.EditGiriKFiltro, "2500");
        inUnit(653, 2500);
        on(ui.TabIniezione);
        enter(ui.EditValPercHoldingCurrent, "40");
        inUnit(119, 40);
        on(ui.TabTaratura);
        enter(ui.EditSafetyTime, "17");
        inUnit(122, 17);
        on(ui.TabAutoTar);
        const int cell = StreamDati->GetMappaK(7, 2); // band 2, off idle
        enter(ui.EditCorrCarbMedioFM, "3");
        EXPECT_EQ(sim.peek(0x95, 2 * 4 + 1), 3);
        EXPECT_EQ(sim.peek(0x54, 7 * StreamDati->GetNumeroColonne() + 2), cell + 3);
        on(ui.TabTest);
        enter(ui.EditTestByte, "77");
        inUnit(23, 77);
    });
}

TEST_F(PagesRoad, LiveBarDecodesBlock1AndShortReadsKeepTheRest) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        const int clock = StreamDati->GetClock();
        const auto ms = [&](int raw) {
            return platform::toUnicode(platform::FloatToStrF(
                raw * 0.00025 * clock * 0.004, platform::TFloatFormat::ffFixed, 4, 2));
        };
        const QString degrees = QString::fromUtf8("\u00b0C");
        const auto engine = [&](int raw) {
            return QString::number(int(StreamDati->ConvertRawToTempMotore(raw))) + degrees;
        };
        const auto gas = [&](int raw) {
            return QString::number(int(StreamDati->ConvertRawToTempGas(raw))) + degrees;
        };
        // 2500 rpm, 5 V, gas 1200, petrol 1000, open loop on gas with
        // lambda shown, no gas temperature, 12.34 bar, engine byte 100.
        block1({0xc4, 0x09, 255, 0, 0, 0, 0xb0, 0x04, 0xe8, 0x03, 0, 0x32, 0, 0, 0xd2, 0x04, 100});
        tick(e);
        EXPECT_EQ(text(ui.LabGiri), "2500rpm");
        EXPECT_EQ(text(ui.LabLambda), "5,00V");
        EXPECT_EQ(colour(ui.LabLambda), kRed); // 0-1 V probe: above its reference
        EXPECT_TRUE(ui.LabLambda->isEnabled());
        EXPECT_EQ(text(ui.LabApMot), ms(1200));
        EXPECT_EQ(text(ui.LabApMotBenz), ms(1000));
        EXPECT_EQ(text(ui.LabPressione), "1,23bar");
        EXPECT_EQ(text(ui.LabTemp), "n.d.");
        EXPECT_EQ(text(ui.LabTempMot), engine(100));
        EXPECT_EQ(text(ui.LabGas), "GAS");
        EXPECT_EQ(colour(ui.LabGas), kGreen);
        EXPECT_TRUE(ui.LabOpenLoop->isVisibleTo(ui.PanelBarra));
        EXPECT_FALSE(ui.LabCutoff->isVisibleTo(ui.PanelBarra));
        EXPECT_EQ(e.LiveSensorRaw, 100);
        // One bank: the second bank's labels stay hidden whatever comes.
        EXPECT_FALSE(ui.LabLambda2->isVisibleTo(ui.PanelBarra));

        // Petrol, cut-off, lambda greyed and low, a pressure below 10 raw.
        block1({0x20, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x04, 80, 0, 9, 0, 0});
        tick(e);
        EXPECT_EQ(text(ui.LabGiri), "800rpm");
        EXPECT_EQ(colour(ui.LabLambda), kGreen);
        EXPECT_FALSE(ui.LabLambda->isEnabled());
        EXPECT_EQ(text(ui.LabPressione), "n.d.");
        EXPECT_EQ(text(ui.LabTemp), gas(80));
        EXPECT_EQ(text(ui.LabTempMot), "n.d.");
        EXPECT_EQ(text(ui.LabGas), "BENZINA");
        EXPECT_EQ(colour(ui.LabGas), kRed);
        EXPECT_TRUE(ui.LabCutoff->isVisibleTo(ui.PanelBarra));
        EXPECT_FALSE(ui.LabOpenLoop->isVisibleTo(ui.PanelBarra));

        // A read of 10 bytes: speed, lambda and times; the status, the
        // temperatures and the pressure keep their values.
        sim.setRealTimeLength(10);
        block1({0x88, 0x13, 0, 0, 0, 0, 0x10, 0, 0x20, 0, 0x10, 0x10, 1, 1, 0xff, 0x7f, 1});
        tick(e);
        EXPECT_EQ(text(ui.LabGiri), "5000rpm");
        EXPECT_EQ(text(ui.LabApMotBenz), ms(32));
        EXPECT_EQ(text(ui.LabGas), "BENZINA");
        EXPECT_EQ(text(ui.LabTemp), gas(80));
        EXPECT_EQ(text(ui.LabPressione), "n.d.");
        sim.setRealTimeLength(0);

        // Two banks: lambda 2 from 22 bytes; times of bank 2 need 26 and 30.
        EXPECT_TRUE(StreamDati->SetNumeroSonde(2));
        e.LiveBarLayout();
        EXPECT_TRUE(ui.LabLambda2->isVisibleTo(ui.PanelBarra));
        sim.setRealTimeLength(22);
        std::vector<uint8_t> two(30, 0);
        two[21] = 51; // 1 V
        two[24] = 0x10;
        two[28] = 0x20;
        block1(two);
        tick(e);
        EXPECT_EQ(text(ui.LabLambda2), "1,00V");
        EXPECT_EQ(text(ui.LabApMot2), "0,00");
        sim.setRealTimeLength(30);
        tick(e);
        EXPECT_EQ(text(ui.LabApMot2), ms(16));
        EXPECT_EQ(text(ui.LabApMot2Benz), ms(32));
        sim.setRealTimeLength(0);
        EXPECT_TRUE(StreamDati->SetNumeroSonde(1));
        e.LiveBarLayout();
        EXPECT_FALSE(ui.LabApMot2->isVisibleTo(ui.PanelBarra));
        EXPECT_EQ(ui.LabApMot->x(), (e.LabApMotLeft + e.LabApMot2Left) / 2);
    });
}

TEST_F(PagesRoad, MapCursorFollowsTheEngineAndTheZoneIsColoured) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        ui.PageControl->SetActivePage(ui.TabKCoefficienti);
        ProcessEvents();
        // At the references of map cell (2, 4): the centre of grid cell (3, 5).
        const int rpm = StreamDati->GetRifGiriK(2);
        const int raw = int(std::lround(double(StreamDati->GetRifTempiK(4)) /
                                        (0.00025 * StreamDati->GetClock() * 0.004)));
        const auto frame = [](int rpm, int raw, int status) {
            return std::vector<uint8_t>{uint8_t(rpm),
                                        uint8_t(rpm >> 8),
                                        0,
                                        0,
                                        0,
                                        0,
                                        0,
                                        0,
                                        uint8_t(raw),
                                        uint8_t(raw >> 8),
                                        0,
                                        uint8_t(status)};
        };
        block1(frame(rpm, raw, 0x10));
        tick(e);
        ASSERT_TRUE(ui.DrawGridK->CursorPoint());
        const QRect cell = ui.DrawGridK->CellRect(3, 5);
        EXPECT_NEAR(ui.DrawGridK->CursorPoint()->x(), cell.left() + cell.width() / 2, 1);
        EXPECT_NEAR(ui.DrawGridK->CursorPoint()->y(), cell.top() + cell.height() / 2, 2);
        EXPECT_EQ(ui.DrawGridK->CursorColor(), QColor(0, 255, 0)); // on gas, closed loop
        // Far above the last column: on the right edge of the last column.
        block1(frame(12000, raw, 0));
        tick(e);
        const QRect last = ui.DrawGridK->CellRect(StreamDati->GetNumeroColonne(), 5);
        EXPECT_NEAR(ui.DrawGridK->CursorPoint()->x(), last.left() + last.width(), 1);
        EXPECT_EQ(ui.DrawGridK->CursorColor(), kRed); // petrol

        // The zone of the point on the correction page: band 1 off idle.
        ui.PageControl->SetActivePage(ui.TabAutoTar);
        block1(frame(StreamDati->GetRifGiriK(3),
                     int(std::lround(double(StreamDati->GetRifTempiK(4)) /
                                     (0.00025 * StreamDati->GetClock() * 0.004))),
                     0x10));
        tick(e);
        EXPECT_EQ(background(ui.EditCorrCarbBassoFM), kRed);
        EXPECT_EQ(background(ui.EditCorrCarbMinimoM), QColor(255, 255, 255));
        block1(frame(StreamDati->GetRifGiriK(0), 0, 0x10)); // idle column, band 0
        tick(e);
        EXPECT_EQ(background(ui.EditCorrCarbMinimoM), kRed);
        EXPECT_EQ(background(ui.EditCorrCarbBassoFM), QColor(255, 255, 255));
    });
}

TEST_F(PagesRoad, GuardAsksBeforeLeavingARunningCalibration) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        ui.PageControl->SetActivePage(ui.TabKCoefficienti);
        ui.ButtonTaratura->click();
        ASSERT_TRUE(StreamDati->GetFlag(4));

        // No: the key, the tab and closing are refused, one question each.
        modals.expectMessageBox(platform::IDNO, "Procedendo");
        QTest::keyClick(&e, Qt::Key_F1);
        EXPECT_EQ(active(e), ui.TabKCoefficienti);
        QTabBar* tabs = ui.PageControl->tabBar();
        modals.expectMessageBox(platform::IDNO, "Procedendo");
        QTest::mouseClick(tabs, Qt::LeftButton, {},
                          tabs->tabRect(ui.PageControl->indexOf(ui.TabLambda)).center());
        EXPECT_EQ(active(e), ui.TabKCoefficienti);
        modals.expectMessageBox(platform::IDNO, "Procedendo");
        e.close();
        EXPECT_TRUE(e.isVisible());
        modals.expectMessageBox(platform::IDNO, "Procedendo");
        QTest::keyClick(&e, Qt::Key_Escape);
        EXPECT_TRUE(e.isVisible());
        EXPECT_TRUE(StreamDati->GetFlag(4));
        EXPECT_EQ(modals.pendingExpectations(), 0u);

        // Yes on a tab click: the calibration ends and the page changes.
        modals.expectMessageBox(platform::IDYES, "Procedendo");
        QTest::mouseClick(tabs, Qt::LeftButton, {},
                          tabs->tabRect(ui.PageControl->indexOf(ui.TabLambda)).center());
        EXPECT_EQ(active(e), ui.TabLambda);
        EXPECT_FALSE(StreamDati->GetFlag(4));
        EXPECT_EQ(ui.ButtonTaratura->text(), "&Inizia taratura");

        // A unit that refuses to end it: Yes, yet the page stays.
        ui.PageControl->SetActivePage(ui.TabKCoefficienti);
        ui.ButtonTaratura->click();
        ASSERT_TRUE(StreamDati->GetFlag(4));
        sim.refuseAllWrites();
        modals.expectMessageBox(platform::IDYES, "Procedendo");
        QTest::keyClick(&e, Qt::Key_PageUp);
        EXPECT_EQ(active(e), ui.TabKCoefficienti);
        EXPECT_EQ(ui.ButtonTaratura->text(), "&Termina taratura");
        sim.refuseAllWrites(false);
        modals.expectMessageBox(platform::IDYES, "Procedendo");
        QTest::keyClick(&e, Qt::Key_PageUp);
        EXPECT_EQ(active(e), ui.TabSensore);
    });
}

TEST_F(PagesRoad, LostLinkShowsOneBoxPerLossAndKeepsTheValues) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        block1({0xc4, 0x09});
        tick(e);
        ASSERT_EQ(text(ui.LabGiri), "2500rpm");

        // The link answers again at once but its second read fails: nothing
        // is decoded and the user is told; the next good read counts.
        block1({0x10, 0x27});
        sim.failRealTimeReads(2);
        modals.expectMessageBox(platform::IDOK, "disconnessa");
        tick(e);
        EXPECT_EQ(text(ui.LabGiri), "2500rpm");
        EXPECT_EQ(modals.pendingExpectations(), 0u);
        tick(e);
        EXPECT_EQ(text(ui.LabGiri), "10000rpm");

        // A unit gone for good: 4 s of polling, one box, and Timer1 firing
        // while the box is open runs no second tick.
        block1({0x20, 0x03});
        sim.setAbsent(true);
        sim.clearCallLog();
        int readsInside = -1;
        modals.expectMessageBox(platform::IDOK, "disconnessa", [&] {
            const int before = sim.countCalls("ReadRealTimeBlock");
            e.Timer1Timer();
            readsInside = sim.countCalls("ReadRealTimeBlock") - before;
        });
        const uint64_t slept = clock.sleptTotal();
        tick(e);
        EXPECT_EQ(readsInside, 0);
        EXPECT_GE(clock.sleptTotal() - slept, 4000u);
        EXPECT_EQ(text(ui.LabGiri), "10000rpm");
        EXPECT_EQ(modals.pendingExpectations(), 0u);
        // The link reports no connection now: the bar keeps its values, no box.
        tick(e);
        EXPECT_EQ(text(ui.LabGiri), "10000rpm");
        sim.setAbsent(false);
    });
}

TEST_F(PagesRoad, LambdaTypeWritesItsDefaultsFromTheTick) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        ui.PageControl->SetActivePage(ui.TabLambda);
        choose(ui.ComboTipoLambda, 1); // 0 - 5 V
        EXPECT_EQ(sim.peek(0x04), 40);
        EXPECT_EQ(background(ui.EditRifLambda), QColor(227, 227, 227));
        tick(e);
        EXPECT_EQ(background(ui.EditRifLambda), QColor(255, 255, 255));
        EXPECT_EQ(ui.EditRifLambda->text(), "2,5");
        EXPECT_NEAR(double(StreamDati->GetValue(71)), 4.9, 0.02);

        // Refused: tried on every tick, given up after ten with the image shown.
        sim.refuseWritesTo(0x05);
        choose(ui.ComboTipoLambda, 3); // 0.8 - 1.6 V
        sim.clearCallLog();
        for (int i = 0; i < 9; ++i)
            tick(e);
        EXPECT_EQ(background(ui.EditRifLambda), QColor(227, 227, 227));
        EXPECT_EQ(sim.countCalls("WriteParam(0x5,"), 9);
        tick(e);
        EXPECT_EQ(background(ui.EditRifLambda), QColor(255, 255, 255));
        EXPECT_EQ(ui.EditRifLambda->text(), "2,5");
        tick(e);
        EXPECT_EQ(sim.countCalls("WriteParam(0x5,"), 10);
    });
}

TEST(LiveAxis, PointsSitAtTheReferencesAndTheBoundariesOnTheEdges) {
    TLiveAxis cols;
    cols.Ref = {1000, 2000, 3000};
    cols.Bound = {0, 1500, 2500, 3500};
    const struct {
        double v;
        int cell;
        int offset; // in a cell 40 pixels wide
    } cases[] = {
        {1000, 0, 20}, {500, 0, 10},  {0, 0, 0},     {1500, 1, 0},  {1499, 0, 39},
        {2000, 1, 20}, {2250, 1, 30}, {3500, 2, 40}, {9000, 2, 40},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AxisCell(cols, c.v), c.cell) << c.v;
        EXPECT_EQ(AxisOffset(cols, AxisCell(cols, c.v), c.v, 20), c.offset) << c.v;
    }
    // A reference on its boundary: the middle of the cell, never a division.
    TLiveAxis flat;
    flat.Ref = {0, 0};
    flat.Bound = {0, 0, 1000};
    EXPECT_EQ(AxisOffset(flat, AxisCell(flat, 0), 0, 20), 20);
    // No columns: no cell, no point.
    EXPECT_EQ(AxisCell(TLiveAxis{}, 100), -1);
    EXPECT_FALSE(MapPoint(TLiveAxis{}, cols, 100, 1, [](int, int) { return QRect(0, 0, 40, 20); }));
    // Boundaries strictly above: a value on one belongs to the next.
    EXPECT_EQ(FirstAbove({100, 200, 300}, 200, 3), 2);
    EXPECT_EQ(FirstAbove({100, 200, 300}, 300, 3), 3);
}

TEST(LiveAxis, AnUnchangedPointIsWorkedOutAgainEvery51stTick) {
    TUnchangedPoint p;
    EXPECT_TRUE(p.Changed(1000, 2.0));
    int again = 0;
    for (int i = 1; i <= 102; ++i)
        again += p.Changed(1000, 2.0) ? i : 0;
    EXPECT_EQ(again, 51 + 102);
    EXPECT_TRUE(p.Changed(1001, 2.0));
}

} // namespace

namespace {

TEST_F(PagesRoad, LevelOrderPressureFlagsTpsSwitchAndTheExitPage) {
    inEditor([&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        // Thresholds not strictly in order: told, nothing written.
        ui.PageControl->SetActivePage(ui.TabSensore);
        const int before = StreamDati->GetRifSensore(2);
        const bool inverted = StreamDati->IsLevelSensorInverted();
        const int levels[] = {inverted ? 80 : 20, 40, 40, inverted ? 10 : 80};
        TNumericEdit* const edits[] = {ui.EditLivello1, ui.EditLivello2, ui.EditLivello3,
                                       ui.EditLivello4};
        for (int i = 0; i < 4; ++i)
            edits[i]->SetInt(levels[i]);
        sim.clearCallLog();
        modals.expectMessageBox(platform::IDOK, "LIVELLO");
        ui.ButtonAccetta->click();
        EXPECT_EQ(sim.countCalls("Write"), 0);
        EXPECT_EQ(StreamDati->GetRifSensore(2), before);
        edits[2]->SetInt(inverted ? 30 : 60);
        ui.ButtonAccetta->click();
        EXPECT_EQ(StreamDati->GetRifSensore(2), inverted ? 30 : 60);

        // Differential meter measuring differential pressure: bit 14 set, 13 clear.
        ui.PageControl->SetActivePage(ui.TabPressione);
        ui.ComboPressioneMisurata->setCurrentIndex(1);
        choose(ui.ComboMisuratorePressione, 1);
        EXPECT_TRUE(StreamDati->GetFlag(14));
        EXPECT_FALSE(StreamDati->GetFlag(13));
        EXPECT_EQ(ui.ComboPressioneMisurata->currentIndex(), 1);

        // A TPS switch clears and locks the blocked-TPS box.
        ui.PageControl->SetActivePage(ui.TabTps);
        if (!ui.CheckTpsBloc->isChecked())
            ui.CheckTpsBloc->click();
        ASSERT_EQ(StreamDati->GetValue(0x170001a), 1);
        choose(ui.ComboTpsSwitch, 1);
        EXPECT_EQ(StreamDati->GetValue(0x170001a), 0);
        EXPECT_FALSE(ui.CheckTpsBloc->isChecked());
        EXPECT_FALSE(ui.CheckTpsBloc->isEnabled());
        choose(ui.ComboTpsSwitch, 0);
        EXPECT_TRUE(ui.CheckTpsBloc->isEnabled());

        // The exit page closes the editor and leaves the change-over page shown.
        ui.PageControl->SetActivePage(ui.TabEsci);
        ProcessEvents();
        EXPECT_FALSE(e.isVisible());
        EXPECT_EQ(active(e), ui.TabCambio);
    });
}

} // namespace
