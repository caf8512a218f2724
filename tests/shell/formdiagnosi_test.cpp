// The diagnosis window on the simulated unit.
#include "servicefixture.h"

#include "controls/numericedit.h"
#include "formdiagnosi.h"
#include "ui_FormDiagnosi.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QStyleOptionComboBox>
#include <QStyleOptionViewItem>
#include <QTest>

namespace {

constexpr int kStates = 0x39;
constexpr int kEnables = 0x3a;
constexpr int kActions = 0x31;

class Diagnosis : public ServiceTest {
protected:
    Diagnosis() {
        // Every check enabled, thresholds of the default configuration.
        sim.poke(kEnables, 0, 0xff);
        sim.poke(kEnables, 1, 0x1f);
        readUnit();
    }
    ~Diagnosis() override {
        if (window)
            window->close();
    }
    TFormDiagnosi& open() {
        window = std::make_unique<TFormDiagnosi>(nullptr);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ProcessEvents();
        return *window;
    }
    QTableWidget* list() const { return window->ui()->ListDiagnosi; }
    std::string cell(int row, int column) const { return text(list()->item(row, column)->text()); }
    bool boxed(int row) const { return list()->item(row, 0)->checkState() == Qt::Checked; }
    void clickRow(int row, int column) {
        const QRect r = list()->visualItemRect(list()->item(row, column));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void key(QWidget* w, Qt::Key k) { QTest::keyClick(w, k); }
    // The action combo has the focus, or its list that it opens on entry.
    bool onCombo() const {
        QComboBox* combo = window->ui()->ComboAzione;
        return combo->hasFocus() || combo->view()->isVisible();
    }
    // One refresh of the timer.
    void tick(uint32_t afterMs = 4000) {
        clock.advance(afterMs);
        window->TimerTimer();
    }

    std::unique_ptr<TFormDiagnosi> window;
};

TEST_F(Diagnosis, ActivationFillsTheListFromTheUnitAndWritesNothing) {
    sim.poke(kStates, 0, 0x02);
    sim.poke(0x4d, 0, 0x0a);             // gas injectors 2 and 4
    sim.poke(kActions, 3 * 1 + 0, 0x08); // plane 1, word 0: row 3 action 2
    sim.poke(kActions, 0, 0x01);         // plane 0, word 0: row 0 ...
    sim.poke(kActions, 3 * 2 + 0, 0x01); // ... and plane 2: code 5, no name
    sim.poke(kEnables, 1, 0x1b);         // row 10 off
    readUnit();
    sim.clearCallLog();

    open();
    EXPECT_TRUE(calls({"Write"}).empty()) << "filling the list writes nothing";
    EXPECT_EQ(cell(1, 0), "Iniettori gas (2, 4)");
    EXPECT_EQ(cell(1, 1), "ERRORE");
    EXPECT_EQ(cell(2, 1), "OK");
    EXPECT_EQ(cell(3, 2), "Forzato benz");
    EXPECT_EQ(cell(2, 2), "Nessuna");
    EXPECT_EQ(cell(0, 2), "5") << "a code without a name shows as its number";
    EXPECT_EQ(window->SelectedRow(), 0);
    EXPECT_EQ(window->ui()->ComboAzione->currentIndex(), -1) << "and selects no name";
    EXPECT_TRUE(boxed(9));
    EXPECT_FALSE(boxed(10));
    EXPECT_EQ(text(window->ui()->LabelAbilitazDiagnosi->text()), "= controllo abilitato");

    // The list sits centred in the window; each field over its row.
    const QRect l = list()->geometry();
    EXPECT_NEAR(l.left(), window->width() - l.right() - 1, 1);
    for (int row : {5, 6, 8, 9}) {
        const QRect field = window->ThresholdField(row)->geometry();
        const QRect r = list()->visualItemRect(list()->item(row, 0));
        EXPECT_EQ(field.top(), list()->viewport()->mapTo(window.get(), r.topLeft()).y()) << row;
        EXPECT_TRUE(field.isValid() && field.right() < l.left() + l.width() * 60 / 100 + 4);
    }
}

// The room the list gives a cell's text: from where the style starts it to
// the cell's end, less the margins the style draws the text within.
int TextRoom(const QTableWidget& list, const QTableWidgetItem& item) {
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualItemRect(&item);
    option.font = list.font();
    option.text = item.text();
    option.features = QStyleOptionViewItem::HasDisplay;
    if (item.flags() & Qt::ItemIsUserCheckable || item.data(Qt::CheckStateRole).isValid())
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    // The style sizes the text's rectangle to the text; it starts after the
    // check box and may run to the cell's end.
    const QRect text = list.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &list);
    return option.rect.x() + option.rect.width() - text.x() - 2 * margin;
}

// The room the action list over the selected row gives its chosen text.
int TextRoom(const QComboBox& combo) {
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.subControls = QStyle::SC_All;
    option.frame = true;
    return combo.style()
               ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo)
               .width() -
           2;
}

// Every text of the list and of the action list fits its room, in both
// languages, at the font the window takes on the screen; the list stays
// inside the window.
TEST_F(Diagnosis, TextsFitTheirColumns) {
    const int language = LanguageIndex;
    sim.poke(kStates, 0, 0x01); // row 0 in error
    readUnit();
    for (int l : {0, 1}) {
        SCOPED_TRACE(l);
        LanguageIndex = l;
        TFormDiagnosi& w = open();
        ASSERT_EQ(TFormDiagnosi::ActionNames[1], l ? "Switch to petr" : "Passaggio benz");
        QTableWidget& rows = *list();
        const QFontMetrics metrics(rows.font());
        for (int r = 0; r < rows.rowCount(); ++r) {
            for (int c = 0; c < 3; ++c) {
                const QTableWidgetItem& item = *rows.item(r, c);
                int room = TextRoom(rows, item);
                if (c == 0 && w.ThresholdField(r)) // the field covers the cell's right end
                    room -= w.ThresholdField(r)->width() + 2;
                EXPECT_LE(metrics.horizontalAdvance(item.text()), room)
                    << text(item.text()) << " row " << r;
            }
        }
        // Each action name, in the list's cells and in the list over the row.
        QComboBox& combo = *w.ui()->ComboAzione;
        const QFontMetrics comboMetrics(combo.font());
        for (int i = 0; i < combo.count(); ++i) {
            rows.item(0, 2)->setText(combo.itemText(i));
            EXPECT_LE(metrics.horizontalAdvance(combo.itemText(i)),
                      TextRoom(rows, *rows.item(0, 2)))
                << text(combo.itemText(i));
            EXPECT_LE(comboMetrics.horizontalAdvance(combo.itemText(i)), TextRoom(combo))
                << text(combo.itemText(i));
        }
        EXPECT_GE(rows.x(), 0);
        EXPECT_LE(rows.x() + rows.width(), w.width());
        window->close();
        window.reset();
    }
    LanguageIndex = language;
}

TEST_F(Diagnosis, BoxAndRowClicksToggleThroughOnePath) {
    open();
    sim.clearCallLog();
    clickRow(2, 0);
    EXPECT_EQ(
        calls({"WriteParamItem(0x3a", "WriteParamItem(0x39"}),
        (std::vector<std::string>{"WriteParamItem(0x3a,0,251)=1", "WriteParamItem(0x39,0,0)=1"}));
    EXPECT_FALSE(boxed(2));
    EXPECT_EQ(sim.peek(kEnables, 0), 0xfb);

    clickRow(2, 2); // anywhere on the row
    EXPECT_TRUE(boxed(2));
    list()->setCurrentCell(11, 0);
    key(list(), Qt::Key_Return);
    EXPECT_FALSE(boxed(11));
    EXPECT_EQ(sim.peek(kEnables, 1), 0x17);

    sim.refuseWritesTo(kEnables);
    clickRow(4, 1);
    EXPECT_TRUE(boxed(4)) << "a refused enable springs back";
    EXPECT_EQ(sim.peek(kEnables, 0), 0xff);
}

TEST_F(Diagnosis, ActionChoicesAreWrittenAndRefusedOnesSpringBack) {
    open();
    QComboBox* combo = window->ui()->ComboAzione;
    list()->setCurrentCell(3, 0);
    EXPECT_EQ(combo->geometry().top(),
              list()
                  ->viewport()
                  ->mapTo(window.get(), list()->visualItemRect(list()->item(3, 2)).topLeft())
                  .y());
    sim.clearCallLog();
    combo->activated(2);
    EXPECT_EQ(
        calls({"WriteParamCell"}),
        (std::vector<std::string>{"WriteParamCell(0x31,0,0,0)=1", "WriteParamCell(0x31,1,0,8)=1",
                                  "WriteParamCell(0x31,2,0,0)=1"}));
    EXPECT_EQ(cell(3, 2), "Forzato benz");

    sim.refuseWritesTo(kActions);
    combo->activated(1);
    EXPECT_EQ(cell(3, 2), "Forzato benz") << "refused: the row keeps the unit's action";
    EXPECT_EQ(combo->currentIndex(), 2);
    sim.refuseWritesTo(kActions, false);

    // The keyboard: Up/Down only show, Enter commits, leaving shows the row's again.
    combo->setFocus();
    combo->hidePopup();
    key(combo, Qt::Key_Up);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(sim.peek(kActions, 3), 0x08) << "nothing written yet";
    list()->setFocus();
    EXPECT_EQ(combo->currentIndex(), 2);
    combo->setFocus();
    combo->hidePopup();
    key(combo, Qt::Key_Up);
    key(combo, Qt::Key_Up);
    key(combo, Qt::Key_Up);
    EXPECT_EQ(combo->currentIndex(), 0) << "stops at the first";
    key(combo, Qt::Key_Return);
    EXPECT_EQ(cell(3, 2), "Nessuna");
    EXPECT_EQ(sim.peek(kActions, 3), 0);
}

TEST_F(Diagnosis, ThresholdsShowWhatTheImageHolds) {
    open();
    TNumericEdit* field = window->ui()->EditTempAlta; // threshold 3, engine curve
    const struct {
        const char* typed;
        double written;
    } cases[] = {{"200", 180}, {"25", 25}, {"-40", -40}};
    for (const auto& c : cases) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, c.typed);
        key(field, Qt::Key_Return);
        EXPECT_EQ(sim.peek(0x51, 3), data->ConvertTempMotoreToRaw(float(c.written))) << c.typed;
        EXPECT_EQ(field->GetDouble(), std::round(double(data->GetTempDiagnosi(3)) * 100) / 100)
            << c.typed;
        EXPECT_EQ(window->SelectedRow(), 9);
        EXPECT_TRUE(onCombo()) << "Enter goes on to the action";
        window->ui()->ComboAzione->hidePopup();
    }
    const std::string before = text(field->text());
    field->setFocus();
    QTest::keyClicks(field, "ab");
    EXPECT_EQ(text(field->text()), before) << "letters do not go in";

    sim.refuseWritesTo(0x51);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "90");
    key(field, Qt::Key_Return);
    EXPECT_EQ(text(field->text()), before) << "refused: the image's value again";
}

TEST_F(Diagnosis, ErrorResetClearsTheUnitAndAFaultReturnsWhileItsCauseHolds) {
    sim.setInjectorFaults(0, 0x05); // petrol injectors 1 and 3
    clock.advance(1000);
    open();
    EXPECT_EQ(cell(12, 0), "Iniettori benzina (1, 3)");
    EXPECT_EQ(cell(12, 1), "ERRORE");
    sim.setInjectorFaults(0, 0);
    sim.poke(0x5e, 0, 0);
    sim.setSensorOpen(16); // rows 7 and 8
    tick();
    EXPECT_EQ(cell(7, 1), "ERRORE");

    sim.clearCallLog();
    window->ui()->ButtonAzzeraErrori->click();
    EXPECT_EQ(calls({"WriteParamItem(0x39"}).size(), 5u);
    EXPECT_EQ(sim.peek(kStates, 0), 0);
    for (int row = 0; row < TFormDiagnosi::kRows; ++row)
        EXPECT_EQ(cell(row, 1), "OK") << row;
    EXPECT_EQ(cell(12, 0), "Iniettori benzina") << "the injector list goes";

    tick();
    EXPECT_EQ(cell(7, 1), "ERRORE") << "back while the sensor is open";
    EXPECT_EQ(cell(8, 1), "ERRORE");
    EXPECT_EQ(cell(12, 1), "OK");

    sim.clearCallLog();
    tick();
    EXPECT_TRUE(calls({"Write"}).empty());
    sim.setAbsent(true);
    tick(); // not answering: skipped, no message
    EXPECT_EQ(cell(7, 1), "ERRORE");
}

TEST_F(Diagnosis, RunningTimesAndTheirReset) {
    sim.poke(0x79, 0, 200); // a clock on which one count is one minute
    readUnit();
    open();
    const struct {
        int minutes;
        const char* shown;
    } cases[] = {{0, "0 : 00"}, {59, "0 : 59"}, {125, "2 : 05"}, {600, "10 : 00"}};
    for (const auto& c : cases) {
        sim.poke(0x3b, 0, c.minutes);
        sim.poke(0x3c, 0, c.minutes + 1);
        window->RefreshList();
        EXPECT_EQ(text(window->ui()->LabelTGas->text()), c.shown);
    }
    EXPECT_EQ(text(window->ui()->LabelTBenz->text()), "10 : 01");

    modals.expectMessageBox(platform::IDNO, "Sei sicuro");
    window->ui()->ButtonAzzeraTempi->click();
    EXPECT_EQ(sim.peek(0x3b), 600);
    sim.refuseWritesTo(0x3c);
    modals.expectMessageBox(platform::IDYES, "Sei sicuro");
    window->ui()->ButtonAzzeraTempi->click();
    EXPECT_EQ(text(window->ui()->LabelTGas->text()), "0 : 00");
    EXPECT_EQ(text(window->ui()->LabelTBenz->text()), "10 : 01") << "the time the unit kept";
    EXPECT_FALSE(window->ui()->GroupTempi->isVisible());
}

TEST_F(Diagnosis, KeyboardMovesBetweenTheControls) {
    open();
    auto* ui = window->ui();
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto leaveCombo = [&] { ui->ComboAzione->hidePopup(); };
    list()->setFocus();
    list()->setCurrentCell(5, 0);
    key(list(), Qt::Key_Right);
    EXPECT_EQ(focused(), ui->EditTempBassaMot);
    key(ui->EditTempBassaMot, Qt::Key_Right);
    EXPECT_TRUE(onCombo());
    leaveCombo();
    key(ui->ComboAzione, Qt::Key_Left);
    EXPECT_EQ(focused(), ui->EditTempBassaMot);
    key(ui->EditTempBassaMot, Qt::Key_Left);
    EXPECT_EQ(focused(), list());
    key(list(), Qt::Key_Down);
    EXPECT_EQ(window->SelectedRow(), 6);
    key(list(), Qt::Key_Down);
    key(list(), Qt::Key_Right);
    EXPECT_TRUE(onCombo()) << "row 7 has no field";
    leaveCombo();
    key(ui->ComboAzione, Qt::Key_Left);
    EXPECT_EQ(focused(), list());
    key(list(), Qt::Key_Left);
    EXPECT_TRUE(onCombo());
    leaveCombo();
    key(ui->ComboAzione, Qt::Key_Right);
    EXPECT_EQ(focused(), list());
    list()->setCurrentCell(8, 0);
    ui->EditTempBassa->setFocus();
    key(ui->EditTempBassa, Qt::Key_Up);
    EXPECT_EQ(focused(), list());
    ui->EditTempBassa->setFocus();
    key(ui->EditTempBassa, Qt::Key_Down);
    EXPECT_TRUE(onCombo());
    leaveCombo();
}

} // namespace
