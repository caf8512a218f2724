// The editor on the program's own start-up: connect, open it from the main
// menu, in Italian and then in English. Opening shows the image and writes
// nothing to the unit.
#include "editorfixture.h"
#include "programfixture.h"

#include "formmain.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"
#include "ui_FormMain.h"

#include "core/iodata.h"
#include "platform/cp1252.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

struct Language {
    const char* name;
    int menuItem;
    QStringList visibleTabs;
    QStringList hiddenCaptions; // TabTps, TabCorrezioni, TabEsci
    // Object name, then its caption or, for a list, its items joined by "|".
    std::vector<std::pair<const char*, QString>> texts;
};

const Language kItalian{"Italian",
                        0,
                        {"Cambio", "Lambda", "Emissioni", "Livello gas", "Mappa", "Modifica carb."},
                        {"Tps", "Correzioni", "- Esc Esci"},
                        {{"LabelCarburante", "Tipo carburante"},
                         {"ComboCarburante", "GPL|Metano"},
                         {"ComboTipoLambda", "0 - 1 Volt|0 - 5 Volt|5 - 0 Volt|0.8 - 1.6 Volt"},
                         {"ComboSensore", "Quarn|0 - 90 ohm"},
                         {"ComboCilindri", "3 cilindri|4 cilindri"},
                         {"ComboAccensione", "Monobobina|Bibobina|Contagiri"},
                         {"ButtonTaratura", "&Inizia taratura"},
                         {"ButtonReset", "Azzera centralina e ritorna ai parametri di base"},
                         {"LabelRpm1", "rpm"},
                         {"LabelT1", "\u00b0C"},
                         {"GroupRifSensore", "Riferimenti di livello non standard"},
                         {"LabCutoff", "CUTOFF"},
                         {"MenuConfigurazione", "&Configurazione"},
                         {"MenuCopia", "&Copia"}}};

const Language kEnglish{"English",
                        1,
                        {"Change-over", "Lambda", "Emissions", "Gas level", "Map", "Carb. edit"},
                        {"Tps", "Corrections", "- Esc Exit"},
                        {{"LabelCarburante", "Fuel type"},
                         {"ComboCarburante", "LPG|Methane"},
                         {"ComboTipoLambda", "0 - 1 Volt|0 - 5 Volt|5 - 0 Volt|0.8 - 1.6 Volt"},
                         {"ComboSensore", "Quarn|0 - 90 ohm"},
                         {"ComboCilindri", "3 cylinders|4 cylinders"},
                         {"ComboAccensione", "Single coil|Double coil|Rev counter"},
                         {"ButtonTaratura", "&Start calibration"},
                         {"ButtonReset", "Reset the ECU and return to the basic parameters"},
                         {"LabelRpm1", "rpm"},
                         {"LabelT1", "\u00b0C"},
                         {"GroupRifSensore", "Non-standard level references"},
                         {"LabCutoff", "CUTOFF"},
                         {"MenuConfigurazione", "&Configuration"},
                         {"MenuCopia", "&Copy"}}};

const QStringList kPages = {"TabCambio",     "TabLambda",    "TabTps",      "TabEmissioni",
                            "TabSensore",    "TabPressione", "TabTemp",     "TabKCoefficienti",
                            "TabCorrezioni", "TabIniezione", "TabTaratura", "TabAutoTar",
                            "TabTest",       "TabEsci"};

QString shownText(QObject* o) {
    if (auto* combo = qobject_cast<QComboBox*>(o)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items.join('|');
    }
    return CaptionOf(o);
}

class EditorRoad : public ProgramTest {
protected:
    EditorRoad() { RegisterFormConfig(); }
    ~EditorRoad() override { shell::RegisterConfigEditor({}); }

    // Opens the editor from the main menu and looks at it as it is shown.
    void openAndCheck(const Language& language) {
        SCOPED_TRACE(language.name);
        modals.expectModal(
            [&](QDialog& d) {
                auto* editor = dynamic_cast<TFormConfig*>(&d);
                EXPECT_EQ(editor, FormConfig);
                if (editor)
                    checkShown(*editor, language);
                return int(QDialog::Accepted);
            },
            "TFormConfig");
        FormMain->LabelClick(FormMain->ui()->LabelConfig);
        ASSERT_NE(FormConfig, nullptr);
        EXPECT_FALSE(FormConfig->Timer1->isActive()); // closing stopped it
    }

    void checkShown(TFormConfig& editor, const Language& language) {
        const Ui::FormConfig& ui = *editor.ui();
        EXPECT_EQ(editor.windowTitle().toStdString(),
                  platform::toUnicode(language.menuItem ? "Vehicle configuration"
                                                        : "Configurazione veicolo")
                          .toStdString() +
                      " - Config: " + StreamDati->GetNomeConfigurazione());
        EXPECT_EQ(PageNames(*ui.PageControl), kPages);
        EXPECT_EQ(VisibleTabTexts(*ui.PageControl), language.visibleTabs);
        EXPECT_EQ(ui.PageControl->ActivePage(), ui.TabCambio);
        QStringList hidden;
        for (QWidget* page : {ui.TabTps, ui.TabCorrezioni, ui.TabEsci})
            hidden << ui.PageControl->tabText(ui.PageControl->indexOf(page));
        EXPECT_EQ(hidden, language.hiddenCaptions);
        for (const auto& [name, text] : language.texts) {
            QObject* o = editor.findChild<QObject*>(name);
            ASSERT_NE(o, nullptr) << name;
            EXPECT_EQ(shownText(o), text) << name;
        }
        // The open-loop row shows on the map page without a tab of its own.
        EXPECT_TRUE(ui.PageControlK->isVisibleTo(ui.TabKCoefficienti));
        EXPECT_EQ(ui.PageControlK->VisibleTabCount(), 0);
        EXPECT_EQ(ui.PageControlK->ActivePage(), ui.TabKOpenLoop);
        EXPECT_FALSE(ui.MenuTest->menuAction()->isVisible());
        // Maximised, its frame (where the window system draws one) on the
        // screen's edges, and fixed.
        const QRect area = editor.screen()->availableGeometry();
        EXPECT_TRUE(editor.frameGeometry() == area || editor.geometry() == area)
            << editor.frameGeometry().width() << "x" << editor.frameGeometry().height();
        EXPECT_EQ(editor.minimumSize(), editor.size());
        EXPECT_EQ(editor.maximumSize(), editor.size());
        EXPECT_TRUE(editor.Timer1->isActive());
        EXPECT_EQ(editor.Timer1->interval(), 170);
        SaveVisiblePages(editor, QString("editor-") + language.name);
    }
};

TEST_F(EditorRoad, OpensInBothLanguagesShowingTheImageAndWritesNothing) {
    runProgram({
        [&] { return connectedShown(); },
        [&] {
            // Change-over on the gas temperature, the engine's own sensor off,
            // the internal MAP, the injector check on.
            EXPECT_TRUE(StreamDati->SetFlag(9, true));
            EXPECT_TRUE(StreamDati->SetFlag(10, false));
            EXPECT_TRUE(StreamDati->SetFlag(12, true));
            EXPECT_TRUE(StreamDati->SetFlag(15, true));
            const bool modified = StreamDati->IsModified();
            const bool official = StreamDati->IsUfficiale();
            sim.clearCallLog();
            openAndCheck(kItalian);
            EXPECT_EQ(StreamDati->IsModified(), modified);
            EXPECT_EQ(StreamDati->IsUfficiale(), official);
            const Ui::FormConfig& ui = *FormConfig->ui();
            EXPECT_TRUE(ui.CheckTempRiduttore->isChecked());
            EXPECT_FALSE(ui.CheckTempMotore->isChecked());
            EXPECT_TRUE(ui.RadioMapInterno->isChecked());
            EXPECT_TRUE(ui.MenuControlloIniettori->isChecked());
            EXPECT_TRUE(ui.EditTempCambio->isVisibleTo(ui.TabCambio));
            EXPECT_FALSE(ui.DrawGridTemp->isVisibleTo(ui.TabTemp));
            EXPECT_EQ(sim.countCalls("Write"), 0);
            return true;
        },
        [&] {
            EXPECT_TRUE(StreamDati->SetFlag(9, false));
            EXPECT_TRUE(StreamDati->SetFlag(10, true));
            FormMain->MenuLinguaClick(FormMain->ui()->MenuSelLingua->actions().at(1));
            sim.clearCallLog();
            openAndCheck(kEnglish);
            const Ui::FormConfig& ui = *FormConfig->ui();
            EXPECT_FALSE(ui.EditTempCambio->isVisibleTo(ui.TabCambio));
            EXPECT_TRUE(ui.DrawGridTemp->isVisibleTo(ui.TabTemp));
            EXPECT_TRUE(ui.ButtonNuoviParametri->isVisibleTo(ui.TabTemp));
            EXPECT_EQ(sim.countCalls("Write"), 0);
            FormMain->MenuLinguaClick(FormMain->ui()->MenuSelLingua->actions().at(0));
            if (StreamDati->IsModified())
                modals.expectMessageBox(platform::IDNO, "Salvare i dati");
            return true;
        },
    });
    EXPECT_EQ(FormConfig, nullptr); // the editor went with the program's windows
}

} // namespace
