#include "references.h"

#include "windowutil.h"

#include "platform/cp1252.h"
#include "platform/gui/modal.h"

#include <QApplication>

int FirstOutOfOrder(std::span<const double> values) {
    for (size_t i = 1; i < values.size(); ++i)
        if (values[i - 1] >= values[i])
            return int(i) - 1;
    return -1;
}

void ScaleToScreen(QDialog& dialog) {
    const int dpi = dialog.logicalDpiX();
    const int width = shell::LayoutScreenWidth();
    if (width == 800 && dpi == 96)
        return;
    shell::ScaleByScreenWidth(&dialog, width * 96 / (dpi > 0 ? dpi : 96));
}

TReferenceDialog::TReferenceDialog(QWidget* owner, std::initializer_list<int> texts)
    : QDialog(owner), texts_(texts) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    texts_.Load();
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget* old, QWidget* now) { FocusMoved(old, now); });
}

// The child fields are destroyed after this body, and each change of focus
// they cause would otherwise call the handler of a dialog already gone.
TReferenceDialog::~TReferenceDialog() {
    disconnect(focusWatch_);
}

void TReferenceDialog::FocusMoved(QWidget*, QWidget*) {}

void TReferenceDialog::showEvent(QShowEvent* event) {
    if (!scaled_) {
        scaled_ = true;
        ScaleToScreen(*this);
    }
    QDialog::showEvent(event);
}

void TReferenceDialog::reject() {
    done(2);
}

void TReferenceDialog::ErrorBox(int n) {
    ErrorText(texts_.Text(n));
}

void TReferenceDialog::WriteFailedBox(const TWriteResult& result,
                                      const std::vector<std::string>& partTexts) {
    ErrorText(WriteFailureText(result, texts_.Text(454), partTexts));
}

void TReferenceDialog::ErrorText(const std::string& text) {
    platform::MessageBox(this, text, platform::fromUnicode(windowTitle()),
                         platform::MB_OK | platform::MB_ICONERROR);
}
