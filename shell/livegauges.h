#pragma once
// The arithmetic of the live display's gauges, apart from their widgets.
#include <string>

namespace live {

// Offset of the needle's end from the dial's centre, y growing downward:
// 0 rpm points down-left, 3500 straight up, 7000 and more down-right.
struct NeedleEnd {
    int dx = 0;
    int dy = 0;
    bool operator==(const NeedleEnd&) const = default;
};
NeedleEnd NeedleOffset(int rpm, int length);

// The engine speed cut to tens, at least four digits: 5 "0000", 1234 "1230".
std::string GiriText(int rpm);

// Height of the thermometer's bar: empty below 0 degrees C, full above 100.
int ThermometerHeight(double degC, int fullHeight);

// Width of a lambda bar inside its panel (a border of 1 pixel each side),
// kept within 0..panelWidth - 2 whatever the voltage; the scale may fall.
int LambdaBarWidth(double volts, double scaleStart, double scaleEnd, int panelWidth);

// Colour of a lambda bar: the face colour while its status bit is clear,
// else green on the good side of the reference and red on the other.
enum class BarColour { Face, Green, Red };
BarColour LambdaBarColour(bool statusBit, bool typeBit, double volts, double reference);

// Ends of the lambda scale by the probe type's index in the type list.
struct LambdaScale {
    double start = 0;
    double end = 1;
};
LambdaScale LambdaScaleOfType(int typeIndex);

} // namespace live
