// The editor's pages: each fills its fields from the image when shown and
// writes a confirmed value through the data module, which gives it to the
// unit first; every field shows back what the image then holds, so a value
// the unit refused springs back.
#include "formconfig.h"

#include "formcentricellek.h"
#include "mapgrid.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include "controls/keycombobox.h"
#include "controls/numericedit.h"
#include "core/iodata.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "platform/numbers.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <array>
#include <set>

namespace {

constexpr int kEnter = 13;
constexpr int kCalibrationRunning = 4;
constexpr int kReturnTimeOff = 255;
constexpr int kReturnTime = 62;

const QColor kWindow(255, 255, 255);
const QColor k3DLight(227, 227, 227);

int trunc(long double v) {
    return static_cast<int>(v);
}

double value(long double v) {
    return static_cast<double>(v);
}

int tagOf(QObject* o) {
    return o ? o->property("Tag").toInt() : 0;
}

// Edits a handler of their own writes, or that wait for a question first:
// the generic handler leaves them alone.
const std::set<QString> kOwnHandlers = {
    "EditTipoIniettore",     "EditOffset",       "EditPendenza",
    "EditOffsetDiff",        "EditPendenzaDiff", "EditTempoMortoBenz",
    "EditTempoMortoGas",     "EditAperturaInj",  "EditChiusuraInj",
    "EditScartoMinFuoriMin", "EditCorrIntInf",   "EditCorrIntSup",
    "EditKFiltroFreddo",     "EditKFiltroCaldo", "EditKFiltroTpsPremuto",
};

// The engine-sensor edits show their hint only while editing the sensor.
const std::set<QString> kSensorEdits = {"EditRPullUp", "EditDeltaT", "EditTMin", "EditTMax"};

void setBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

QString languageText(int n, const QString& fallback) {
    QString text = fallback;
    LoadLanguageString(n, text);
    return text;
}

// Each edit shows its parameter as the image holds it.
void showValues(std::initializer_list<std::pair<TNumericEdit*, uint32_t>> edits) {
    for (auto [edit, id] : edits)
        edit->SetDouble(value(StreamDati->GetValue(id)));
}

// Enter (with the list closed, for combos) on a control whose key it is.
bool confirmed(QObject* sender, char key) {
    if (key != kEnter)
        return false;
    auto* combo = dynamic_cast<TKeyComboBox*>(sender);
    return !combo || !combo->DroppedDown();
}

} // namespace

void TFormConfig::connectPageHandlers() {
    const std::pair<QWidget*, void (TFormConfig::*)()> shows[] = {
        {ui_->TabCambio, &TFormConfig::TabCambioShow},
        {ui_->TabLambda, &TFormConfig::TabLambdaShow},
        {ui_->TabTps, &TFormConfig::TabTpsShow},
        {ui_->TabEmissioni, &TFormConfig::TabEmissioniShow},
        {ui_->TabSensore, &TFormConfig::TabSensoreShow},
        {ui_->TabPressione, &TFormConfig::TabPressioneShow},
        {ui_->TabKCoefficienti, &TFormConfig::TabKCoefficientiShow},
        {ui_->TabKTempi, &TFormConfig::TabKTempiShow},
        {ui_->TabCorrezioni, &TFormConfig::TabCorrezioniShow},
        {ui_->TabIniezione, &TFormConfig::TabIniezioneShow},
        {ui_->TabTaratura, &TFormConfig::TabTaraturaShow},
        {ui_->TabAutoTar, &TFormConfig::TabAutoTarShow},
    };
    for (auto [page, show] : shows)
        SetPageShowHandler(page, [this, show] { (this->*show)(); });

    for (TNumericEdit* edit : findChildren<TNumericEdit*>()) {
        const QString name = edit->objectName();
        if (!kSensorEdits.count(name)) {
            connect(edit, &TNumericEdit::entered, this, &TFormConfig::EditGiriCambioEnter);
            connect(edit, &TNumericEdit::exited, this, &TFormConfig::EditGiriCambioExit);
        }
        if (!kOwnHandlers.count(name) && edit->DataCode() >= 0 && !name.startsWith("EditTInj"))
            connect(edit, &TNumericEdit::keyPressed, this, &TFormConfig::EditRifLambdaKeyPress);
    }
    for (TKeyComboBox* combo : {ui_->ComboTipoLambda, ui_->ComboTps, ui_->ComboTpsSwitch})
        connect(combo, &TKeyComboBox::keyPressed, this, &TFormConfig::ComboTipoLambdaKeyPress);
    for (TNumericEdit* edit : ZoneEdits())
        connect(edit, &TNumericEdit::keyPressed, this, &TFormConfig::EditCorrCarbMinimoMKeyPress);

    // Handlers of one control each, on Enter.
    const auto onEnter = [this](auto* control, auto action) {
        connect(control, &std::remove_pointer_t<decltype(control)>::keyPressed, this,
                [this, action](QObject* sender, char& key) {
                    if (confirmed(sender, key))
                        action(sender);
                });
    };
    onEnter(ui_->ComboCambio, [this](QObject*) {
        StreamDati->SetModoCambio(ui_->ComboCambio->currentIndex());
        ShowChangeOverSpeed();
    });
    onEnter(ui_->ComboSegnaleGiri, [this](QObject*) {
        StreamDati->SetSegnaleGiri(ui_->ComboSegnaleGiri->currentIndex() != 0);
    });
    onEnter(ui_->ComboNumeroSonde, [this](QObject*) {
        StreamDati->SetNumeroSonde(ui_->ComboNumeroSonde->currentIndex() + 1);
        LiveBarLayout();
    });
    onEnter(ui_->ComboSensore, [this](QObject*) {
        StreamDati->SetTipoSensoreLivello(ui_->ComboSensore->currentIndex());
        ShowLevelReferences();
    });
    for (TKeyComboBox* combo : {ui_->ComboMisuratorePressione, ui_->ComboPressioneMisurata})
        onEnter(combo, [this](QObject*) {
            const int m = ui_->ComboMisuratorePressione->currentIndex();
            const int r = ui_->ComboPressioneMisurata->currentIndex();
            StreamDati->SetFlag(13, (m ^ r) != 0);
            StreamDati->SetFlag(14, m != 0);
            ShowPressureCombos();
            ShowPressureVisibility();
        });
    for (TNumericEdit* edit :
         {ui_->EditOffset, ui_->EditPendenza, ui_->EditOffsetDiff, ui_->EditPendenzaDiff})
        onEnter(edit, [edit](QObject*) {
            const int tag = tagOf(edit);
            StreamDati->SetOffsetPendenzaMap(tag, edit->GetInt());
            edit->SetInt(StreamDati->GetOffsetPendenzaMap(tag));
        });
    // Dead times (3 petrol, 4 gas), opening and closing times (1, 2).
    const std::pair<TNumericEdit*, int> injectorTimes[] = {
        {ui_->EditTempoMortoBenz, 3},
        {ui_->EditTempoMortoGas, 4},
        {ui_->EditAperturaInj, 1},
        {ui_->EditChiusuraInj, 2},
    };
    for (auto [edit, kind] : injectorTimes)
        onEnter(edit, [edit, kind](QObject*) {
            StreamDati->SetTempoIniettore(kind, edit->GetDouble());
            edit->SetDouble(value(StreamDati->GetTempoIniettore(kind)));
        });

    connect(ui_->CheckTpsBloc, &QCheckBox::clicked, this,
            [this] { StreamDati->SetValue(0x170001a, ui_->CheckTpsBloc->isChecked()); });
    connect(ui_->CheckDriveByWire1, &QCheckBox::clicked, this,
            [this] { StreamDati->SetValue(0x150001a, ui_->CheckDriveByWire1->isChecked()); });
    connect(ui_->CheckRitornoBenzina, &QCheckBox::clicked, this,
            &TFormConfig::CheckRitornoBenzinaClick);
    connect(ui_->CheckTempoMaxCorrente, &QCheckBox::clicked, this, [this] {
        StreamDati->SetFlag(3, ui_->CheckTempoMaxCorrente->isChecked());
        ShowCurrentMode();
    });
    for (QRadioButton* radio : {ui_->RadioMapInterno, ui_->RadioMapEsterno})
        connect(radio, &QRadioButton::clicked, this, [this, radio] {
            StreamDati->SetFlag(12, tagOf(radio) != 0);
            ShowPressureVisibility();
        });
    connect(ui_->ButtonAccetta, &QPushButton::clicked, this, &TFormConfig::ButtonAccettaClick);
    connect(ui_->ButtonTaratura, &QPushButton::clicked, this, &TFormConfig::ButtonTaraturaClick);
    connect(ui_->ButtonCommutatore, &QPushButton::clicked, this,
            &TFormConfig::ButtonCommutatoreClick);
    connect(ui_->ButtonModificaRifTar, &QPushButton::clicked, this,
            &TFormConfig::ButtonModificaRifTarClick);
    connect(ui_->MenuDiagnosiProg, &QAction::triggered, this, &TFormConfig::MenuDiagnosiProgClick);
    ui_->MenuSbloccaLimiti->setCheckable(true);
    connect(ui_->MenuSbloccaLimiti, &QAction::triggered, this,
            &TFormConfig::MenuSbloccaLimitiClick);
    connect(ui_->DrawGridEmissioni, &TMapGrid::referencesChanged, this, [this] {
        TabEmissioniShow();
        BuildEmulationBoundaries();
    });
}

// --- generic handlers ---------------------------------------------------

void TFormConfig::EditRifLambdaKeyPress(QObject* sender, char& key) {
    auto* edit = dynamic_cast<TNumericEdit*>(sender);
    if (key != kEnter || !edit || edit->DataCode() < 0)
        return;
    const int id = edit->DataCode();
    const int index = edit->DataIndex();
    if (index < 0) {
        StreamDati->SetValue(id, edit->GetDouble());
        edit->SetDouble(value(StreamDati->GetValue(id)));
    } else {
        StreamDati->SetTableValue(id, index, edit->GetDouble());
        edit->SetDouble(value(StreamDati->GetTableValue(id, index)));
    }
}

void TFormConfig::ComboTipoLambdaKeyPress(QObject* sender, char& key) {
    auto* combo = dynamic_cast<TKeyComboBox*>(sender);
    if (!combo || !confirmed(sender, key))
        return;
    if (combo->DataCode() >= 0)
        StreamDati->SetValue(combo->DataCode(), combo->currentIndex());
    if (combo == ui_->ComboTipoLambda) {
        // The type's thresholds follow from the live tick.
        Live.LambdaDefaultsPending = true;
        Live.LambdaDefaultsTicks = 0;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 ui_->EditRifLambda, ui_->EditRifSupFredda, ui_->EditRifInfFredda,
                 ui_->EditRifSupCalda, ui_->EditRifInfCalda, ui_->EditLivEmulAlto,
                 ui_->EditLivEmulBasso})
            setBackground(w, k3DLight);
    } else if (combo == ui_->ComboTpsSwitch) {
        ShowTpsSwitch();
    }
}

// The edit's limits beside it while it has the focus.
void TFormConfig::EditGiriCambioEnter(QObject* sender) {
    auto* edit = dynamic_cast<TNumericEdit*>(sender);
    if (edit && edit->parentWidget())
        ShowLimitHint(edit);
}

void TFormConfig::EditGiriCambioExit(QObject*) {
    ui_->LabelLimite->hide();
}

// --- Cambio GAS ---------------------------------------------------------

void TFormConfig::TabCambioShow() {
    ui_->ComboCarburante->setCurrentIndex(StreamDati->GetFlag(1) ? 1 : 0);
    RememberedFuel = ui_->ComboCarburante->currentIndex() != 0 ? 1 : 0;
    ui_->ComboTipoIniettore->setCurrentIndex(StreamDati->GetTipoIniettoreSoftware(1));
    ui_->EditTipoIniettore->SetInt(StreamDati->GetTipoIniettoreSoftware(1));
    RememberedInjectorType = ui_->EditTipoIniettore->GetInt();
    ui_->ComboSegnaleGiri->setCurrentIndex(StreamDati->GetSegnaleGiri() ? 1 : 0);
    ShowIgnition();
    ui_->ComboCambio->setCurrentIndex(StreamDati->GetModoCambio());
    ui_->EditCilindrata->SetInt(trunc(StreamDati->GetValue(587)));
    showValues({{ui_->EditTempCambio, 15},
                {ui_->EditTempMotore, 117},
                {ui_->EditRitMin, 17},
                {ui_->EditSovrapposizione, 109},
                {ui_->EditTInjBenzMaxPerCambio, 658}});
    ShowChangeOverSpeed();
}

void TFormConfig::ShowChangeOverSpeed() {
    constexpr int kStartOnGas = 2;
    ui_->EditGiriCambio->SetInt(trunc(StreamDati->GetValue(528)));
    const bool shown = StreamDati->GetModoCambio() != kStartOnGas;
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui_->LabelGiriCambio, ui_->EditGiriCambio, ui_->LabelRpm1})
        w->setVisible(shown);
}

// --- Lambda, TPS, Emissioni ---------------------------------------------

void TFormConfig::TabLambdaShow() {
    ui_->ComboTipoLambda->setCurrentIndex(trunc(StreamDati->GetValue(4)));
    ui_->ComboNumeroSonde->setCurrentIndex(StreamDati->GetNumeroSonde() - 1);
    ui_->EditRitardoLbd->SetInt(trunc(StreamDati->GetValue(6)));
    showValues({{ui_->EditRifLambda, 5},
                {ui_->EditRifSupFredda, 8},
                {ui_->EditRifInfFredda, 9},
                {ui_->EditRifSupCalda, 10},
                {ui_->EditRifInfCalda, 11}});
    ui_->EditSondaFredda->SetInt(trunc(StreamDati->GetValue(7)));
}

void TFormConfig::TabTpsShow() {
    ui_->ComboTps->setCurrentIndex(trunc(StreamDati->GetValue(0x300001a)));
    ui_->ComboTpsSwitch->setCurrentIndex(trunc(StreamDati->GetValue(0x230001a)));
    ui_->CheckDriveByWire1->setChecked(StreamDati->GetValue(0x150001a) != 0);
    ui_->CheckTpsBloc->setChecked(StreamDati->GetValue(0x170001a) != 0);
    ShowTpsSwitch();
}

// With a TPS switch the blocked-TPS bit is cleared and cannot be set.
void TFormConfig::ShowTpsSwitch() {
    const bool none = ui_->ComboTpsSwitch->currentIndex() == 0;
    if (!none && ui_->CheckTpsBloc->isChecked())
        ui_->CheckTpsBloc->click();
    ui_->CheckTpsBloc->setEnabled(none);
}

void TFormConfig::TabEmissioniShow() {
    showValues({{ui_->EditLivEmulAlto, 71},
                {ui_->EditLivEmulBasso, 72},
                {ui_->EditRitardoGiriEmulazione, 135},
                {ui_->EditSmagrRientroCutoff, 136},
                {ui_->EditNumeroIniettateSmagr, 137}});
    ui_->EditCorrIntInf->SetInt(StreamDati->GetOpzione(0));
    ui_->EditCorrIntSup->SetInt(StreamDati->GetOpzione(1));
    ui_->CheckInibisciEmulazione->setChecked(StreamDati->GetFlag(7));
}

// --- Livello GAS --------------------------------------------------------

void TFormConfig::TabSensoreShow() {
    ui_->ComboSensore->setCurrentIndex(StreamDati->GetTipoSensoreLivello());
    ShowLevelReferences();
    filling_ = true;
    ui_->CheckRitornoBenzina->setChecked(StreamDati->GetValue(kReturnTime) != kReturnTimeOff);
    // Setting the box from code raises no click: its handler runs here,
    // writing nothing while the page fills.
    CheckRitornoBenzinaClick();
    filling_ = false;
}

void TFormConfig::ShowLevelReferences() {
    ui_->GroupRifSensore->setVisible(StreamDati->GetTipoSensoreLivello() >= 3);
    TNumericEdit* const levels[] = {ui_->EditLivello1, ui_->EditLivello2, ui_->EditLivello3,
                                    ui_->EditLivello4};
    for (int i = 0; i < 4; ++i)
        levels[i]->SetInt(StreamDati->GetRifSensore(i));
    QWidget* next = ui_->CheckRitornoBenzina->isHidden()
                        ? static_cast<QWidget*>(ui_->EditRitornoBenzina)
                        : ui_->CheckRitornoBenzina;
    ui_->ComboSensore->SetNextControl(next);
    ui_->ComboSensore->SetPrevControl(next);
    ui_->EditRitornoBenzina->SetNextControl(ui_->CheckRitornoBenzina->isHidden()
                                                ? static_cast<QWidget*>(ui_->ComboSensore)
                                                : ui_->CheckRitornoBenzina);
    ui_->EditRitornoBenzina->SetPrevControl(ui_->EditRitornoBenzina->NextControl());
}

// Unchecked switches the petrol return off (255), keeping the time to give
// back when it is checked again.
void TFormConfig::CheckRitornoBenzinaClick() {
    const bool on = ui_->CheckRitornoBenzina->isChecked();
    const bool shown = on && !ui_->CheckRitornoBenzina->isHidden();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->LabelRitornoBenzina,
                                                      ui_->EditRitornoBenzina, ui_->LabelS12})
        w->setVisible(shown);
    if (!on) {
        if (!filling_) {
            savedReturnTime_ = trunc(StreamDati->GetValue(kReturnTime));
            StreamDati->SetValue(kReturnTime, kReturnTimeOff);
        }
        return;
    }
    if (!filling_)
        StreamDati->SetValue(kReturnTime, savedReturnTime_ < 1 ? 1 : savedReturnTime_);
    ui_->EditRitornoBenzina->SetInt(trunc(StreamDati->GetValue(kReturnTime)));
}

void TFormConfig::ButtonAccettaClick() {
    TNumericEdit* const edits[] = {ui_->EditLivello1, ui_->EditLivello2, ui_->EditLivello3,
                                   ui_->EditLivello4};
    int level[4];
    for (int i = 0; i < 4; ++i)
        level[i] = edits[i]->GetInt();
    const bool inverted = StreamDati->IsLevelSensorInverted();
    for (int i = 0; i + 1 < 4; ++i) {
        const bool inOrder = inverted ? level[i] > level[i + 1] : level[i] < level[i + 1];
        if (!inOrder) {
            platform::MessageBox(this, Text(236), caption(), platform::MB_ICONERROR);
            return;
        }
    }
    for (int i = 0; i < 4; ++i)
        StreamDati->SetRifSensore(i, level[i]);
    for (int i = 0; i < 4; ++i)
        edits[i]->SetInt(StreamDati->GetRifSensore(i));
}

// --- Pressione ----------------------------------------------------------

void TFormConfig::TabPressioneShow() {
    ShowPressureCombos();
    ui_->RadioMapInterno->setChecked(StreamDati->GetFlag(12));
    ui_->RadioMapEsterno->setChecked(!StreamDati->GetFlag(12));
    const std::pair<TNumericEdit*, int> edits[] = {{ui_->EditOffsetDiff, 4},
                                                   {ui_->EditPendenzaDiff, 5}};
    for (auto [edit, i] : edits)
        edit->SetInt(StreamDati->GetOffsetPendenzaMap(i));
    ShowMapSensorWords();
    ShowPressureVisibility();
}

void TFormConfig::ShowPressureCombos() {
    const int m = StreamDati->GetFlag(14) ? 1 : 0;
    const int r = StreamDati->GetFlag(13) ? 1 : 0;
    ui_->ComboMisuratorePressione->setCurrentIndex(m);
    ui_->ComboPressioneMisurata->setCurrentIndex(r ^ m);
}

void TFormConfig::ShowPressureVisibility() {
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->LabelTipoMap, ui_->RadioMapInterno,
                                                      ui_->RadioMapEsterno})
        w->hide();
    ui_->GroupParametri->setVisible(!StreamDati->GetFlag(12) && StreamDati->GetFlag(13));
}

// --- Coefficienti k -----------------------------------------------------

void TFormConfig::TabKCoefficientiShow() {
    ShowCalibrationState();
}

// The calibration button, its note and the switch follow option bit 4.
void TFormConfig::ShowCalibrationState() {
    const bool running = StreamDati->GetFlag(kCalibrationRunning);
    ui_->ButtonTaratura->setText(platform::toUnicode(Text(running ? 322 : 321)));
    ui_->StaticTaratura->setVisible(running);
    ui_->ButtonCommutatore->setVisible(running);
}

void TFormConfig::ButtonTaraturaClick() {
    StreamDati->SetFlag(kCalibrationRunning, !StreamDati->GetFlag(kCalibrationRunning));
    ShowCalibrationState();
    update();
    platform::Sleep(400);
}

void TFormConfig::ButtonCommutatoreClick() {
    StreamDati->SetFlag(5, !StreamDati->GetFlag(5));
    platform::Sleep(500);
}

void TFormConfig::ButtonModificaRifTarClick() {
    Timer1->stop();
    {
        TFormCentriCelleK dialog(this);
        platform::ShowModal(dialog);
    }
    BuildMapBoundaries();
    ui_->DrawGridK->viewport()->update();
    ui_->DrawGridOpenLoop->viewport()->update();
    Timer1->start();
}

void TFormConfig::TabKTempiShow() {
    ui_->EditTempoMortoBenz->SetDouble(value(StreamDati->GetTempoIniettore(3)));
    ui_->EditTempoMortoGas->SetDouble(value(StreamDati->GetTempoIniettore(4)));
}

// --- Correzioni K, Iniettori, Varie -------------------------------------

// The filter parameters and dead times of the map's sub-pages, moved here.
void TFormConfig::TabCorrezioniShow() {
    TabKVarieShow();
    TabKTempiShow();
}

void TFormConfig::TabIniezioneShow() {
    ui_->EditTempoMassimaCorrente->SetDouble(value(StreamDati->GetTableValue(586, 0)));
    ui_->EditTempoInterSpegnimento->SetDouble(value(StreamDati->GetTableValue(586, 1)));
    showValues({{ui_->EditImpedenzaIniettori, 118}, {ui_->EditValPercHoldingCurrent, 119}});
    ui_->CheckTempoMaxCorrente->setChecked(StreamDati->GetFlag(3));
    showValues({{ui_->EditSafeDelay, 654}, {ui_->EditCorrente, 56}});
    ShowCurrentMode();
    ui_->EditAperturaInj->SetDouble(value(StreamDati->GetTempoIniettore(1)));
    ui_->EditChiusuraInj->SetDouble(value(StreamDati->GetTempoIniettore(2)));
}

// Maximum-current time at 12 V: the holding current and its frequency; else
// the holding percentage.
void TFormConfig::ShowCurrentMode() {
    const bool current = ui_->CheckTempoMaxCorrente->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->LabelValPercHoldingCurrent, ui_->EditValPercHoldingCurrent, ui_->LabelPerc})
        w->setVisible(!current);
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->LabelCorrente, ui_->EditCorrente,
                                                      ui_->LabelA, ui_->LabelImpedenzaIniettori,
                                                      ui_->EditImpedenzaIniettori, ui_->LabelHz})
        w->setVisible(current);
    const QString text = languageText(current ? 198 : 197, ui_->LabelTempoMaxCorr->text());
    ui_->LabelTempoMaxCorr->setText(text);
}

void TFormConfig::TabTaraturaShow() {
    ui_->EditGiriAutotaratura->SetInt(trunc(StreamDati->GetValue(662)));
    ui_->EditTempTaratura->SetDouble(value(StreamDati->GetValue(144)));
    ui_->EditScartoMinFuoriMin->SetDouble(value(StreamDati->GetScartoMinimoTaratura(0)));
    ui_->EditScartoMinAlMin->SetDouble(value(StreamDati->GetValue(659)));
    for (int i = 0; i < 8; ++i) {
        auto* lpg = findChild<TNumericEdit*>(QString("EditTInjLpg%1").arg(i));
        auto* cng = findChild<TNumericEdit*>(QString("EditTInjCng%1").arg(i));
        if (lpg)
            lpg->SetDouble(value(StreamDati->GetTInjDefault(i, 0)));
        if (cng)
            cng->SetDouble(value(StreamDati->GetTInjDefault(i, 1)));
    }
    ui_->EditSafetyTime->SetInt(trunc(StreamDati->GetValue(122)));
    ui_->EditDeltaK->SetInt(trunc(StreamDati->GetTableValue(151, 0)));
    ui_->EditNumControlli->SetInt(trunc(StreamDati->GetTableValue(151, 1)));
    ui_->EditNumControlliOk->SetInt(trunc(StreamDati->GetTableValue(151, 2)));
}

// --- Autocalibrazione ---------------------------------------------------

std::array<TNumericEdit*, 8> TFormConfig::ZoneEdits() const {
    return {ui_->EditCorrCarbMinimoM,  ui_->EditCorrCarbMinimoFM, ui_->EditCorrCarbBassoM,
            ui_->EditCorrCarbBassoFM,  ui_->EditCorrCarbMedioM,   ui_->EditCorrCarbMedioFM,
            ui_->EditCorrCarbMassimoM, ui_->EditCorrCarbMassimoFM};
}

void TFormConfig::TabAutoTarShow() {
    const auto edits = ZoneEdits();
    for (int tag = 0; tag < 8; ++tag)
        edits[tag]->SetInt(StreamDati->GetMappaCorrAutotaratura(tag / 2, tag % 2));
}

// Shifts every map cell of the zone by the change of its correction.
void TFormConfig::EditCorrCarbMinimoMKeyPress(QObject* sender, char& key) {
    auto* edit = dynamic_cast<TNumericEdit*>(sender);
    if (key != kEnter || !edit)
        return;
    shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
    Timer1->stop();
    const int tag = tagOf(edit);
    const int band = tag / 2;
    const int column = tag % 2;
    const int old = StreamDati->GetMappaCorrAutotaratura(band, column);
    StreamDati->ShiftCorrectionZone(band, column, edit->GetInt() - old);
    edit->SetInt(StreamDati->GetMappaCorrAutotaratura(band, column));
    ui_->DrawGridK->viewport()->update();
    update();
    Timer1->start();
    shell::SetScreenCursor(shell::ScreenCursor::Default);
}

// --- test menu (hidden) -------------------------------------------------

void TFormConfig::MenuDiagnosiProgClick() {
    const std::string text =
        "Registro diagnosi programma = " + std::to_string(trunc(StreamDati->GetValue(67))) +
        "\nNumero reset = " + std::to_string(trunc(StreamDati->GetValue(68)));
    platform::MessageBox(this, text, caption(), platform::MB_OK);
}

void TFormConfig::MenuSbloccaLimitiClick() {
    shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
    const bool unlocked = ui_->MenuSbloccaLimiti->isChecked();
    for (TNumericEdit* edit : findChildren<TNumericEdit*>()) {
        edit->SetDisableLimit(unlocked);
        if (unlocked)
            edit->SetMaxLength(0);
    }
    shell::SetScreenCursor(shell::ScreenCursor::Default);
}
