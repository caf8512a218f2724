// The edit routines of the grids: the cell dialog's value and mode applied
// to every selected cell through the image's setters, which write to the
// unit first and keep a value only when the unit took it.
#include "formcentricelle.h"
#include "formmodmappa.h"
#include "mapgrid.h"

#include "ui_FormModMappa.h"

#include "cellmodes.h"
#include "windowutil.h"

#include "core/iodata.h"
#include "platform/gui/modal.h"

#include <QTimer>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr double kIntMin = std::numeric_limits<int32_t>::min();
constexpr double kIntMax = std::numeric_limits<int32_t>::max();

// How one row of a grid is edited. Columns and rows are grid coordinates.
struct TRowEdit {
    TGridKind kind;
    int row; // -1: every row
    TItemRange range;
    bool floatEntry;
    // > 0: the row holds references kept strictly increasing over columns
    // 0..orderedCols - 1; the columns beyond are not edited.
    int orderedCols;
    double (*get)(const TStreamDati&, int col, int row);
    bool (*set)(TStreamDati&, int col, int row, double v);
};

int I(double v) {
    return static_cast<int32_t>(v);
}

using K = TGridKind;
// clang-format off
const TRowEdit kRowEdits[] = {
    {K::K, -1, {0, 255, true, true}, false, 0,
     [](const TStreamDati& d, int c, int r) -> double { return d.GetMappaK(r - 1, c - 1); },
     [](TStreamDati& d, int c, int r, double v) { return d.SetMappaK(r - 1, c - 1, I(v)); }},
    {K::OpenLoop, 1, {0, 30, false, true}, true, 0,
     [](const TStreamDati& d, int c, int) -> double { return double(d.GetTOpenLoop(c - 1)); },
     [](TStreamDati& d, int c, int, double v) { return d.SetTOpenLoop(c - 1, v); }},
    {K::OpenLoop, 2, {0, 255, true, true}, false, 0,
     [](const TStreamDati& d, int c, int) -> double { return d.GetMappaK(d.GetNumeroRighe(), c - 1); },
     [](TStreamDati& d, int c, int, double v) { return d.SetMappaK(d.GetNumeroRighe(), c - 1, I(v)); }},
    {K::Emissioni, 1, {0, 5, false, true}, true, 0,
     [](const TStreamDati& d, int c, int) -> double { return double(d.GetRiferimentiSondaLambda(c - 1)); },
     [](TStreamDati& d, int c, int, double v) { return d.SetRiferimentiSondaLambda(c - 1, v); }},
    {K::Emissioni, 2, {0, 2000, true, true}, false, 0,
     [](const TStreamDati& d, int c, int) -> double { return d.GetRitardoEmulazioneRicca(c - 1); },
     [](TStreamDati& d, int c, int, double v) { return d.SetRitardoEmulazioneRicca(c - 1, I(v)); }},
    {K::TempRid, 0, {kIntMin, kIntMax, true, false}, false, 8,
     [](const TStreamDati& d, int c, int) -> double { return d.GetRif(8 - c); },
     [](TStreamDati& d, int c, int, double v) { return d.SetRif(8 - c, I(v)); }},
    {K::TempRid, 1, {0, 200, true, false, 100}, false, 0,
     [](const TStreamDati& d, int c, int) -> double { return d.GetCoeff(8 - c); },
     [](TStreamDati& d, int c, int, double v) { return d.SetCoeff(8 - c, I(v)); }},
    {K::TempMot, 0, {kIntMin, kIntMax, true, false}, false, 8,
     [](const TStreamDati& d, int c, int) -> double { return d.GetRifMot(8 - c); },
     [](TStreamDati& d, int c, int, double v) { return d.SetRifMot(8 - c, I(v)); }},
    {K::TempMot, 1, {0, 200, true, false, 100}, false, 0,
     [](const TStreamDati& d, int c, int) -> double { return d.GetCoeffMot(8 - c); },
     [](TStreamDati& d, int c, int, double v) { return d.SetCoeffMot(8 - c, I(v)); }},
    {K::PressDiff, 0, {0, 65.535, false, true}, true, 15,
     [](const TStreamDati& d, int c, int) -> double { return double(d.GetRifPressDiff(c)); },
     [](TStreamDati& d, int c, int, double v) { return d.SetRifPressDiff(c, v); }},
    {K::PressDiff, 1, {-99.9, 99.9, false, false}, true, 0,
     [](const TStreamDati& d, int c, int) -> double { return double(d.GetCoeffPressDiff(c)); },
     [](TStreamDati& d, int c, int, double v) { return d.SetCoeffPressDiff(c, v); }},
};
// clang-format on

const TRowEdit* RowEditOf(TGridKind kind, int row) {
    for (const TRowEdit& e : kRowEdits)
        if (e.kind == kind && (e.row == -1 || e.row == row))
            return &e;
    return nullptr;
}

// One cell: a reference that would break the order of its row is not
// written; a value the unit refuses leaves the cell as it was.
void WriteCell(const TRowEdit& e, TStreamDati& d, int col, int row, uint8_t mode, double entered) {
    const double v = ApplyCellMode(mode, e.get(d, col, row), entered, e.range);
    if (e.orderedCols > 0) {
        std::vector<double> refs(e.orderedCols);
        for (int c = 0; c < e.orderedCols; ++c)
            refs[c] = e.get(d, c, row);
        if (!KeepsIncreasing(refs, col, v))
            return;
    }
    e.set(d, col, row, v);
}

// The cell dialog's value and mode; 1 when the user chose OK.
int AskValue(QWidget* owner, const TRowEdit& e, double& value, uint8_t& mode) {
    std::unique_ptr<TFormModMappa> own;
    TFormModMappa* dialog = FormModMappa;
    if (!dialog) {
        own = std::make_unique<TFormModMappa>(owner);
        own->LoadCaptions();
        dialog = own.get();
    }
    dialog->ui()->Edit1->setEnabled(true);
    mode = kModeAbsolute;
    if (e.floatEntry)
        return dialog->ExecuteFloat(&value, &mode);
    int v = I(value);
    const int result = dialog->ExecuteInt(&v, &mode);
    value = v;
    return result;
}

} // namespace

void TMapGrid::TimerOff() {
    if (timer_)
        timer_->stop();
}

void TMapGrid::TimerOn() {
    if (timer_)
        timer_->start();
}

void TMapGrid::EditCells() {
    TStreamDati* d = StreamDati;
    if (!d || Row() < 0)
        return;
    if (kind_ == TGridKind::Emissioni && Row() == 0) {
        EditEmissioniReferences();
        return;
    }
    // The map edits its whole block from the top-left cell; the tables the
    // selected columns of the current row.
    const TGridRect sel = Selection();
    const bool block = kind_ == TGridKind::K;
    const int anchorCol = block ? sel.Left : Col();
    const int anchorRow = block ? sel.Top : Row();
    const TRowEdit* e = RowEditOf(kind_, anchorRow);
    if (sel.Empty() || !e || (e->orderedCols > 0 && anchorCol >= e->orderedCols))
        return;

    TimerOff();
    window()->update();
    double entered = e->get(*d, anchorCol, anchorRow) - e->range.Offset;
    uint8_t mode = kModeAbsolute;
    if (AskValue(window(), *e, entered, mode) == 1) {
        shell::SetScreenCursor(shell::ScreenCursor::HourGlass);
        const int top = block ? sel.Top : anchorRow;
        const int bottom = block ? sel.Bottom : anchorRow;
        const int right = e->orderedCols > 0 ? std::min(sel.Right, e->orderedCols - 1) : sel.Right;
        for (int r = top; r <= bottom; ++r)
            for (int c = sel.Left; c <= right; ++c)
                WriteCell(*e, *d, c, r, mode, entered);
        viewport()->repaint();
    }
    shell::SetScreenCursor(shell::ScreenCursor::Default);
    TimerOn();
}

void TMapGrid::EditEmissioniReferences() {
    TimerOff();
    {
        TFormCentriCelle dialog(window());
        platform::ShowModal(dialog);
    }
    emit referencesChanged();
    viewport()->update();
    TimerOn();
}
