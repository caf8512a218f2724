#include "pressuresearch.h"

#include "formconfig.h"
#include "ui_FormConfig.h"
#include "valuewrites.h"
#include "windowutil.h"

#include "controls/numericedit.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>

std::optional<TMapSensorWords> MapSensorWords(const TSensorPoint& reference,
                                              const TSensorPoint& average) {
    if (average.Volts == reference.Volts)
        return std::nullopt;
    const long double slope =
        (average.Pressure - reference.Pressure) / (average.Volts - reference.Volts);
    // The unit's law is P = offset + slope x V: offset from the reference point.
    const long double offset = reference.Pressure - slope * reference.Volts;
    const auto word = [](long double v) -> std::optional<int32_t> {
        if (!std::isfinite(v) || std::trunc(v) < -32768 || std::trunc(v) > 32767)
            return std::nullopt;
        return static_cast<int32_t>(v);
    };
    const std::optional<int32_t> o = word(offset);
    const std::optional<int32_t> s = word(slope);
    if (!o || !s)
        return std::nullopt;
    return TMapSensorWords{*o, *s};
}

TPressureSearch::TPressureSearch(TSerialEcuLink& link, Hooks hooks)
    : link_(link), hooks_(std::move(hooks)) {}

bool TPressureSearch::Pause() {
    const bool stopped = hooks_.Update && hooks_.Update();
    platform::Sleep(kPauseMs);
    return !stopped;
}

bool TPressureSearch::Step(TBlock2Values& values) {
    int length = kBlock2Size;
    ++reads_;
    if (!link_.ReadRealTimeBlock(2, buffer_, &length) || !DecodeBlock2(buffer_, length, values))
        return false;
    if (hooks_.ShowSpeed)
        hooks_.ShowSpeed(values.rpm);
    return Pause();
}

TSensorPoint TPressureSearch::PointOf(const TBlock2Values& v) {
    return {UnitPressureMbar(v.pressure), SensorVolts(v.mapSensor)};
}

std::optional<TMapSensorWords> TPressureSearch::Run() {
    const auto running = [](const TBlock2Values& v) {
        return (v.status & kBlock2StatusRunning) != 0;
    };
    TBlock2Values v;
    hooks_.ShowStep(358);
    if (!Pause() || !Step(v))
        return std::nullopt;
    // Key on, engine stopped.
    while (running(v) && v.rpm != 0)
        if (!Step(v))
            return std::nullopt;
    const TSensorPoint reference = PointOf(v);

    hooks_.ShowStep(359);
    if (!Pause())
        return std::nullopt;
    // Ten good readings in a row at 2000 rpm.
    TSensorPoint sum;
    for (int n = 0; n < kSamples;) {
        if (!Step(v))
            return std::nullopt;
        if (running(v) && v.rpm >= kLowRpm && v.rpm <= kHighRpm) {
            const TSensorPoint p = PointOf(v);
            sum.Pressure += p.Pressure;
            sum.Volts += p.Volts;
            ++n;
        } else {
            sum = {};
            n = 0;
        }
    }
    return MapSensorWords(reference, {0.1L * sum.Pressure, 0.1L * sum.Volts});
}

// --- the editor's button -----------------------------------------------------

namespace {

constexpr QRgb kGreen = 0x008000;
constexpr QRgb kRed = 0xFF0000;

// The offset goes first: the only half pair a lost link can leave.
constexpr char kWordsMixed[] =
    "In centralina l'offset del MAP esterno pu\xf2 essere gi\xe0 nuovo e la pendenza ancora "
    "vecchia.";

// While the search runs the window is repainted but takes no input; Esc
// asks the search to stop.
class TSearchInputGuard : public QObject {
public:
    explicit TSearchInputGuard(QWidget* window) : window_(window) {
        qApp->installEventFilter(this);
    }
    ~TSearchInputGuard() override { qApp->removeEventFilter(this); }
    bool Escaped() const { return escaped_; }

protected:
    bool eventFilter(QObject* target, QEvent* e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                escaped_ = true;
            return true;
        case QEvent::ShortcutOverride:
            e->accept();
            return true;
        case QEvent::Close:
            if (target != window_)
                return false;
            e->ignore();
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

private:
    QWidget* window_;
    bool escaped_ = false;
};

void setTextColour(QWidget* w, QRgb colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, QColor(colour));
    w->setPalette(p);
}

} // namespace

// The live bar as the search leaves it: values cleared, the states drawn
// from the last live reading.
void TFormConfig::ResetLiveBarForSearch() {
    Ui::FormConfig& u = *ui_;
    const auto text = [](const std::string& t) { return platform::toUnicode(t); };
    const QString zero = "0,00";
    const QString volts = zero + text(Text(122));
    u.LabLambda->setText(volts);
    u.LabApMot->setText(zero);
    u.LabApMotBenz->setText(zero);
    for (QLabel* l : {u.LabPressione, u.LabTemp, u.LabTempMot})
        l->setText(text(Text(128)));
    const bool second = StreamDati->HasSecondBank();
    if (second) {
        u.LabLambda2->setText(volts);
        u.LabApMot2->setText(zero);
        u.LabApMot2Benz->setText(zero);
    }
    TBlock1Values live;
    DecodeBlock1(RealTimeBuffer1().data(), kBlock1Size, *StreamDati, second, live);
    const double reference = static_cast<double>(StreamDati->GetValue(5));
    const bool typeBit = StreamDati->TestLambdaTypeBit0();
    const auto lean = [&](double v) { return typeBit ? v > reference : v < reference; };
    setTextColour(u.LabApMot, lean(live.lambda1) ? kGreen : kRed);
    u.LabLambda->setEnabled(live.status & kStatusLambda1Coloured);
    if (second) {
        setTextColour(u.LabApMot2, lean(live.lambda2) ? kGreen : kRed);
        u.LabLambda2->setEnabled(live.status & kStatusLambda2Coloured);
    }
    u.LabCutoff->setVisible(live.status & 0x04);
    const bool gas = live.status & kStatusOnGas;
    u.LabGas->setText(text(Text(gas ? 231 : 230)));
    setTextColour(u.LabGas, gas ? kGreen : kRed);
}

// The words as the image holds them, signed, also beyond the fields' limits.
void TFormConfig::ShowMapSensorWords() {
    ui_->EditOffset->setText(QString::number(int16_t(StreamDati->GetOffsetPendenzaMap(2))));
    ui_->EditPendenza->setText(QString::number(int16_t(StreamDati->GetOffsetPendenzaMap(3))));
}

// Offset first, then the slope; a refused slope puts the offset back, so
// the unit holds half a pair only when the link is lost between the two.
TWriteResult TFormConfig::StoreMapSensorWords(int32_t offset, int32_t slope) {
    const auto word = [](int i) {
        return [i](double v) { return StreamDati->SetOffsetPendenzaMap(i, int32_t(v)); };
    };
    return WriteAllOrNone({{double(StreamDati->GetOffsetPendenzaMap(2)), double(offset), word(2)},
                           {double(StreamDati->GetOffsetPendenzaMap(3)), double(slope), word(3)}});
}

void TFormConfig::ButtonRicercaParametriClick() {
    Timer1->stop();
    shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
    ResetLiveBarForSearch();
    PressureSearchText = Text(360);
    QLabel* step = ui_->LabelProcGuidata;
    const QFont design = step->font();
    std::optional<TMapSensorWords> words;
    {
        TSearchInputGuard guard(this);
        const auto update = [this, &guard] {
            repaint();
            QCoreApplication::processEvents();
            return guard.Escaped();
        };
        TPressureSearch search(
            *StreamDati->EcuLink(),
            {[this](int rpm) {
                 ui_->LabGiri->setText(platform::toUnicode(std::to_string(rpm) + Text(126)));
             },
             [&](int text) {
                 shell::SetFittingText(step, platform::toUnicode(Text(text)), design);
                 step->setVisible(true);
             },
             update});
        words = search.Run();
        std::optional<TWriteResult> stored;
        if (words)
            stored = StoreMapSensorWords(words->Offset, words->Slope);
        ShowMapSensorWords();
        step->setVisible(false);
        step->setFont(design);
        update();
        if (words)
            platform::Sleep(TPressureSearch::kPauseMs);
        if (stored && stored->written) {
            PressureSearchText = Text(361);
        } else {
            if (stored)
                PressureSearchText = WriteFailureText(*stored, PressureSearchText, {kWordsMixed});
            words.reset();
        }
    }
    platform::MessageBox(this, PressureSearchText, platform::fromUnicode(windowTitle()),
                         words ? platform::MB_OK : platform::MB_ICONERROR);
    Timer1->start();
    shell::SetScreenCursor(shell::ScreenCursor::Default);
}
