// Shows the live display on the simulated engine (two banks while
// recording, then one bank), the chart of that recording zoomed with two
// lines off, the trace dialog, prints the chart to a PDF and undoes the
// zoom; saves the X screen after each with ImageMagick's import.
#include "core/edition.h"
#include "core/iodata.h"
#include "formgraficodrt.h"
#include "formvisualizza.h"
#include "language.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "tests/support/simunit.h"
#include "tests/support/storedsettings.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <cstdio>

namespace {

QString folder;

void Settle() {
    for (int i = 0; i < 30; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

void Shot(const QString& name) {
    Settle();
    const QString file = folder + "/" + name + ".png";
    QProcess::execute("import", {"-window", "root", file});
    std::printf("%s\n", qPrintable(file));
}

// Answers the save dialog with a file of the folder, shows a modal window
// for a shot, and sends the print dialog's printer to a PDF.
class LookModals : public platform::ModalScript {
public:
    int messageBox(const platform::MessageBoxRequest& r) override {
        std::printf("box: %s\n", r.text.c_str());
        return platform::IDOK;
    }
    std::optional<platform::FileDialogResult>
    fileDialog(const platform::FileDialogRequest&) override {
        return platform::FileDialogResult{platform::fromUnicode(folder + "/recording.txt"), 1};
    }
    std::optional<std::string> inputQuery(const platform::InputRequest&) override { return {}; }
    int execDialog(QDialog& dialog) override {
        if (auto* print = dynamic_cast<QPrintDialog*>(&dialog)) {
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(folder + "/chart.pdf");
            return QDialog::Accepted;
        }
        QTimer::singleShot(300, &dialog, [&dialog] {
            Shot("trace-dialog");
            dialog.reject();
        });
        return dialog.exec();
    }
};

void Tick(TFormVisualizza& w, platform::VirtualClock& clock, int n) {
    for (int i = 0; i < n; ++i) {
        clock.advance(150);
        w.Timer1Timer();
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "livelook <folder>\n");
        return 2;
    }
    folder = argv[1];
    QTemporaryDir settings;
    UseStoredSettings(settings.path());
    platform::VirtualClock clock;
    platform::setClock(&clock);
    SimUnit sim;
    sim.reset();
    sim.setBaud(0);
    sim.setEngine(SimUnit::Engine::Cycle);
    SetupEditionProfile(128);
    BindLanguageLibrary();
    LookModals modals;
    platform::setModalScript(&modals);
    TStreamDati data;
    StreamDati = &data;
    data.EcuLink()->Connect();
    TEcuImage im = data.Image();
    im.Clock = 2000;
    im.Flag[0] &= ~0x4;
    data.RestoreImage(im);

    {
        TFormVisualizza live(nullptr);
        live.Timer1->stop();
        live.show();
        Tick(live, clock, 10);
        live.MenuCominciaDrtClick();
        Tick(live, clock, 600); // 90 s of the engine's cycle
        Shot("live-two-banks-recording");
        live.MenuTerminaDrtClick();
    }
    im.Flag[0] |= 0x4;
    data.RestoreImage(im);
    {
        TFormVisualizza live(nullptr);
        live.Timer1->stop();
        live.show();
        Tick(live, clock, 40);
        Shot("live-one-bank");
    }
    {
        TTrace trace;
        QFile f(folder + "/recording.txt");
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        ParseTrace(std::string_view(bytes.constData(), size_t(bytes.size())), trace);
        TFormGraficoDrt chart(nullptr, platform::fromUnicode(f.fileName()), trace);
        chart.show();
        Settle();
        Shot("chart");
        const QRectF plot = chart.Chart()->plotArea();
        chart.Chart()->zoomIn(QRectF(plot.left() + plot.width() * 0.2, plot.top(),
                                     plot.width() * 0.3, plot.height()));
        chart.Series()[1]->setVisible(false);
        chart.Series()[4]->setVisible(false);
        Settle();
        Shot("chart-zoomed-two-off");
        chart.MenuTracceClick();
        chart.MenuStampaClick();
        std::printf("%s\n", qPrintable(folder + "/chart.pdf"));
        chart.MenuAnnullaZoomClick();
        Shot("chart-zoom-undone");
    }
    StreamDati = nullptr;
    platform::setModalScript(nullptr);
    platform::setClock(nullptr);
    return 0;
}
