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

private:
    void ButtonAnnullaExit(QWidget* old, QWidget* now);

    std::unique_ptr<Ui::FormCentriCelle> ui_;
    // The application outlives the dialog: its focus changes reach the
    // dialog only until the dialog's own destructor runs.
    QMetaObject::Connection focusWatch_;
    std::array<TNumericEdit*, 12> edits_{};
};
