// The live display on the simulated unit, ticks driven by hand on the
// virtual clock: labels of a frozen block, the pressure mean, one and two
// banks, short reads, a lost link, a failing second read, a tick fired
// from inside its box; then recording end to end and its faults.
#include "shellfixture.h"

#include "formgraficodrt.h"
#include "formvisualizza.h"
#include "livewidgets.h"
#include "ui_FormVisualizza.h"

#include "core/realtime.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "tests/support/fullfolder.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QtCharts/QLineSeries>
#include <algorithm>
#include <functional>
#include <sys/stat.h>

namespace {

std::vector<uint8_t> Block(int rpm, int pressure, uint8_t status = 0x30) {
    std::vector<uint8_t> b(kBlock1Size, 0);
    b[0] = uint8_t(rpm), b[1] = uint8_t(rpm >> 8);
    b[2] = 51; // 1.0 V
    b[6] = 0xE8, b[7] = 0x03;
    b[8] = 0xD0, b[9] = 0x07;
    b[11] = status;
    b[12] = 0; // 0 degrees C
    b[14] = uint8_t(pressure), b[15] = uint8_t(pressure >> 8);
    b[16] = 0;
    b[21] = 102; // 2.0 V
    b[24] = 0xB8, b[25] = 0x0B;
    b[28] = 0xA0, b[29] = 0x0F;
    return b;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class LiveDisplay : public ShellTest {
protected:
    LiveDisplay() {
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        sim.setBaud(0);
        sim.setReconnectDelay(0);
        TEcuImage im = data->Image();
        im.Clock = 2000; // raw x 0.002 ms
        im.TipoDiLambda = 0;
        data->RestoreImage(im);
        EXPECT_TRUE(data->EcuLink()->Connect());
        sim.freezeRealTime(1, Block(1234, 1000));
    }
    ~LiveDisplay() override { qunsetenv("TMPDIR"); }

    void setOneBank() {
        TEcuImage im = data->Image();
        im.Flag[0] |= 0x4;
        data->RestoreImage(im);
    }
    std::unique_ptr<TFormVisualizza> open() {
        auto w = std::make_unique<TFormVisualizza>(nullptr);
        w->Timer1->stop(); // the tests tick by hand
        w->FormShow();
        sim.clearCallLog();
        return w;
    }
    void tick(TFormVisualizza& w) {
        clock.advance(150);
        w.Timer1Timer();
    }
    static std::string text(QLabel* l) { return platform::fromUnicode(l->text()); }
    int reads() const { return sim.countCalls("ReadRealTimeBlock("); }
    std::string saved(const std::string& name) const {
        return platform::fromUnicode(QDir(temp.path()).filePath(QString::fromStdString(name)));
    }

    QTemporaryDir temp;
    ScriptedModals modals;
};

TEST_F(LiveDisplay, LabelsOfAFrozenBlock) {
    auto w = open();
    auto* ui = w->ui();
    tick(*w);
    EXPECT_EQ(text(ui->LabelGiri), "1230");
    EXPECT_EQ(w->ui()->ImageGiri->Needle(), 1234);
    EXPECT_EQ(text(ui->LabPressione), "0,10bar") << "averaged with nine empty slots";
    EXPECT_EQ(text(ui->LabTemp), "0\xb0"
                                 "C");
    EXPECT_EQ(text(ui->LabLambda), "1,00V");
    EXPECT_EQ(text(ui->LabLambda2), "2,00V");
    EXPECT_EQ(text(ui->LabTIniez), "2,00ms");
    EXPECT_EQ(text(ui->LabTIniezBenz), "4,00ms");
    EXPECT_EQ(text(ui->LabMap), "0,00bar");
    EXPECT_TRUE(ui->ImageGasOn->isVisibleTo(w.get()));
    EXPECT_FALSE(ui->ImageBenzOn->isVisibleTo(w.get()));
    EXPECT_EQ(ui->ShapeT->height(), 0);
    // 0..1 V scale: full at 1 V; lambda 2 beyond the scale end is clamped.
    EXPECT_EQ(ui->ShapeLambda->width(), ui->PanelLambda->width() - 2);
    EXPECT_EQ(ui->ShapeLambda2->width(), ui->PanelLambda2->width() - 2);
    EXPECT_EQ(text(ui->LabelLambdaMin), "0");
    EXPECT_EQ(text(ui->LabelLambdaMax), "1");
    EXPECT_TRUE(ui->PanelLambda2->isVisibleTo(w.get()));
    EXPECT_EQ(w->Values().gasTime2, 6.0);

    sim.freezeRealTime(1, Block(800, 1000, 0x00));
    tick(*w);
    EXPECT_EQ(text(ui->LabelGiri), "0800");
    EXPECT_FALSE(ui->ImageGasOn->isVisibleTo(w.get()));
    EXPECT_TRUE(ui->ImageBenzOn->isVisibleTo(w.get()));
    EXPECT_EQ(ui->ShapeLambda->Brush(), w->palette().color(QPalette::Button))
        << "status bit clear: the face colour";
}

TEST_F(LiveDisplay, PressureMeanOverTenTicks) {
    auto w = open();
    std::vector<std::string> shown;
    for (int i = 0; i < 11; ++i) {
        tick(*w);
        shown.push_back(text(w->ui()->LabPressione));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"0,10bar", "0,20bar", "0,30bar", "0,40bar",
                                               "0,50bar", "0,60bar", "0,70bar", "0,80bar",
                                               "0,90bar", "1,00bar", "1,00bar"}));
}

TEST_F(LiveDisplay, OneBank) {
    setOneBank();
    auto w = open();
    tick(*w);
    EXPECT_FALSE(w->ui()->PanelLambda2->isVisibleTo(w.get()));
    EXPECT_FALSE(w->ui()->LabLambda2->isVisibleTo(w.get()));
    EXPECT_EQ(w->Values().lambda2, 0.0) << "the second bank is not decoded";
    EXPECT_EQ(text(w->ui()->LabLambda), "1,00V");
}

TEST_F(LiveDisplay, ShortReadsDecodeOnlyWhatTheyDelivered) {
    auto w = open();
    tick(*w);
    sim.freezeRealTime(1, Block(2000, 3000));
    sim.setRealTimeLength(16);
    tick(*w);
    EXPECT_EQ(text(w->ui()->LabelGiri), "1230") << "under 17 bytes nothing changes";
    EXPECT_EQ(text(w->ui()->LabPressione), "0,10bar");
    auto b = Block(2000, 3000);
    b[21] = 0;
    sim.freezeRealTime(1, b);
    sim.setRealTimeLength(29);
    tick(*w);
    EXPECT_EQ(text(w->ui()->LabelGiri), "2000");
    EXPECT_EQ(text(w->ui()->LabLambda2), "2,00V") << "the second bank needs 30 bytes";
    sim.setRealTimeLength(0);
    tick(*w);
    EXPECT_EQ(text(w->ui()->LabLambda2), "0,00V");
}

TEST_F(LiveDisplay, NoConnectionNoRead) {
    auto w = open();
    data->EcuLink()->Close();
    sim.clearCallLog();
    tick(*w);
    EXPECT_EQ(reads(), 0);
    EXPECT_EQ(sim.countCalls("IsConnected()=0"), 1);
    EXPECT_EQ(text(w->ui()->LabelGiri), "0000");
}

TEST_F(LiveDisplay, LinkLostOneBoxNoRow) {
    auto w = open();
    w->MenuCominciaDrtClick();
    ASSERT_TRUE(w->Recording());
    tick(*w);
    sim.setReconnectDelay(1000000);
    sim.dropAfter(0);
    sim.clearCallLog();
    modals.expectMessageBox(platform::IDOK, "disconnessa");
    tick(*w);
    EXPECT_EQ(sim.countCalls("Reconnect()"), 9);
    EXPECT_EQ(modals.interactions().size(), 1u);
    EXPECT_EQ(modals.interactions()[0].flags, unsigned(platform::MB_ICONERROR));
    const QByteArray rows = FileBytes(QString::fromStdString(w->TempFileName()));
    EXPECT_EQ(rows.count("\r\n"), 2) << "line 1, and the row of the first tick only";
    modals.expectFileDialog(std::nullopt);
    w->MenuTerminaDrtClick();
}

TEST_F(LiveDisplay, AFailingSecondReadShowsNothingNew) {
    auto w = open();
    tick(*w);
    sim.freezeRealTime(1, Block(3000, 3000));
    sim.failRealTimeReads(2);
    modals.expectMessageBox(platform::IDOK, "disconnessa");
    tick(*w);
    EXPECT_EQ(sim.countCalls("ReadRealTimeBlock(1,34)=0"), 2);
    EXPECT_EQ(text(w->ui()->LabelGiri), "1230");
    tick(*w);
    EXPECT_EQ(text(w->ui()->LabelGiri), "3000") << "the next tick reads again";
}

TEST_F(LiveDisplay, ATickFromInsideTheBoxIsLetGo) {
    auto w = open();
    sim.setReconnectDelay(1000000);
    sim.dropAfter(0);
    int readsInside = -1;
    modals.expectMessageBox(platform::IDOK, "disconnessa", [&] {
        const int before = reads();
        tick(*w);
        readsInside = reads() - before;
    });
    tick(*w);
    EXPECT_EQ(readsInside, 0);
    EXPECT_EQ(modals.interactions().size(), 1u) << "no second box";
}

// Whatever holds a temporary name is someone else's: it is left as it is,
// nothing a link points to is written, and the recording takes the next
// name, in a file only this user can read.
TEST_F(LiveDisplay, ARecordingTakesTheNextNameOverAnyPlantedHolderAndIsPrivate) {
    const QString folder = platform::toUnicode(platform::GetTempPath());
    const QString first = folder + "__acqtmp0.txt";
    const QString victim = temp.path() + "/victim.txt";
    const QByteArray theirs("not ours");
    struct Holder {
        const char* what;
        std::function<bool()> plant;
    };
    const Holder holders[] = {
        {"plain file", [&] { return platform::WriteWholeFile(first, theirs.toStdString()); }},
        {"dangling link", [&] { return QFile::link(folder + "nowhere.txt", first); }},
        {"link to a file", [&] { return QFile::link(victim, first); }},
        {"folder", [&] { return QDir().mkdir(first); }},
        {"FIFO", [&] { return ::mkfifo(QFile::encodeName(first).constData(), 0600) == 0; }},
    };
    ASSERT_TRUE(platform::WriteWholeFile(victim, theirs.toStdString()));
    for (const Holder& h : holders) {
        SCOPED_TRACE(h.what);
        ASSERT_TRUE(h.plant());
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(first).constData(), &before), 0);
        {
            auto w = open();
            w->MenuCominciaDrtClick();
            ASSERT_TRUE(w->Recording());
            EXPECT_EQ(w->TempFileName(), platform::fromUnicode(folder) + "__acqtmp1.txt");
            struct stat made {};
            ASSERT_EQ(::lstat(w->TempFileName().c_str(), &made), 0);
            EXPECT_TRUE(S_ISREG(made.st_mode));
            EXPECT_EQ(made.st_mode & 0777, 0600u);
            tick(*w);
        }
        struct stat after {};
        ASSERT_EQ(::lstat(QFile::encodeName(first).constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(FileBytes(victim), theirs);
        EXPECT_FALSE(QFile::exists(folder + "nowhere.txt"));
        if (S_ISREG(after.st_mode)) {
            EXPECT_EQ(FileBytes(first), theirs);
        }
        ASSERT_TRUE(QFile::remove(folder + "__acqtmp1.txt"));
        ASSERT_TRUE(QFile::remove(first) || QDir().rmdir(first));
    }
}

TEST_F(LiveDisplay, RecordSaveAndChart) {
    auto w = open();
    w->MenuCominciaDrtClick();
    EXPECT_FALSE(w->ui()->MenuCominciaDrt->isEnabled());
    EXPECT_TRUE(w->ui()->MenuTerminaDrt->isEnabled());
    const std::string temp = w->TempFileName();
    EXPECT_EQ(temp, platform::GetTempPath() + "__acqtmp0.txt");
    for (int i = 0; i < 3; ++i)
        tick(*w);
    const std::string target = saved("prova.txt");
    modals.expectFileDialog(target, "Salva acquisizione");
    w->MenuTerminaDrtClick();
    EXPECT_FALSE(w->Recording());
    EXPECT_FALSE(platform::FileExists(temp));
    const QByteArray bytes = FileBytes(platform::toUnicode(target));
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("Ver. 1 2 real time data ECU3307, ")) << lines[0].constData();
    EXPECT_TRUE(lines[0].endsWith('\r'));
    EXPECT_EQ(lines[1], "TEMPO\tGIRI\tLAMBDA\tINJ.\tINJ.BNZ\tPRESS.\tT.RID.\tT.MOT.\tLAMBDA2\tINJ2."
                        "\tINJ.BNZ2\r");
    EXPECT_EQ(lines[2], "150\t1234\t1\t2\t4\t0.1\t0\t0\t2\t6\t8\r");
    EXPECT_EQ(lines[3], "300\t1234\t1\t2\t4\t0.2\t0\t0\t2\t6\t8\r");
    EXPECT_EQ(lines[4], "450\t1234\t1\t2\t4\t0.3\t0\t0\t2\t6\t8") << "no line end at the end";

    modals.expectFileDialog(std::nullopt, "Apri file");
    w->MenuGraficoClick();
    EXPECT_EQ(modals.interactions().back().file->fileName, target) << "preset to the saved one";

    std::vector<QPointF> giri, lambda2;
    int series = 0;
    modals.expectFileDialog(target, "Apri file");
    modals.expectModal(
        [&](QDialog& d) {
            auto& chart = dynamic_cast<TFormGraficoDrt&>(d);
            // The lines get their points when the chart is painted.
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&chart));
            ProcessEvents();
            series = int(chart.Series().size());
            const auto p0 = chart.Series()[0]->points();
            const auto p7 = chart.Series()[7]->points();
            giri.assign(p0.begin(), p0.end());
            lambda2.assign(p7.begin(), p7.end());
            return int(QDialog::Rejected);
        },
        "FormGraficoDrt");
    w->MenuGraficoClick();
    EXPECT_EQ(series, 10);
    EXPECT_EQ(giri, (std::vector<QPointF>{{0.15, 1.234}, {0.3, 1.234}, {0.45, 1.234}}));
    EXPECT_EQ(lambda2, (std::vector<QPointF>{{0.15, 2}, {0.3, 2}, {0.45, 2}}));
}

TEST_F(LiveDisplay, ClosingWhileRecordingAsksForTheFile) {
    auto w = open();
    w->MenuCominciaDrtClick();
    tick(*w);
    const std::string temp = w->TempFileName();
    modals.expectFileDialog(std::nullopt, "Salva acquisizione");
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(modals.interactions().size(), 1u) << "Esc closes as the close button does";
    EXPECT_FALSE(w->Recording());
    EXPECT_FALSE(platform::FileExists(temp)) << "cancelled: the temporary file is deleted";
}

TEST_F(LiveDisplay, TicksGoOnUnderTheChart) {
    auto w = open();
    w->MenuCominciaDrtClick();
    tick(*w);
    const std::string earlier = saved("prima.txt");
    {
        QFile f(platform::toUnicode(earlier));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Ver. 1 2 x\r\nTEMPO");
    }
    modals.expectFileDialog(earlier, "Apri file");
    modals.expectModal(
        [&](QDialog&) {
            tick(*w);
            tick(*w);
            return int(QDialog::Rejected);
        },
        "FormGraficoDrt");
    w->MenuGraficoClick();
    EXPECT_EQ(FileBytes(platform::toUnicode(w->TempFileName())).count("\r\n"), 4)
        << "line 1 and three rows: two of them written while the chart was open";
    modals.expectFileDialog(std::nullopt);
    w->MenuTerminaDrtClick();
}

TEST_F(LiveDisplay, NoTemporaryFileNoRecording) {
    qputenv("TMPDIR", QByteArray("/nonexistent/vexano"));
    auto w = open();
    modals.expectMessageBox(platform::IDOK, "file temporaneo");
    w->MenuCominciaDrtClick();
    EXPECT_FALSE(w->Recording()) << w->TempFileName();
    EXPECT_TRUE(w->ui()->MenuCominciaDrt->isEnabled());
    tick(*w);
    EXPECT_EQ(text(w->ui()->LabelGiri), "1230") << "the display goes on";
}

TEST_F(LiveDisplay, AFullDiskStopsTheRecordingAndOffersTheRows) {
    const QString full = temp.filePath("full");
    QDir().mkpath(full);
    FullFolder disk(full);
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    qputenv("TMPDIR", full.toLocal8Bit());
    auto w = open();
    w->MenuCominciaDrtClick();
    tick(*w);
    ASSERT_TRUE(disk.fill());
    const std::string target = saved("fino_a_qui.txt");
    modals.expectMessageBox(platform::IDOK, "disco pieno");
    modals.expectFileDialog(target, "Salva acquisizione");
    // Rows go on into the file's last block until it is full.
    for (int i = 0; i < 1000 && w->Recording(); ++i)
        tick(*w);
    EXPECT_FALSE(w->Recording());
    ProcessEvents();
    EXPECT_TRUE(FileBytes(platform::toUnicode(target)).endsWith("\t0\t0\t2\t6\t8"))
        << "the rows written before the disk was full";
    tick(*w);
    EXPECT_EQ(modals.interactions().size(), 2u) << "no more rows, no more boxes";
}

// A save over an old file that fails leaves the old file whole and says
// why: a folder that takes no new file means the old one cannot be
// replaced, and another name is asked for; a full disk is named as the
// cause, and the recording stays in its temporary file.
TEST_F(LiveDisplay, AFailedSaveOverAnOldFileKeepsItAndSaysWhy) {
    const struct {
        const char* what;
        bool (FullFolder::*prepare)();
        bool askedAgain;
    } cases[] = {
        {"read-only folder", &FullFolder::makeReadOnly, true},
        {"full disk", &FullFolder::fill, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = temp.filePath(c.what);
        FullFolder disk(folder);
        if (!disk.mounted())
            GTEST_SKIP() << disk.reason();
        const std::string old = platform::fromUnicode(folder + "/vecchio.txt");
        ASSERT_TRUE(platform::WriteWholeFile(old, "old"));
        ASSERT_TRUE((disk.*c.prepare)());
        auto w = open();
        w->MenuCominciaDrtClick();
        for (int i = 0; i < 3; ++i)
            tick(*w);
        const std::string recording = w->TempFileName();
        const QByteArray rows = FileBytes(platform::toUnicode(recording));
        const std::string target = saved("nuovo.txt");
        const size_t before = modals.interactions().size();
        modals.expectFileDialog(old, "Salva acquisizione");
        modals.expectMessageBox(platform::IDOK);
        if (c.askedAgain)
            modals.expectFileDialog(target, "Salva acquisizione");
        w->MenuTerminaDrtClick();
        ASSERT_GT(modals.interactions().size(), before + 1);
        EXPECT_EQ(modals.interactions()[before + 1].text,
                  c.askedAgain ? "Il file esistente non pu\xf2 essere sovrascritto.\nAssegnare un "
                                 "nome differente al nuovo file."
                               : "Impossibile scrivere l'acquisizione (disco pieno?) in:\n" + old +
                                     "\nI dati registrati restano nel file:\n" + recording);
        EXPECT_EQ(FileBytes(platform::toUnicode(old)), "old");
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(FullFolder::kFiller);
        EXPECT_EQ(left, QStringList{"vecchio.txt"}) << "no half copy left";
        EXPECT_EQ(FileBytes(platform::toUnicode(c.askedAgain ? target : recording)), rows);
        EXPECT_EQ(platform::FileExists(recording), !c.askedAgain);
        w.reset();
        QFile::remove(platform::toUnicode(recording));
    }
}

// Past the bound of a file read whole, as days of recording are: the
// recording is copied in pieces, over the old file, byte for byte.
TEST_F(LiveDisplay, ARecordingOfAnySizeIsSavedOverAnOldFile) {
    auto w = open();
    w->MenuCominciaDrtClick();
    tick(*w);
    const std::string recording = w->TempFileName();
    {
        QFile f(platform::toUnicode(recording));
        ASSERT_TRUE(f.open(QIODevice::Append));
        const QByteArray row("\r\n300\t1234\t1\t2\t4\t0.1\t0\t0\t2\t6\t8");
        const QByteArray rows = row.repeated(qsizetype(platform::kWholeFileCap / row.size() + 1));
        ASSERT_EQ(f.write(rows), rows.size());
    }
    const QByteArray bytes = FileBytes(platform::toUnicode(recording));
    ASSERT_GT(bytes.size(), platform::kWholeFileCap);
    const std::string target = saved("lunga.txt");
    ASSERT_TRUE(platform::WriteWholeFile(target, "old"));
    modals.expectFileDialog(target, "Salva acquisizione");
    w->MenuTerminaDrtClick();
    EXPECT_EQ(modals.interactions().size(), 1u) << "no box";
    EXPECT_TRUE(FileBytes(platform::toUnicode(target)) == bytes);
    EXPECT_FALSE(platform::FileExists(recording));
}

TEST_F(LiveDisplay, AFailedMoveKeepsTheTemporaryFile) {
    auto w = open();
    w->MenuCominciaDrtClick();
    tick(*w);
    const std::string temp = w->TempFileName();
    modals.expectFileDialog(std::string("/nonexistent/vexano/prova.txt"), "Salva acquisizione");
    modals.expectMessageBox(platform::IDOK, temp);
    w->MenuTerminaDrtClick();
    EXPECT_TRUE(FileBytes(platform::toUnicode(temp)).startsWith("Ver. 1 2"));
}

} // namespace
