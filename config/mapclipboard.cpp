#include "mapclipboard.h"

#include "formconfig.h"
#include "mapgrid.h"
#include "ui_FormConfig.h"

#include "core/iodata.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"
#include "platform/numbers.h"

#include <QClipboard>
#include <QGuiApplication>

#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <algorithm>
#include <string_view>

std::string MapBlockText(int rows, int columns, const std::function<int(int, int)>& value) {
    std::string text;
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            text += "\r\n";
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += '\t';
            text += std::to_string(value(r, c));
        }
    }
    return text;
}

namespace {

constexpr int kMaxCell = 255;

// The view copies its current cell on Ctrl+C by itself; the menu's
// shortcuts take the keys instead.
class TMenuKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (!key->matches(QKeySequence::Copy) && !key->matches(QKeySequence::Paste))
            return false;
        key->ignore();
        return true;
    }
};

// A map has at most 12 rows and 12 columns: only those cells are kept, while
// the block's size still counts every line and field of the text.
constexpr int kKeptCells = 12;

// Calls line(text) for each line: CR LF, CR and LF end one, a final line
// end adds none.
template <typename F> void ForEachLine(const std::string& text, F&& line) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        line(std::string_view(text).substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

std::optional<int> CellValue(std::string_view field) {
    int v = 0;
    if (!platform::TryStrToInt(std::string(field), v) || v < 0)
        return std::nullopt;
    return std::min(v, kMaxCell);
}

// A line with too few TABs leaves the fields after its last TAB empty and
// puts its last field in the block's last column.
std::vector<std::optional<int>> ReadLine(std::string_view line, int columns) {
    const int kept = std::min(columns, kKeptCells);
    std::vector<std::optional<int>> cells(static_cast<size_t>(kept));
    size_t start = 0;
    for (int j = 0; j + 1 < columns && j < kept; ++j) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos)
            break;
        cells[size_t(j)] = CellValue(line.substr(start, tab - start));
        start = tab + 1;
    }
    if (columns <= kKeptCells)
        cells[size_t(columns - 1)] = CellValue(line.substr(start));
    return cells;
}

} // namespace

TPastedBlock ReadPastedBlock(const std::string& text) {
    TPastedBlock block;
    ForEachLine(text, [&block](std::string_view line) {
        if (block.Rows == 0)
            block.Columns = 1 + static_cast<int>(std::count(line.begin(), line.end(), '\t'));
        if (block.Rows++ < kKeptCells)
            block.Lines.push_back(ReadLine(line, block.Columns));
    });
    return block;
}

// --- the editor's handlers ---------------------------------------------------

void TFormConfig::SetupMapClipboard() {
    TMapGrid* grid = ui_->DrawGridK;
    for (QAction* action : {ui_->MenuCopia, ui_->MenuIncolla}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        grid->addAction(action);
    }
    grid->installEventFilter(new TMenuKeys(grid));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
        ui_->PopupMenuGrid->popup(grid->viewport()->mapToGlobal(at));
    });
    connect(ui_->PopupMenuGrid, &QMenu::aboutToShow, this, &TFormConfig::PopupMenuGridPopup);
    // Ctrl+V follows the clipboard between two pop-ups too.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TFormConfig::PopupMenuGridPopup);
    connect(ui_->MenuCopia, &QAction::triggered, this, &TFormConfig::MenuCopiaTaraturaClick);
    connect(ui_->MenuIncolla, &QAction::triggered, this, &TFormConfig::MenuIncollaTaraturaClick);
    PopupMenuGridPopup();
}

void TFormConfig::PopupMenuGridPopup() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ui_->MenuIncolla->setEnabled(data && data->hasText());
}

void TFormConfig::MenuCopiaTaraturaClick() {
    const TGridRect s = ui_->DrawGridK->Selection();
    if (s.Empty())
        return;
    const std::string text =
        MapBlockText(s.Bottom - s.Top + 1, s.Right - s.Left + 1, [&s](int r, int c) {
            return StreamDati->GetMappaK(s.Top - 1 + r, s.Left - 1 + c);
        });
    QGuiApplication::clipboard()->setText(platform::toUnicode(text));
}

void TFormConfig::MenuIncollaTaraturaClick() {
    TMapGrid* grid = ui_->DrawGridK;
    const TPastedBlock block =
        ReadPastedBlock(platform::fromUnicode(QGuiApplication::clipboard()->text()));
    const TGridRect s = grid->Selection();
    if (block.Rows == 0 || s.Empty())
        return;
    const int lines = block.Rows;
    const bool single = s.Left == s.Right && s.Top == s.Bottom;
    const bool sameSize = s.Bottom - s.Top + 1 == lines && s.Right - s.Left + 1 == block.Columns;
    if (!single && !sameSize &&
        platform::MessageBox(this, Text(239) + "\n\n" + Text(240),
                             platform::fromUnicode(windowTitle()),
                             platform::MB_YESNO | platform::MB_ICONEXCLAMATION |
                                 platform::MB_DEFBUTTON2) != platform::IDYES)
        return;
    // Only the cells shown: never the open-loop row below the map, never
    // the next row past the right edge.
    const int r0 = s.Top - 1;
    const int c0 = s.Left - 1;
    const int rows = StreamDati->GetNumeroRighe();
    const int columns = StreamDati->GetNumeroColonne();
    for (int i = 0; i < int(block.Lines.size()) && r0 + i < rows; ++i)
        for (int j = 0; j < int(block.Lines[size_t(i)].size()) && c0 + j < columns; ++j)
            if (const std::optional<int> v = block.Lines[size_t(i)][size_t(j)])
                StreamDati->SetMappaK(r0 + i, c0 + j, *v);
    grid->viewport()->update();
    grid->SetSelection({s.Left, s.Top, std::min(c0 + block.Columns, grid->ColCount() - 1),
                        std::min(r0 + lines, grid->RowCount() - 1)});
}
