#include "chartpoints.h"

#include "core/lowhigh.h"

#include <algorithm>
#include <ranges>

namespace chart {

namespace {

// Where the first lowest and the first highest of n > 0 values are: the
// values are found first without their places, then their first places in
// one scan that stops once both are met, about twice as fast as keeping the
// places while comparing.
template <class T> std::pair<size_t, size_t> FirstLowestAndHighest(const T* v, size_t n) {
    const auto [yl, yh] = LowestAndHighest(v, n);
    // The values hold no NaN (the reader refuses them), so a value equal
    // to the lowest is one of the lowest.
    size_t low = n, high = n;
    for (size_t i = 0; low == n || high == n; ++i) {
        if (low == n && v[i] == yl)
            low = i;
        if (high == n && v[i] == yh)
            high = i;
    }
    return {low, high};
}

} // namespace

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
        const auto [low, high] = FirstLowestAndHighest(values.data() + begin, end - begin);
        add(begin + std::min(low, high));
        if (low != high)
            add(begin + std::max(low, high));
    }
    return points;
}

} // namespace chart
