#pragma once
// The points a chart series is given: every row while the rows in view are
// fewer than twice the plot's width in pixels, else for each pixel column
// the lowest and the highest value of the rows that fall in it, in the order
// they came. The lines then look as they would with every point, at a cost
// that follows the plot's width rather than the length of the trace.
#include <QList>
#include <QPointF>
#include <cstdint>
#include <vector>

namespace chart {

struct View {
    double x0 = 0;
    double x1 = 1;
    int columns = 1; // the plot's width in pixels
};

// The rows of a view in their pixel columns, found once for the view and
// shared by every series. The row just outside each end of the view is
// kept too, so the line reaches the edge.
class Cut {
public:
    // ms: the times of the rows, ascending; a row is at ms / 1000 seconds.
    Cut(const std::vector<int64_t>& ms, const View& view);
    // Every row in the order it came, for times that are not in order.
    static Cut EveryRow(const std::vector<int64_t>& ms);

    // The points of one column of values, each value times `scale`.
    QList<QPointF> Points(const std::vector<int32_t>& values, double scale) const;
    QList<QPointF> Points(const std::vector<float>& values, double scale) const;

private:
    explicit Cut(const std::vector<int64_t>& ms) : ms_(&ms) {}
    template <class T> QList<QPointF> points(const std::vector<T>& values, double scale) const;
    double x(size_t row) const { return double((*ms_)[row]) * 0.001; }

    const std::vector<int64_t>* ms_;
    size_t first_ = 0;
    size_t last_ = 0; // one past
    // Empty: every row from first_ to last_. Else the rows of pixel column
    // c are starts_[c] up to starts_[c + 1].
    std::vector<size_t> starts_;
};

} // namespace chart
