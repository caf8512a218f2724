#include "cellmodes.h"

#include <algorithm>
#include <cmath>

double ApplyCellMode(uint8_t mode, double stored, double entered, const TItemRange& range) {
    double v = stored;
    switch (mode) {
    case kModeAbsolute:
        v = (range.Unsigned ? std::fabs(entered) : entered) + range.Offset;
        break;
    case kModeLinear:
        v = stored + entered;
        break;
    case kModePercentage:
        v = stored * (entered * 0.01 + 1);
        break;
    default:
        break;
    }
    v = std::isnan(v) ? range.Min : std::clamp(v, range.Min, range.Max);
    return range.Integer ? std::trunc(v) : v;
}

bool KeepsIncreasing(std::span<const double> row, int index, double value) {
    const int n = static_cast<int>(row.size());
    if (index < 0 || index >= n)
        return false;
    const bool aboveLeft = index == 0 || value > row[index - 1];
    const bool belowRight = index == n - 1 || value < row[index + 1];
    return aboveLeft && belowRight;
}
