#pragma once
// What the editor's live tick keeps between ticks: the last values of
// real-time block 1, the boundaries that place them on the map and the
// tables, and where the cursor and the live columns last were. No widgets:
// the cursor's place inside a cell is worked out here from the cell's
// rectangle.
#include "core/realtime.h"

#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

class TStreamDati;

// One axis of a table: the reference of each cell and the boundaries between
// them. Bound[0] is the boundary before the first cell, Bound[i + 1] the one
// after cell i.
struct TLiveAxis {
    std::vector<double> Ref;
    std::vector<double> Bound;
    int Cells() const { return static_cast<int>(Ref.size()); }
};

// The map's columns (rpm) and rows (ms); empty axes for a map without
// columns or rows.
TLiveAxis MapColumnAxis(const TStreamDati& data);
TLiveAxis MapRowAxis(const TStreamDati& data);
// The 12 rpm boundaries of the emulation table and the 14 of the pressure
// corrections.
std::vector<double> EmulationBoundaries(const TStreamDati& data);
std::vector<double> PressureBoundaries(const TStreamDati& data);

// Index of the first boundary strictly above v; `none` when no boundary is.
int FirstAbove(const std::vector<double>& bounds, double v, int none);
// The cell of an axis v lies in: the first whose end lies above v, else the
// last one. -1 for an empty axis.
int AxisCell(const TLiveAxis& axis, double v);
// Offset of v from the cell's start in pixels, for a cell of 2 x half: the
// reference sits in the middle and the boundaries on the edges; a cell with
// no width between its reference and a boundary puts v in the middle.
int AxisOffset(const TLiveAxis& axis, int cell, double v, int half);

// The working point in a map cell: `cellOf` gives the rectangle of map cell
// (column, row). None when the map has no columns or rows.
struct TMapPoint {
    int Column = 0;
    int Row = 0;
    QPoint Pixel;
};
template <typename CellRect>
std::optional<TMapPoint> MapPoint(const TLiveAxis& cols, const TLiveAxis& rows, double rpm,
                                  double ms, CellRect cellOf) {
    const int c = AxisCell(cols, rpm);
    const int r = AxisCell(rows, ms);
    if (c < 0 || r < 0)
        return std::nullopt;
    const QRect cell = cellOf(c, r);
    // Right and Bottom one past the cell, as the grid's rectangles run.
    const int hw = cell.width() / 2;
    const int hh = cell.height() / 2;
    const int x = cell.left() + AxisOffset(cols, c, rpm, hw);
    const int y = cell.top() + AxisOffset(rows, r, ms, hh);
    return TMapPoint{c, r, QPoint(x, y)};
}

// The last point a cursor was worked out for; an unchanged point is worked
// out again only every 51st tick.
class TUnchangedPoint {
public:
    // True when the point must be worked out (and remembers it).
    bool Changed(int rpm, double ms);
    void Forget() { known_ = false; }

private:
    bool known_ = false;
    int rpm_ = 0;
    double ms_ = 0;
    int count_ = 0;
};

struct TLiveState {
    TBlock1Values Values;
    TTickLatch Tick;
    TLiveAxis MapColumns;
    TLiveAxis MapRows;
    std::vector<double> Emulation;
    std::vector<double> Pressure;
    TUnchangedPoint MapCursor;
    TUnchangedPoint Zone;
    // The correction edit coloured for the live zone: band x 2 + column.
    int ZoneEdit = -1;
    // Bytes the live columns of the correction grids were last placed for.
    std::optional<int> ReducerRaw;
    std::optional<int> EngineRaw;
    std::optional<int> PressureCentibar;
    // Lambda defaults waiting for the unit, and the ticks they waited.
    bool LambdaDefaultsPending = false;
    int LambdaDefaultsTicks = 0;
};
