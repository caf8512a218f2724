#pragma once
// The dialog of the carburation map's references: the rpm of each column and
// the injection time of each row, as many as the map's geometry has. It
// writes the image (and through it the unit) itself.
#include "references.h"

#include <array>
#include <memory>

namespace Ui {
class FormCentriCelleK;
}
class TNumericEdit;

class TFormCentriCelleK : public TReferenceDialog {
    Q_OBJECT

public:
    explicit TFormCentriCelleK(QWidget* owner);
    ~TFormCentriCelleK() override;

    Ui::FormCentriCelleK* ui() const { return ui_.get(); }
    TNumericEdit* EditRifGiri(int i) const { return rpm_.at(i); }
    TNumericEdit* NumEditRifMap(int i) const { return times_.at(i); }

    // Checks both sets of references before writing any; writes them all
    // or none and closes, otherwise says why and stays open.
    void ButtonOkClick();

protected:
    void showEvent(QShowEvent* event) override;
    void FocusMoved(QWidget* old, QWidget* now) override;

private:
    std::unique_ptr<Ui::FormCentriCelleK> ui_;
    std::array<TNumericEdit*, 12> rpm_{};
    std::array<TNumericEdit*, 12> times_{};
    int columns_ = 0;
    int rows_ = 0;
};
