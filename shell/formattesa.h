#pragma once
// The wait window shown while a long operation runs on the main thread; the
// one receiver of the transfer's progress.
#include <QDialog>
#include <QFont>
#include <memory>
#include <string>

namespace Ui {
class FormAttesa;
}
class QMovie;

class TFormAttesa : public QDialog {
public:
    explicit TFormAttesa(QWidget* owner);
    ~TFormAttesa() override;

    // Creates a wait window owned by owner with its texts, makes it the
    // current one (FormAttesa), shows it and paints it at once.
    static std::unique_ptr<TFormAttesa> Open(QWidget* owner, const std::string& caption,
                                             const std::string& label, const std::string& suffix);

    // Text after the percentage, e.g. " Completato ".
    std::string Suffix;

    void SetCaption(const std::string& text);
    void SetLabel(const std::string& text);
    // Sets the animation to the program's clip and starts it.
    void StartAnimation();
    void SetProgress(uint8_t amount, bool absolute);
    void WMProgress(intptr_t wParam, intptr_t lParam);
    // Percentage text and bar hidden or shown again.
    void ShowProgress(bool visible);
    int Position() const;
    std::string CompletedText() const;

    Ui::FormAttesa* ui() const { return ui_.get(); }

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void setPosition(int position);
    void FormClose();
    std::unique_ptr<Ui::FormAttesa> ui_;
    QFont labelFont_;
    QMovie* movie_ = nullptr;
};

// The wait window that a caller has open, or null.
extern TFormAttesa* FormAttesa;
