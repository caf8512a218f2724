#pragma once
// What the two centre dialogs share: the check that references increase,
// the message of a set of references that did not all go to the unit, the
// scaling to the screen on showing and the watch of the focus.
#include "language.h"
#include "valuewrites.h"

#include <QDialog>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// The index i - 1 of the first reference i that is not above its left
// neighbour, or -1 when they all increase strictly.
int FirstOutOfOrder(std::span<const double> values);

// A dialog laid out for a screen 800 pixels wide at 96 pixels per inch
// takes the size of the screen it shows on.
void ScaleToScreen(QDialog& dialog);

// The frame of both centre dialogs: scaled to the screen when first shown,
// Cancel (and Esc) closing with modal result 2, error boxes from its texts,
// and each change of focus in the program handed to FocusMoved.
class TReferenceDialog : public QDialog {
public:
    TReferenceDialog(QWidget* owner, std::initializer_list<int> texts);
    ~TReferenceDialog() override;

protected:
    // The focus went from old to now, anywhere in the program (either may
    // be null).
    virtual void FocusMoved(QWidget* old, QWidget* now);
    void showEvent(QShowEvent* event) override;
    void reject() override;
    // String n in an error box with the dialog's caption.
    void ErrorBox(int n);
    // The references did not all go to the unit: whether it kept the
    // previous ones or which parts (partTexts by part) it may hold mixed.
    void WriteFailedBox(const TWriteResult& result, const std::vector<std::string>& partTexts);
    std::string Text(int n) const { return texts_.Text(n); }

private:
    void ErrorText(const std::string& text);

    TLanguageTexts texts_;
    bool scaled_ = false;
    // The application outlives the dialog: its focus changes reach the
    // dialog only until the dialog's own destructor runs.
    QMetaObject::Connection focusWatch_;
};
