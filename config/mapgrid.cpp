#include "mapgrid.h"

#include "controls/boundcontrol.h"
#include "windowutil.h"

#include "core/iodata.h"
#include "platform/cp1252.h"
#include "platform/numbers.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <array>

namespace {

const QColor kNavy(0, 0, 128);
const QColor kWhite(255, 255, 255);
const QColor kMenu(240, 240, 240);

using K = TGridKind;

// clang-format off
const std::array<TGridKindInfo, 7> kKinds = {{
    // kind        name                 rows cols fixed r/c  ref    right  live edit col/row
    {K::K,         "DrawGridK",         13,  13,  1,   1,   false, false, 0,   1, 1},
    {K::OpenLoop,  "DrawGridOpenLoop",  3,   13,  1,   1,   false, false, 0,   1, 1},
    {K::Emissioni, "DrawGridEmissioni", 3,   13,  0,   1,   true,  false, 1,   1, 0},
    {K::TempRid,   "DrawGridTempRid",   2,   9,   0,   0,   true,  true,  0,   0, 0},
    {K::TempMot,   "DrawGridTempMot",   2,   9,   0,   0,   true,  true,  0,   0, 0},
    {K::PressDiff, "DrawGridPressDiff", 2,   15,  0,   0,   true,  false, 0,   0, 0},
    {K::Temp,      "DrawGridTemp",      2,   4,   1,   0,   false, false, 0,   0, 0},
}};
// clang-format on

// Language strings of the fixed cells, with the texts the layout shows when
// the table lacks one.
struct FixedText {
    int number;
    const char* design;
};
constexpr FixedText kOltre{334, "Oltre"};
constexpr FixedText kEmissioniRows[] = {
    {377, "Giri (rpm)"}, {378, "Rif. sonda lambda (V)"}, {379, "Aumento tempo in ricco"}};
constexpr FixedText kTempHeaders[] = {{394, "INDICE"},
                                      {395, "TEMP.(\xb0"
                                            "C)"},
                                      {396, "TENS.MIS.(V)"},
                                      {397, "R.NTC (ohm)"}};
constexpr const char* kOpenLoopRows[] = {"Rpm", "T inj.", "K"};

std::string Fixed2(long double v) {
    return platform::FloatToStrF(static_cast<double>(v), platform::TFloatFormat::ffFixed, 3, 2);
}
std::string Rpm(int32_t v) {
    return std::to_string(v / 10 * 10);
}

const TStreamDati* Data() {
    return StreamDati;
}

std::string KText(const TMapGrid&, const TStreamDati& d, int col, int row) {
    if (col == 0 && row == 0)
        return "t inj/rpm";
    if (row == 0)
        return Rpm(d.GetRifGiriK(col - 1));
    if (col == 0)
        return Fixed2(d.GetRifTempiK(row - 1));
    return std::to_string(d.GetMappaK(row - 1, col - 1));
}

std::string OpenLoopText(const TMapGrid&, const TStreamDati& d, int col, int row) {
    if (col == 0)
        return row < 3 ? kOpenLoopRows[row] : "";
    if (row == 0)
        return Rpm(d.GetRifGiriK(col - 1));
    if (row == 1)
        return Fixed2(d.GetTOpenLoop(col - 1));
    return row == 2 ? std::to_string(d.GetMappaK(d.GetNumeroRighe(), col - 1)) : "";
}

std::string EmissioniText(const TMapGrid& g, const TStreamDati& d, int col, int row) {
    if (col == 0)
        return row < 3 ? g.LanguageText(kEmissioniRows[row].number, kEmissioniRows[row].design)
                       : "";
    if (row == 0)
        return Rpm(d.GetRifGiri(col - 1));
    if (row == 1)
        return Fixed2(d.GetRiferimentiSondaLambda(col - 1));
    return row == 2 ? std::to_string(d.GetRitardoEmulazioneRicca(col - 1)) : "";
}

template <int32_t (TStreamDati::*Ref)(int) const, int32_t (TStreamDati::*Coeff)(int) const>
std::string CorrectionText(const TMapGrid& g, const TStreamDati& d, int col, int row) {
    if (row == 0)
        return col == 8 ? g.LanguageText(kOltre.number, kOltre.design)
                        : std::to_string((d.*Ref)(8 - col));
    return row == 1 ? std::to_string((d.*Coeff)(8 - col) - 100) : "";
}

std::string PressDiffText(const TMapGrid&, const TStreamDati& d, int col, int row) {
    if (row == 0)
        return Fixed2(d.GetRifPressDiff(col));
    return row == 1 ? Fixed2(d.GetCoeffPressDiff(col)) : "";
}

// Point row - 1 of the engine sensor: its number, temperature, voltage and
// the sensor's resistance against the pull-up to the 5 V reference.
std::string TempText(const TMapGrid& g, const TStreamDati& d, int col, int row) {
    if (col >= int(std::size(kTempHeaders)))
        return {};
    if (row == 0)
        return g.LanguageText(kTempHeaders[col].number, kTempHeaders[col].design);
    const int32_t rpu = d.GetParametriTempMotore(0) * 256 + d.GetParametriTempMotore(1);
    const int32_t p = g.SensorRaw(row);
    switch (col) {
    case 0:
        return std::to_string(row);
    case 1:
        return std::to_string(d.GetParametriTempMotore(2) * (row - 1) +
                              d.GetParametriTempMotore(3));
    case 2:
        return platform::FloatToStrF(p * 5 * (1.0 / 255), platform::TFloatFormat::ffFixed, 5, 3);
    default:
        return p < 255 ? std::to_string(int64_t(p) * rpu / (255 - p)) : "0";
    }
}

using CellTextFn = std::string (*)(const TMapGrid&, const TStreamDati&, int col, int row);
// By kind, in the order of TGridKind.
constexpr CellTextFn kCellTexts[] = {
    KText,
    OpenLoopText,
    EmissioniText,
    CorrectionText<&TStreamDati::GetRif, &TStreamDati::GetCoeff>,
    CorrectionText<&TStreamDati::GetRifMot, &TStreamDati::GetCoeffMot>,
    PressDiffText,
    TempText,
};

} // namespace

const TGridKindInfo& GridKindInfo(TGridKind kind) {
    return kKinds[static_cast<size_t>(kind)];
}

std::optional<TGridKind> GridKindOfName(const QString& objectName) {
    for (const TGridKindInfo& k : kKinds)
        if (objectName == QLatin1String(k.ObjectName))
            return k.Kind;
    return std::nullopt;
}

// --- model --------------------------------------------------------------

TMapGridModel::TMapGridModel(TMapGrid& grid) : grid_(grid) {}

int TMapGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TMapGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant TMapGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return platform::toUnicode(grid_.CellText(index.column(), index.row()));
}

Qt::ItemFlags TMapGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || grid_.IsFixed(index.column(), index.row()))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TMapGridModel::SetShape(int rows, int cols) {
    beginResetModel();
    rows_ = std::max(rows, 0);
    cols_ = std::max(cols, 0);
    endResetModel();
}

// --- delegate -----------------------------------------------------------

TMapGridDelegate::TMapGridDelegate(TMapGrid& grid) : grid_(grid) {}

void TMapGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const TGridKindInfo& k = grid_.KindInfo();
    const QPalette& scheme = grid_.palette();
    const int col = index.column();
    const int row = index.row();
    QColor brush = scheme.color(QPalette::Base);
    QColor font = scheme.color(QPalette::Text);
    if (grid_.IsFixed(col, row)) {
        brush = scheme.color(QPalette::Button);
        font = scheme.color(QPalette::ButtonText);
    } else if (((option.state & QStyle::State_Selected) || index == grid_.currentIndex()) &&
               grid_.IsActiveControl()) {
        brush = kNavy;
        font = kWhite;
    }
    if (k.ReferenceRow && row == 0) {
        const bool live = grid_.LiveColumn() >= 0 && col == grid_.LiveColumn() + k.LiveOffset;
        brush = live ? kMenu : scheme.color(QPalette::Button);
        font = live ? scheme.color(QPalette::Button) : scheme.color(QPalette::Base);
    }
    painter->save();
    painter->fillRect(option.rect, brush);
    const QFont f = grid_.CellFont(col);
    painter->setFont(f);
    painter->setPen(font);
    const QString text = index.data().toString();
    // A text wider than its cell keeps its start in view.
    const bool fits = QFontMetrics(f).horizontalAdvance(text) <= option.rect.width();
    if (k.RightAlignRow0 && row == 0)
        painter->drawText(option.rect.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter,
                          text);
    else
        painter->drawText(option.rect, (fits ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                          text);
    painter->restore();
}

// --- grid ---------------------------------------------------------------

TMapGrid::TMapGrid(QWidget* parent)
    : QTableView(parent), model_(*this), delegate_(*this),
      texts_({kOltre.number, 377, 378, 379, 394, 395, 396, 397}) {
    setModel(&model_);
    setItemDelegate(&delegate_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    texts_.Load();
    // A grid promoted in a layout gets its name after construction.
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        if (const auto kind = GridKindOfName(name); kind && !kindSet_)
            SetKind(*kind);
    });
    SetKind(TGridKind::K);
    kindSet_ = false;
}

void TMapGrid::SetKind(TGridKind kind) {
    kind_ = kind;
    kindSet_ = true;
    setVerticalScrollBarPolicy(kind == TGridKind::Temp ? Qt::ScrollBarAsNeeded
                                                       : Qt::ScrollBarAlwaysOff);
    SetShape(KindInfo().LayoutRows, KindInfo().LayoutCols);
}

int TMapGrid::RowCount() const {
    return model_.rowCount();
}

int TMapGrid::ColCount() const {
    return model_.columnCount();
}

void TMapGrid::SetShape(int rows, int cols) {
    if (rows == RowCount() && cols == ColCount())
        return;
    const TGridRect before = Selection();
    model_.SetShape(rows, cols);
    SetCurrent(std::max(before.Left, KindInfo().FixedCols),
               std::max(before.Top, KindInfo().FixedRows));
}

void TMapGrid::ShapeFromImage() {
    const TStreamDati* d = Data();
    const TGridKindInfo& k = KindInfo();
    const int rows = d ? d->GetNumeroRighe() : 0;
    const int cols = d ? d->GetNumeroColonne() : 0;
    switch (kind_) {
    case TGridKind::K:
        SetShape(rows + 1, cols + 1);
        break;
    case TGridKind::OpenLoop:
        SetShape(3, cols + 1);
        break;
    case TGridKind::Emissioni:
        SetShape(2, k.LayoutCols);
        break;
    case TGridKind::Temp:
        SetShape(std::clamp(d ? d->GetParametriTempMotore(4) : 0, 0, 30) + 1, k.LayoutCols);
        break;
    default:
        SetShape(k.LayoutRows, k.LayoutCols);
        break;
    }
}

bool TMapGrid::IsFixed(int col, int row) const {
    return col < KindInfo().FixedCols || row < KindInfo().FixedRows;
}

int TMapGrid::Col() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int TMapGrid::Row() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TMapGrid::SetCurrent(int col, int row) {
    col = std::min(col, ColCount() - 1);
    row = std::min(row, RowCount() - 1);
    const QModelIndex index = model_.index(row, col);
    if (!index.isValid() || IsFixed(col, row))
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

TGridRect TMapGrid::Selection() const {
    TGridRect r{ColCount(), RowCount(), -1, -1};
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        r.Left = std::min(r.Left, range.left());
        r.Top = std::min(r.Top, range.top());
        r.Right = std::max(r.Right, range.right());
        r.Bottom = std::max(r.Bottom, range.bottom());
    }
    if (r.Empty() && currentIndex().isValid())
        r = {Col(), Row(), Col(), Row()};
    r.Left = std::max(r.Left, KindInfo().FixedCols);
    r.Top = std::max(r.Top, KindInfo().FixedRows);
    r.Right = std::min(r.Right, ColCount() - 1);
    r.Bottom = std::min(r.Bottom, RowCount() - 1);
    return r.Empty() ? TGridRect{} : r;
}

void TMapGrid::SetSelection(const TGridRect& rect) {
    const QModelIndex tl = model_.index(rect.Top, rect.Left);
    const QModelIndex br = model_.index(rect.Bottom, rect.Right);
    if (!tl.isValid() || !br.isValid() || IsFixed(rect.Left, rect.Top))
        return;
    selectionModel()->setCurrentIndex(tl, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(tl, br), QItemSelectionModel::ClearAndSelect);
}

bool TMapGrid::IsActiveControl() const {
    return window()->focusWidget() == this;
}

std::string TMapGrid::LanguageText(int n, const char* design) const {
    const std::string text = texts_.Text(n);
    return text.empty() ? design : text;
}

void TMapGrid::LoadCaptions() {
    texts_.Load();
    viewport()->update();
}

QFont TMapGrid::CellFont(int col) const {
    QFont f = font();
    if (kind_ == TGridKind::Emissioni)
        f.setPointSize(std::max(1, shell::LayoutScreenWidth() * (col == 0 ? 8 : 10) / 800));
    return f;
}

int TMapGrid::ColumnTextWidth(int col) const {
    const QFontMetrics metrics(CellFont(col));
    int widest = 0;
    for (int row = 0; row < RowCount(); ++row)
        widest =
            std::max(widest, metrics.horizontalAdvance(platform::toUnicode(CellText(col, row))));
    return widest;
}

std::string TMapGrid::CellText(int col, int row) const {
    const TStreamDati* d = Data();
    if (!d || col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        return {};
    return kCellTexts[static_cast<size_t>(kind_)](*this, *d, col, row);
}

int32_t TMapGrid::SensorRaw(int row) const {
    const TStreamDati* d = Data();
    if (sensorEditing_ && row == sensorRow_ && IsActiveControl())
        return liveSensorRaw_;
    return d ? d->GetEcuTempMotore(row - 1) : 0;
}

QRect TMapGrid::CellRect(int col, int row) const {
    return visualRect(model_.index(row, col));
}

// --- live state -----------------------------------------------------------

void TMapGrid::InvalidateCursor() {
    if (cursor_)
        viewport()->update(QRect(*cursor_ - QPoint(11, 11), QSize(23, 23)));
}

void TMapGrid::SetCursorPoint(const QPoint& point, const QColor& color) {
    InvalidateCursor();
    cursor_ = point;
    cursorColor_ = color;
    InvalidateCursor();
}

void TMapGrid::ClearCursor() {
    InvalidateCursor();
    cursor_.reset();
}

void TMapGrid::SetLiveColumn(int column) {
    if (column == liveColumn_)
        return;
    const int row0 = KindInfo().ReferenceRow ? 0 : -1;
    const auto repaint = [&](int c) {
        if (c >= 0 && row0 == 0)
            viewport()->update(CellRect(c + KindInfo().LiveOffset, 0));
    };
    repaint(liveColumn_);
    liveColumn_ = column;
    repaint(liveColumn_);
}

void TMapGrid::SetSensorReading(bool editing, int sensorRow, int liveRaw) {
    sensorEditing_ = editing;
    sensorRow_ = sensorRow;
    liveSensorRaw_ = liveRaw;
    viewport()->update();
}

void TMapGrid::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (kind_ != TGridKind::K || !cursor_)
        return;
    QPainter p(viewport());
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(cursorColor_);
    p.drawEllipse(*cursor_, 10, 10);
}

void TMapGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TMapGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

// --- keys and mouse -------------------------------------------------------

void TMapGrid::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int row = Row() >= 0 ? Row() : KindInfo().FixedRows;
    if (event->key() == Qt::Key_Up && !shift && row <= KindInfo().FixedRows) {
        WalkFocus(false);
        return;
    }
    if (event->key() == Qt::Key_Down && !shift && row >= RowCount() - 1) {
        WalkFocus(true);
        return;
    }
    const char c = KeyChar(*event);
    if (kind_ == TGridKind::Temp && (c == 13 || c == ' ')) {
        emit sensorKey(c);
        return;
    }
    if (c == 13) {
        EditCells();
        return;
    }
    QTableView::keyPressEvent(event);
}

namespace {

// A control the user can see take the focus: one that hands its focus on
// (a page control to its tab strip) or has no size would hide where the
// focus went.
bool ShowsFocus(const QWidget& w) {
    return w.isVisible() && w.isEnabled() && (w.focusPolicy() & Qt::TabFocus) && !w.focusProxy() &&
           !w.size().isEmpty();
}

} // namespace

// Along the tab order to the next control beside the grid; one round at most.
void TMapGrid::WalkFocus(bool forward) {
    for (QWidget* w = this;;) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == this)
            return;
        if (w->window() == window() && w->parentWidget() == parentWidget() && ShowsFocus(*w)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void TMapGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    if (kind_ == TGridKind::Temp) {
        emit sensorDoubleClicked(index.column(), index.row());
        return;
    }
    if (index.column() >= KindInfo().EditMinCol && index.row() >= KindInfo().EditMinRow)
        EditCells();
}
