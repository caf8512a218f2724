#include "chartpoints.h"

#include <algorithm>
#include <ranges>

namespace chart {

Cut::Cut(const std::vector<int64_t>& ms, const View& view) : ms_(&ms) {
    const auto row = [&](const auto& below) {
        return size_t(std::partition_point(ms.begin(), ms.end(), below) - ms.begin());
    };
    const size_t lo = row([&](int64_t t) { return t * 0.001 < view.x0; });
    const size_t hi = row([&](int64_t t) { return !(view.x1 < t * 0.001); });
    first_ = lo > 0 ? lo - 1 : 0;
    last_ = std::min(ms.size(), hi + 1);
    const int columns = std::max(1, view.columns);
    if (last_ - first_ < size_t(2 * columns))
        return;
    // Pixel column of a row; the rows beyond the ends fall in -1 and
    // `columns`. Clamped before it becomes an int, which a row far from a
    // narrow view would overflow.
    const double span = view.x1 > view.x0 ? view.x1 - view.x0 : 1.0;
    const auto column = [&](size_t k) {
        return int(std::clamp((x(k) - view.x0) / span * columns, -1.0, double(columns)));
    };
    // The column only grows with the row, so each column's first row is
    // found by halving instead of by visiting every row.
    starts_.reserve(size_t(columns) + 3);
    size_t from = first_;
    for (int c = -1; c <= columns + 1; ++c) {
        const auto rows = std::views::iota(from, last_);
        from += size_t(std::ranges::partition_point(rows, [&](size_t k) { return column(k) < c; }) -
                       rows.begin());
        starts_.push_back(from);
    }
}

Cut Cut::EveryRow(const std::vector<int64_t>& ms) {
    Cut cut(ms);
    cut.last_ = ms.size();
    return cut;
}

QList<QPointF> Cut::Points(const std::vector<int32_t>& values, double scale) const {
    return points(values, scale);
}

QList<QPointF> Cut::Points(const std::vector<float>& values, double scale) const {
    return points(values, scale);
}

template <class T> QList<QPointF> Cut::points(const std::vector<T>& values, double scale) const {
    QList<QPointF> points;
    const auto add = [&](size_t row) {
        points.append(QPointF(x(row), double(values[row]) * scale));
    };
    if (starts_.empty()) {
        points.reserve(qsizetype(last_ - first_));
        for (size_t i = first_; i < last_; ++i)
            add(i);
        return points;
    }
    points.reserve(qsizetype(2 * starts_.size()));
    for (size_t c = 0; c + 1 < starts_.size(); ++c) {
        const size_t begin = starts_[c], end = starts_[c + 1];
        if (begin == end)
            continue;
        // The first lowest and the first highest value.
        size_t low = begin, high = begin;
        T yl = values[begin], yh = yl;
        for (size_t k = begin + 1; k < end; ++k) {
            const T v = values[k];
            if (v < yl)
                yl = v, low = k;
            if (v > yh)
                yh = v, high = k;
        }
        add(std::min(low, high));
        if (low != high)
            add(std::max(low, high));
    }
    return points;
}

} // namespace chart
