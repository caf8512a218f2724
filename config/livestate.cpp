#include "livestate.h"

#include "core/iodata.h"

#include <algorithm>

namespace {

// Boundaries midway between neighbouring references, the last one `beyond`
// past the one before it.
std::vector<double> Midways(const std::vector<double>& refs, double beyond, bool integer) {
    std::vector<double> b;
    const int n = static_cast<int>(refs.size());
    for (int i = 0; i + 1 < n; ++i) {
        const double mid = integer
                               ? static_cast<double>(static_cast<int>(refs[i] + refs[i + 1]) / 2)
                               : (refs[i] + refs[i + 1]) * 0.5;
        b.push_back(mid);
    }
    if (n > 0)
        b.push_back((b.empty() ? 0.0 : b.back()) + beyond);
    return b;
}

TLiveAxis Axis(std::vector<double> refs, double beyond, bool integer) {
    TLiveAxis a;
    a.Bound = Midways(refs, beyond, integer);
    if (!refs.empty())
        a.Bound.insert(a.Bound.begin(), 0.0);
    a.Ref = std::move(refs);
    return a;
}

} // namespace

TLiveAxis MapColumnAxis(const TStreamDati& data) {
    std::vector<double> refs;
    for (int c = 0; c < data.GetNumeroColonne(); ++c)
        refs.push_back(data.GetRifGiriK(c));
    return Axis(std::move(refs), 1000, true);
}

TLiveAxis MapRowAxis(const TStreamDati& data) {
    std::vector<double> refs;
    for (int r = 0; r < data.GetNumeroRighe(); ++r)
        refs.push_back(static_cast<double>(data.GetRifTempiK(r)));
    return Axis(std::move(refs), 2.5, false);
}

std::vector<double> EmulationBoundaries(const TStreamDati& data) {
    std::vector<double> refs;
    for (int i = 0; i < 12; ++i)
        refs.push_back(data.GetRifGiri(i));
    return Midways(refs, 1000, true);
}

std::vector<double> PressureBoundaries(const TStreamDati& data) {
    std::vector<double> b;
    for (int i = 0; i < 14; ++i)
        b.push_back(
            static_cast<double>((data.GetRifPressDiff(i) + data.GetRifPressDiff(i + 1)) * 0.5));
    return b;
}

int FirstAbove(const std::vector<double>& bounds, double v, int none) {
    const auto at = std::find_if(bounds.begin(), bounds.end(), [v](double b) { return b > v; });
    return at == bounds.end() ? none : static_cast<int>(at - bounds.begin());
}

int AxisCell(const TLiveAxis& axis, double v) {
    if (axis.Cells() < 1)
        return -1;
    const std::vector<double> ends(axis.Bound.begin() + 1, axis.Bound.end());
    return FirstAbove(ends, v, axis.Cells() - 1);
}

int AxisOffset(const TLiveAxis& axis, int cell, double v, int half) {
    if (v > axis.Bound.back())
        return 2 * half;
    const double ref = axis.Ref[static_cast<size_t>(cell)];
    const double before = axis.Bound[static_cast<size_t>(cell)];
    const double after = axis.Bound[static_cast<size_t>(cell) + 1];
    double offset = half;
    if (ref < v) {
        if (after != ref)
            offset = half + (v - ref) * half / (after - ref);
    } else if (ref != before) {
        offset = (v - before) * half / (ref - before);
    }
    // References out of order would put the point outside its cell.
    return std::clamp(static_cast<int>(offset), 0, 2 * half);
}

bool TUnchangedPoint::Changed(int rpm, double ms) {
    if (known_ && rpm == rpm_ && ms == ms_ && count_ != 50) {
        ++count_;
        return false;
    }
    known_ = true;
    rpm_ = rpm;
    ms_ = ms;
    count_ = 0;
    return true;
}
