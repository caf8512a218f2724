#include "formvisualizza.h"

#include "formgraficodrt.h"
#include "formmain.h"
#include "livegauges.h"
#include "livewidgets.h"
#include "ui_FormVisualizza.h"
#include "windowutil.h"

#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/gui/modal.h"
#include "platform/numbers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenuBar>
#include <QTimer>

namespace {

using platform::FloatToStr;
using platform::FloatToStrF;
using platform::TFloatFormat;

constexpr int kPeriodMs = 150;
constexpr char kExtension[] = "txt";
constexpr char kTempPattern[] = "__acqtmp";
// More recordings than anyone keeps in the temporary folder.
constexpr int kMaxTempFiles = 100000;
constexpr char kNoTempFile[] = "Impossibile creare il file temporaneo dell'acquisizione:\n";
constexpr char kRowNotWritten[] =
    "Impossibile scrivere nel file dell'acquisizione (disco pieno?): il salvataggio \xe8 "
    "terminato.";
constexpr char kNotMoved[] = "Impossibile salvare l'acquisizione in:\n";
constexpr char kNotStored[] = "Impossibile scrivere l'acquisizione (disco pieno?) in:\n";
constexpr char kNotRead[] = "Impossibile leggere il file temporaneo dell'acquisizione:\n";
constexpr char kKeptIn[] = "\nI dati registrati restano nel file:\n";

// Language strings of the window's captions.
constexpr int kCaption = 247;

using platform::cp;
using platform::u;

// Controls whose layout font is given in pixels.
void ApplyPixelFonts(QWidget* window) {
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        const QVariant px = w->property("pixelFont");
        if (!px.isValid())
            continue;
        QFont f = w->font();
        f.setPixelSize(px.toInt());
        w->setFont(f);
    }
}

// The start of a recording as the system writes a long date and time.
std::string StartText() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    return cp(locale.toString(now.date(), QLocale::LongFormat) + ' ' +
              locale.toString(now.time(), QLocale::LongFormat));
}

QColor ColourOf(live::BarColour c, const QWidget& w) {
    switch (c) {
    case live::BarColour::Green:
        return QColor(0x00, 0x80, 0x00);
    case live::BarColour::Red:
        return QColor(0xFF, 0x00, 0x00);
    case live::BarColour::Face:
        break;
    }
    return w.palette().color(QPalette::Button);
}

} // namespace

TFormVisualizza::TFormVisualizza(QWidget* owner)
    : QDialog(owner), ui_(new Ui::FormVisualizza),
      texts_({122, 123, 125, 127, 44, 233, 234, 235, 237, 238}) {
    // 1. The layout, for a screen 800 pixels wide.
    shell::RegisterFontSubstitutes();
    ui_->setupUi(this);
    ApplyPixelFonts(this);
    shell::ScaleByScreenWidth(this, shell::LayoutScreenWidth());
    // 3. TPS is never shown; MAP only with its sensor.
    for (QWidget* w : {static_cast<QWidget*>(ui_->BevelTps), static_cast<QWidget*>(ui_->LabelTps),
                       static_cast<QWidget*>(ui_->LabTps)})
        w->hide();
    if (!StreamDati->GetFlag(13))
        for (QWidget* w :
             {static_cast<QWidget*>(ui_->BevelMap), static_cast<QWidget*>(ui_->PanelMap),
              static_cast<QWidget*>(ui_->LabelMap), static_cast<QWidget*>(ui_->LabMap),
              static_cast<QWidget*>(ui_->Label2), static_cast<QWidget*>(ui_->Label3),
              static_cast<QWidget*>(ui_->Label4)})
            w->hide();
    loadCaptions();
    prepareGauges();

    connect(ui_->ButtonEsci, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    connect(ui_->MenuCominciaDrt, &QAction::triggered, this,
            &TFormVisualizza::MenuCominciaDrtClick);
    connect(ui_->MenuTerminaDrt, &QAction::triggered, this, &TFormVisualizza::MenuTerminaDrtClick);
    connect(ui_->MenuGrafico, &QAction::triggered, this, &TFormVisualizza::MenuGraficoClick);
    // Shortcuts of a menu bar that is not the window's own work only as the
    // window's actions.
    addActions({ui_->MenuCominciaDrt, ui_->MenuTerminaDrt, ui_->MenuGrafico});

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kPeriodMs);
    connect(Timer1, &QTimer::timeout, this, &TFormVisualizza::Timer1Timer);
    Timer1->start();
}

TFormVisualizza::~TFormVisualizza() {
    Timer1->stop();
    if (output_)
        output_->close();
}

void TFormVisualizza::loadCaptions() {
    LoadLanguageTitle(ui_->MenuAcquisizioni, 111);
    LoadLanguageCaption(ui_->MenuCominciaDrt, 113);
    LoadLanguageCaption(ui_->MenuTerminaDrt, 114);
    LoadLanguageCaption(ui_->MenuGrafico, 115);
    QString window = windowTitle();
    if (LoadLanguageString(kCaption, window))
        setWindowTitle(window);
    LoadLanguageCaption(ui_->ButtonEsci, 252);
    const std::pair<QLabel*, int> labels[] = {{ui_->LabelLambda, 217},    {ui_->LabelLambda2, 248},
                                              {ui_->LabelTps, 219},       {ui_->LabelMap, 218},
                                              {ui_->LabelPressione, 222}, {ui_->LabelTIniez, 221},
                                              {ui_->LabelTIniezBenz, 224}};
    for (auto [l, n] : labels)
        LoadLanguageCaption(l, n);
    texts_.Load();
}

void TFormVisualizza::prepareGauges() {
    // 5.
    lambdaTypeBit_ = StreamDati->TestLambdaTypeBit0();
    lambdaReference_ = static_cast<float>(StreamDati->GetValue(5));
    secondBank_ = StreamDati->HasSecondBank();
    // 6. The needle turns about the centre of its bevel.
    const QRect bevel = ui_->BevelGiri->geometry();
    needleBase_ = int(0.45 * bevel.height());
    const QPoint centre(bevel.left() + bevel.width() / 2, bevel.top() + bevel.height() / 2);
    ui_->ImageGiri->SetGeometryOfNeedle(centre - ui_->ImageGiri->pos(), int(needleBase_ * 0.7));
    // 7.
    thermometerFull_ = ui_->LabelTMin->y() - ui_->LabelTMax->y();
    thermometerBottom_ = ui_->ShapeT->y();
    ui_->LabelTMax->setText("100");
    ui_->LabelTMedia->setText("50");
    ui_->ShapeT->SetBrush(QColor(0x80, 0x00, 0x80));
    ui_->ShapeT->SetPen(QColor(0xFF, 0x00, 0xFF));
    ui_->ShapeLambda->SetBrush(Qt::red);
    ui_->ShapeLambda2->SetBrush(Qt::red);
    ui_->ShapeMap->SetBrush(Qt::blue);
    // 8.
    const live::LambdaScale scale = live::LambdaScaleOfType(int(StreamDati->GetValue(4)));
    scaleStart_ = scale.start;
    scaleEnd_ = scale.end;
    for (QLabel* l : {ui_->LabelLambdaMin, ui_->LabelLambda2Min})
        l->setText(u(FloatToStr(scaleStart_)));
    for (QLabel* l : {ui_->LabelLambdaMax, ui_->LabelLambda2Max})
        l->setText(u(FloatToStr(scaleEnd_)));
    // 9.
    if (!secondBank_)
        for (QWidget* w :
             {static_cast<QWidget*>(ui_->BevelLambda2), static_cast<QWidget*>(ui_->PanelLambda2),
              static_cast<QWidget*>(ui_->LabelLambda2), static_cast<QWidget*>(ui_->LabLambda2),
              static_cast<QWidget*>(ui_->LabelLambda2Min),
              static_cast<QWidget*>(ui_->LabelLambda2Max)})
            w->hide();
}

std::string TFormVisualizza::caption() const {
    return cp(windowTitle());
}

void TFormVisualizza::errorBox(const std::string& text) {
    platform::MessageBox(this, text, caption(), platform::MB_ICONERROR);
}

void TFormVisualizza::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

void TFormVisualizza::FormShow() {
    const std::string program = FormMain ? FormMain->ProgramFolder : cp(QDir::currentPath());
    acquisitionFolder_ = platform::JoinPath(program, "Acquisition");
    QDir().mkpath(u(acquisitionFolder_));
}

void TFormVisualizza::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    FormPaint();
}

void TFormVisualizza::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    ui_->MainMenu1->setGeometry(0, 0, width(), ui_->MainMenu1->sizeHint().height());
    ui_->ClientArea->move(0, ui_->MainMenu1->height());
}

void TFormVisualizza::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormVisualizza::FormClose() {
    if (recording_)
        MenuTerminaDrtClick();
    else if (output_) // a row just failed: its box and save come now
        recordingFailed();
}

void TFormVisualizza::DrawNeedle(int rpm, bool draw) {
    // The dial paints its face and one needle itself: erasing the old one
    // is repainting without it.
    if (draw)
        ui_->ImageGiri->SetNeedle(rpm);
}

void TFormVisualizza::Timer1Timer() {
    // A tick fired from inside this one's wait or box is let go.
    TTickLatch::Scope tick(latch_);
    if (!tick.Entered())
        return;
    const TLiveRead read = ReadLiveBlock1(*StreamDati->EcuLink());
    switch (read.status) {
    case TLiveReadStatus::NotConnected:
        DrawNeedle(values_.rpm, true);
        return;
    case TLiveReadStatus::Lost:
        errorBox(Text(44));
        return;
    case TLiveReadStatus::Read:
        break;
    }
    // A block too short for the first bank changes nothing and records nothing.
    if (read.length < kBlock1Bank1Bytes)
        return;
    const int previous = values_.rpm;
    DecodeBlock1(RealTimeBuffer1().data(), read.length, *StreamDati,
                 secondBank_ && read.length >= kBlock1Bank2Bytes, values_);
    ring_.Add(values_.pressure);
    if (values_.rpm != previous || redraw_) {
        DrawNeedle(previous, false);
        DrawNeedle(values_.rpm, true);
    }
    showValues(values_);
    redraw_ = false;
    if (recording_)
        writeRow();
}

void TFormVisualizza::showValues(const TBlock1Values& v) {
    ui_->LabelGiri->setText(u(live::GiriText(v.rpm)));
    ui_->LabPressione->setText(
        u(FloatToStrF(ring_.Average() * 0.01, TFloatFormat::ffFixed, 3, 2) + Text(125)));
    const int h = live::ThermometerHeight(v.reducerTemp, thermometerFull_);
    ui_->ShapeT->setGeometry(ui_->ShapeT->x(), thermometerBottom_ - h, ui_->ShapeT->width(), h);
    ui_->LabTemp->setText(u(std::to_string(int(v.reducerTemp)) + Text(123)));
    const bool gas = (v.status & kStatusOnGas) != 0;
    ui_->ImageGasOn->setVisible(gas);
    ui_->ImageGasOff->setVisible(!gas);
    ui_->ImageBenzOn->setVisible(!gas);
    ui_->ImageBenzOff->setVisible(gas);
    showLambda(ui_->ShapeLambda, ui_->PanelLambda, ui_->LabLambda, v.lambda1,
               kStatusLambda1Coloured);
    if (secondBank_)
        showLambda(ui_->ShapeLambda2, ui_->PanelLambda2, ui_->LabLambda2, v.lambda2,
                   kStatusLambda2Coloured);
    ui_->LabMap->setText(
        u(FloatToStrF(MapBar(*StreamDati, v.mapByte), TFloatFormat::ffFixed, 3, 2) + Text(125)));
    ui_->LabTIniez->setText(u(FloatToStrF(v.gasTime1, TFloatFormat::ffFixed, 4, 2) + Text(127)));
    ui_->LabTIniezBenz->setText(
        u(FloatToStrF(v.petrolTime1, TFloatFormat::ffFixed, 4, 2) + Text(127)));
}

void TFormVisualizza::showLambda(TShape* bar, QFrame* panel, QLabel* label, double volts,
                                 int statusBit) {
    const int w = live::LambdaBarWidth(volts, scaleStart_, scaleEnd_, panel->width());
    bar->setGeometry(1, 1, w, panel->height() - 2);
    label->setText(u(FloatToStrF(volts, TFloatFormat::ffFixed, 3, 2) + Text(122)));
    const live::BarColour colour = live::LambdaBarColour((values_.status & statusBit) != 0,
                                                         lambdaTypeBit_, volts, lambdaReference_);
    bar->SetBrush(ColourOf(colour, *this));
}

// --- Recording ---------------------------------------------------------------

void TFormVisualizza::setRecordingMenu(bool recording) {
    ui_->MenuTerminaDrt->setEnabled(recording);
    ui_->MenuCominciaDrt->setEnabled(!recording);
    // A menu bar shows a menu's icon in place of its title: the mark of a
    // running recording goes in front of the title instead.
    static const QString kMark = QString(QChar(0x25CF)) + ' ';
    QString title = ui_->MenuAcquisizioni->title();
    if (title.startsWith(kMark))
        title.remove(0, kMark.size());
    ui_->MenuAcquisizioni->setTitle(recording ? kMark + title : title);
    ui_->MainMenu1->update();
}

void TFormVisualizza::MenuCominciaDrtClick() {
    if (recording_)
        return;
    const std::string folder = platform::GetTempPath();
    // Without a temporary folder, never the current one.
    if (folder.empty()) {
        errorBox(kNoTempFile + std::string(kTempPattern) + "0." + kExtension);
        return;
    }
    // Made new and private, never opened over or through anything that holds
    // the name (whoever put it there); unbuffered, so a row the disk does not
    // take fails at once, and is taken back.
    auto file = std::make_unique<QFile>();
    std::string name;
    platform::NewFile made = platform::NewFile::Taken;
    for (int n = 0; n < kMaxTempFiles && made == platform::NewFile::Taken; ++n) {
        name = folder + kTempPattern + std::to_string(n) + "." + kExtension;
        made = platform::CreatePrivateFile(name, *file, QIODevice::Unbuffered);
    }
    if (made != platform::NewFile::Created) {
        errorBox(kNoTempFile + name);
        return;
    }
    auto writer = std::make_unique<TTraceWriter>(*file, secondBank_ ? 2 : 1);
    if (!writer->WriteHeader(StartText())) {
        file->close();
        platform::DeleteFile(name);
        errorBox(kNoTempFile + name);
        return;
    }
    tempFileName_ = name;
    output_ = std::move(file);
    writer_ = std::move(writer);
    setRecordingMenu(true);
    startTick_ = platform::GetTickCount();
    recording_ = true;
}

void TFormVisualizza::writeRow() {
    const TTraceRow row =
        TraceRowOf(platform::GetTickCount() - startTick_, values_, ring_.Average());
    if (writer_->WriteRow(row))
        return;
    // No more rows; the box and the save question come after this tick, so
    // ticks fired meanwhile are not held back by it.
    recording_ = false;
    QTimer::singleShot(0, this, &TFormVisualizza::recordingFailed);
}

void TFormVisualizza::recordingFailed() {
    if (!output_ || recording_)
        return;
    errorBox(kRowNotWritten);
    recording_ = true;
    MenuTerminaDrtClick();
}

std::optional<std::string> TFormVisualizza::chooseFile(bool save) {
    platform::FileDialogRequest request;
    request.owner = this;
    request.save = save;
    request.overwritePrompt = save;
    request.title = Text(save ? 233 : 235);
    request.filter = Text(234) + "|*." + kExtension;
    request.initialDir = acquisitionFolder_;
    request.defaultExt = kExtension;
    request.fileName = save ? saveFileName_ : openFileName_;
    const auto chosen = platform::RunFileDialog(request);
    if (!chosen)
        return std::nullopt;
    (save ? saveFileName_ : openFileName_) = chosen->fileName;
    return chosen->fileName;
}

void TFormVisualizza::MenuTerminaDrtClick() {
    if (!recording_)
        return;
    output_->close();
    output_.reset();
    writer_.reset();
    setRecordingMenu(false);
    recording_ = false;
    for (;;) {
        const auto target = chooseFile(true);
        if (!target) {
            platform::DeleteFile(tempFileName_);
            return;
        }
        // The temporary file chosen as the target already holds the recording.
        if (platform::SameFile(*target, tempFileName_))
            return;
        const bool existed = platform::FileExists(*target);
        const platform::CopyFault fault = platform::CopyWholeFile(tempFileName_, u(*target));
        if (fault == platform::CopyFault::None)
            break;
        if (fault != platform::CopyFault::Target || !existed) {
            errorBox(failedSaveText(fault, *target));
            return;
        }
        errorBox(Text(237) + "\n" + Text(238));
    }
    platform::DeleteFile(tempFileName_);
}

// A save that failed for any reason but an existing file that cannot be
// replaced: the recording stays in its temporary file.
std::string TFormVisualizza::failedSaveText(platform::CopyFault fault,
                                            const std::string& target) const {
    switch (fault) {
    case platform::CopyFault::Source:
        return kNotRead + tempFileName_;
    case platform::CopyFault::Disk:
        return kNotStored + target + kKeptIn + tempFileName_;
    case platform::CopyFault::None:
    case platform::CopyFault::Target:
        break;
    }
    return kNotMoved + target + kKeptIn + tempFileName_;
}

void TFormVisualizza::MenuGraficoClick() {
    if (!saveFileName_.empty() && openFileName_.empty() && platform::FileExists(saveFileName_))
        openFileName_ = saveFileName_;
    const auto chosen = chooseFile(false);
    if (chosen)
        TFormGraficoDrt::ShowTrace(this, *chosen);
}
