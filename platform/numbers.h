#pragma once
// Number text of the program. One decimal separator on every machine, whatever
// its locale: the layouts and the stored texts are written with ','. Parsing
// takes back exactly what the formatting writes.
#include <string>

namespace platform {

char DecimalSeparator();

// A double as decimal digits: value = 0.Digits x 10^Exponent, no trailing
// zeros, rounded half away from zero. Zero has no digits and Exponent 0.
// Infinity and NaN have no digits and the Exponent kInfinite or kNotANumber.
struct TFloatRec {
    static constexpr int kInfinite = 0x7FFF;
    static constexpr int kNotANumber = -0x8000;
    int Exponent = 0;
    bool Negative = false;
    std::string Digits;
};

// At most `precision` (1..15) significant digits and, when `decimals` is not
// negative, no digit below 10^-decimals.
TFloatRec FloatToDecimal(double value, int precision, int decimals = -1);

enum class TFloatFormat {
    ffGeneral, // shortest text; exponent form below 1E-4 or beyond `precision` digits
    ffFixed,   // `digits` decimals; exponent form beyond `precision` integer digits
};

// ffGeneral: `digits` is the least number of exponent digits (0..4).
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// The general form with 15 significant digits: 0.1 "0,1", 1650 "1650", 1e20 "1E20".
std::string FloatToStr(double value);

// "-"? digits with one separator ("12,5", "12," and ",5" too), then an optional
// "E" exponent. Nothing else: no blanks, no '+', no thousands separator.
bool TryStrToFloat(const std::string& text, double& value);
// "-"? digits within the range of int.
bool TryStrToInt(const std::string& text, int& value);

} // namespace platform
