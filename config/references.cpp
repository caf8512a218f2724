#include "references.h"

#include "windowutil.h"

#include "platform/cp1252.h"
#include "platform/gui/modal.h"

int FirstOutOfOrder(std::span<const double> values) {
    for (size_t i = 1; i < values.size(); ++i)
        if (values[i - 1] >= values[i])
            return int(i) - 1;
    return -1;
}

bool WriteAllOrNone(const std::vector<TReferenceWrite>& writes) {
    for (size_t i = 0; i < writes.size(); ++i) {
        if (writes[i].set(writes[i].after))
            continue;
        for (size_t j = i; j-- > 0;)
            writes[j].set(writes[j].before);
        return false;
    }
    return true;
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
}

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

void TReferenceDialog::ErrorBox(int n, int m) {
    std::string text = texts_.Text(n);
    if (m >= 0)
        text += "\n" + texts_.Text(m);
    platform::MessageBox(this, text, platform::fromUnicode(windowTitle()),
                         platform::MB_OK | platform::MB_ICONERROR);
}
