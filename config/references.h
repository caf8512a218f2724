#pragma once
// What the two centre dialogs share: the check that references increase,
// a write of a whole set of references that is taken back when the unit
// refuses one, and the scaling to the screen on showing.
#include "language.h"

#include <QDialog>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// The index i - 1 of the first reference i that is not above its left
// neighbour, or -1 when they all increase strictly.
int FirstOutOfOrder(std::span<const double> values);

struct TReferenceWrite {
    double before;
    double after;
    std::function<bool(double)> set;
};

// Writes every reference in order. When the unit refuses one, those already
// written get their previous values back and the result is false.
bool WriteAllOrNone(const std::vector<TReferenceWrite>& writes);

// A dialog laid out for a screen 800 pixels wide at 96 pixels per inch
// takes the size of the screen it shows on.
void ScaleToScreen(QDialog& dialog);

// The frame of both centre dialogs: scaled to the screen when first shown,
// Cancel (and Esc) closing with modal result 2, error boxes from its texts.
class TReferenceDialog : public QDialog {
public:
    TReferenceDialog(QWidget* owner, std::initializer_list<int> texts);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
    // String n, and string m on a second line, with the dialog's caption.
    void ErrorBox(int n, int m = -1);
    std::string Text(int n) const { return texts_.Text(n); }

private:
    TLanguageTexts texts_;
    bool scaled_ = false;
};
