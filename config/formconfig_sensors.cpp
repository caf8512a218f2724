// The temperature page (gas sensor, the engine sensor's characteristic
// learnt point by point), the kit changes and the ignition and cylinder
// combos of the change-over page, the reset, the test page and a few small
// handlers of the editor.
#include "formconfig_sensors.h"

#include "formconfig.h"
#include "formmain.h"
#include "formmodmappa.h"
#include "kitchange.h"
#include "mapgrid.h"
#include "ui_FormConfig.h"
#include "windowutil.h"

#include "controls/keycombobox.h"
#include "controls/numericedit.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/cp1252.h"
#include "platform/numbers.h"

#include <QAction>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace sensors {

namespace {

constexpr int kMaxPoints = 30;
constexpr int kCylinders[] = {3, 4, 5, 6, 8};

// Raw byte of a divider at `ohms` under the pull-up; none when it has no value.
std::optional<int32_t> rawOfOhms(double ohms, int32_t pullUp) {
    const double raw = 255.0 * ohms / (pullUp + ohms);
    if (!std::isfinite(raw))
        return std::nullopt;
    return int32_t(std::clamp(raw, 0.0, 255.0));
}

std::optional<int32_t> rawOfVolts(double volts) {
    const double raw = 255.0 * volts * 0.2;
    if (!std::isfinite(raw))
        return std::nullopt;
    return int32_t(std::clamp(raw, 0.0, 255.0));
}

} // namespace

double PointVolts(int32_t raw) {
    return raw * 5.0 / 255.0;
}

int64_t PointOhms(int32_t raw, int32_t pullUp) {
    return raw < 255 ? int64_t(raw) * pullUp / (255 - raw) : 0;
}

double ProposedValue(int column, int32_t live, int32_t pullUp) {
    return column == kOhmsColumn ? double(PointOhms(live, pullUp)) : PointVolts(live);
}

std::optional<int32_t> PointFromEntry(int column, uint8_t mode, double v, int32_t stored,
                                      int32_t pullUp) {
    if (!std::isfinite(v))
        return std::nullopt;
    const double factor = v * 0.01 + 1;
    if (column == kOhmsColumn) {
        const double r = double(PointOhms(stored, pullUp));
        const double ohms = mode == 1 ? r + v : mode == 2 ? r * factor : v;
        return rawOfOhms(ohms, pullUp);
    }
    const double volts = PointVolts(stored);
    return rawOfVolts(mode == 1 ? volts + v : mode == 2 ? volts * factor : v);
}

std::optional<int32_t> PointCount(int tMin, int tMax, int step) {
    if (step < 1)
        return std::nullopt;
    if (tMax <= tMin)
        tMax = tMin + step;
    return std::min(kMaxPoints, (tMax - tMin) / step);
}

int ShownTMax(int tMin, int step, int points) {
    return points * step + tMin;
}

int CylinderItem(int cylinders) {
    const auto* at = std::find(std::begin(kCylinders), std::end(kCylinders), cylinders);
    return at == std::end(kCylinders) ? -1 : int(at - std::begin(kCylinders));
}

int CylindersOfItem(int item) {
    return item >= 0 && item < int(std::size(kCylinders)) ? kCylinders[item] : 0;
}

} // namespace sensors

namespace {

using sensors::kOhmsColumn;
using sensors::kVoltsColumn;

constexpr int kEndEditing = 398;
constexpr int kStartEditing = 399;
constexpr char kEndEditingText[] = "&Modifica parametri sensore temperatura";
constexpr char kStartEditingText[] = "&Termina modifica parametri sensore temperatura";

// Ignition items; the rev-counter signal carries the cylinder count.
constexpr int kRevCounter = 2;

bool isEnter(char key) {
    return key == 13;
}

bool listClosed(QObject* sender) {
    auto* combo = qobject_cast<TKeyComboBox*>(sender);
    return combo && !combo->DroppedDown();
}

int tagOf(QObject* o) {
    return o ? o->property("Tag").toInt() : 0;
}

QString languageText(int n, const char* fallback) {
    QString text = platform::toUnicode(fallback);
    LoadLanguageString(n, text);
    return text;
}

// The sensor grid's focus: the form hears of it coming and going.
class TFocusWatch : public QObject {
public:
    TFocusWatch(QObject* parent, std::function<void()> in, std::function<void()> out)
        : QObject(parent), in_(std::move(in)), out_(std::move(out)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::FocusIn)
            in_();
        else if (e->type() == QEvent::FocusOut)
            out_();
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> in_;
    std::function<void()> out_;
};

} // namespace

// --- Temperature page ----------------------------------------------------------

TNumericEdit* TFormConfig::sensorEdit(int tag) const {
    TNumericEdit* const edits[] = {ui_->EditRPullUp, ui_->EditDeltaT, ui_->EditTMin, ui_->EditTMax};
    return edits[std::clamp(tag, 0, 3)];
}

void TFormConfig::TabTempShow() {
    ui_->CheckTempAcqua->setChecked(StreamDati->GetFlag(8));
    ui_->CheckTempRiduttore->setChecked(StreamDati->GetFlag(9));
    ui_->CheckTempMotore->setChecked(StreamDati->GetFlag(10));
    ui_->ComboTempRiduttore->setCurrentIndex(StreamDati->GetTipoSensoreTemperaturaGas());
    ShowChangeOverTemperature();
    ShowEngineSensorControls();
    ShowSensorParameters();
}

void TFormConfig::ShowSensorParameters() {
    auto p = [](int i) { return StreamDati->GetParametriTempMotore(i); };
    ui_->EditRPullUp->SetInt(p(0) * 256 + p(1));
    ui_->EditDeltaT->SetInt(p(2));
    ui_->EditTMin->SetInt(p(3));
    ui_->EditTMax->SetInt(sensors::ShownTMax(p(3), p(2), p(4)));
    ui_->DrawGridTemp->ShapeFromImage();
    RepaintSensorGrid();
}

void TFormConfig::RepaintSensorGrid() {
    ui_->DrawGridTemp->SetSensorReading(SensorEditMode, SensorRow, LiveSensorRaw);
    ui_->DrawGridTemp->viewport()->update();
}

void TFormConfig::ButtonNuoviParametriClick() {
    const bool start = !SensorEditMode;
    ui_->ButtonNuoviParametri->setText(start ? languageText(kStartEditing, kStartEditingText)
                                             : languageText(kEndEditing, kEndEditingText));
    for (int tag = 0; tag < 4; ++tag)
        sensorEdit(tag)->setReadOnly(!start);
    if (!start) {
        // From now on the engine curve is the one of these points.
        StreamDati->SetFlag(10, true);
        ui_->CheckTempMotore->setChecked(StreamDati->GetFlag(10));
    }
    SensorEditMode = start;
    if (start) {
        ui_->DrawGridTemp->SetCurrent(kVoltsColumn, 1);
        SensorRow = 1;
    }
    RepaintSensorGrid();
    if (start)
        ui_->EditRPullUp->setFocus();
}

void TFormConfig::EditRPullUpEnter(QObject* sender) {
    if (auto* edit = qobject_cast<TNumericEdit*>(sender); edit && SensorEditMode)
        ShowLimitHint(edit);
}

void TFormConfig::ShowLimitHint(TNumericEdit* edit) {
    QLabel* hint = ui_->LabelLimite;
    hint->setParent(edit->parentWidget());
    hint->setText(platform::toUnicode("(" + platform::FloatToStr(edit->GetLimit(2)) + ";" +
                                      platform::FloatToStr(edit->GetLimit(1)) + ")"));
    hint->adjustSize();
    hint->move(edit->x() + LimitHintDistance, edit->y() + (edit->height() - hint->height()) / 2);
    hint->show();
    hint->raise();
}

void TFormConfig::EditRPullUpExit(QObject* sender) {
    ui_->LabelLimite->hide();
    auto* edit = qobject_cast<TNumericEdit*>(sender);
    if (!edit || !SensorEditMode)
        return;
    const int v = edit->GetInt();
    auto p = [](int i) { return StreamDati->GetParametriTempMotore(i); };
    switch (tagOf(edit)) {
    case 0:
        if (StreamDati->SetParametriTempMotore(0, v / 256))
            StreamDati->SetParametriTempMotore(1, v % 256);
        break;
    case 1:
        StreamDati->SetParametriTempMotore(2, v);
        break;
    case 2:
        StreamDati->SetParametriTempMotore(3, v);
        break;
    default:
        // A TMax shown at its limit is no new TMax: it never cuts points.
        if (v != std::clamp(sensors::ShownTMax(p(3), p(2), p(4)), int(edit->GetLimit(2)),
                            int(edit->GetLimit(1))))
            if (const auto points = sensors::PointCount(p(3), v, p(2)))
                StreamDati->SetParametriTempMotore(4, *points);
        break;
    }
    ShowSensorParameters();
    ui_->DrawGridTemp->SetCurrent(kVoltsColumn, 1);
    SensorRow = 1;
    RepaintSensorGrid();
}

void TFormConfig::CheckTempAcquaClick() {
    StreamDati->SetFlag(8, ui_->CheckTempAcqua->isChecked());
    ui_->CheckTempAcqua->setChecked(StreamDati->GetFlag(8));
}

void TFormConfig::CheckTempRiduttoreClick() {
    StreamDati->SetFlag(9, ui_->CheckTempRiduttore->isChecked());
    ui_->CheckTempRiduttore->setChecked(StreamDati->GetFlag(9));
    ShowChangeOverTemperature();
}

void TFormConfig::CheckTempMotoreClick() {
    StreamDati->SetFlag(10, ui_->CheckTempMotore->isChecked());
    ui_->CheckTempMotore->setChecked(StreamDati->GetFlag(10));
    ShowEngineSensorControls();
}

void TFormConfig::ComboTempRiduttoreKeyPress(QObject* sender, char& key) {
    if (!isEnter(key) || !listClosed(sender))
        return;
    StreamDati->SetTipoSensoreTemperaturaGas(ui_->ComboTempRiduttore->currentIndex());
    ui_->ComboTempRiduttore->setCurrentIndex(StreamDati->GetTipoSensoreTemperaturaGas());
}

// Space learns the live reading for the sensor row, Enter types it.
void TFormConfig::DrawGridTempKeyPress(char key) {
    if (!SensorEditMode)
        return;
    TMapGrid* grid = ui_->DrawGridTemp;
    if (key == ' ') {
        if (SensorRow >= grid->RowCount()) {
            ui_->ButtonNuoviParametri->setFocus();
            return;
        }
        StreamDati->SetEcuTempMotore(SensorRow - 1, LiveSensorRaw);
        NextSensorRow();
    } else if (isEnter(key) && grid->Col() >= kVoltsColumn && grid->Row() == SensorRow) {
        if (SensorRow >= grid->RowCount()) {
            ui_->ButtonNuoviParametri->setFocus();
            return;
        }
        EditSensorPoint(grid->Col());
        NextSensorRow();
    }
}

void TFormConfig::DrawGridTempDblClick(int col, int row) {
    if (!SensorEditMode || row < 1)
        return;
    SensorRow = row;
    if (col >= kVoltsColumn) {
        EditSensorPoint(col);
        NextSensorRow();
    } else {
        RepaintSensorGrid();
    }
}

void TFormConfig::NextSensorRow() {
    TMapGrid* grid = ui_->DrawGridTemp;
    SensorRow += 1;
    if (SensorRow >= grid->RowCount())
        ui_->ButtonNuoviParametri->setFocus();
    else
        grid->SetCurrent(std::max(grid->Col(), kVoltsColumn), SensorRow);
    RepaintSensorGrid();
}

// The point of the sensor row from a typed value: volts or ohms, absolute,
// added or as a percentage of the stored point.
void TFormConfig::EditSensorPoint(int column) {
    const int k = SensorRow - 1;
    const int32_t pullUp = ui_->EditRPullUp->GetInt();
    const double proposed = sensors::ProposedValue(column, LiveSensorRaw, pullUp);
    double v = proposed;
    uint8_t mode = 0;
    Timer1->stop();
    const int result = FormModMappa ? FormModMappa->ExecuteFloat(&v, &mode) : 2;
    if (result == 1) {
        shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
        // The proposal taken as it stands is the live reading itself, not
        // the reading its three decimals would give back.
        double shown = 0;
        platform::TryStrToFloat(
            platform::FloatToStrF(proposed, platform::TFloatFormat::ffFixed, 5, 3), shown);
        const std::optional<int32_t> raw =
            mode == 0 && v == shown
                ? std::optional<int32_t>(LiveSensorRaw)
                : sensors::PointFromEntry(column, mode, v, StreamDati->GetEcuTempMotore(k), pullUp);
        if (raw)
            StreamDati->SetEcuTempMotore(k, *raw);
        RepaintSensorGrid();
        shell::SetScreenCursor(shell::ScreenCursor::Default);
    }
    Timer1->start();
}

void TFormConfig::DrawGridTempEnter() {
    ui_->LabelInstr->setVisible(SensorEditMode);
}

void TFormConfig::DrawGridTempExit() {
    RepaintSensorGrid();
    ui_->LabelInstr->hide();
}

// --- Kit changes, ignition and cylinders ----------------------------------------

TKitChange TFormConfig::kitChange() {
    return TKitChange(
        this, platform::fromUnicode(windowTitle()), [this](int n) { return Text(n); }, Timer1);
}

void TFormConfig::ComboCarburanteKeyPress(QObject* sender, char& key) {
    if (!isEnter(key) || !listClosed(sender))
        return;
    const int item = ui_->ComboCarburante->currentIndex();
    if (item != RememberedFuel)
        kitChange().ChangeFuel(item);
    // The change-over page shows the image and remembers the kit it holds.
    TabCambioShow();
}

void TFormConfig::ComboTipoIniettoreKeyPress(QObject* sender, char& key) {
    if (!isEnter(key) || !listClosed(sender))
        return;
    const int type = ui_->ComboTipoIniettore->currentIndex();
    if (type != RememberedInjectorType)
        kitChange().ChangeInjector(type, false);
    // The change-over page shows the image and remembers the kit it holds.
    TabCambioShow();
}

void TFormConfig::EditTipoIniettoreKeyPress(QObject*, char& key) {
    if (!isEnter(key))
        return;
    const int type = ui_->EditTipoIniettore->GetInt();
    if (type != RememberedInjectorType)
        kitChange().ChangeInjector(type, true);
    // The change-over page shows the image and remembers the kit it holds.
    TabCambioShow();
}

void TFormConfig::ShowIgnition() {
    const int ignition = int(StreamDati->GetValue(20));
    ui_->ComboAccensione->setCurrentIndex(std::min(ignition, kRevCounter));
    ui_->ComboCilindri->setCurrentIndex(sensors::CylinderItem(int(StreamDati->GetValue(52))));
}

void TFormConfig::ComboAccensioneKeyPress(QObject* sender, char& key) {
    if (!isEnter(key) || !listClosed(sender))
        return;
    const int item = ui_->ComboAccensione->currentIndex();
    const int cylinders = ui_->ComboCilindri->currentIndex();
    if (item < kRevCounter)
        StreamDati->SetValue(20, item);
    else if (sensors::CylindersOfItem(cylinders) != 0)
        StreamDati->SetValue(20, cylinders + 2);
    ShowIgnition();
}

void TFormConfig::ComboCilindriKeyPress(QObject* sender, char& key) {
    if (!isEnter(key) || !listClosed(sender))
        return;
    const int item = ui_->ComboCilindri->currentIndex();
    const int cylinders = sensors::CylindersOfItem(item);
    if (cylinders != 0 && StreamDati->SetValue(52, cylinders) == 1 &&
        ui_->ComboAccensione->currentIndex() == kRevCounter)
        StreamDati->SetValue(20, item + 2);
    ShowIgnition();
}

void TFormConfig::ButtonResetClick() {
    if (!StreamDati->EcuLink()->IsConnected() || !FormMain)
        return;
    Timer1->stop();
    FormMain->ActionResetDaPcExecute();
    // The change-over page shows the image and remembers the kit it holds.
    TabCambioShow();
    Timer1->start();
}

// --- Test page and small handlers -------------------------------------------------

void TFormConfig::TabTestShow() {
    ui_->EditTestWord->SetDouble(double(StreamDati->GetValue(530)));
    ui_->EditTestByte->SetDouble(double(StreamDati->GetValue(23)));
    ui_->EditTestTempo->SetDouble(double(StreamDati->GetValue(536)));
    for (TNumericEdit* edit : testTable())
        edit->SetDouble(double(StreamDati->GetTableValue(25, edit->DataIndex())));
}

std::vector<TNumericEdit*> TFormConfig::testTable() const {
    return {ui_->EditTest0, ui_->EditTest1, ui_->EditTest2, ui_->EditTest3, ui_->EditTest4,
            ui_->EditTest5, ui_->EditTest6, ui_->EditTest7, ui_->EditTest8, ui_->EditTest9};
}

void TFormConfig::MenuControlloIniettoriClick() {
    QAction* item = ui_->MenuControlloIniettori;
    StreamDati->SetFlag(15, !StreamDati->GetFlag(15));
    item->setChecked(StreamDati->GetFlag(15));
}

void TFormConfig::EditCorrIntInfKeyPress(QObject* sender, char& key) {
    auto* edit = qobject_cast<TNumericEdit*>(sender);
    if (!isEnter(key) || !edit)
        return;
    const int i = tagOf(edit) == 1 ? 1 : 0;
    StreamDati->SetOpzione(i, int32_t(edit->GetDouble()));
    edit->SetInt(StreamDati->GetOpzione(i));
}

void TFormConfig::CheckInibisciEmulazioneClick() {
    StreamDati->SetFlag(7, ui_->CheckInibisciEmulazione->isChecked());
    ui_->CheckInibisciEmulazione->setChecked(StreamDati->GetFlag(7));
}

void TFormConfig::TabKVarieShow() {
    ui_->EditGiriKFiltro->SetDouble(double(StreamDati->GetValue(653)));
    ui_->EditSogliaFS2->SetDouble(double(StreamDati->GetValue(640)));
    for (TNumericEdit* edit : filterEdits())
        edit->SetInt(StreamDati->GetKFiltro(edit->DataIndex()));
    ui_->CheckKFiltroTpsPremuto->setChecked(StreamDati->GetFlag(6));
    ui_->EditKFiltroTpsPremuto->setEnabled(StreamDati->GetFlag(6));
}

std::vector<TNumericEdit*> TFormConfig::filterEdits() const {
    return {ui_->EditKFiltroFreddo, ui_->EditKFiltroCaldo, ui_->EditKFiltroTpsPremuto};
}

void TFormConfig::CheckKFiltroTpsPremutoClick() {
    StreamDati->SetFlag(6, ui_->CheckKFiltroTpsPremuto->isChecked());
    const bool on = StreamDati->GetFlag(6);
    ui_->CheckKFiltroTpsPremuto->setChecked(on);
    // Enabled or not, the field keeps the window colour.
    ui_->EditKFiltroTpsPremuto->setEnabled(on);
    QPalette p = ui_->EditKFiltroTpsPremuto->palette();
    p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Base));
    ui_->EditKFiltroTpsPremuto->setPalette(p);
}

void TFormConfig::EditKFiltroFreddoKeyPress(QObject* sender, char& key) {
    auto* edit = qobject_cast<TNumericEdit*>(sender);
    if (!isEnter(key) || !edit)
        return;
    StreamDati->SetKFiltro(edit->DataIndex(), int32_t(edit->GetDouble()));
    edit->SetInt(StreamDati->GetKFiltro(edit->DataIndex()));
}

// Default injection times: column 0 LPG, 1 CNG.
void TFormConfig::EditTInjKeyPress(QObject* sender, char& key) {
    auto* edit = qobject_cast<TNumericEdit*>(sender);
    if (!isEnter(key) || !edit)
        return;
    const int fuel = edit->objectName().startsWith("EditTInjCng") ? 1 : 0;
    StreamDati->SetTInjDefault(edit->DataIndex(), fuel, edit->GetDouble());
    edit->SetDouble(double(StreamDati->GetTInjDefault(edit->DataIndex(), fuel)));
}

void TFormConfig::EditScartoMinFuoriMinKeyPress(QObject* sender, char& key) {
    auto* edit = qobject_cast<TNumericEdit*>(sender);
    if (!isEnter(key) || !edit)
        return;
    const int i = tagOf(edit);
    StreamDati->SetScartoMinimoTaratura(i, edit->GetDouble());
    edit->SetDouble(double(StreamDati->GetScartoMinimoTaratura(i)));
}

// --- Wiring -------------------------------------------------------------------------

std::vector<TNumericEdit*> TFormConfig::defaultTimeEdits() const {
    std::vector<TNumericEdit*> edits;
    for (const char* fuel : {"EditTInjLpg", "EditTInjCng"})
        for (int i = 0; i < 8; ++i)
            if (auto* e = findChild<TNumericEdit*>(fuel + QString::number(i)))
                edits.push_back(e);
    return edits;
}

void TFormConfig::connectSensorHandlers() {
    using E = TNumericEdit;
    using C = TKeyComboBox;
    SetPageShowHandler(ui_->TabTemp, [this] { TabTempShow(); });
    SetPageShowHandler(ui_->TabTest, [this] { TabTestShow(); });
    SetPageShowHandler(ui_->TabKVarie, [this] { TabKVarieShow(); });

    for (int tag = 0; tag < 4; ++tag) {
        E* edit = sensorEdit(tag);
        edit->setReadOnly(true);
        connect(edit, &E::entered, this, &TFormConfig::EditRPullUpEnter);
        connect(edit, &E::exited, this, &TFormConfig::EditRPullUpExit);
    }
    connect(ui_->ButtonNuoviParametri, &QPushButton::clicked, this,
            &TFormConfig::ButtonNuoviParametriClick);
    connect(ui_->CheckTempAcqua, &QCheckBox::clicked, this, &TFormConfig::CheckTempAcquaClick);
    connect(ui_->CheckTempRiduttore, &QCheckBox::clicked, this,
            &TFormConfig::CheckTempRiduttoreClick);
    connect(ui_->CheckTempMotore, &QCheckBox::clicked, this, &TFormConfig::CheckTempMotoreClick);
    connect(ui_->ComboTempRiduttore, &C::keyPressed, this,
            &TFormConfig::ComboTempRiduttoreKeyPress);
    connect(ui_->DrawGridTemp, &TMapGrid::sensorKey, this, &TFormConfig::DrawGridTempKeyPress);
    connect(ui_->DrawGridTemp, &TMapGrid::sensorDoubleClicked, this,
            &TFormConfig::DrawGridTempDblClick);
    ui_->DrawGridTemp->installEventFilter(new TFocusWatch(
        this, [this] { DrawGridTempEnter(); }, [this] { DrawGridTempExit(); }));

    connect(ui_->ComboCarburante, &C::keyPressed, this, &TFormConfig::ComboCarburanteKeyPress);
    connect(ui_->ComboTipoIniettore, &C::keyPressed, this,
            &TFormConfig::ComboTipoIniettoreKeyPress);
    connect(ui_->EditTipoIniettore, &E::keyPressed, this, &TFormConfig::EditTipoIniettoreKeyPress);
    connect(ui_->ComboAccensione, &C::keyPressed, this, &TFormConfig::ComboAccensioneKeyPress);
    connect(ui_->ComboCilindri, &C::keyPressed, this, &TFormConfig::ComboCilindriKeyPress);
    connect(ui_->ButtonReset, &QPushButton::clicked, this, &TFormConfig::ButtonResetClick);

    ui_->MenuControlloIniettori->setCheckable(true);
    connect(ui_->MenuControlloIniettori, &QAction::triggered, this,
            &TFormConfig::MenuControlloIniettoriClick);
    connect(ui_->EditCorrIntInf, &E::keyPressed, this, &TFormConfig::EditCorrIntInfKeyPress);
    connect(ui_->EditCorrIntSup, &E::keyPressed, this, &TFormConfig::EditCorrIntInfKeyPress);
    connect(ui_->CheckInibisciEmulazione, &QCheckBox::clicked, this,
            &TFormConfig::CheckInibisciEmulazioneClick);
    connect(ui_->CheckKFiltroTpsPremuto, &QCheckBox::clicked, this,
            &TFormConfig::CheckKFiltroTpsPremutoClick);
    for (E* edit : filterEdits())
        connect(edit, &E::keyPressed, this, &TFormConfig::EditKFiltroFreddoKeyPress);
    connect(ui_->EditScartoMinFuoriMin, &E::keyPressed, this,
            &TFormConfig::EditScartoMinFuoriMinKeyPress);
    // The default times carry 43, which is no value of its own: the
    // generic handlers leave them to theirs.
    for (E* edit : defaultTimeEdits()) {
        edit->SetDataCode(-1);
        connect(edit, &E::keyPressed, this, &TFormConfig::EditTInjKeyPress);
    }
}
