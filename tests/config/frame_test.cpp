// The editor's frame on its own: construction, the pages and their tabs, the
// grids fitted to every map geometry (none at all included), the correction
// tables moved onto their page, the cylinder list by model. Runs on an
// 800-pixel and a 1024-pixel screen.
#include "editorfixture.h"
#include "shellfixture.h"

#include "gridfit.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include "controls/numericedit.h"
#include "core/basario.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "language.h"
#include "platform/cp1252.h"

#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <limits>

namespace {

class Frame : public ShellTest {
protected:
    // Shows the editor modally and runs check on it while it is shown.
    void whileShown(TFormConfig& editor, std::function<void(TFormConfig&)> check) {
        modals.expectModal(
            [&](QDialog&) {
                check(editor);
                return int(QDialog::Accepted);
            },
            "TFormConfig");
        platform::ShowModal(editor);
    }
    static int width() { return shell::LayoutScreenWidth(); }

    ScriptedModals modals;
};

TEST_F(Frame, ShowingMakesTheEmulationAndMapTabsVisibleAndSizesTheTabs) {
    TFormConfig editor;
    TPageControl& pages = *editor.ui()->PageControl;
    EXPECT_EQ(VisibleTabTexts(pages),
              QStringList({"Cambio GAS", "Lambda", "Livello GAS", "Autocalibrazione"}));
    whileShown(editor, [&](TFormConfig& e) {
        EXPECT_EQ(pages.VisibleTabCount(), 6);
        EXPECT_TRUE(pages.TabVisible(e.ui()->TabEmissioni));
        EXPECT_TRUE(pages.TabVisible(e.ui()->TabKCoefficienti));
        // Tabs on the left share the strip's length; across it they are as
        // wide as laid out for 800 pixels, scaled to the screen.
        const int along = pages.height() / 6 - 1;
        for (int i = 0; i < pages.count(); ++i)
            if (pages.isTabVisible(i)) {
                EXPECT_EQ(pages.tabBar()->tabRect(i).height(), along) << i;
                EXPECT_EQ(pages.tabBar()->tabRect(i).width(), 140 * width() / 800) << i;
            }
        EXPECT_EQ(pages.font().pointSize(), width() * 10 / 800);
        // Controls the layout hides and the frame shows.
        for (QWidget* w : std::initializer_list<QWidget*>{
                 e.ui()->EditRitMin, e.ui()->ComboCambio, e.ui()->ComboNumeroSonde,
                 e.ui()->EditRitornoBenzina, e.ui()->EditTempoMortoGas})
            EXPECT_TRUE(w->isVisibleTo(PageOf(w))) << w->objectName().toStdString();
        EXPECT_EQ(e.ui()->ComboCarburante->x(), e.ui()->EditCilindrata->x());
    });
}

TEST_F(Frame, TheExitItemClosesTheWindowAndStopsItsTimer) {
    TFormConfig editor;
    bool shownRunning = false;
    modals.expectModal(
        [&](QDialog& d) {
            shownRunning = editor.Timer1->isActive();
            editor.ui()->MenuEsci->trigger();
            EXPECT_FALSE(d.isVisible());
            return int(QDialog::Accepted); // not used: the window is closed already
        },
        "TFormConfig");
    EXPECT_EQ(platform::ShowModal(editor), QDialog::Rejected);
    EXPECT_TRUE(shownRunning);
    EXPECT_FALSE(editor.Timer1->isActive());
}

// Up on the map's first row and Down on its last hand the focus to a control
// of the map page that shows it, never to the strip of the open-loop row,
// whose tabs are all hidden; no key of the user's turns that strip's page.
TEST_F(Frame, MapRowEndsHandTheFocusToAVisibleControlAndNoKeyTurnsTheHiddenStrip) {
    TFormConfig editor;
    whileShown(editor, [&](TFormConfig& e) {
        Ui::FormConfig& ui = *e.ui();
        ui.PageControl->SetActivePage(ui.TabKCoefficienti);
        TMapGrid& map = *ui.DrawGridK;
        TPageControl& strip = *ui.PageControlK;
        const auto arrows = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
        for (auto [key, row] :
             {std::pair{Qt::Key_Up, 1}, std::pair{Qt::Key_Down, map.RowCount() - 1}}) {
            SCOPED_TRACE(key == Qt::Key_Up ? "Up" : "Down");
            map.setFocus();
            map.SetCurrent(1, row);
            QTest::keyClick(&map, key);
            QWidget* focused = e.focusWidget();
            ASSERT_NE(focused, nullptr);
            EXPECT_NE(focused, &map);
            EXPECT_EQ(focused->parentWidget(), ui.TabKCoefficienti)
                << focused->metaObject()->className();
            EXPECT_TRUE(focused->isVisible());
            EXPECT_FALSE(focused->size().isEmpty());
            EXPECT_EQ(focused->focusProxy(), nullptr);
            EXPECT_FALSE(strip.isAncestorOf(focused) || focused == &strip);
            for (Qt::Key arrow : arrows)
                QTest::keyClick(e.focusWidget(), arrow);
            EXPECT_EQ(strip.ActivePage(), ui.TabKOpenLoop);
        }
        // Keys that would reach the strip all the same: on its own tabs, and
        // Ctrl+Tab inside the open-loop row.
        for (Qt::Key arrow : arrows)
            QTest::keyClick(strip.tabBar(), arrow);
        ui.DrawGridOpenLoop->setFocus();
        QTest::keyClick(ui.DrawGridOpenLoop, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(&strip, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(&strip, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(strip.ActivePage(), ui.TabKOpenLoop);
        EXPECT_EQ(strip.focusPolicy(), Qt::NoFocus);
        // The editor's page strip: Ctrl+Tab steps over its hidden tabs.
        ui.PageControl->SetActivePage(ui.TabLambda);
        QTest::keyClick(ui.PageControl, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(ui.PageControl->ActivePage(), ui.TabEmissioni);
    });
}

// The emulation table's row captions, whose font grows with the screen, fit
// their column in both languages; the table stays on its page.
TEST_F(Frame, EmulationCaptionsFitTheirColumn) {
    BindLanguageLibrary(); // a program run by an earlier test frees it at its end
    const int language = LanguageIndex;
    TFormConfig editor;
    const struct {
        int language;
        const char* probeRow;
    } languages[] = {{0, "Rif. sonda lambda (V)"}, {1, "Lambda probe ref. (V)"}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.probeRow);
        LanguageIndex = l.language;
        editor.LoadCaptions();
        whileShown(editor, [&](TFormConfig& e) {
            TMapGrid& table = *e.ui()->DrawGridEmissioni;
            const QFont font = table.CellFont(0);
            EXPECT_EQ(font.pointSize(), width() * 8 / 800);
            ASSERT_EQ(table.RowCount(), 2);
            EXPECT_EQ(table.CellText(0, 1), l.probeRow);
            for (int row = 0; row < table.RowCount(); ++row) {
                const QString caption = platform::toUnicode(table.CellText(0, row));
                EXPECT_LE(QFontMetrics(font).horizontalAdvance(caption),
                          table.CellRect(0, row).width())
                    << caption.toStdString();
            }
            EXPECT_GE(table.columnWidth(0), 150);
            EXPECT_GE(table.x(), 0);
            EXPECT_LE(table.x() + table.width(), e.ui()->TabEmissioni->width());
        });
    }
    LanguageIndex = language;
}

// The map grid fits its room for every geometry, headers only when the image
// has none; the open-loop row's columns line up under the map's.
class FrameGeometry : public Frame, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(FrameGeometry, FitsTheMapAndItsOpenLoopRow) {
    const auto [rows, columns] = GetParam();
    if (rows || columns) {
        ASSERT_TRUE(StreamDati->SetMapGeometry(rows, columns));
    }
    ASSERT_EQ(StreamDati->GetNumeroRighe(), rows);
    ASSERT_EQ(StreamDati->GetNumeroColonne(), columns);
    TFormConfig editor;
    whileShown(editor, [&](TFormConfig& e) {
        const Ui::FormConfig& ui = *e.ui();
        const QSize page = ui.TabKCoefficienti->size();
        TMapGrid& map = *ui.DrawGridK;
        const int frame = 2 * map.frameWidth();
        // One header row and column beyond the geometry, filling the grid.
        EXPECT_EQ(map.RowCount(), rows + 1);
        EXPECT_EQ(map.ColCount(), columns + 1);
        EXPECT_EQ(map.horizontalHeader()->defaultSectionSize() * (columns + 1) + frame,
                  map.width());
        EXPECT_EQ(map.verticalHeader()->defaultSectionSize() * (rows + 1) + frame, map.height());
        EXPECT_GT(map.horizontalHeader()->defaultSectionSize(), 1);
        EXPECT_GT(map.verticalHeader()->defaultSectionSize(), 1);
        EXPECT_GE(map.x(), 0);
        EXPECT_LE(map.x() + map.width(), page.width());
        EXPECT_LE(std::abs(map.x() - (page.width() - map.x() - map.width())), 1); // centred
        EXPECT_LE(map.y() + map.height(), ui.PageControlK->y());
        TMapGrid& openLoop = *ui.DrawGridOpenLoop;
        EXPECT_EQ(openLoop.ColCount(), columns + 1);
        EXPECT_EQ(openLoop.horizontalHeader()->defaultSectionSize(),
                  map.horizontalHeader()->defaultSectionSize());
        EXPECT_EQ(openLoop.mapTo(ui.TabKCoefficienti, QPoint()).x(), map.x());
        EXPECT_EQ(openLoop.width(), map.width());
    });
}

INSTANTIATE_TEST_SUITE_P(Geometries, FrameGeometry,
                         ::testing::Values(std::pair{0, 0}, std::pair{12, 6}, std::pair{6, 8},
                                           std::pair{12, 12}),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "x" +
                                    std::to_string(info.param.second);
                         });

// The correction tables and the filter and dead-time fields sit on
// TabCorrezioni, lower than laid out by k x screen width / 800.
TEST_F(Frame, CorrectionControlsMoveOntoTheirPage) {
    struct Moved {
        const char* control;
        int at800;
        int at1024;
    };
    const Moved moved[] = {
        {"DrawGridTempRid", 10, 12},
        {"LabelRiferimenti", 6, 7},
        {"DrawGridTempMot", 92, 117},
        {"LabelGCMot", 92, 117},
        {"DrawGridPressDiff", 176, 225},
        {"EditGiriKFiltro", 270, 345},
        {"CheckKFiltroTpsPremuto", 270, 345},
        {"EditTempoMortoBenz", 360, 460},
        {"LabelMsGas", 360, 460},
    };
    ASSERT_TRUE(width() == 800 || width() == 1024);
    // The layout as designed, scaled to the screen.
    QDialog designed;
    Ui::FormConfig layout;
    layout.setupUi(&designed);
    shell::ScaleByScreenWidth(&designed, width());
    TFormConfig editor;
    for (const Moved& m : moved) {
        SCOPED_TRACE(m.control);
        QWidget* w = editor.findChild<QWidget*>(m.control);
        QWidget* before = designed.findChild<QWidget*>(m.control);
        ASSERT_TRUE(w && before);
        EXPECT_EQ(w->parentWidget(), editor.ui()->TabCorrezioni);
        EXPECT_EQ(w->y() - before->y(), width() == 800 ? m.at800 : m.at1024);
    }
}

// A language whose table lacks the editor's strings: captions keep the
// layout's texts, lists get empty items.
TEST_F(Frame, StringsTheTableLacksLeaveTheLayoutsTexts) {
    TFormConfig editor;
    const int language = LanguageIndex;
    LanguageIndex = std::numeric_limits<std::int32_t>::max(); // beyond every table
    editor.LoadCaptions();
    LanguageIndex = language;
    const Ui::FormConfig& ui = *editor.ui();
    EXPECT_EQ(ui.LabelCarburante->text(), "Tipo carburante");
    EXPECT_EQ(ui.PageControl->tabText(0), "Cambio GAS");
    EXPECT_EQ(ui.GroupRifSensore->title(), "Riferimenti di livello non standard");
    EXPECT_EQ(ui.LabelRpm1->text(), "rpm");
    EXPECT_EQ(ui.ButtonTaratura->text(), "&Inizia taratura");
    ASSERT_EQ(ui.ComboCarburante->count(), 2);
    EXPECT_EQ(ui.ComboCarburante->itemText(0), "");
    EXPECT_EQ(ui.ComboCilindri->count(), 2);
    EXPECT_EQ(ui.ComboCilindri->itemText(1), "");
    // The fixed literals of the level sensor stay.
    EXPECT_EQ(ui.ComboSensore->itemText(1), "0 - 90 ohm");
}

TEST_F(Frame, CylinderListFollowsTheUnitsModel) {
    const std::pair<int, QStringList> cases[] = {
        {30, {"3 cilindri", "4 cilindri"}},
        {31, {"3 cilindri", "4 cilindri", "5 cilindri", "6 cilindri", "8 cilindri"}},
    };
    for (const auto& [model, items] : cases) {
        StreamDati->SetEcuIdentity(model);
        TFormConfig editor;
        whileShown(editor, [&](TFormConfig& e) {
            QStringList shown;
            for (int i = 0; i < e.ui()->ComboCilindri->count(); ++i)
                shown << e.ui()->ComboCilindri->itemText(i);
            EXPECT_EQ(shown, items) << "model " << model;
        });
    }
}

// Each bound field can show what the default configuration holds for its
// parameter: a wrong id or wrong limits would put it outside.
TEST_F(Frame, BoundFieldsHoldTheDefaultConfigurationWithinTheirLimits) {
    ASSERT_TRUE(BindBasarioLibrary());
    ASSERT_TRUE(data->Transfer(kTransferFileToImage, "", 18, kGroupAll, false));
    FreeBasarioLibrary();
    TFormConfig editor;
    int bound = 0;
    for (TNumericEdit* edit : editor.findChildren<TNumericEdit*>()) {
        if (edit->DataCode() < 0 || edit->DataCode() == 43 ||
            edit == editor.ui()->EditTipoIniettore)
            continue; // unbound, or taken by a handler of its own
        ++bound;
        const double v = edit->DataIndex() < 0
                             ? double(data->GetValue(edit->DataCode()))
                             : double(data->GetTableValue(edit->DataCode(), edit->DataIndex()));
        EXPECT_GE(v, edit->MinValue() - 1e-9) << edit->objectName().toStdString();
        EXPECT_LE(v, edit->MaxValue() + 1e-9) << edit->objectName().toStdString();
    }
    EXPECT_EQ(bound, 48);
}

} // namespace
