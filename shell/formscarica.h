#pragma once
// The firmware dialog: the file to program the unit with, its name and
// date. Made once at start-up, so the chosen file is remembered between
// programmings.
#include "platform/gui/modal.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FormScarica;
}

class TFormScarica : public QDialog {
public:
    explicit TFormScarica(QWidget* owner);
    ~TFormScarica() override;

    // The open dialog; its fileName is the chosen file (empty: none yet).
    platform::FileDialogRequest OpenDialogFile;
    // 1 program, 2 cancel; read after Execute.
    int ModalResult = 2;

    void Execute();
    void ShowFileInfo();
    void ButtonCambiaClick();

    // The model code whose firmware kind the chosen file is: by its
    // extension, else by the kind chosen in the open dialog.
    int FileModel() const;

    Ui::FormScarica* ui() const { return ui_.get(); }

private:
    void loadCaptions();
    void prepareFilter();
    bool fileIsOffered() const;
    bool runOpenDialog();

    std::unique_ptr<Ui::FormScarica> ui_;
    std::vector<int> offered_; // model codes of the kinds, in filter order
};

extern TFormScarica* FormScarica;
