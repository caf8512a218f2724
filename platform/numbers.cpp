#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

constexpr int kMaxPrecision = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

TFloatRec zero() {
    return {};
}

// Keeps the first `keep` digits, rounding half away from zero on the digit
// after them (the digits are exact, so that one digit decides).
void roundAt(TFloatRec& rec, int keep) {
    const int length = static_cast<int>(rec.Digits.size());
    if (keep >= length)
        return;
    if (keep < 0) {
        rec = zero();
        return;
    }
    const bool up = rec.Digits[static_cast<size_t>(keep)] >= '5';
    rec.Digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && rec.Digits[static_cast<size_t>(i)] == '9')
            rec.Digits[static_cast<size_t>(i--)] = '0';
        if (i < 0) {
            rec.Digits.insert(rec.Digits.begin(), '1');
            ++rec.Exponent;
        } else {
            ++rec.Digits[static_cast<size_t>(i)];
        }
    }
    while (!rec.Digits.empty() && rec.Digits.back() == '0')
        rec.Digits.pop_back();
    if (rec.Digits.empty())
        rec = zero();
}

// Every decimal digit of a finite, non-zero double (a double has at most 767).
TFloatRec exactDigits(double value) {
    char buffer[800];
    std::snprintf(buffer, sizeof buffer, "%.770e", std::fabs(value));
    TFloatRec rec;
    rec.Negative = value < 0;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (isDigit(*p))
            rec.Digits.push_back(*p);
    rec.Exponent = std::atoi(p + 1) + 1;
    return rec;
}

std::string signOf(const TFloatRec& rec) {
    return rec.Negative ? "-" : "";
}

std::string specialText(const TFloatRec& rec) {
    if (rec.Exponent == TFloatRec::kNotANumber)
        return "NAN";
    return signOf(rec) + "INF";
}

bool isSpecial(const TFloatRec& rec) {
    return rec.Exponent == TFloatRec::kInfinite || rec.Exponent == TFloatRec::kNotANumber;
}

std::string exponentForm(const TFloatRec& rec, int exponentDigits) {
    std::string text = signOf(rec) + rec.Digits.substr(0, 1);
    if (rec.Digits.size() > 1)
        text += DecimalSeparator() + rec.Digits.substr(1);
    const int exponent = rec.Exponent - 1;
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < exponentDigits)
        digits.insert(0, static_cast<size_t>(exponentDigits) - digits.size(), '0');
    return text + 'E' + (exponent < 0 ? "-" : "") + digits;
}

// The digits before the separator ("0" when there are none).
std::string integerPart(const TFloatRec& rec) {
    if (rec.Exponent <= 0)
        return "0";
    std::string part = rec.Digits.substr(0, static_cast<size_t>(rec.Exponent));
    part.resize(static_cast<size_t>(rec.Exponent), '0');
    return part;
}

// The digits after the separator, exactly `count` of them when count >= 0.
std::string fractionPart(const TFloatRec& rec, int count) {
    std::string part;
    if (rec.Exponent < 0)
        part.assign(static_cast<size_t>(-rec.Exponent), '0');
    if (static_cast<int>(rec.Digits.size()) > rec.Exponent)
        part += rec.Digits.substr(static_cast<size_t>(std::max(rec.Exponent, 0)));
    if (count >= 0)
        part.resize(static_cast<size_t>(count), '0');
    return part;
}

std::string generalText(double value, int precision, int exponentDigits) {
    precision = std::clamp(precision, 1, kMaxPrecision);
    const TFloatRec rec = FloatToDecimal(value, precision);
    if (isSpecial(rec))
        return specialText(rec);
    if (rec.Digits.empty())
        return "0";
    if (rec.Exponent > precision || rec.Exponent < -3)
        return exponentForm(rec, std::clamp(exponentDigits, 0, 4));
    const std::string fraction = fractionPart(rec, -1);
    return signOf(rec) + integerPart(rec) + (fraction.empty() ? "" : DecimalSeparator() + fraction);
}

std::string fixedText(double value, int precision, int decimals) {
    precision = std::clamp(precision, 1, kMaxPrecision);
    decimals = std::clamp(decimals, 0, 18);
    const TFloatRec rec = FloatToDecimal(value, precision, decimals);
    if (isSpecial(rec))
        return specialText(rec);
    if (rec.Exponent > precision)
        return exponentForm(rec, 0);
    return signOf(rec) + integerPart(rec) +
           (decimals > 0 ? DecimalSeparator() + fractionPart(rec, decimals) : "");
}

size_t countDigits(const std::string& text, size_t& at) {
    const size_t start = at;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at - start;
}

} // namespace

char DecimalSeparator() {
    return ',';
}

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
    TFloatRec rec;
    if (std::isnan(value)) {
        rec.Exponent = TFloatRec::kNotANumber;
        return rec;
    }
    if (std::isinf(value)) {
        rec.Exponent = TFloatRec::kInfinite;
        rec.Negative = value < 0;
        return rec;
    }
    if (value == 0)
        return rec;
    // The 15-digit decimal is what the value stands for; rounding further
    // starts from it, so 1.005 at two decimals is 1.01 as it reads.
    rec = exactDigits(value);
    roundAt(rec, kMaxPrecision);
    int keep = std::clamp(precision, 1, kMaxPrecision);
    if (decimals >= 0)
        keep = std::min(keep, rec.Exponent + decimals);
    roundAt(rec, keep);
    return rec;
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return format == TFloatFormat::ffFixed ? fixedText(value, precision, digits)
                                           : generalText(value, precision, digits);
}

std::string FloatToStr(double value) {
    return FloatToStrF(value, TFloatFormat::ffGeneral, kMaxPrecision, 0);
}

bool TryStrToFloat(const std::string& text, double& value) {
    size_t at = 0;
    std::string plain; // the same number in the form the C library reads
    if (at < text.size() && text[at] == '-')
        plain += text[at++];
    size_t start = at;
    const size_t integerDigits = countDigits(text, at);
    plain += integerDigits ? text.substr(start, integerDigits) : "0";
    size_t fractionDigits = 0;
    if (at < text.size() && text[at] == DecimalSeparator()) {
        start = ++at;
        fractionDigits = countDigits(text, at);
        plain += '.' + text.substr(start, fractionDigits) + '0';
    }
    if (integerDigits + fractionDigits == 0)
        return false;
    if (at < text.size() && text[at] == 'E') {
        plain += 'e';
        if (++at < text.size() && text[at] == '-')
            plain += text[at++];
        start = at;
        if (countDigits(text, at) == 0)
            return false;
        plain += text.substr(start, at - start);
    }
    if (at != text.size())
        return false;
    double parsed = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool TryStrToInt(const std::string& text, int& value) {
    size_t at = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (countDigits(text, at) == 0 || at != text.size())
        return false;
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    value = parsed;
    return true;
}

} // namespace platform
