#include "formgraficodrt.h"

#include "chartpoints.h"
#include "ui_FormGestioneTracce.h"
#include "ui_FormGraficoDrt.h"
#include "windowutil.h"

#include "core/lowhigh.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/gui/modal.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace {

constexpr int kFormatError = 300;
constexpr int kOk = 88;
constexpr int kCancel = 89;
constexpr int kTraceDialog = 296;
constexpr int kCaption = 295;
// The largest recording opened: the file is read piece by piece and only its
// columns are held (about 50 bytes a row), so this is some 14 million rows,
// weeks of recording.
constexpr int64_t kTraceFileCap = int64_t(1) << 30;

using platform::cp;
using platform::u;

// One line of the chart: its component, colour, title, and the column it
// plots (GIRI or one of the values) with the factor of its values.
constexpr int kGiri = -1;
struct SeriesSpec {
    const char* name;
    QRgb colour;
    int title;
    const char* suffix;
    int column;
    double scale;
};

const SeriesSpec kSeriesSpecs[TFormGraficoDrt::kSeries] = {
    {"Series1", 0xFF0000, 301, " x 1000", kGiri, 0.001},
    {"Series5", 0xC0C0C0, 302, "", 0, 1},
    {"Series6", 0x808080, 303, "", 1, 1},
    {"Series7", 0xFF00FF, 304, "", 2, 1},
    {"Series9", 0xFFFF80, 306, "", 3, 1},
    {"Series11", 0x00FF00, 307, " x 10", 4, 0.1},
    {"Series2", 0x00FF00, 309, " x 10", 5, 0.1},
    {"Series14", 0x808080, 310, "", 6, 1},
    {"Series13", 0x008080, 311, "", 7, 1},
    {"Series12", 0xC0C0C0, 312, "", 8, 1},
};
constexpr int kFirstSecondBank = 7;

// The lowest and the highest value a series plots; the factors are
// positive, so they keep the order of the values.
template <class T> std::pair<double, double> Bounds(const std::vector<T>& values, double scale) {
    const auto [lo, hi] = LowestAndHighest(values.data(), values.size());
    return {double(lo) * scale, double(hi) * scale};
}

std::pair<double, double> BoundsOf(const TTrace& t, const SeriesSpec& spec) {
    return spec.column == kGiri ? Bounds(t.giri, spec.scale)
                                : Bounds(t.values[size_t(spec.column)], spec.scale);
}

QList<QPointF> PointsOf(const chart::Cut& cut, const TTrace& t, const SeriesSpec& spec) {
    return spec.column == kGiri ? cut.Points(t.giri, spec.scale)
                                : cut.Points(t.values[size_t(spec.column)], spec.scale);
}

// The columns of a long trace are gone through side by side, job i by
// thread i % kThreads: each job only reads the trace and writes a result of
// its own. A thread the system does not give leaves its jobs to this one.
constexpr size_t kThreads = 4;

void SideBySide(const std::function<void(size_t first)>& jobsFrom) {
    std::array<std::optional<std::jthread>, kThreads> helpers;
    size_t t = 1;
    try {
        for (; t < kThreads; ++t)
            helpers[t].emplace(jobsFrom, t);
    } catch (const std::system_error&) {
        for (; t < kThreads; ++t)
            jobsFrom(t);
    }
    jobsFrom(0);
}

std::string CaptionText() {
    std::string caption = "Grafico";
    LoadLanguageString(kCaption, caption);
    return caption;
}

} // namespace

TFormGestioneTracce::TFormGestioneTracce(QWidget* owner)
    : QDialog(owner, Qt::Tool), ui_(new Ui::FormGestioneTracce) {
    ui_->setupUi(this);
    connect(ui_->ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->ButtonAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

TFormGestioneTracce::~TFormGestioneTracce() = default;

std::string TFormGraficoDrt::CaptionFor(const std::string& fileName) {
    const std::string file = cp(QFileInfo(u(fileName)).fileName());
    return CaptionText() + " - " + file.substr(0, file.find('.'));
}

// The file is read on a thread of its own while the window is built;
// the window is shown only once the trace is whole. A thread the system
// does not give leaves the reading to this one.
// A reading that throws (out of memory, say) is a file refused like any
// other: the window it was called from, with its unsaved work, goes on.
void TFormGraficoDrt::ShowTrace(QWidget* owner, const std::string& fileName,
                                const TraceReading& readFile) {
    TTrace trace;
    platform::ReadFault fault = platform::ReadFault::None;
    bool read = false;
    const auto readTrace = [&] {
        try {
            read = readFile(fileName, kTraceFileCap, trace, fault);
        } catch (...) {
            read = false;
            fault = platform::ReadFault::None;
            trace = TTrace{};
        }
    };
    std::optional<std::jthread> reader;
    try {
        reader.emplace(readTrace);
    } catch (const std::system_error&) {
        readTrace();
    }
    std::unique_ptr<TFormGraficoDrt> chart(new TFormGraficoDrt(owner, fileName));
    if (reader)
        reader->join();
    if (!read) {
        chart.reset();
        if (fault == platform::ReadFault::Missing)
            return;
        TLanguageTexts texts({kFormatError});
        texts.Load();
        platform::MessageBox(owner, texts.Text(kFormatError), CaptionFor(fileName),
                             platform::MB_ICONERROR);
        return;
    }
    chart->setTrace(std::move(trace));
    platform::ShowModal(*chart);
}

TFormGraficoDrt::TFormGraficoDrt(QWidget* owner, const std::string& fileName, TTrace trace)
    : TFormGraficoDrt(owner, fileName) {
    setTrace(std::move(trace));
}

TFormGraficoDrt::TFormGraficoDrt(QWidget* owner, const std::string& fileName)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      ui_(new Ui::FormGraficoDrt), texts_({kFormatError, kOk, kCancel, kTraceDialog}) {
    shell::RegisterFontSubstitutes();
    ui_->setupUi(this);
    shell::ScaleByScreenWidth(this, shell::LayoutScreenWidth());
    texts_.Load();
    LoadLanguageTitle(ui_->MenuGraficoDrt, 297);
    LoadLanguageCaption(ui_->MenuTracce, 298);
    LoadLanguageCaption(ui_->MenuAnnullaZoom, 299);
    LoadLanguageCaption(ui_->MenuStampa, 25);
    LoadLanguageCaption(ui_->MenuEsci, 27);
    setWindowTitle(u(CaptionFor(fileName)));
    buildChart();

    connect(ui_->MenuTracce, &QAction::triggered, this, &TFormGraficoDrt::MenuTracceClick);
    connect(ui_->MenuAnnullaZoom, &QAction::triggered, this,
            &TFormGraficoDrt::MenuAnnullaZoomClick);
    connect(ui_->MenuStampa, &QAction::triggered, this, &TFormGraficoDrt::MenuStampaClick);
    connect(ui_->MenuEsci, &QAction::triggered, this, &TFormGraficoDrt::MenuEsciClick);
    addActions({ui_->MenuTracce, ui_->MenuStampa, ui_->MenuAnnullaZoom, ui_->MenuEsci});
}

void TFormGraficoDrt::setTrace(TTrace trace) {
    trace_ = std::move(trace);
    measureTrace();
    buildSeries();
}

TFormGraficoDrt::~TFormGraficoDrt() = default;

void TFormGraficoDrt::buildChart() {
    chart_ = new QChart;
    chart_->setBackgroundBrush(QColor(0xEA, 0xEA, 0xEA));
    QFont titleFont("Arial");
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    chart_->setTitleFont(titleFont);
    chart_->setTitleBrush(Qt::blue);
    std::string text = "Grafico dati in tempo reale";
    LoadLanguageString(313, text);
    chart_->setTitle(u(text));
    QChart* own = ui_->ChartDrt->chart();
    ui_->ChartDrt->setChart(chart_);
    // The view lets go of the chart it was made with but does not delete it.
    delete own;
    ui_->ChartDrt->setRubberBand(QChartView::RectangleRubberBand);
    ui_->ChartDrt->setRenderHint(QPainter::Antialiasing, false);

    axisX_ = new QValueAxis;
    std::string time = "Tempo (s)";
    LoadLanguageString(314, time);
    axisX_->setTitleText(u(time));
    axisY_ = new QValueAxis;
    QFont labels("Arial");
    labels.setBold(true);
    labels.setPixelSize(11);
    axisY_->setLabelsFont(labels);
    axisY_->setLabelsBrush(Qt::black);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
}

void TFormGraficoDrt::buildSeries() {
    const int count = trace_.banks == 1 ? kFirstSecondBank : kSeries;
    for (int i = 0; i < count; ++i) {
        const SeriesSpec& spec = kSeriesSpecs[i];
        auto* s = new QLineSeries;
        s->setObjectName(spec.name);
        std::string name;
        LoadLanguageString(spec.title, name);
        s->setName(u(name + spec.suffix));
        QPen pen(QColor::fromRgb(spec.colour));
        pen.setWidth(2);
        s->setPen(pen);
        s->setPointsVisible(false);
        s->setPointLabelsVisible(false);
        chart_->addSeries(s);
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
        series_[size_t(i)] = s;
    }
    fullExtent();
    // The points are cut when the chart is next painted, so however many
    // changes of the view or of the plot's size come before, one cut serves
    // them all, and it knows the plot's width.
    connect(axisX_, &QValueAxis::rangeChanged, this, &TFormGraficoDrt::viewChanged);
    connect(chart_, &QChart::plotAreaChanged, this, &TFormGraficoDrt::viewChanged);
    ui_->ChartDrt->viewport()->installEventFilter(this);
}

void TFormGraficoDrt::viewChanged() {
    cutPending_ = true;
    ui_->ChartDrt->viewport()->update();
}

// A window is painted on its update request, once the events that change
// the view and the plot's size have all come. The scene takes new points
// in calls it queues, which would run after this paint and paint the plot
// a second time: they are run here, so that the one paint shows them.
// Until the plot has been painted once its size is not yet its own.
bool TFormGraficoDrt::event(QEvent* e) {
    if (e->type() == QEvent::UpdateRequest && cutPending_ && painted_) {
        Decimate();
        QCoreApplication::sendPostedEvents(chart_->scene(), QEvent::MetaCall);
    }
    return QDialog::event(e);
}

// A paint that comes without an update request (the first, one of a
// resize) cuts the points itself.
bool TFormGraficoDrt::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Paint && watched == ui_->ChartDrt->viewport()) {
        if (cutPending_)
            Decimate();
        painted_ = true;
    }
    return QDialog::eventFilter(watched, e);
}

QList<QLineSeries*> TFormGraficoDrt::Series() const {
    QList<QLineSeries*> list;
    for (QLineSeries* s : series_)
        if (s)
            list.append(s);
    return list;
}

// The whole trace: its times and every value a series of the chart plots
// (the second bank's only with two banks, as they get points), and whether
// its times are in order. Found once, since the trace does not change.
void TFormGraficoDrt::measureTrace() {
    const size_t rows = trace_.Rows();
    if (rows == 0)
        return;
    const size_t plotted = trace_.banks == 2 ? kSeries : kFirstSecondBank;
    std::array<std::pair<double, double>, kSeries> bounds;
    std::pair<int64_t, int64_t> times;
    // The jobs: the plotted series, the times, their order.
    SideBySide([&](size_t first) {
        for (size_t i = first; i < plotted + 2; i += kThreads)
            if (i < plotted)
                bounds[i] = BoundsOf(trace_, kSeriesSpecs[i]);
            else if (i == plotted)
                times = LowestAndHighest(trace_.tempo.data(), rows);
            else
                ascending_ = std::is_sorted(trace_.tempo.begin(), trace_.tempo.end());
    });
    Extent& e = extent_;
    e.x0 = double(times.first) * 0.001;
    e.x1 = std::max(double(times.second) * 0.001, e.x0 + 0.001);
    e.y0 = std::numeric_limits<double>::max();
    e.y1 = std::numeric_limits<double>::lowest();
    for (size_t i = 0; i < plotted; ++i) {
        e.y0 = std::min(e.y0, bounds[i].first);
        e.y1 = std::max(e.y1, bounds[i].second);
    }
    if (e.y1 <= e.y0)
        e.y1 = e.y0 + 1;
}

void TFormGraficoDrt::fullExtent() {
    axisX_->setRange(extent_.x0, extent_.x1);
    axisY_->setRange(extent_.y0, extent_.y1);
}

int TFormGraficoDrt::plotColumns() const {
    return std::max(1, int(chart_->plotArea().width()));
}

void TFormGraficoDrt::Decimate() {
    cutPending_ = false;
    const chart::View view{axisX_->min(), axisX_->max(), plotColumns()};
    // The whole trace is the view an undone zoom comes back to: its points
    // are kept, so that it is not cut from every row again.
    const bool whole = view.x0 == extent_.x0 && view.x1 == extent_.x1;
    if (whole && wholeColumns_ == view.columns) {
        for (int i = 0; i < kSeries; ++i)
            if (series_[size_t(i)])
                series_[size_t(i)]->replace(wholePoints_[size_t(i)]);
        return;
    }
    // A file out of time order has no columns to cut: every row.
    const chart::Cut cut =
        ascending_ ? chart::Cut(trace_.tempo, view) : chart::Cut::EveryRow(trace_.tempo);
    const bool pointsOfItsOwn = trace_.banks == 2;
    // A series is cut by a job of its own; the series take their points
    // here, on the thread that owns them.
    std::array<QList<QPointF>, kSeries> points;
    SideBySide([&](size_t first) {
        for (size_t i = first; i < size_t(kSeries); i += kThreads)
            if (series_[i] && (int(i) < kFirstSecondBank || pointsOfItsOwn))
                points[i] = PointsOf(cut, trace_, kSeriesSpecs[i]);
    });
    for (size_t i = 0; i < size_t(kSeries); ++i) {
        QLineSeries* s = series_[i];
        if (s && (int(i) < kFirstSecondBank || pointsOfItsOwn))
            s->replace(points[i]);
        if (whole && s)
            wholePoints_[i] = s->points();
    }
    if (whole)
        wholeColumns_ = view.columns;
}

void TFormGraficoDrt::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    const int menu = ui_->MainMenu1->sizeHint().height();
    ui_->MainMenu1->setGeometry(0, 0, width(), menu);
    ui_->ChartDrt->setGeometry(0, menu, width(), std::max(0, height() - menu));
}

void TFormGraficoDrt::MenuAnnullaZoomClick() {
    chart_->zoomReset();
    fullExtent();
}

void TFormGraficoDrt::MenuTracceClick() {
    TFormGestioneTracce dialog(this);
    dialog.setWindowTitle(u(texts_.Text(kTraceDialog)));
    dialog.ui()->ButtonOk->setText(u(texts_.Text(kOk)));
    dialog.ui()->ButtonAnnulla->setText(u(texts_.Text(kCancel)));
    int top = 20;
    const QList<QLineSeries*> list = Series();
    for (int i = 0; i < list.size(); ++i) {
        auto* box = new QCheckBox(list[i]->name(), &dialog);
        box->setObjectName("CheckTrack" + QString::number(i));
        box->setChecked(list[i]->isVisible());
        box->setGeometry(20, top, dialog.width() - 30, box->sizeHint().height());
        top = int(top + box->height() * 1.5);
        dialog.resize(dialog.width(), int(dialog.height() + box->height() * 1.5));
    }
    dialog.ui()->ButtonOk->move(dialog.ui()->ButtonOk->x(), top);
    dialog.ui()->ButtonAnnulla->move(dialog.ui()->ButtonAnnulla->x(), top);
    shell::CentreOnScreen(&dialog);
    if (platform::ShowModal(dialog) != QDialog::Accepted)
        return;
    for (int i = 0; i < list.size(); ++i)
        if (auto* box = dialog.findChild<QCheckBox*>("CheckTrack" + QString::number(i)))
            list[i]->setVisible(box->isChecked());
}

void TFormGraficoDrt::MenuStampaClick() {
    QPrinter printer;
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (platform::ShowModal(dialog) != QDialog::Accepted)
        return;
    // The copies are printed here, one page each: the printer must not
    // repeat them again.
    const int copies = printer.copyCount();
    printer.setCopyCount(1);
    if (copies <= 0)
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    if (cutPending_) // a chart not painted yet has its points still to come
        Decimate();
    for (int i = 0; i < copies; ++i) {
        if (i > 0)
            printer.newPage();
        ui_->ChartDrt->render(&painter, painter.viewport());
    }
    painter.end();
}
