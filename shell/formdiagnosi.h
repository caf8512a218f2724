#pragma once
// The diagnosis window: the unit's checks with their enable boxes, error
// states and actions, four temperature thresholds, the error reset and the
// (hidden) running times; refreshed from the unit every 4 seconds.
#include "language.h"

#include "core/realtime.h"

#include <QDialog>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FormDiagnosi;
}
class TNumericEdit;

class TFormDiagnosi : public QDialog {
    Q_OBJECT

public:
    static constexpr int kRows = 13;
    static constexpr int kWords = 5;

    explicit TFormDiagnosi(QWidget* owner);
    ~TFormDiagnosi() override;

    Ui::FormDiagnosi* ui() const { return ui_.get(); }

    // Names of the three actions, shared by every window.
    static std::array<std::string, 3> ActionNames;

    // The window's copies of the unit's words.
    int32_t Abilitazione[kWords] = {};
    int32_t Stato[kWords] = {};
    int32_t PrevStato[kWords] = {};
    int32_t Azione[3][3] = {};
    bool ForceRedraw = false;

    void FormActivate();
    void RefreshList();
    void TimerTimer();
    void ButtonAzzeraErroriClick();
    void ButtonAzzeraTempiClick();
    // Sets row's enable box as the user asked and writes it; the boxes then
    // show what the image holds.
    void ListDiagnosiChange(int row, bool checked);
    // The one toggle of a row's box: click on the box or the row, Enter.
    void ToggleRow(int row);
    void ListDiagnosiSelectItem(int row);
    // The user chose action `index` for the selected row.
    void ComboAzioneChange(int index);
    // Enter on a threshold field: the value written, then shown as read back.
    void EditTempCommit(TNumericEdit* edit);

    int SelectedRow() const { return selected_; }
    // Action code of a row from the window's copy of the table.
    int ActionCode(int row) const;
    // The action column's text of a code: its name, or the number for a code
    // that has none.
    static std::string ActionText(int code);
    // The threshold field over a row, or null.
    TNumericEdit* ThresholdField(int row) const;
    // "h : mm" of a time in minutes.
    static std::string HoursMinutes(long double minutes);

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void loadCaptions();
    void setBoxes();
    void showRow(int row);
    void showInjectors(int row, int word, int bit, int stringId, uint32_t param);
    void showTimes();
    void placeControls();
    void centreList();
    void sizeColumns();
    int columnNeed(int column) const;
    void showRowAction();
    bool listKey(int key);
    bool comboKey(int key);
    void thresholdKey(TNumericEdit* edit, int& key);
    void focusCombo();
    std::string text(int n) const { return texts_.Text(n); }
    std::string caption() const;

    std::unique_ptr<Ui::FormDiagnosi> ui_;
    QTimer Timer;
    TTickLatch tick_;
    TLanguageTexts texts_;
    std::vector<std::string> CheckNames;
    std::string TextOk, TextError, TextConfirm;
    int selected_ = -1;
    bool activated_ = false;
};
