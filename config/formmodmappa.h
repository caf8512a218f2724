#pragma once
// The cell dialog of the grids: one number and a mode (absolute, linear,
// percentage) that a grid applies to its selected cells.
#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

namespace Ui {
class FormModMappa;
}

class TFormModMappa : public QDialog {
    Q_OBJECT

public:
    explicit TFormModMappa(QWidget* owner = nullptr);
    ~TFormModMappa() override;

    Ui::FormModMappa* ui() const { return ui_.get(); }

    // Shows *value (an integer, or a number with 3 decimals) and *mode, runs
    // modally and returns the modal result: 1 OK, 2 Cancel. Both are written
    // back on closing either way; callers use them only after OK.
    int ExecuteInt(int* value, uint8_t* mode);
    int ExecuteFloat(double* value, uint8_t* mode);
    // Texts of the current language; a missing one keeps the text shown.
    void LoadCaptions();

    // The key filter of the value field: whether `key`, typed over the
    // selection [selStart, selStart + selLength) of `text`, may go in.
    static bool AcceptsKey(char key, const std::string& text, int selStart, int selLength,
                           bool floatMode);

protected:
    void done(int result) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int Execute(const std::string& text, uint8_t* mode);
    bool TextParses() const;
    void FormClose();
    int ItemIndex() const;
    void SetItemIndex(int index);

    std::unique_ptr<Ui::FormModMappa> ui_;
    bool float_ = false;
    int* intValue_ = nullptr;
    double* floatValue_ = nullptr;
    uint8_t* mode_ = nullptr;
};

// The one cell dialog every grid uses, made by the configuration form; a grid
// without it makes one of its own for the edit.
extern TFormModMappa* FormModMappa;
