#pragma once
// The live display: every 150 ms one reading of real-time block 1, shown on
// the dial, the bars, the thermometer and the value labels, and while a
// recording runs written as one row of the recorded-trace file.
#include "language.h"

#include "core/realtime.h"
#include "core/tracefile.h"
#include "platform/files.h"

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class FormVisualizza;
}
class QFile;
class QTimer;

class TFormVisualizza : public QDialog {
public:
    explicit TFormVisualizza(QWidget* owner);
    ~TFormVisualizza() override;

    Ui::FormVisualizza* ui() const { return ui_.get(); }
    QTimer* Timer1 = nullptr;

    void Timer1Timer();
    void FormPaint() { redraw_ = true; }
    void FormShow();
    void FormClose();
    void MenuCominciaDrtClick();
    void MenuTerminaDrtClick();
    void MenuGraficoClick();
    void DrawNeedle(int rpm, bool draw);

    // What the last reading left, for the tests.
    const TBlock1Values& Values() const { return values_; }
    int PressureAverage() const { return ring_.Average(); }
    bool Recording() const { return recording_; }
    const std::string& TempFileName() const { return tempFileName_; }
    const std::string& AcquisitionFolder() const { return acquisitionFolder_; }
    // Runs the close procedure (a recording is ended and saved) first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void loadCaptions();
    void prepareGauges();
    void showValues(const TBlock1Values& v);
    void showLambda(class TShape* bar, class QFrame* panel, class QLabel* label, double volts,
                    int statusBit);
    void writeRow();
    void recordingFailed();
    void setRecordingMenu(bool recording);
    // What a save that failed tells, the target left as it was.
    std::string failedSaveText(platform::CopyFault fault, const std::string& target) const;
    std::string caption() const;
    std::string Text(int n) const { return texts_.Text(n); }
    void errorBox(const std::string& text);
    std::optional<std::string> chooseFile(bool save);

    std::unique_ptr<Ui::FormVisualizza> ui_;
    TLanguageTexts texts_;
    TBlock1Values values_;
    TPressureRing ring_;
    TTickLatch latch_;
    bool secondBank_ = false;
    bool lambdaTypeBit_ = false;
    float lambdaReference_ = 0;
    double scaleStart_ = 0, scaleEnd_ = 1;
    int needleBase_ = 0;
    int thermometerFull_ = 0, thermometerBottom_ = 0;
    bool redraw_ = true;
    bool closed_ = false;

    bool recording_ = false;
    uint32_t startTick_ = 0;
    std::string tempFileName_;
    std::unique_ptr<QFile> output_;
    std::unique_ptr<TTraceWriter> writer_;
    std::string acquisitionFolder_;
    std::string saveFileName_; // last chosen in the save dialog
    std::string openFileName_; // last chosen in the open dialog
};
