#pragma once
// The auto-calibration window: live values of the engine, and the unit's own
// calibration started on Enter, followed every 150 ms through its states,
// and at its end stored by the unit and read back into the image.
#include "language.h"

#include "core/realtime.h"

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

namespace Ui {
class FormCalibraTar;
}

class TFormCalibraTar : public QDialog {
    Q_OBJECT

public:
    explicit TFormCalibraTar(QWidget* owner);
    ~TFormCalibraTar() override;

    Ui::FormCalibraTar* ui() const { return ui_.get(); }

    // 0 idle (the Enter prompt), 1 running, 2 finished.
    int CalibState = 0;
    bool LambdaBit0 = false;
    float LambdaRef = 0;
    TBlock1Values Values;

    void TimerBlinkTimer();
    void FormKeyPress(char key);
    void FormClose();
    // The instruction of a unit state code; empty for a code outside 0..12.
    std::string StateText(int state) const;
    // Progress of a state code, kept within the bar's 0..100.
    static int Progress(int state);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void fillScreen();
    void showLive();
    void askState();
    void refused(int flags);
    // The end of a calibration: the unit stores, comes back and is read.
    void endSequence();
    void endFailed(const std::string& text);
    void backToPrompt();
    void errorBox(const std::string& text);
    bool command(int number, int length);
    std::string text(int n) const { return texts_.Text(n); }

    std::unique_ptr<Ui::FormCalibraTar> ui_;
    QTimer TimerBlink;
    TTickLatch tick_;
    TLanguageTexts texts_;
    std::string giriAutotaratura_;
    bool closed_ = false;
};
