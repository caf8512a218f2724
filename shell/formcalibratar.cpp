#include "formcalibratar.h"

#include "livegauges.h"
#include "messagetexts.h"
#include "ui_FormCalibraTar.h"
#include "windowutil.h"

#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "platform/numbers.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

namespace {

using platform::FloatToStrF;
using platform::TFloatFormat;

constexpr int kStartCommand = 19;
constexpr int kStateCommand = 20;
constexpr int kStopCommand = 21;
constexpr int kEndSaveCommand = 18;
constexpr int kLastState = 12;
constexpr uint32_t kGiriAutotaratura = 0x296;
constexpr uint32_t kLambdaReference = 5;

// Refusal flags and their texts, in the order they are told.
constexpr struct {
    int flag;
    int text;
} kRefusals[] = {{0x04, 463}, {0x08, 464}, {0x01, 465}, {0x02, 466}, {0x10, 467}};

using platform::u;

void setColours(QLabel* label, const QColor& text, const QColor& background = QColor()) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, text);
    if (background.isValid())
        p.setColor(QPalette::Window, background);
    label->setPalette(p);
}

} // namespace

TFormCalibraTar::TFormCalibraTar(QWidget* owner)
    : QDialog(owner), ui_(new Ui::FormCalibraTar),
      texts_({44,  122, 217, 220, 226, 228, 252, 366, 367, 447, 448, 449, 452, 453, 454,
              455, 456, 457, 458, 459, 460, 461, 462, 463, 464, 465, 466, 467, 474}) {
    ui_->setupUi(this);
    setWindowState(Qt::WindowMaximized);
    fillScreen();
    texts_.Load();
    const auto setText = [this](auto* widget, int n) {
        if (!text(n).empty())
            widget->setText(u(text(n)));
    };
    const auto setTitle = [this](QGroupBox* group, int n) {
        if (!text(n).empty())
            group->setTitle(u(text(n)));
    };
    setText(ui_->ButtonEsci, 252);
    setTitle(ui_->GroupGiri, 220);
    setTitle(ui_->GroupTempRid, 228);
    setTitle(ui_->GroupTempMot, 226);
    setTitle(ui_->GroupCarb, 447);
    setTitle(ui_->GroupLambda, 217);
    setTitle(ui_->GroupTInjGas, 448);
    setTitle(ui_->GroupTInjBenz, 449);
    setText(ui_->LabelMessaggio, 452);
    setText(ui_->LabelNota, 474);

    giriAutotaratura_ = std::to_string(static_cast<int>(StreamDati->GetValue(kGiriAutotaratura)));
    LambdaBit0 = StreamDati->TestLambdaTypeBit0();
    LambdaRef = static_cast<float>(StreamDati->GetValue(kLambdaReference));
    ui_->LabelMessaggio->show();

    connect(ui_->ButtonEsci, &QPushButton::clicked, this, [this] { close(); });
    TimerBlink.setInterval(150);
    connect(&TimerBlink, &QTimer::timeout, this, &TFormCalibraTar::TimerBlinkTimer);
    TimerBlink.start();
}

TFormCalibraTar::~TFormCalibraTar() = default;

// Maximised even where no window manager does it; the layout keeps its size
// and is centred.
void TFormCalibraTar::fillScreen() {
    const QSize design = size();
    resize(screen()->availableGeometry().size());
    const QPoint shift((width() - design.width()) / 2, (height() - design.height()) / 2);
    if (shift.x() < 0 || shift.y() < 0)
        return;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->move(child->pos() + shift);
}

void TFormCalibraTar::errorBox(const std::string& message) {
    platform::MessageBox(this, message, platform::fromUnicode(windowTitle()),
                         platform::MB_ICONERROR);
}

// Both answer bytes start at 0, so bytes the link leaves unwritten never
// read as a state or a refusal.
bool TFormCalibraTar::command(int number, int length) {
    uint8_t bytes[2] = {0, 0};
    return StreamDati->EcuLink()->SendCommand(number, bytes, length, 2);
}

std::string TFormCalibraTar::StateText(int state) const {
    if (state < 0 || state > kLastState)
        return {};
    if (state <= 1)
        return text(455);
    if (state == 2)
        return text(456) + " " + giriAutotaratura_ + " " + text(457);
    if (state <= 9)
        return text(458);
    return text(state == 10 ? 459 : 460);
}

int TFormCalibraTar::Progress(int state) {
    return std::clamp(state * 100 / 13, 0, 100);
}

void TFormCalibraTar::TimerBlinkTimer() {
    // No tick starts inside another one or the end sequence, so their boxes
    // never stack.
    const TTickLatch::Scope scope(tick_);
    if (!scope.Entered() || closed_)
        return;
    TSerialEcuLink* link = StreamDati->EcuLink();
    if (!link->IsConnected())
        return;
    const TLiveRead read = ReadLiveBlock1(*link);
    if (read.status != TLiveReadStatus::Read) {
        errorBox(text(44));
        return;
    }
    DecodeBlock1(RealTimeBuffer1().data(), read.length, *StreamDati, false, Values);
    showLive();
    if (CalibState == 1)
        askState();
}

void TFormCalibraTar::showLive() {
    ui_->LabelGiri->setText(QString::number(Values.rpm));
    ui_->LabelTempRid->setText(QString::number(static_cast<int>(Values.reducerTemp)));
    ui_->LabelTempMot->setText(QString::number(static_cast<int>(Values.engineTemp)));
    const bool onGas = (Values.status & kStatusOnGas) != 0;
    ui_->LabelCarb->setText(u(onGas ? text(366) : text(367).substr(0, 4)));
    setColours(ui_->LabelCarb, onGas ? QColor(0, 128, 0) : QColor(128, 0, 128));
    ui_->LabLambda->setText(
        u(FloatToStrF(Values.lambda1, TFloatFormat::ffFixed, 2, 1) + " " + text(122) + " "));
    const bool good = live::LambdaBarColour(true, LambdaBit0, Values.lambda1, LambdaRef) ==
                      live::BarColour::Green;
    setColours(ui_->LabLambda, Qt::black, good ? QColor(0, 128, 0) : QColor(255, 0, 0));
    ui_->LabelTInjGas->setText(u(FloatToStrF(Values.gasTime1, TFloatFormat::ffFixed, 4, 2)));
    ui_->LabelTInjBenz->setText(u(FloatToStrF(Values.petrolTime1, TFloatFormat::ffFixed, 4, 2)));
}

void TFormCalibraTar::askState() {
    uint8_t answer[2] = {0, 0};
    if (!StreamDati->EcuLink()->SendCommand(kStateCommand, answer, 0, 2)) {
        errorBox(text(454)); // still running: the next tick asks again
        return;
    }
    if (answer[1] != 0) {
        refused(answer[1]);
        return;
    }
    const int state = static_cast<int8_t>(answer[0]);
    const std::string instruction = StateText(state);
    if (!instruction.empty())
        ui_->LabelOperazione->setText(u(instruction));
    ui_->ProgressBarCalibra->setValue(Progress(state));
    if (state == kLastState)
        endSequence();
}

void TFormCalibraTar::refused(int flags) {
    std::string why = text(462);
    for (const auto& r : kRefusals)
        if (flags & r.flag)
            why += text(r.text);
    ui_->LabelOperazione->setText(u(why));
    backToPrompt();
}

void TFormCalibraTar::backToPrompt() {
    CalibState = 0;
    ui_->ProgressBarCalibra->hide();
    ui_->ProgressBarCalibra->setValue(0);
    ui_->LabelMessaggio->show();
}

void TFormCalibraTar::endSequence() {
    const TEcuImage before = StreamDati->Image();
    ui_->ProgressBarCalibra->setValue(95);
    repaint();
    if (!command(kEndSaveCommand, 1)) {
        endFailed(text(454));
        return;
    }
    platform::Sleep(3000);
    if (!StreamDati->WaitForEcu(20000)) {
        endFailed(text(44));
        return;
    }
    StreamDati->SetModified(false);
    if (!StreamDati->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false)) {
        // Half a read is no calibration: the image as it was before it.
        StreamDati->RestoreImage(before);
        endFailed(EngineText(StreamDati->LastTransferError()));
        return;
    }
    ui_->ProgressBarCalibra->setValue(100);
    platform::Sleep(1000);
    repaint();
    ui_->LabelOperazione->setText(u(text(461)));
    ui_->ProgressBarCalibra->hide();
    repaint();
    CalibState = 2;
    const double coefficient = StreamDati->GetMappaK(1, 1) * 0.0078125 * 100;
    ui_->LabelNota->setText(
        ui_->LabelNota->text() +
        u("\n(Default =" + FloatToStrF(coefficient, TFloatFormat::ffFixed, 5, 2) + "%)"));
    ui_->LabelNota->show();
    ui_->ButtonEsci->setFocus();
}

void TFormCalibraTar::endFailed(const std::string& message) {
    ui_->LabelOperazione->setText(u(message));
    backToPrompt();
    errorBox(message);
}

void TFormCalibraTar::FormKeyPress(char key) {
    if (key != 13 || CalibState != 0)
        return;
    if (!command(kStartCommand, 0)) {
        errorBox(text(453));
        return;
    }
    CalibState = 1;
    ui_->ProgressBarCalibra->setValue(0);
    ui_->ProgressBarCalibra->show();
    ui_->LabelMessaggio->hide();
    ui_->LabelOperazione->show();
}

void TFormCalibraTar::keyPressEvent(QKeyEvent* e) {
    // Enter is the window's own: no button takes it.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        FormKeyPress(13);
        return;
    }
    QDialog::keyPressEvent(e);
}

void TFormCalibraTar::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    TimerBlink.stop();
    if (CalibState != 1)
        return;
    // Stopped half-way: the unit goes back to its old calibration. The image
    // keeps its modified mark, so an edit not yet in a file is still asked for.
    shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
    command(kStopCommand, 0);
    platform::Sleep(3000);
    StreamDati->WaitForEcu(20000);
    shell::SetScreenCursor(shell::ScreenCursor::Default);
}

void TFormCalibraTar::closeEvent(QCloseEvent* e) {
    FormClose();
    QDialog::closeEvent(e);
}

void TFormCalibraTar::reject() {
    FormClose(); // Esc closes as the exit button does
    QDialog::reject();
}
