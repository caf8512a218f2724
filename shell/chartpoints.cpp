#include "chartpoints.h"

#include <algorithm>

namespace chart {

QList<QPointF> PointsInView(const std::vector<double>& xs, const std::function<double(size_t)>& y,
                            const View& view) {
    QList<QPointF> points;
    if (xs.empty())
        return points;
    const auto lo = std::lower_bound(xs.begin(), xs.end(), view.x0);
    const auto hi = std::upper_bound(xs.begin(), xs.end(), view.x1);
    const size_t first = size_t(std::max<ptrdiff_t>(0, lo - xs.begin() - 1));
    const size_t last = std::min(xs.size(), size_t(hi - xs.begin()) + 1); // one past
    const int columns = std::max(1, view.columns);
    if (last - first < size_t(2 * columns)) {
        points.reserve(qsizetype(last - first));
        for (size_t i = first; i < last; ++i)
            points.append(QPointF(xs[i], y(i)));
        return points;
    }
    points.reserve(2 * columns + 4);
    const double span = view.x1 > view.x0 ? view.x1 - view.x0 : 1.0;
    size_t i = first;
    while (i < last) {
        const auto column = [&](size_t k) {
            return std::clamp(int((xs[k] - view.x0) / span * columns), -1, columns);
        };
        const int c = column(i);
        size_t low = i, high = i;
        double yl = y(i), yh = yl;
        size_t k = i + 1;
        for (; k < last && column(k) == c; ++k) {
            const double v = y(k);
            if (v < yl)
                yl = v, low = k;
            if (v > yh)
                yh = v, high = k;
        }
        const size_t a = std::min(low, high), b = std::max(low, high);
        points.append(QPointF(xs[a], y(a)));
        if (b != a)
            points.append(QPointF(xs[b], y(b)));
        i = k;
    }
    return points;
}

} // namespace chart
