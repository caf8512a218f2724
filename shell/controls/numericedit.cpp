#include "numericedit.h"

#include "steps.h"

#include "platform/cp1252.h"
#include "platform/numbers.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Text the field may hold while it is edited: what the number text can be on
// its way to a number, at most MaxLength characters. Pasted or dropped text
// that cannot be one is refused. The program's own texts are not held to the
// length, so a value with more digits than the user may type shows whole.
class NumberTextValidator : public QRegularExpressionValidator {
public:
    explicit NumberTextValidator(QObject* parent)
        : QRegularExpressionValidator(
              QRegularExpression(
                  QStringLiteral("-?[0-9]*(%1[0-9]*)?(E-?[0-9]*)?")
                      .arg(QRegularExpression::escape(QString(platform::DecimalSeparator())))),
              parent) {}
    int maxLength = 0; // 0: no limit

    State validate(QString& input, int& pos) const override {
        if (maxLength > 0 && input.size() > maxLength)
            return Invalid;
        return QRegularExpressionValidator::validate(input, pos);
    }
};

int toInt(double v) {
    return static_cast<int>(std::clamp(std::trunc(v), double(INT_MIN), double(INT_MAX)));
}

// Only a step with decimals lets the separator be typed (0.1 yes; 1 and 0 no).
bool hasDecimals(double step) {
    const platform::TFloatRec rec = platform::FloatToDecimal(step, 15);
    return static_cast<int>(rec.Digits.size()) > rec.Exponent;
}

bool isKeypadSeparator(const QKeyEvent& event) {
    return (event.modifiers() & Qt::KeypadModifier) &&
           (event.key() == Qt::Key_Period || event.key() == Qt::Key_Comma);
}

} // namespace

TNumericEdit::TNumericEdit(QWidget* parent) : QLineEdit(parent) {
    validator_ = new NumberTextValidator(this);
    setValidator(validator_);
    setText(QStringLiteral("0"));
}

std::string TNumericEdit::Text() const {
    return platform::fromUnicode(text());
}

void TNumericEdit::ShowText(const std::string& shown) {
    // Setting the same text would drop the selection.
    const QString unicode = platform::toUnicode(shown);
    if (text() != unicode)
        setText(unicode);
}

bool TNumericEdit::LimitsActive() const {
    return !m_disableLimit && !(m_minValue == 0 && m_maxValue == 0);
}

double TNumericEdit::Limited(double v) const {
    if (!LimitsActive())
        return v;
    return std::max(m_minValue, std::min(v, m_maxValue));
}

// A step never carries the value past a limit: the limit wins.
double TNumericEdit::Stepped(double v) const {
    return m_precision == 0 ? v : Limited(RoundToStep(v, m_precision));
}

void TNumericEdit::SetInt(int v) {
    if (LimitsActive() && (v < m_minValue || v > m_maxValue)) {
        m_lastValue = v < m_minValue ? m_minValue : m_maxValue;
        ShowText(platform::FloatToStr(m_lastValue));
        return;
    }
    m_lastValue = v;
    ShowText(std::to_string(v));
}

void TNumericEdit::SetDouble(double v) {
    if (!std::isfinite(v))
        return;
    if (LimitsActive() && (v < m_minValue || v > m_maxValue)) {
        m_lastValue = v < m_minValue ? m_minValue : m_maxValue;
    } else {
        m_lastValue = Stepped(v);
    }
    ShowText(platform::FloatToStr(m_lastValue));
}

double TNumericEdit::GetDouble() const {
    double v = m_lastValue;
    platform::TryStrToFloat(Text(), v);
    return Stepped(Limited(v));
}

int TNumericEdit::GetInt() {
    int v = 0;
    if (!platform::TryStrToInt(Text(), v))
        v = toInt(m_lastValue);
    int shown = v;
    const auto show = [&](int corrected) {
        SetInt(corrected);
        shown = toInt(m_lastValue); // a limit may stand in its place
    };
    if (LimitsActive()) {
        if (v > m_maxValue)
            show(toInt(m_maxValue));
        if (v < m_minValue)
            show(toInt(m_minValue));
    }
    if (m_precision != 0)
        show(toInt(double(TruncToStep(v, m_precision))));
    return shown;
}

double TNumericEdit::GetLimit(int index) const {
    return index == 1 ? m_maxValue : m_minValue;
}

void TNumericEdit::SetLimit(int index, double v) {
    if (index == 1 && v >= m_minValue)
        m_maxValue = v;
    else if (index == 2 && v <= m_maxValue)
        m_minValue = v;
}

int TNumericEdit::MaxLength() const {
    return static_cast<const NumberTextValidator*>(validator_)->maxLength;
}

void TNumericEdit::SetMaxLength(int length) {
    static_cast<NumberTextValidator*>(validator_)->maxLength = std::max(length, 0);
}

bool TNumericEdit::Accepts(char key) const {
    if ((key >= '0' && key <= '9') || key == 8)
        return true;
    const std::string current = Text();
    const std::string selected = platform::fromUnicode(selectedText());
    const auto heldOnce = [&](char c) {
        return current.find(c) == std::string::npos || selected.find(c) != std::string::npos;
    };
    if (key == platform::DecimalSeparator())
        return hasDecimals(m_precision) && heldOnce(key);
    if (key == '-') {
        const int start = hasSelectedText() ? selectionStart() : cursorPosition();
        const bool negativePossible = !LimitsActive() || m_minValue < 0;
        return start == 0 && negativePossible && heldOnce(key);
    }
    return false;
}

void TNumericEdit::keyPressEvent(QKeyEvent* event) {
    QPointer<TNumericEdit> self(this);
    int key = event->key();
    KeyDown(key, event->modifiers());
    if (!self)
        return;
    if (key == 0) {
        event->accept();
        return;
    }
    const char typed = isKeypadSeparator(*event) ? platform::DecimalSeparator() : KeyChar(*event);
    if (typed != 0)
        KeyPress(typed, *event);
    else if (IsTextKey(*event))
        event->accept(); // Ctrl or Alt with a digit and the like type nothing
    else
        QLineEdit::keyPressEvent(event); // moving, Delete, Shift+Insert
    // Esc stays the window's too (a dialog's Cancel).
    if (self && event->key() == Qt::Key_Escape)
        event->ignore();
}

void TNumericEdit::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    switch (key) {
    case Qt::Key_Escape:
        SetDouble(m_lastValue);
        selectAll();
        break;
    case Qt::Key_Up:
        FocusPrevControl();
        key = 0;
        break;
    case Qt::Key_Down:
        FocusNextControl();
        key = 0;
        break;
    default:
        break;
    }
    emit keyDown(this, key, shift);
}

void TNumericEdit::KeyPress(char key, QKeyEvent& event) {
    event.accept();
    if (key == 13) {
        Commit();
        return;
    }
    if (!Accepts(key))
        return;
    QPointer<TNumericEdit> self(this);
    char passed = key;
    emit keyPressed(this, passed);
    if (!self || passed == 0)
        return;
    if (passed == KeyChar(event))
        QLineEdit::keyPressEvent(&event);
    else if (passed == 8)
        backspace();
    else
        insert(platform::toUnicode(std::string(1, passed)));
}

void TNumericEdit::Commit() {
    ShowText(platform::FloatToStr(GetDouble()));
    m_lastValue = GetDouble();
    QPointer<TNumericEdit> self(this);
    char key = 13;
    emit keyPressed(this, key);
    if (!self)
        return;
    if (GetNextControl() == this || !FocusNextControl())
        selectAll();
}

void TNumericEdit::DoEnter() {
    platform::TryStrToFloat(Text(), m_lastValue);
    SetDouble(m_lastValue);
    emit entered(this);
}

void TNumericEdit::DoExit() {
    if (m_validation) {
        SetDouble(m_lastValue);
    } else {
        m_lastValue = GetDouble();
        ShowText(platform::FloatToStr(m_lastValue));
    }
    emit exited(this);
}

void TNumericEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!VisitStarts())
        return;
    QPointer<TNumericEdit> self(this);
    DoEnter();
    if (self && event->reason() != Qt::MouseFocusReason)
        selectAll();
}

void TNumericEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (VisitEnds(event->reason()))
        DoExit();
}
