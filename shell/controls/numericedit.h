#pragma once
// One-line numeric field with limits, a step and a confirm-or-revert model:
// Enter shows the typed value limited and stepped, commits it to the owner
// (keyPressed with 13) and moves along the focus chain; Esc, and leaving the
// field while Validation is set, return to the last accepted value.
//
// Owners connect the signals directly (handlers may change the key: 0
// consumes it). In a .ui file the properties are set as dynamic properties
// (stdset="0"), MaxValue before a positive MinValue; the chain is set from
// code after setupUi.
#include "boundcontrol.h"

#include <QLineEdit>
#include <string>

class TNumericEdit : public QLineEdit, public TBoundControl {
    Q_OBJECT
    Q_PROPERTY(double Precision READ GetPrecision WRITE SetPrecision)
    Q_PROPERTY(double MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(double MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(bool DisableLimit READ DisableLimit WRITE SetDisableLimit)
    Q_PROPERTY(bool Validation READ Validation WRITE SetValidation)
    Q_PROPERTY(int DataCode READ DataCode WRITE SetDataCode)
    Q_PROPERTY(int DataIndex READ DataIndex WRITE SetDataIndex)
    Q_PROPERTY(QWidget* NextControl READ NextControl WRITE SetNextControl)
    Q_PROPERTY(QWidget* PrevControl READ PrevControl WRITE SetPrevControl)
    Q_PROPERTY(int VisibilityLevel READ VisibilityLevel WRITE SetVisibilityLevel)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)

public:
    explicit TNumericEdit(QWidget* parent = nullptr);

    // The text as an integer; a text that is none gives the last accepted
    // value. Out of the limits or off the step, the text is corrected, and
    // the result is the corrected value the field then shows.
    int GetInt();
    // Shows v, or the limit it passes; no step.
    void SetInt(int v);
    // The text as a number, limited and stepped (the last accepted value when
    // it is none); the text stays as it is.
    double GetDouble() const;
    // Shows v stepped, or the limit it passes. Not a number: nothing changes.
    void SetDouble(double v);

    // 1: MaxValue; any other index: MinValue.
    double GetLimit(int index) const;
    // Ignored when it would put the upper limit below the lower one or the
    // lower above the upper.
    void SetLimit(int index, double v);
    double GetPrecision() const { return m_precision; }
    void SetPrecision(double precision) { m_precision = precision; }

    double MaxValue() const { return m_maxValue; }
    void SetMaxValue(double v) { SetLimit(1, v); }
    double MinValue() const { return m_minValue; }
    void SetMinValue(double v) { SetLimit(2, v); }
    bool DisableLimit() const { return m_disableLimit; }
    void SetDisableLimit(bool disable) { m_disableLimit = disable; }
    // Set: leaving the field without Enter throws the typed text away.
    bool Validation() const { return m_validation; }
    void SetValidation(bool validation) { m_validation = validation; }
    // Characters the user may type or paste; 0: no limit. Values the
    // program shows are not cut to it.
    int MaxLength() const;
    void SetMaxLength(int length);

signals:
    void keyPressed(QObject* sender, char& key);
    // Qt key code, 0 for a key the field consumed.
    void keyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void entered(QObject* sender);
    void exited(QObject* sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void KeyDown(int& key, Qt::KeyboardModifiers shift);
    void KeyPress(char key, QKeyEvent& event);
    void DoEnter();
    void DoExit();
    void Commit();
    bool Accepts(char key) const;
    bool LimitsActive() const;
    double Limited(double v) const;
    double Stepped(double v) const;
    void ShowText(const std::string& text);
    std::string Text() const;

    double m_precision = 0;
    double m_maxValue = 0;
    double m_minValue = 0;
    bool m_disableLimit = false;
    bool m_validation = true;
    double m_lastValue = 0;
    class QValidator* validator_ = nullptr;
};
