// The cell dialog and the two reference dialogs on their own: texts in
// both languages, the key filter on real keys, the references checked
// before anything is written, and a write the unit refuses taken back.
#include "gridfixture.h"

#include "cellmodes.h"
#include "formcentricelle.h"
#include "formcentricellek.h"
#include "formmodmappa.h"
#include "ui_FormCentriCelle.h"
#include "ui_FormCentriCelleK.h"
#include "ui_FormModMappa.h"

#include "controls/numericedit.h"
#include "language.h"
#include "platform/cp1252.h"

#include <QApplication>
#include <QTest>
#include <functional>
#include <utility>

namespace {

using Dialogs = GridTest;

std::string Text(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return platform::fromUnicode(e->text());
    return {};
}

TEST_F(Dialogs, CellDialogShowsTheValueAndFiltersKeys) {
    TFormModMappa dialog;
    ScriptedModals modals;
    double value = 12.5;
    uint8_t mode = kModeLinear;
    modals.expectModal(
        [](QDialog& d) {
            auto& ui = *dynamic_cast<TFormModMappa&>(d).ui();
            EXPECT_EQ(Text(ui.Edit1), "12,500");
            EXPECT_TRUE(ui.Edit1->hasSelectedText());
            EXPECT_TRUE(ui.RadioLineare->isChecked());
            // Typed keys: a second separator and a sign in the middle are refused.
            ui.Edit1->setCursorPosition(2);
            QTest::keyClicks(ui.Edit1, ",-7x");
            EXPECT_EQ(Text(ui.Edit1), "127,500");
            ui.Edit1->selectAll();
            QTest::keyClicks(ui.Edit1, "-3,25");
            EXPECT_EQ(Text(ui.Edit1), "-3,25");
            ui.RadioPercentuale->setChecked(true);
            QTest::keyClick(ui.Edit1, Qt::Key_Return); // the default button
            return 2;
        },
        "TFormModMappa");
    EXPECT_EQ(dialog.ExecuteFloat(&value, &mode), 1);
    EXPECT_DOUBLE_EQ(value, -3.25);
    EXPECT_EQ(mode, kModePercentage);

    // Integers refuse the separator; Cancel still writes back value and mode.
    int number = 7;
    modals.expectModal(
        [](QDialog& d) {
            auto& ui = *dynamic_cast<TFormModMappa&>(d).ui();
            EXPECT_EQ(Text(ui.Edit1), "7");
            EXPECT_TRUE(ui.RadioPercentuale->isChecked());
            ui.Edit1->selectAll();
            QTest::keyClicks(ui.Edit1, "4,2");
            EXPECT_EQ(Text(ui.Edit1), "42");
            ui.RadioAssoluto->setChecked(true);
            QTest::keyClick(&d, Qt::Key_Escape);
            return 1;
        },
        "TFormModMappa");
    EXPECT_EQ(dialog.ExecuteInt(&number, &mode), 2);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(mode, kModeAbsolute);
}

TEST_F(Dialogs, CellDialogTextsInBothLanguages) {
    TFormModMappa dialog;
    for (auto [language, title, items] :
         {std::tuple{0, "Modifica valore",
                     std::vector<std::string>{"A&ssoluta", "&Lineare", "&Percentuale"}},
          std::tuple{1, "Change value",
                     std::vector<std::string>{"A&bsolute", "&Linear", "&Percentage"}}}) {
        LanguageIndex = language;
        dialog.LoadCaptions();
        EXPECT_EQ(platform::fromUnicode(dialog.windowTitle()), title);
        const auto& ui = *dialog.ui();
        EXPECT_EQ(platform::fromUnicode(ui.RadioAssoluto->text()), items[0]);
        EXPECT_EQ(platform::fromUnicode(ui.RadioLineare->text()), items[1]);
        EXPECT_EQ(platform::fromUnicode(ui.RadioPercentuale->text()), items[2]);
    }
    EXPECT_EQ(platform::fromUnicode(dialog.ui()->ButtonAnnulla->text()), "&Cancel");
}

// The emulation rpm: out of order refused with the focus on the first
// wrong one; a refused write puts back what was written.
TEST_F(Dialogs, EmulationReferencesAllOrNone) {
    LoadUnit(6, 8);
    ScriptedModals modals;
    modals.expectModal(
        [this, &modals](QDialog& d) {
            auto& dialog = dynamic_cast<TFormCentriCelle&>(d);
            EXPECT_EQ(Text(dialog.EditRifGiri(11)), "6500");
            dialog.EditRifGiri(1)->SetInt(1000); // equal to the first
            modals.expectMessageBox(platform::IDOK, "GIRI");
            dialog.ui()->ButtonOk->click();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.focusWidget(), dialog.EditRifGiri(0));
            EXPECT_EQ(sim.countCalls("Write"), 0);

            dialog.EditRifGiri(1)->SetInt(1200);
            sim.failCall(5);
            modals.expectMessageBox(platform::IDOK, "comunicazione");
            dialog.ui()->ButtonOk->click();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(sim.peek(0x0c, 1), 1500) << "put back";
            EXPECT_EQ(data->GetRifGiri(1), 1500);
            EXPECT_EQ(Text(dialog.EditRifGiri(1)), "1200") << "kept for another try";

            dialog.ui()->ButtonOk->click();
            EXPECT_FALSE(dialog.isVisible());
            return 2;
        },
        "TFormCentriCelle");
    TFormCentriCelle dialog(window.get());
    EXPECT_EQ(platform::ShowModal(dialog), 1);
    EXPECT_EQ(modals.interactions()[1].flags, platform::MB_OK | platform::MB_ICONERROR);
    EXPECT_EQ(modals.interactions()[1].caption, "Centri celle mappa di carburazione");
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(sim.peek(0x0c, i), i == 1 ? 1200 : 1000 + 500 * i) << i;
}

TEST_F(Dialogs, MapReferencesShowTheGeometry) {
    struct Case {
        int columns;
        int rows;
        bool shrunk;
    } cases[] = {{6, 8, true}, {6, 12, false}, {12, 12, false}, {8, 7, false}};
    for (const Case& c : cases) {
        LoadUnit(c.columns, c.rows);
        TFormCentriCelleK dialog(window.get());
        const auto& ui = *dialog.ui();
        int rpm = 0, times = 0;
        for (int i = 0; i < 12; ++i) {
            rpm += !dialog.EditRifGiri(i)->isHidden();
            times += !dialog.NumEditRifMap(i)->isHidden();
        }
        EXPECT_EQ(rpm, c.columns);
        EXPECT_EQ(times, c.rows);
        EXPECT_EQ(ui.GroupRifGiri->height() < 250, c.shrunk) << c.columns << "x" << c.rows;
        // Every field shown has its label, and none lies below its group.
        for (QWidget* edit : ui.GroupRifGiri->findChildren<TNumericEdit*>()) {
            if (!edit->isHidden()) {
                EXPECT_LE(edit->geometry().bottom(), ui.GroupRifGiri->height());
            }
        }
        EXPECT_EQ(ui.LabelGiri8->isHidden(), c.columns < 8);
        EXPECT_EQ(Text(dialog.EditRifGiri(0)), "803");
    }
}

// Before the first transfer the map has no geometry: no fields, nothing to
// check or write, and OK simply closes.
TEST_F(Dialogs, MapReferencesOfNoGeometry) {
    sim.clearCallLog();
    TFormCentriCelleK dialog(window.get());
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(dialog.EditRifGiri(i)->isHidden());
        EXPECT_TRUE(dialog.NumEditRifMap(i)->isHidden());
    }
    EXPECT_LT(dialog.ui()->GroupRifGiri->height(), 250);
    ScriptedModals modals;
    modals.expectModal(
        [](QDialog& d) {
            dynamic_cast<TFormCentriCelleK&>(d).ui()->ButtonOk->click();
            return 2;
        },
        "TFormCentriCelleK");
    EXPECT_EQ(platform::ShowModal(dialog), 1);
    EXPECT_EQ(sim.countCalls("Write"), 0);
}

TEST_F(Dialogs, MapReferencesCheckedBeforeAnyWrite) {
    LoadUnit(6, 8);
    ScriptedModals modals;
    const auto before = sim.peekAll(0x3d);
    modals.expectModal(
        [&](QDialog& d) {
            auto& dialog = dynamic_cast<TFormCentriCelleK&>(d);
            EXPECT_EQ(dialog.focusWidget(), dialog.EditRifGiri(0));
            dialog.EditRifGiri(0)->SetInt(700);       // a good rpm change
            dialog.NumEditRifMap(4)->SetDouble(0.01); // below row 3
            modals.expectMessageBox(platform::IDOK, "tempi iniezione");
            dialog.ui()->ButtonOk->click();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.focusWidget(), dialog.NumEditRifMap(3));
            EXPECT_EQ(sim.countCalls("Write"), 0) << "not even the rpm";

            // The third rpm refused: the two before it go back.
            dialog.NumEditRifMap(4)->SetDouble(double(data->GetRifTempiK(4)));
            sim.failCall(3);
            modals.expectMessageBox(platform::IDOK, "comunicazione");
            dialog.ui()->ButtonOk->click();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(sim.peekAll(0x3d), before);
            EXPECT_EQ(data->GetRifGiriK(0), RifGiriK(0));
            return 2;
        },
        "TFormCentriCelleK");
    TFormCentriCelleK dialog(window.get());
    EXPECT_EQ(platform::ShowModal(dialog), 2);
    EXPECT_EQ(sim.peekAll(0x3d), before);
}

// The link lost while the references go out: whatever the unit took or
// not, the image holds what the unit holds.
TEST_F(Dialogs, MapReferencesAfterALostLinkMatchTheUnit) {
    LoadUnit(6, 8);
    ScriptedModals modals;
    modals.expectModal(
        [&](QDialog& d) {
            auto& dialog = dynamic_cast<TFormCentriCelleK&>(d);
            for (int i = 0; i < 6; ++i)
                dialog.EditRifGiri(i)->SetInt(1000 + 600 * i);
            sim.dropAfter(8); // the rpm and two times go out
            modals.expectMessageBox(platform::IDOK, "comunicazione");
            dialog.ui()->ButtonOk->click();
            return 2;
        },
        "TFormCentriCelleK");
    TFormCentriCelleK dialog(window.get());
    platform::ShowModal(dialog);
    EXPECT_EQ(sim.peek(0x3d, 5), 4000) << "taken before the link went, not put back after";
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(data->Image().RifGiriK[i], sim.peek(0x3d, i)) << i;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(data->Image().RifTempiK[i], sim.peek(0x37, i)) << i;
}

// Shift+Tab from OK lands on the last time shown, Tab from Cancel on the
// first rpm.
TEST_F(Dialogs, MapReferencesFocusWrapsRound) {
    LoadUnit(6, 8);
    TFormCentriCelleK dialog(window.get());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.ui()->ButtonOk->setFocus();
    dialog.NumEditRifMap(2)->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), dialog.NumEditRifMap(7));
    dialog.ui()->ButtonAnnulla->setFocus();
    dialog.EditRifGiri(3)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), dialog.EditRifGiri(0));
    dialog.hide();
}

// A child of the dialog, destroyed with the other children after the
// dialog's own destructor: whether the application's focus changes still
// reached the dialog then.
class FocusWatchProbe : public QObject {
public:
    FocusWatchProbe(QDialog* dialog, bool& stillWatched)
        : QObject(dialog), dialog_(dialog), stillWatched_(stillWatched) {}
    ~FocusWatchProbe() override {
        stillWatched_ = QObject::disconnect(qApp, &QApplication::focusChanged, dialog_, nullptr);
    }

private:
    QObject* dialog_;
    bool& stillWatched_;
};

// The fields destroyed with a reference dialog move the focus; by then the
// dialog's handler must no longer be called.
TEST_F(Dialogs, ReferenceDialogsStopWatchingTheFocusWhenDestroyed) {
    LoadUnit(6, 8);
    const std::pair<const char*, std::function<QDialog*()>> dialogs[] = {
        {"TFormCentriCelle", [this] { return new TFormCentriCelle(window.get()); }},
        {"TFormCentriCelleK", [this] { return new TFormCentriCelleK(window.get()); }},
    };
    for (const auto& [name, make] : dialogs) {
        QDialog* dialog = make();
        bool stillWatched = true;
        new FocusWatchProbe(dialog, stillWatched);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog)) << name;
        delete dialog;
        EXPECT_FALSE(stillWatched) << name;
    }
}

} // namespace
