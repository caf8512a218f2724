#include "steps.h"

#include "platform/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

using Wide = __int128;
constexpr int kMaxWideDigits = 36;

Wide pow10(int n) {
    Wide p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

int decimalsOf(const platform::TFloatRec& rec) {
    return std::max(0, static_cast<int>(rec.Digits.size()) - rec.Exponent);
}

// The value times 10^scale as an integer; false when it would not fit.
bool toUnits(const platform::TFloatRec& rec, int scale, Wide& units) {
    const int length = static_cast<int>(rec.Digits.size());
    const int shift = rec.Exponent - length + scale;
    if (shift < 0 || length + shift > kMaxWideDigits)
        return false;
    units = 0;
    for (char digit : rec.Digits)
        units = units * 10 + (digit - '0');
    units *= pow10(shift);
    if (rec.Negative)
        units = -units;
    return true;
}

platform::TFloatRec decimalOf(double value) {
    return platform::FloatToDecimal(value, 15);
}

double fromUnits(Wide units, int scale) {
    const bool negative = units < 0;
    std::string text;
    for (Wide rest = negative ? -units : units; rest > 0 || text.empty(); rest /= 10)
        text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
    text = (negative ? "-" : "") + text + "e-" + std::to_string(scale);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double binaryRoundToStep(double value, double step) {
    const double down = std::floor(value / step) * step;
    const double up = std::ceil(value / step) * step;
    return (value - down) < (up - value) ? down : up;
}

long long toLongLong(double value) {
    constexpr double kLimit = 9.2e18;
    return static_cast<long long>(std::clamp(std::trunc(value), -kLimit, kLimit));
}

} // namespace

double RoundToStep(double value, double step) {
    step = std::fabs(step);
    if (step == 0 || !std::isfinite(value) || !std::isfinite(step))
        return value;
    const platform::TFloatRec v = decimalOf(value);
    const platform::TFloatRec s = decimalOf(step);
    const int scale = std::max(decimalsOf(v), decimalsOf(s));
    Wide units = 0;
    Wide stepUnits = 0;
    if (!toUnits(v, scale, units) || !toUnits(s, scale, stepUnits) || stepUnits == 0)
        return binaryRoundToStep(value, step);
    Wide quotient = units / stepUnits;
    if (units % stepUnits != 0 && units < 0)
        --quotient;
    const Wide down = quotient * stepUnits;
    const Wide rest = units - down;
    return fromUnits(2 * rest < stepUnits ? down : down + stepUnits, scale);
}

long long TruncToStep(long long value, double step) {
    step = std::fabs(step);
    if (step == 0 || !std::isfinite(step))
        return value;
    const platform::TFloatRec s = decimalOf(step);
    const int scale = decimalsOf(s);
    Wide stepUnits = 0;
    if (scale > 18 || !toUnits(s, scale, stepUnits) || stepUnits == 0)
        return toLongLong(step * std::trunc(static_cast<double>(value) / step));
    const Wide scaleFactor = pow10(scale);
    const Wide units = static_cast<Wide>(value) * scaleFactor;
    return static_cast<long long>(units / stepUnits * stepUnits / scaleFactor);
}
