#pragma once
// The chart of a recorded trace: one line per column over time, zoom by a
// dragged rectangle and its reset, printing, and the choice of the lines
// shown (TFormGestioneTracce). Each line is given only as many points as
// the plot has pixel columns to show them, so a long trace opens at once.
#include "language.h"

#include "core/tracefile.h"

#include <QDialog>
#include <QList>
#include <QPointF>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FormGraficoDrt;
class FormGestioneTracce;
} // namespace Ui
class QChart;
class QLineSeries;
class QValueAxis;

class TFormGestioneTracce : public QDialog {
public:
    explicit TFormGestioneTracce(QWidget* owner);
    ~TFormGestioneTracce() override;
    Ui::FormGestioneTracce* ui() const { return ui_.get(); }

private:
    std::unique_ptr<Ui::FormGestioneTracce> ui_;
};

class TFormGraficoDrt : public QDialog {
public:
    static constexpr int kSeries = 10;

    // How a trace file is read: ReadTraceFile, or what a test puts in its place.
    using TraceReading =
        std::function<bool(const std::string& path, int64_t cap, TTrace&, platform::ReadFault&)>;
    // Reads the file and shows its chart modally; a missing file shows
    // nothing, one that is not a whole trace the format-error box only, as
    // does a reading that throws.
    static void ShowTrace(QWidget* owner, const std::string& fileName,
                          const TraceReading& read = ReadTraceFile);

    TFormGraficoDrt(QWidget* owner, const std::string& fileName, TTrace trace);
    ~TFormGraficoDrt() override;

    Ui::FormGraficoDrt* ui() const { return ui_.get(); }
    QChart* Chart() const { return chart_; }
    // The series in the chart's order; the three of the second bank are
    // gone with one bank.
    QList<QLineSeries*> Series() const;
    void MenuTracceClick();
    void MenuAnnullaZoomClick();
    void MenuStampaClick();
    void MenuEsciClick() { close(); }
    // Gives every series the points of the view as it now is.
    void Decimate();

    bool eventFilter(QObject* watched, QEvent* e) override;

    // The window's caption for a file: "Grafico - <name up to its first point>".
    static std::string CaptionFor(const std::string& fileName);

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool event(QEvent* e) override;

private:
    struct Extent {
        double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
    };
    // The window without its trace; setTrace gives it one.
    TFormGraficoDrt(QWidget* owner, const std::string& fileName);
    void setTrace(TTrace trace);
    void buildChart();
    void buildSeries();
    void measureTrace();
    void fullExtent();
    void viewChanged();
    int plotColumns() const;

    std::unique_ptr<Ui::FormGraficoDrt> ui_;
    TLanguageTexts texts_;
    TTrace trace_;
    bool ascending_ = true;
    Extent extent_;
    QChart* chart_ = nullptr;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    std::array<QLineSeries*, kSeries> series_{};
    bool cutPending_ = false;
    bool painted_ = false; // the plot, once: from then on it has its size
    int wholeColumns_ = 0; // of the kept points of the whole trace
    std::array<QList<QPointF>, kSeries> wholePoints_;
};
