#pragma once
// The dialog of the 12 rpm references that head the emulation table. It
// writes the image (and through it the unit) itself.
#include "references.h"

#include <array>
#include <memory>

namespace Ui {
class FormCentriCelle;
}
class TNumericEdit;

class TFormCentriCelle : public TReferenceDialog {
    Q_OBJECT

public:
    explicit TFormCentriCelle(QWidget* owner);
    ~TFormCentriCelle() override;

    Ui::FormCentriCelle* ui() const { return ui_.get(); }
    TNumericEdit* EditRifGiri(int i) const { return edits_.at(i); }

    // Writes the references when they increase strictly, all or none, and
    // closes; otherwise says why and stays open.
    void ButtonOkClick();

protected:
    // Leaving Cancel wraps the tab order round to the first reference.
    void FocusMoved(QWidget* old, QWidget* now) override;

private:
    std::unique_ptr<Ui::FormCentriCelle> ui_;
    std::array<TNumericEdit*, 12> edits_{};
};
