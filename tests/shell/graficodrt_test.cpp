// The chart of a recorded trace: its series, one bank, zoom and its reset,
// the trace selection, printing copies, and files that are no trace.
#include "shellfixture.h"

#include "formgraficodrt.h"
#include "ui_FormGestioneTracce.h"
#include "ui_FormGraficoDrt.h"

#include "platform/cp1252.h"
#include "tests/support/specialfiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <functional>
#include <new>
#include <stdexcept>

namespace {

const char kTwoBanks[] = "Ver. 1 2 real time data ECU3307, x\r\nTEMPO\tGIRI\r\n"
                         "0\t1000\t0.5\t2\t3\t1.1\t20\t30\t0.6\t2.1\t3.1\r\n"
                         "150\t2000\t0.6\t2.5\t3.5\t1.2\t21\t31\t0.7\t2.2\t3.2";
const char kOneBank[] = "Ver. 1 1 real time data ECU3307, x\r\nTEMPO\tGIRI\r\n"
                        "0\t1000\t0.5\t2\t3\t1.1\t20\t30";

class Chart : public ShellTest {
protected:
    std::string write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return platform::fromUnicode(path);
    }
    std::unique_ptr<TFormGraficoDrt> open(const char* text) {
        TTrace trace;
        EXPECT_TRUE(ParseTrace(text, trace));
        return std::make_unique<TFormGraficoDrt>(nullptr, write("t.txt", text), trace);
    }
    // The series get their points when the chart is laid out and painted.
    std::unique_ptr<TFormGraficoDrt> shown(const char* text) {
        auto w = open(text);
        w->resize(800, 600);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        ProcessEvents();
        return w;
    }
    QTemporaryDir dir;
    ScriptedModals modals;
};

TEST_F(Chart, TenSeriesInOrder) {
    auto w = shown(kTwoBanks);
    const auto series = w->Series();
    ASSERT_EQ(series.size(), 10);
    const struct {
        const char* name;
        QRgb colour;
        const char* title;
    } expected[] = {
        {"Series1", 0xFF0000, "Giri x 1000"},  {"Series5", 0xC0C0C0, "Lambda"},
        {"Series6", 0x808080, "T inj. gas"},   {"Series7", 0xFF00FF, "T inj. benz."},
        {"Series9", 0xFFFF80, "Pressione"},    {"Series11", 0x00FF00, "T.riduttore x 10"},
        {"Series2", 0x00FF00, "T.gas x 10"},   {"Series14", 0x808080, "Lambda 2"},
        {"Series13", 0x008080, "T inj.gas 2"}, {"Series12", 0xC0C0C0, "T inj.benz.2"},
    };
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(series[i]->objectName(), expected[i].name);
        EXPECT_EQ(series[i]->pen().color().rgb() & 0xFFFFFF, expected[i].colour);
        EXPECT_EQ(platform::fromUnicode(series[i]->name()), expected[i].title);
        EXPECT_EQ(series[i]->pen().width(), 2);
        ASSERT_EQ(series[i]->count(), 2);
    }
    EXPECT_EQ(series[0]->at(1), QPointF(0.15, 2.0));
    EXPECT_EQ(series[5]->at(0), QPointF(0, 2.0));
    EXPECT_EQ(series[6]->at(1), QPointF(0.15, 31 * 0.1));
    EXPECT_EQ(series[9]->at(1), QPointF(0.15, double(3.2f)));
    EXPECT_EQ(w->windowTitle(), "Grafico - t");
    EXPECT_EQ(w->Chart()->title(), "Grafico dati in tempo reale");
}

TEST_F(Chart, OneBankHasSevenSeriesOtherCountsTenWithoutPoints) {
    EXPECT_EQ(open(kOneBank)->Series().size(), 7);
    auto w = shown("Ver. 1 3 x\nh\n0 1000 0.5 2 3 1.1 20 30 0.6 2.1 3.1");
    ASSERT_EQ(w->Series().size(), 10);
    EXPECT_EQ(w->Series()[6]->count(), 1);
    EXPECT_EQ(w->Series()[7]->count(), 0);
}

TEST_F(Chart, CaptionOfANameWithTwoPoints) {
    EXPECT_EQ(TFormGraficoDrt::CaptionFor("/a/b.c/prova.uno.txt"), "Grafico - prova");
}

TEST_F(Chart, ZoomAndItsReset) {
    auto w = open(kTwoBanks);
    w->resize(800, 600);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* x = qobject_cast<QValueAxis*>(w->Chart()->axes(Qt::Horizontal).first());
    EXPECT_DOUBLE_EQ(x->max(), 0.15);
    const QRectF plot = w->Chart()->plotArea();
    w->Chart()->zoomIn(QRectF(plot.left(), plot.top(), plot.width() / 2, plot.height()));
    EXPECT_NEAR(x->max(), 0.075, 1e-9);
    w->MenuAnnullaZoomClick();
    EXPECT_DOUBLE_EQ(x->min(), 0.0);
    EXPECT_DOUBLE_EQ(x->max(), 0.15);
    EXPECT_EQ(w->ui()->ChartDrt->rubberBand(), QChartView::RectangleRubberBand);
}

// Undone zoom shows the whole trace: its times from the earliest to the
// latest, and from the lowest to the highest point any series plots.
TEST_F(Chart, TheWholeViewSpansEveryPointOfTheTrace) {
    const struct {
        const char* what;
        const char* text;
        double x0, x1, y0, y1;
    } cases[] = {
        {"one bank, the second bank's columns left out",
         "Ver. 1 1\nh\n300 7000 -0.5 2 3 1.1 20 30\n600 200 0.5 2 3 1.2 -40 30", 0.3, 0.6, -4, 7},
        {"two banks out of time order",
         "Ver. 1 2\nh\n900 100 1 2 3 1 20 30 0.6 2 3\n100 100 1 2 3 1 20 30 -9 2 3\n"
         "500 100 1 2 3 1 20 30 0.6 2 12",
         0.1, 0.9, -9, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto w = shown(c.text);
        auto* x = qobject_cast<QValueAxis*>(w->Chart()->axes(Qt::Horizontal).first());
        auto* y = qobject_cast<QValueAxis*>(w->Chart()->axes(Qt::Vertical).first());
        EXPECT_DOUBLE_EQ(x->min(), c.x0);
        EXPECT_DOUBLE_EQ(x->max(), c.x1);
        EXPECT_NEAR(y->min(), c.y0, 1e-6);
        EXPECT_NEAR(y->max(), c.y1, 1e-6);
        double lo = INFINITY, hi = -INFINITY;
        for (const QLineSeries* s : w->Series())
            for (const QPointF& p : s->points())
                lo = std::min(lo, p.y()), hi = std::max(hi, p.y());
        EXPECT_DOUBLE_EQ(y->min(), lo);
        EXPECT_DOUBLE_EQ(y->max(), hi);
    }
}

TEST_F(Chart, ALongTraceIsCutToThePlotsWidthAndRecutOnZoom) {
    std::string text = "Ver. 1 1 x\nh";
    for (int i = 0; i < 20000; ++i)
        text += "\n" + std::to_string(i * 150) + " " + std::to_string(800 + i % 3000) +
                " 0.5 2 3 1.1 20 30";
    auto w = open(text.c_str());
    w->resize(800, 600);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    ProcessEvents();
    const int columns = int(w->Chart()->plotArea().width());
    const qsizetype whole = w->Series()[0]->count();
    EXPECT_LE(whole, 2 * columns + 4);
    EXPECT_GE(whole, columns);
    auto* x = qobject_cast<QValueAxis*>(w->Chart()->axes(Qt::Horizontal).first());
    x->setRange(150.0, 150.0 + 0.15 * 100); // rows 1000 to 1100
    ProcessEvents();
    EXPECT_EQ(w->Series()[0]->count(), 103) << "point for point, and one beyond each end";
    w->MenuAnnullaZoomClick();
    ProcessEvents();
    EXPECT_EQ(w->Series()[0]->count(), whole);
}

// A series cut the plain way: the pixel column of each row on its own, and
// of each run of rows in one column its first lowest and first highest
// value, with the row just outside each end of the view.
QList<QPointF> PlainCut(const std::vector<double>& xs, const std::vector<double>& ys, double x0,
                        double x1, int columns) {
    size_t first = 0, last = xs.size();
    while (first < xs.size() && xs[first] < x0)
        ++first;
    while (last > 0 && xs[last - 1] > x1)
        --last;
    first = first > 0 ? first - 1 : 0;
    last = std::min(xs.size(), last + 1);
    QList<QPointF> points;
    if (last <= first || last - first < size_t(2 * columns)) {
        for (size_t i = first; i < last; ++i)
            points.append({xs[i], ys[i]});
        return points;
    }
    const auto column = [&](size_t i) {
        return int(std::clamp((xs[i] - x0) / (x1 - x0) * columns, -1.0, double(columns)));
    };
    for (size_t i = first; i < last;) {
        size_t low = i, high = i, k = i + 1;
        for (; k < last && column(k) == column(i); ++k) {
            if (ys[k] < ys[low])
                low = k;
            if (ys[k] > ys[high])
                high = k;
        }
        points.append({xs[std::min(low, high)], ys[std::min(low, high)]});
        if (low != high)
            points.append({xs[std::max(low, high)], ys[std::max(low, high)]});
        i = k;
    }
    return points;
}

TEST_F(Chart, PointsOfAnyViewAreThePlainCutOfItsRows) {
    // Uneven times: runs of one time, gaps; values that repeat.
    std::string text = "Ver. 1 2 x\nh";
    uint32_t seed = 7, tempo = 0;
    const auto next = [&](uint32_t n) {
        return ((seed = seed * 1103515245u + 12345u) >> 16 & 0x7fff) % n;
    };
    for (int i = 0; i < 30000; ++i) {
        tempo += i >= 10000 && i < 11500 ? 0 : i % 113 == 0 ? 9000 : 150;
        text += "\n" + std::to_string(tempo) + " " + std::to_string(next(6000));
        for (int c = 0; c < 9; ++c)
            text += " " + std::to_string(next(400) * 0.01 - 1);
    }
    TTrace trace;
    ASSERT_TRUE(ParseTrace(text, trace));
    std::vector<double> xs;
    for (int64_t ms : trace.tempo)
        xs.push_back(ms * 0.001);
    const auto ys = [&](int series) {
        std::vector<double> v;
        for (size_t r = 0; r < trace.Rows(); ++r)
            v.push_back(series == 0 ? trace.giri[r] * 0.001
                                    : trace.values[size_t(series - 1)][r] *
                                          (series == 5 || series == 6 ? 0.1 : 1.0));
        return v;
    };
    auto w = shown(text.c_str());
    auto* x = qobject_cast<QValueAxis*>(w->Chart()->axes(Qt::Horizontal).first());
    const double same = xs[10500];
    const struct {
        const char* what;
        double x0, x1; // NaN: zoom undone, the whole trace
    } views[] = {
        {"whole", NAN, NAN},
        {"zoomed in the middle", xs[14000], xs[19000]},
        {"a few rows", xs[20000] + 0.01, xs[20300]},
        {"inside a gap", xs[112] + 1, xs[112] + 2},
        {"many rows of one time", same - 1e-9, same + 1e-9},
        {"beyond the end", xs.back() + 10, xs.back() + 20},
        {"back to the whole trace", NAN, NAN},
    };
    for (const auto& v : views) {
        SCOPED_TRACE(v.what);
        if (std::isnan(v.x0))
            w->MenuAnnullaZoomClick();
        else
            x->setRange(v.x0, v.x1);
        ProcessEvents();
        const int columns = int(w->Chart()->plotArea().width());
        for (int i = 0; i < 10; ++i) {
            SCOPED_TRACE(i);
            const QList<QPointF> expected = PlainCut(xs, ys(i), x->min(), x->max(), columns);
            ASSERT_EQ(w->Series()[i]->points(), expected);
        }
    }
}

TEST_F(Chart, TraceSelection) {
    auto w = open(kOneBank);
    modals.expectModal(
        [](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Aggiungi/rimuovi tracce");
            EXPECT_EQ(d.findChildren<QCheckBox*>().size(), 7);
            d.findChild<QCheckBox*>("CheckTrack2")->setChecked(false);
            d.findChild<QCheckBox*>("CheckTrack6")->setChecked(false);
            return int(QDialog::Accepted);
        },
        "FormGestioneTracce");
    w->MenuTracceClick();
    std::vector<bool> shown;
    for (QLineSeries* s : w->Series())
        shown.push_back(s->isVisible());
    EXPECT_EQ(shown, (std::vector<bool>{true, true, false, true, true, true, false}));
    modals.expectModal(
        [](QDialog& d) {
            d.findChild<QCheckBox*>("CheckTrack0")->setChecked(false);
            return int(QDialog::Rejected);
        },
        "FormGestioneTracce");
    w->MenuTracceClick();
    EXPECT_TRUE(w->Series()[0]->isVisible()) << "Cancel changes nothing";
}

TEST_F(Chart, ThreeCopiesPrintThreePages) {
    auto w = open(kTwoBanks);
    const QString pdf = dir.filePath("chart.pdf");
    modals.expectModal(
        [&](QDialog& d) {
            QPrinter* p = dynamic_cast<QPrintDialog&>(d).printer();
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(pdf);
            p->setCopyCount(3);
            return int(QDialog::Accepted);
        },
        "QPrintDialog");
    w->MenuStampaClick();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 3);
}

TEST_F(Chart, FilesThatAreNoTrace) {
    const QByteArray bad[] = {"", "Ver. 1 1\r\nh\r\n0 1 2 3 4 5 6 7\r\n", "\x89PNG\r\n\x1a\n",
                              "Ver. 1 1\nh\n0 1 2 3x 4 5 6 7"};
    for (const QByteArray& bytes : bad) {
        const std::string path = write("bad.trace.txt", bytes);
        modals.expectMessageBox(platform::IDOK, "Formato del file non valido");
        TFormGraficoDrt::ShowTrace(nullptr, path);
        EXPECT_EQ(modals.interactions().back().caption, "Grafico - bad");
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_EQ(dynamic_cast<TFormGraficoDrt*>(w), nullptr) << "a chart left behind";
        QFile f(platform::toUnicode(path));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), bytes) << "the file is left as it was";
    }
    TFormGraficoDrt::ShowTrace(nullptr, platform::fromUnicode(dir.filePath("missing.txt")));
    EXPECT_EQ(modals.interactions().size(), std::size(bad)) << "a missing file shows nothing";
}

// A reading that throws, out of memory or for any other cause, is a file
// refused: the format-error box, no chart, and the caller goes on.
TEST_F(Chart, AReadingThatThrowsIsARefusedFile) {
    const std::string path = write("t.txt", kTwoBanks);
    const std::function<void()> throws[] = {
        [] { throw std::bad_alloc(); },
        [] { throw std::runtime_error("reader"); },
        [] { throw 7; },
    };
    for (const auto& fail : throws) {
        modals.expectMessageBox(platform::IDOK, "Formato del file non valido");
        TFormGraficoDrt::ShowTrace(
            nullptr, path, [&](const std::string&, int64_t, TTrace& t, platform::ReadFault&) {
                t.tempo.push_back(0);
                fail();
                return true;
            });
        EXPECT_EQ(modals.pendingExpectations(), 0u);
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_EQ(dynamic_cast<TFormGraficoDrt*>(w), nullptr) << "a chart left behind";
    }
}

// Names that hold no file: refused with the format error at once, neither
// read without end nor waited on.
TEST_F(Chart, ADeviceAFifoOrAFolderIsNoTrace) {
    for (const SpecialCase& c : SpecialCases()) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QString("special%1.txt").arg(int(c.kind)));
        ASSERT_TRUE(PlantSpecial(c.kind, path));
        modals.expectMessageBox(platform::IDOK, "Formato del file non valido");
        TFormGraficoDrt::ShowTrace(nullptr, platform::fromUnicode(path));
        EXPECT_EQ(modals.pendingExpectations(), 0u);
    }
}

} // namespace
