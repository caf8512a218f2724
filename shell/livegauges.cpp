#include "livegauges.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace live {

NeedleEnd NeedleOffset(int rpm, int length) {
    constexpr double pi = 3.14159265358979323846;
    double a = rpm * (1.0 / 7000) * 270 * 2 * pi * (1.0 / 360);
    const double L = length;
    if (a < pi / 4)
        return {int(-L * std::cos(pi / 4 - a)), int(L * std::sin(pi / 4 - a))};
    if (a < 3 * pi / 4)
        return {int(-L * std::cos(a - pi / 4)), int(-L * std::sin(a - pi / 4))};
    if (a < 5 * pi / 4)
        return {int(L * std::cos(5 * pi / 4 - a)), int(-L * std::sin(5 * pi / 4 - a))};
    a = std::min(a, 3 * pi / 2);
    return {int(L * std::cos(a - 5 * pi / 4)), int(L * std::sin(a - 5 * pi / 4))};
}

std::string GiriText(int rpm) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", rpm / 10 * 10);
    return text;
}

int ThermometerHeight(double degC, int fullHeight) {
    if (degC < 0)
        return 0;
    if (degC > 100)
        return fullHeight;
    return int(fullHeight * degC * 0.01);
}

int LambdaBarWidth(double volts, double scaleStart, double scaleEnd, int panelWidth) {
    const int inner = std::max(0, panelWidth - 2);
    const double w = (volts - scaleStart) * inner / (scaleEnd - scaleStart);
    // Also a voltage below the scale start, or one that is not a number.
    if (!(w > 0))
        return 0;
    return w >= inner ? inner : int(w);
}

BarColour LambdaBarColour(bool statusBit, bool typeBit, double volts, double reference) {
    if (!statusBit)
        return BarColour::Face;
    const bool good = typeBit ? volts > reference : volts < reference;
    return good ? BarColour::Green : BarColour::Red;
}

LambdaScale LambdaScaleOfType(int typeIndex) {
    switch (typeIndex) {
    case 1:
        return {0.0, 5.0};
    case 2:
        return {5.0, 0.0};
    case 3:
        return {0.8, 1.6};
    default:
        return {0.0, 1.0};
    }
}

} // namespace live
