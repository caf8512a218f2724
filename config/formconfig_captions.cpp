// The editor's texts in the current language: captions, list items and the
// texts it keeps for messages and unit labels.
#include "formconfig.h"
#include "formmodmappa.h"
#include "mapgrid.h"

#include "pagecontrol.h"
#include "ui_FormConfig.h"

#include "controls/keycombobox.h"
#include "core/edition.h"
#include "core/iodata.h"
#include "platform/cp1252.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <vector>

namespace {

struct Caption {
    const char* control;
    int n;
};

// Pages of both page controls, menus and every control with a caption.
constexpr Caption kCaptions[] = {
    {"TabCambio", 95},
    {"TabLambda", 96},
    {"TabTps", 97},
    {"TabEmissioni", 100},
    {"TabSensore", 98},
    {"TabPressione", 99},
    {"TabTemp", 328},
    {"TabKCoefficienti", 101},
    {"TabCorrezioni", 102},
    {"TabIniezione", 103},
    {"TabTaratura", 104},
    {"TabAutoTar", 105},
    {"TabTest", 107},
    {"TabEsci", 108},
    {"TabKOpenLoop", 327},
    {"TabKTempRid", 331},
    {"TabKTempMot", 329},
    {"TabKPressDiff", 335},
    {"TabKTempi", 337},
    {"TabKVarie", 403},
    {"MenuConfigurazione", 110},
    {"MenuEsci", 116},
    {"MenuTest", 112},
    {"MenuDiagnosiProg", 341},
    {"MenuSbloccaLimiti", 342},
    {"MenuCopia", 117},
    {"MenuIncolla", 118},
    // Change-over page.
    {"ButtonAccetta", 120},
    {"LabelCarburante", 140},
    {"LabelTipoIniettore", 141},
    {"LabelCilindrata", 286},
    {"LabelSegnaleGiri", 130},
    {"LabelCilindri", 133},
    {"LabelAccensione", 142},
    {"LabelCambio", 146},
    {"LabelTempCambio", 155},
    {"LabelTempMotore", 153},
    {"LabelGiriCambio", 150},
    {"LabelRitardoCambio", 151},
    {"LabelSovrapposizione", 152},
    {"LabelTInjBenzMaxPerCambio", 214},
    {"ButtonReset", 156},
    {"LabelNota", 445},
    {"LabelNotaEmiss", 499},
    // Lambda and throttle.
    {"LabelTipoLambda", 158},
    {"LabelNumeroSonde", 163},
    {"LabelRitardoLambda", 164},
    {"LabelRifLambda", 165},
    {"LabelRifSupCalda", 166},
    {"LabelRifInfCalda", 167},
    {"LabelRifSupFredda", 168},
    {"LabelRifInfFredda", 169},
    {"LabelTempoSondaFredda", 170},
    {"LabelTipoTps", 172},
    {"LabelTpsSwitch", 175},
    {"CheckDriveByWire1", 343},
    {"CheckDriveByWire2", 344},
    {"CheckTpsBloc", 345},
    // Emulation.
    {"LabelLivEmulAlto", 180},
    {"LabelLivEmulBasso", 181},
    {"LabelRitardoGiriEmulazione", 381},
    {"CheckInibisciEmulazione", 382},
    {"LabelSmagrRientroCutoff", 383},
    {"LabelNumeroIniettateSmagr", 384},
    {"LabelCorrettoreIntegrale", 385},
    // Level.
    {"LabelSensoreLivello", 183},
    {"CheckRitornoBenzina", 187},
    {"LabelRitornoBenzina", 188},
    {"GroupRifSensore", 189},
    {"LabelSensore1", 190},
    {"LabelSensore2", 191},
    {"LabelSensore3", 192},
    {"LabelSensore4", 193},
    {"LabelConferma", 195},
    // Pressure.
    {"LabelTipoMisuratorePressione", 435},
    {"LabelTipoPressioneMisurata", 438},
    {"GroupMisuratorePressione", 349},
    {"LabelOffsetDiff", 354},
    {"LabelPendenzaDiff", 355},
    {"LabelTipoMap", 350},
    {"RadioMapInterno", 351},
    {"RadioMapEsterno", 352},
    {"GroupParametri", 353},
    {"LabelOffset", 354},
    {"LabelPendenza", 355},
    {"ButtonRicercaParametri", 356},
    // Temperatures.
    {"LabelTempGas", 387},
    {"CheckTempAcqua", 388},
    {"CheckTempRiduttore", 389},
    {"CheckTempMotore", 390},
    {"LabelParametriTemp", 391},
    {"LabelCaratteristicaTemp", 392},
    {"LabelInstr", 393},
    {"ButtonNuoviParametri", 398},
    // Injectors and calibration.
    {"LabelTempoMaxCorr", 197},
    {"LabelTempoInterSpegnimento", 199},
    {"LabelImpedenzaIniettori", 200},
    {"LabelValPercHoldingCurrent", 201},
    {"LabelCorrente", 202},
    {"CheckTempoMaxCorrente", 206},
    {"LabelTAperturaInj", 204},
    {"LabelTChiusuraInj", 205},
    {"LabelSafeDelay", 207},
    {"LabelSafetyTime", 203},
    {"LabelTempTaratura", 211},
    {"LabelGiriAutotaratura", 215},
    {"LabGiriAutotaratura", 126},
    {"LabelScartoMinFuoriMin", 212},
    {"LabelScartoMinAlMin", 213},
    {"LabelTInjDefault", 473},
    // Map page.
    {"ButtonModificaRifTar", 325},
    {"StaticTaratura", 323},
    {"ButtonCommutatore", 324},
    {"LabelRiferimenti", 332},
    {"LabelRiferimentiMot", 333},
    {"LabelCorrezioniPressione", 336},
    {"LabelTempoMortoBenz", 338},
    {"LabelTempoMortoGas", 339},
    {"LabelGiriKFiltro", 405},
    {"LabelSogliaFS2", 406},
    {"LabelKFiltro2", 404},
    {"LabelKFiltroFreddo", 407},
    {"LabelKFiltroCaldo", 408},
    {"CheckKFiltroTpsPremuto", 409},
    // Live bar.
    {"LabelLambda", 217},
    {"LabelLambda2", 248},
    {"LabelGiri", 220},
    {"LabelInj", 221},
    {"LabelTemp", 228},
    {"LabelTempMot", 226},
    {"LabelPress", 319},
    {"LabelInjBenz", 224},
    {"LabCutoff", 229},
    // Carburation correction.
    {"LabelCarbCorr", 492},
    {"LabelCorrMinimo", 493},
    {"LabelCorrFuoriMinimo", 494},
    {"LabelCorrCarbMinimo", 495},
    {"LabelCorrCarbBasso", 496},
    {"LabelCorrCarbMedio", 497},
    {"LabelCorrCarbMassimo", 498},
};

struct ListItems {
    const char* combo;
    std::vector<int> items;
};

const ListItems kLists[] = {
    {"ComboCarburante", {317, 318}},           {"ComboSegnaleGiri", {131, 132}},
    {"ComboAccensione", {143, 144, 145}},      {"ComboCambio", {147, 148, 149}},
    {"ComboTipoLambda", {159, 160, 161, 162}}, {"ComboTps", {173, 174}},
    {"ComboTpsSwitch", {176, 177, 178}},       {"ComboMisuratorePressione", {436, 437}},
    {"ComboPressioneMisurata", {439, 440}},
};

// Unit labels, from the texts the editor keeps.
constexpr Caption kUnitLabels[] = {
    {"LabelRpm1", 126}, {"LabelT1", 123},  {"LabelT2", 123},  {"LabelS1", 124}, {"LabelS3", 124},
    {"LabelS4", 124},   {"LabelS12", 124}, {"LabelV2", 122},  {"LabelV3", 122}, {"LabelV4", 122},
    {"LabelV5", 122},   {"LabelV10", 122}, {"LabelV11", 122},
};

// A page's caption is its tab's text.
bool setPageCaption(QWidget* page, const QString& text) {
    for (QWidget* up = page ? page->parentWidget() : nullptr; up; up = up->parentWidget())
        if (auto* pages = qobject_cast<TPageControl*>(up)) {
            const int index = pages->indexOf(page);
            if (index >= 0)
                pages->setTabText(index, text);
            return index >= 0;
        }
    return false;
}

QString tabText(QWidget* page) {
    for (QWidget* up = page->parentWidget(); up; up = up->parentWidget())
        if (auto* pages = qobject_cast<TPageControl*>(up))
            return pages->tabText(pages->indexOf(page));
    return {};
}

void setCaption(QObject* o, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(o))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(o))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(o))
        group->setTitle(text);
    else if (auto* menu = qobject_cast<QMenu*>(o))
        menu->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(o))
        action->setText(text);
    else
        setPageCaption(qobject_cast<QWidget*>(o), text);
}

// Rebuilds a list from language strings, a missing one as an empty item;
// the chosen item stays while the list still has it.
void fillList(QComboBox* combo, const std::vector<int>& items) {
    const int index = combo->currentIndex();
    combo->clear();
    for (int n : items) {
        QString item;
        LoadLanguageString(n, item);
        combo->addItem(item);
    }
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

} // namespace

QString CaptionOf(QObject* o) {
    if (auto* label = qobject_cast<QLabel*>(o))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(o))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(o))
        return group->title();
    if (auto* menu = qobject_cast<QMenu*>(o))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(o))
        return action->text();
    if (auto* page = qobject_cast<QWidget*>(o))
        return tabText(page);
    return {};
}

void TFormConfig::FillCylinderList() {
    std::vector<int> ids = {134, 135};
    const int model = static_cast<int8_t>(StreamDati->EcuIdentity()[1]);
    if (model == GetModelCodeB() && GetModelCodeA() != GetModelCodeB())
        ids.insert(ids.end(), {136, 137, 138});
    fillList(ui()->ComboCilindri, ids);
}

void TFormConfig::LoadCaptions() {
    for (const Caption& c : kCaptions) {
        QObject* o = findChild<QObject*>(c.control);
        if (!o)
            continue;
        QString text = CaptionOf(o);
        if (LoadLanguageString(c.n, text))
            setCaption(o, text);
    }
    for (const ListItems& list : kLists) {
        if (auto* combo = findChild<QComboBox*>(list.combo))
            fillList(combo, list.items);
    }
    const int sensor = ui()->ComboSensore->currentIndex();
    ui()->ComboSensore->clear();
    ui()->ComboSensore->addItems({"Quarn", "0 - 90 ohm"});
    ui()->ComboSensore->setCurrentIndex(sensor < 2 ? sensor : -1);
    FillCylinderList();

    texts_.Load();
    // A text the table never had leaves the layout's in place of a blank.
    auto setFromText = [this](auto* control, int n) {
        if (control && !Text(n).empty())
            control->setText(platform::toUnicode(Text(n)));
    };
    for (const Caption& c : kUnitLabels)
        setFromText(findChild<QLabel*>(c.control), c.n);
    setFromText(ui()->ButtonTaratura, 321);
    if (FormModMappa)
        FormModMappa->LoadCaptions();
    for (TMapGrid* grid : findChildren<TMapGrid*>())
        grid->LoadCaptions();
    // The emulation table's captions set the width of its first column.
    fitGrids();
}
