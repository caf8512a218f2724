// The editor's live bar and the engine's place on the map and the tables,
// refreshed by Timer1 from real-time block 1.
#include "formconfig.h"

#include "mapgrid.h"
#include "pagecontrol.h"
#include "ui_FormConfig.h"

#include "controls/numericedit.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "platform/numbers.h"

#include <QLabel>
#include <QTimer>
#include <cmath>

namespace {

// Colours by their class-library values.
const QColor kGreen(0, 128, 0); // 32768
const QColor kRed(255, 0, 0);   // 255
const QColor kLime(0, 255, 0);  // 65280
const QColor kWindow(255, 255, 255);

constexpr int kGasByte = 12;
constexpr int kLambdaReference = 5;

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

void setBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

QString fixed(double v, int precision) {
    return platform::toUnicode(
        platform::FloatToStrF(v, platform::TFloatFormat::ffFixed, precision, 2));
}

// Lambda shown green on the lean or rich side the probe type calls good.
QColor lambdaColour(double volts, double threshold, bool risingProbe) {
    const bool good = risingProbe ? volts > threshold : volts < threshold;
    return good ? kGreen : kRed;
}

} // namespace

void TFormConfig::Timer1Timer() {
    // A tick fired from inside this one (its link-lost box) goes at once.
    TTickLatch::Scope scope(Live.Tick);
    if (!scope.Entered())
        return;
    readLive();
    showLive();
}

void TFormConfig::readLive() {
    TSerialEcuLink* link = StreamDati->EcuLink();
    if (!link)
        return;
    const TLiveRead read = ReadLiveBlock1(*link);
    if (read.status == TLiveReadStatus::Lost) {
        platform::MessageBox(this, Text(44), caption(), platform::MB_ICONERROR);
        return;
    }
    if (read.status == TLiveReadStatus::Read)
        DecodeBlock1(RealTimeBuffer1().data(), read.length, *StreamDati,
                     StreamDati->HasSecondBank(), Live.Values);
    LiveSensorRaw = Live.Values.engineRaw;
}

void TFormConfig::showLive() {
    const TBlock1Values& v = Live.Values;
    Ui::FormConfig& ui = *ui_;
    const bool twoBanks = StreamDati->HasSecondBank();
    const QString volts = platform::toUnicode(Text(122));
    const QString notAvailable = platform::toUnicode(Text(128));
    ui.LabGiri->setText(QString::number(v.rpm) + platform::toUnicode(Text(126)));
    ui.LabLambda->setText(fixed(v.lambda1, 3) + volts);
    ui.LabApMot->setText(fixed(v.gasTime1, 4));
    ui.LabApMotBenz->setText(fixed(v.petrolTime1, 4));
    if (twoBanks) {
        ui.LabLambda2->setText(fixed(v.lambda2, 3) + volts);
        ui.LabApMot2->setText(fixed(v.gasTime2, 4));
        ui.LabApMot2Benz->setText(fixed(v.petrolTime2, 4));
    }
    const int centibar = v.pressure / 10;
    ui.LabPressione->setText(
        centibar == 0 ? notAvailable : fixed(centibar * 0.01, 3) + platform::toUnicode(Text(125)));
    const QString degrees = platform::toUnicode(Text(123));
    const auto temperature = [&](int raw, long double t) {
        return raw == 0 ? notAvailable : QString::number(static_cast<int>(t)) + degrees;
    };
    ui.LabTemp->setText(temperature(
        v.reducerRaw, v.reducerRaw ? StreamDati->ConvertRawToTempGas(v.reducerRaw) : 0));
    ui.LabTempMot->setText(temperature(
        v.engineRaw, v.engineRaw ? StreamDati->ConvertRawToTempMotore(v.engineRaw) : 0));

    if (SensorEditMode && ui.DrawGridTemp->IsActiveControl())
        RepaintSensorGrid();

    const double threshold = static_cast<double>(StreamDati->GetValue(kLambdaReference));
    const bool rising = StreamDati->TestLambdaTypeBit0();
    setTextColour(ui.LabLambda, lambdaColour(v.lambda1, threshold, rising));
    ui.LabLambda->setEnabled(v.status & kStatusLambda1Coloured);
    if (twoBanks) {
        setTextColour(ui.LabLambda2, lambdaColour(v.lambda2, threshold, rising));
        ui.LabLambda2->setEnabled(v.status & kStatusLambda2Coloured);
    }
    ui.LabCutoff->setVisible(v.status & kStatusCutOff);
    ui.LabOpenLoop->setVisible(v.status & kStatusOpenLoop);
    const bool onGas = v.status & kStatusOnGas;
    ui.LabGas->setText(platform::toUnicode(Text(onGas ? 231 : 230)));
    setTextColour(ui.LabGas, onGas ? kGreen : kRed);

    showLambdaDefaults();
    showPageCursors();
}

// The thresholds of a new lambda type, written by the tick until the unit
// takes them; a type without defaults, or a unit that refuses them for ten
// ticks, gives up and shows what the image holds.
void TFormConfig::showLambdaDefaults() {
    if (!Live.LambdaDefaultsPending)
        return;
    ++Live.LambdaDefaultsTicks;
    constexpr int kGiveUpTicks = 10;
    const bool done = StreamDati->HasLambdaDefaults() && StreamDati->SetLambdaDefaults();
    if (!done && StreamDati->HasLambdaDefaults() && Live.LambdaDefaultsTicks < kGiveUpTicks)
        return;
    Live.LambdaDefaultsPending = false;
    const std::pair<TNumericEdit*, int> edits[] = {
        {ui_->EditRifLambda, 5},     {ui_->EditRifSupFredda, 8}, {ui_->EditRifInfFredda, 9},
        {ui_->EditRifSupCalda, 10},  {ui_->EditRifInfCalda, 11}, {ui_->EditLivEmulAlto, 71},
        {ui_->EditLivEmulBasso, 72},
    };
    for (auto [edit, id] : edits) {
        setBackground(edit, kWindow);
        edit->SetDouble(static_cast<double>(StreamDati->GetValue(id)));
    }
}

void TFormConfig::showPageCursors() {
    QWidget* page = ui_->PageControl->ActivePage();
    if (page == ui_->TabKCoefficienti)
        showMapCursor(false);
    else if (page == ui_->TabAutoTar)
        showCorrectionZone(false);
    else if (page == ui_->TabCorrezioni || page == ui_->TabEmissioni)
        showLiveColumns(false);
}

void TFormConfig::ShowLivePositions() {
    showMapCursor(true);
    showLiveColumns(true);
    showCorrectionZone(true);
}

void TFormConfig::showMapCursor(bool force) {
    const TBlock1Values& v = Live.Values;
    if (!Live.MapCursor.Changed(v.rpm, v.petrolTime1) && !force)
        return;
    TMapGrid* grid = ui_->DrawGridK;
    const auto point = MapPoint(Live.MapColumns, Live.MapRows, v.rpm, v.petrolTime1,
                                [grid](int c, int r) { return grid->CellRect(c + 1, r + 1); });
    if (!point)
        return;
    // Petrol alone red; on gas green in open loop, else the third colour.
    const QColor colour = !(v.status & kStatusOnGas)     ? kRed
                          : (v.status & kStatusOpenLoop) ? kGreen
                                                         : kLime;
    grid->SetCursorPoint(point->Pixel, colour);
}

void TFormConfig::showCorrectionZone(bool force) {
    const TBlock1Values& v = Live.Values;
    if (!Live.Zone.Changed(v.rpm, v.petrolTime1) && !force)
        return;
    const auto edits = ZoneEdits();
    if (Live.ZoneEdit >= 0)
        setBackground(edits[size_t(Live.ZoneEdit)], kWindow);
    Live.ZoneEdit = -1;
    const int c = AxisCell(Live.MapColumns, v.rpm);
    const int r = AxisCell(Live.MapRows, v.petrolTime1);
    if (c < 0 || r < 0)
        return;
    int band = 0;
    int column = 0;
    StreamDati->GetCellZone(r, c, band, column);
    if (band < 0 || band > 3)
        return;
    Live.ZoneEdit = band * 2 + (column == 0 ? 0 : 1);
    setBackground(edits[size_t(Live.ZoneEdit)], kRed);
}

void TFormConfig::showLiveColumns(bool force) {
    const TBlock1Values& v = Live.Values;
    ui_->DrawGridEmissioni->SetLiveColumn(FirstAbove(Live.Emulation, v.rpm, 11));

    // The temperature tables run backwards: column k is reference 8 - k,
    // column 8 "beyond" reference 1.
    const auto temperatureColumn = [](int t, auto ref) {
        if (ref(1) < t)
            return 8;
        for (int k = 0; k < 8; ++k)
            if (ref(8 - k) >= t)
                return k;
        return 8;
    };
    if (force || Live.ReducerRaw != v.reducerRaw) {
        Live.ReducerRaw = v.reducerRaw;
        const int t = static_cast<int>(StreamDati->ConvertRawToTempGas(v.reducerRaw));
        ui_->DrawGridTempRid->SetLiveColumn(
            temperatureColumn(t, [](int i) { return StreamDati->GetRif(i); }));
    }
    if (force || Live.EngineRaw != v.engineRaw) {
        Live.EngineRaw = v.engineRaw;
        const int t = static_cast<int>(StreamDati->ConvertRawToTempMotore(v.engineRaw));
        ui_->DrawGridTempMot->SetLiveColumn(
            temperatureColumn(t, [](int i) { return StreamDati->GetRifMot(i); }));
    }
    const int centibar = v.pressure / 10;
    if (force || Live.PressureCentibar != centibar) {
        Live.PressureCentibar = centibar;
        ui_->DrawGridPressDiff->SetLiveColumn(FirstAbove(Live.Pressure, centibar * 0.01, 14));
    }
}

void TFormConfig::BuildMapBoundaries() {
    Live.MapColumns = MapColumnAxis(*StreamDati);
    Live.MapRows = MapRowAxis(*StreamDati);
    Live.MapCursor.Forget();
    Live.Zone.Forget();
    if (Live.MapColumns.Cells() < 1 || Live.MapRows.Cells() < 1)
        ui_->DrawGridK->ClearCursor();
}

void TFormConfig::BuildEmulationBoundaries() {
    Live.Emulation = EmulationBoundaries(*StreamDati);
}

void TFormConfig::BuildPressureBoundaries() {
    Live.Pressure = PressureBoundaries(*StreamDati);
}

// Two banks: bank 1 and bank 2 side by side at the saved edges; one bank:
// its values in the middle of the two.
void TFormConfig::LiveBarLayout() {
    const bool two = StreamDati->HasSecondBank();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->LabelLambda2, ui_->LabLambda2,
                                                      ui_->LabApMot2, ui_->LabApMot2Benz})
        w->setVisible(two);
    const int first = two ? LabApMotLeft : (LabApMotLeft + LabApMot2Left) / 2;
    ui_->LabApMot->move(first, ui_->LabApMot->y());
    ui_->LabApMotBenz->move(first, ui_->LabApMotBenz->y());
    if (two) {
        ui_->LabApMot2->move(LabApMot2Left, ui_->LabApMot2->y());
        ui_->LabApMot2Benz->move(LabApMot2Left, ui_->LabApMot2Benz->y());
    }
}

std::string TFormConfig::caption() const {
    return platform::fromUnicode(windowTitle());
}
