#pragma once
// The grids of the configuration editor: the carburation map, its open-loop
// rows, the emulation table, the two temperature-correction tables, the
// pressure corrections and the engine-sensor characteristic. Every paint
// reads the image of the data module, so a change made elsewhere shows at
// the next repaint. The fixed row and column are cells of the grid like the
// others (grid coordinates count them); Qt's own headers are hidden.
#include "language.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <optional>
#include <string>

class QTimer;
class TMapGrid;

enum class TGridKind { K, OpenLoop, Emissioni, TempRid, TempMot, PressDiff, Temp };

// Cells Left..Right, Top..Bottom inclusive; empty when Right < Left.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = -1;
    int Bottom = -1;
    bool Empty() const { return Right < Left || Bottom < Top; }
    bool operator==(const TGridRect&) const = default;
};

// What a kind of grid shows. Its colours are its palette's: Base the cells,
// Button the fixed cells, Text and ButtonText their fonts.
struct TGridKindInfo {
    TGridKind Kind;
    const char* ObjectName; // the grid's name in the editor's layout
    int LayoutRows;
    int LayoutCols;
    int FixedRows;
    int FixedCols;
    bool ReferenceRow;   // row 0 holds references and shows the live column
    bool RightAlignRow0; // the temperature references
    int LiveOffset;      // grid column of live index 0
    int EditMinCol;      // a double-click edits from this column
    int EditMinRow;      // and this row
};

const TGridKindInfo& GridKindInfo(TGridKind kind);
std::optional<TGridKind> GridKindOfName(const QString& objectName);

class TMapGridModel : public QAbstractTableModel {
public:
    explicit TMapGridModel(TMapGrid& grid);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void SetShape(int rows, int cols);

private:
    TMapGrid& grid_;
    int rows_ = 0;
    int cols_ = 0;
};

// Paints the cells in the grid's colours: fixed cells, the selection while
// the grid has the focus, the live column of a reference row.
class TMapGridDelegate : public QStyledItemDelegate {
public:
    explicit TMapGridDelegate(TMapGrid& grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    TMapGrid& grid_;
};

class TMapGrid : public QTableView {
    Q_OBJECT

public:
    explicit TMapGrid(QWidget* parent = nullptr);

    // A grid promoted in a layout takes its kind from its object name.
    void SetKind(TGridKind kind);
    TGridKind Kind() const { return kind_; }
    const TGridKindInfo& KindInfo() const { return GridKindInfo(kind_); }

    int RowCount() const;
    int ColCount() const;
    void SetShape(int rows, int cols);
    // The shape the kind takes from the image: the map's geometry, the
    // sensor's points, else the layout's (the emulation table loses its
    // third row). The editor fits the cells to the space afterwards
    // (gridfit.h).
    void ShapeFromImage();
    bool IsFixed(int col, int row) const;

    // The current cell; -1 when the grid has no cell that can be current.
    int Col() const;
    int Row() const;
    void SetCurrent(int col, int row);
    // The selected rectangle within the non-fixed cells; the current cell
    // when nothing is selected.
    TGridRect Selection() const;
    void SetSelection(const TGridRect& rect);
    // Whether the grid is its window's focused control.
    bool IsActiveControl() const;

    std::string CellText(int col, int row) const;
    // The font a cell of column col is drawn in.
    QFont CellFont(int col) const;
    // The widest text of column col among the rows shown, in its cell font.
    int ColumnTextWidth(int col) const;
    // Language string n as last loaded, or the layout's text when the table
    // lacks it.
    std::string LanguageText(int n, const char* design) const;
    // A cell's rectangle in the grid's pixels (its viewport).
    QRect CellRect(int col, int row) const;

    // Live state set by the editor's timer. The cursor is the engine's
    // working point on the map, drawn after the cells.
    void SetCursorPoint(const QPoint& point, const QColor& color);
    void ClearCursor();
    std::optional<QPoint> CursorPoint() const { return cursor_; }
    QColor CursorColor() const { return cursorColor_; }
    // For the emulation table a table index, else a grid column; -1 none.
    void SetLiveColumn(int column);
    int LiveColumn() const { return liveColumn_; }
    // The engine-sensor page's acquisition: while editing, the sensor row
    // shows the live reading in place of the stored point.
    void SetSensorReading(bool editing, int sensorRow, int liveRaw);
    // The raw reading the sensor grid shows for its row (point row - 1).
    int32_t SensorRaw(int row) const;

    // The editor's timer, stopped while a dialog of the grid is open.
    void SetTimer(QTimer* timer) { timer_ = timer; }
    void LoadCaptions();

    // Enter and double-click: the cell dialog on the selection, or the
    // emulation references' dialog from their row.
    void EditCells();

signals:
    // The emulation rpm references were edited through their dialog.
    void referencesChanged();
    // Enter and Space on the engine-sensor grid, and its double-click.
    void sensorKey(char key);
    void sensorDoubleClicked(int col, int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TMapGridModel;
    void WalkFocus(bool forward);
    void EditEmissioniReferences();
    void InvalidateCursor();
    void TimerOff();
    void TimerOn();

    TMapGridModel model_;
    TMapGridDelegate delegate_;
    TGridKind kind_ = TGridKind::K;
    bool kindSet_ = false;
    TLanguageTexts texts_;
    std::optional<QPoint> cursor_;
    QColor cursorColor_;
    int liveColumn_ = -1;
    bool sensorEditing_ = false;
    int sensorRow_ = 1;
    int liveSensorRaw_ = 0;
    QPointer<QTimer> timer_;
};
