#include "formmodmappa.h"

#include "ui_FormModMappa.h"

#include "controls/boundcontrol.h"
#include "language.h"

#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "platform/numbers.h"

#include <QKeyEvent>

TFormModMappa* FormModMappa = nullptr;

namespace {

bool SelectionHolds(const std::string& text, int selStart, int selLength, char c) {
    const size_t at = text.find(c);
    if (at == std::string::npos)
        return true;
    return int(at) >= selStart && int(at) < selStart + selLength;
}

} // namespace

TFormModMappa::TFormModMappa(QWidget* owner) : QDialog(owner), ui_(new Ui::FormModMappa) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui_->Edit1->installEventFilter(this);
    connect(ui_->ButtonOK, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui_->ButtonAnnulla, &QPushButton::clicked, this, [this] { done(2); });
}

TFormModMappa::~TFormModMappa() = default;

int TFormModMappa::ExecuteInt(int* value, uint8_t* mode) {
    float_ = false;
    intValue_ = value;
    floatValue_ = nullptr;
    return Execute(std::to_string(*value), mode);
}

int TFormModMappa::ExecuteFloat(double* value, uint8_t* mode) {
    float_ = true;
    floatValue_ = value;
    intValue_ = nullptr;
    return Execute(platform::FloatToStrF(*value, platform::TFloatFormat::ffFixed, 5, 3), mode);
}

int TFormModMappa::Execute(const std::string& text, uint8_t* mode) {
    mode_ = mode;
    ui_->Edit1->setText(QString::fromStdString(text));
    ui_->Edit1->selectAll();
    SetItemIndex(*mode);
    ui_->Edit1->setFocus();
    const int result = platform::ShowModal(*this);
    intValue_ = nullptr;
    floatValue_ = nullptr;
    mode_ = nullptr;
    return result;
}

void TFormModMappa::LoadCaptions() {
    QString text = windowTitle();
    LoadLanguageString(242, text);
    setWindowTitle(text);
    const auto load = [](auto* widget, int n) {
        QString t = widget->text();
        LoadLanguageString(n, t);
        widget->setText(t);
    };
    QString title = ui_->GroupModalita->title();
    LoadLanguageString(243, title);
    ui_->GroupModalita->setTitle(title);
    load(ui_->RadioAssoluto, 244);
    load(ui_->RadioLineare, 246);
    load(ui_->RadioPercentuale, 245);
    load(ui_->ButtonOK, 88);
    load(ui_->ButtonAnnulla, 89);
}

bool TFormModMappa::AcceptsKey(char key, const std::string& text, int selStart, int selLength,
                               bool floatMode) {
    if ((key >= '0' && key <= '9') || key == 8)
        return true;
    if (key == '-')
        return selStart == 0 && SelectionHolds(text, selStart, selLength, '-');
    if (key == platform::DecimalSeparator())
        return floatMode && SelectionHolds(text, selStart, selLength, key);
    return false;
}

bool TFormModMappa::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_->Edit1 || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const char c = KeyChar(key);
    // Enter and Esc belong to the dialog's buttons; keys that type nothing
    // (arrows, Delete) to the field.
    if (c == 0 || c == 13 || c == 27)
        return false;
    const QLineEdit& edit = *ui_->Edit1;
    const int start = edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
    const int length = edit.hasSelectedText() ? int(edit.selectedText().size()) : 0;
    return !AcceptsKey(c, platform::fromUnicode(edit.text()), start, length, float_);
}

bool TFormModMappa::TextParses() const {
    const std::string text = platform::fromUnicode(ui_->Edit1->text());
    double d = 0;
    int i = 0;
    return float_ ? platform::TryStrToFloat(text, d) : platform::TryStrToInt(text, i);
}

void TFormModMappa::done(int result) {
    // OK waits for a number; Cancel always closes.
    if (result == 1 && !TextParses())
        return;
    FormClose();
    QDialog::done(result);
}

void TFormModMappa::reject() {
    done(2);
}

void TFormModMappa::FormClose() {
    const std::string text = platform::fromUnicode(ui_->Edit1->text());
    if (floatValue_ && !platform::TryStrToFloat(text, *floatValue_))
        *floatValue_ = 0.0;
    if (intValue_ && !platform::TryStrToInt(text, *intValue_))
        *intValue_ = 0;
    if (mode_)
        *mode_ = static_cast<uint8_t>(std::max(ItemIndex(), 0));
}

int TFormModMappa::ItemIndex() const {
    const QRadioButton* items[] = {ui_->RadioAssoluto, ui_->RadioLineare, ui_->RadioPercentuale};
    for (int i = 0; i < 3; ++i)
        if (items[i]->isChecked())
            return i;
    return -1;
}

void TFormModMappa::SetItemIndex(int index) {
    QRadioButton* items[] = {ui_->RadioAssoluto, ui_->RadioLineare, ui_->RadioPercentuale};
    if (index >= 0 && index < 3)
        items[index]->setChecked(true);
}
