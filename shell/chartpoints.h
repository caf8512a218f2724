#pragma once
// The points a chart series is given: every row while the rows in view are
// fewer than twice the plot's width in pixels, else for each pixel column
// the lowest and the highest value of the rows that fall in it, in the order
// they came. The lines then look as they would with every point, at a cost
// that follows the plot's width rather than the length of the trace.
#include <QList>
#include <QPointF>
#include <cstdint>
#include <functional>
#include <vector>

namespace chart {

struct View {
    double x0 = 0;
    double x1 = 1;
    int columns = 1; // the plot's width in pixels
};

// xs: times in seconds, ascending; y(i) the value of row i. The row just
// outside each end of the view is kept too, so the line reaches the edge.
QList<QPointF> PointsInView(const std::vector<double>& xs, const std::function<double(size_t)>& y,
                            const View& view);

} // namespace chart
