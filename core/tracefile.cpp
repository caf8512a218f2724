#include "tracefile.h"

#include <QFileDevice>
#include <QIODevice>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr const char* kColumns[] = {"TEMPO",  "GIRI",   "LAMBDA",  "INJ.",  "INJ.BNZ", "PRESS.",
                                    "T.RID.", "T.MOT.", "LAMBDA2", "INJ2.", "INJ.BNZ2"};
constexpr int kOneBankColumns = 8;
constexpr int kTwoBankColumns = 11;

// printf's "%g" in the C locale, whatever the program's locale is.
std::string General(double v) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6);
    return std::string(text, r.ptr);
}

int Columns(int banks) {
    return banks == 2 ? kTwoBankColumns : kOneBankColumns;
}

// The conversions of the read patterns ("%d", "%f", a blank) over one line,
// with the C library's number forms but none of its locale.
class Scanner {
public:
    explicit Scanner(std::string_view line) : p_(line.data()), end_(line.data() + line.size()) {}

    void SkipSpace() {
        while (p_ < end_ && IsSpace(*p_))
            ++p_;
    }
    bool Literal(std::string_view text) {
        if (size_t(end_ - p_) < text.size() || std::string_view(p_, text.size()) != text)
            return false;
        p_ += text.size();
        return true;
    }
    std::optional<int64_t> Integer(int64_t low, int64_t high) {
        SkipSpace();
        const char* const start = p_;
        const bool negative = Sign();
        if (p_ == end_ || !IsDigit(*p_))
            return fail(start);
        uint64_t magnitude = 0;
        const auto r = std::from_chars(p_, end_, magnitude);
        if (r.ec != std::errc())
            return fail(start);
        p_ = r.ptr;
        if (magnitude > uint64_t(std::numeric_limits<int64_t>::max()))
            return fail(start);
        const int64_t v = negative ? -int64_t(magnitude) : int64_t(magnitude);
        if (v < low || v > high)
            return fail(start);
        return v;
    }
    // Converted once, straight from the text: a sign of its own, then only
    // the decimal forms (a digit or a point first), never "inf" or "nan".
    std::optional<float> Float() {
        SkipSpace();
        const char* const start = p_;
        const bool negative = Sign();
        if (p_ == end_ || (!IsDigit(*p_) && *p_ != '.'))
            return fail(start);
        float v = 0;
        const auto r = std::from_chars(p_, end_, v, std::chars_format::general);
        if (r.ec != std::errc() || !std::isfinite(v))
            return fail(start);
        p_ = r.ptr;
        return negative ? -v : v;
    }
    // Nothing but white space is left.
    bool AtEnd() {
        SkipSpace();
        return p_ == end_;
    }

private:
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    std::nullopt_t fail(const char* start) {
        p_ = start;
        return std::nullopt;
    }
    bool Sign() {
        if (p_ < end_ && (*p_ == '+' || *p_ == '-'))
            return *p_++ == '-';
        return false;
    }

    const char* p_;
    const char* end_;
};

// "Ver. %*d %d": the bank count.
std::optional<int> BankCount(std::string_view line) {
    Scanner s(line);
    if (!s.Literal("Ver."))
        return std::nullopt;
    constexpr int64_t kMin = std::numeric_limits<int>::min();
    constexpr int64_t kMax = std::numeric_limits<int>::max();
    if (!s.Integer(kMin, kMax))
        return std::nullopt;
    const auto banks = s.Integer(kMin, kMax);
    return banks ? std::optional<int>(int(*banks)) : std::nullopt;
}

bool ReadRow(std::string_view line, TTrace& trace) {
    Scanner s(line);
    // TEMPO is written unsigned.
    const auto tempo =
        s.Integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max());
    const auto giri =
        s.Integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (!tempo || !giri)
        return false;
    std::array<float, 9> v{};
    const int n = trace.ValuesPerRow() - 2;
    for (int i = 0; i < n; ++i) {
        const auto f = s.Float();
        if (!f)
            return false;
        v[size_t(i)] = *f;
    }
    if (!s.AtEnd())
        return false;
    trace.tempo.push_back(*tempo);
    trace.giri.push_back(int32_t(*giri));
    for (int i = 0; i < n; ++i)
        trace.values[size_t(i)].push_back(v[size_t(i)]);
    return true;
}

} // namespace

TTraceRow TraceRowOf(uint32_t tempo, const TBlock1Values& v, int pressureAverage) {
    const auto hundredths = [](double volts) { return int(volts * 100) * 0.01; };
    TTraceRow row;
    row.tempo = tempo;
    row.giri = v.rpm;
    row.lambda = hundredths(v.lambda1);
    row.inj = v.gasTime1;
    row.injBnz = v.petrolTime1;
    row.press = pressureAverage * 0.01;
    row.tRid = int(v.reducerTemp);
    row.tMot = int(v.engineTemp);
    row.lambda2 = hundredths(v.lambda2);
    row.inj2 = v.gasTime2;
    row.injBnz2 = v.petrolTime2;
    return row;
}

std::string TTraceWriter::HeaderText(int banks, const std::string& startText) {
    std::string text =
        "Ver. 1 " + std::to_string(banks) + " real time data ECU3307, " + startText + kLineEnd;
    for (int i = 0; i < Columns(banks); ++i)
        text += std::string(i ? "\t" : "") + kColumns[i];
    return text;
}

std::string TTraceWriter::RowText(int banks, const TTraceRow& r) {
    std::string text = kLineEnd + std::to_string(r.tempo) + '\t' + std::to_string(r.giri);
    const double common[] = {r.lambda, r.inj, r.injBnz, r.press};
    for (double v : common)
        text += '\t' + General(v);
    text += '\t' + std::to_string(r.tRid) + '\t' + std::to_string(r.tMot);
    if (Columns(banks) == kTwoBankColumns)
        for (double v : {r.lambda2, r.inj2, r.injBnz2})
            text += '\t' + General(v);
    return text;
}

bool TTraceWriter::WriteHeader(const std::string& startText) {
    return put(HeaderText(banks_, startText));
}

bool TTraceWriter::WriteRow(const TTraceRow& row) {
    return put(RowText(banks_, row));
}

bool TTraceWriter::put(const std::string& text) {
    auto* file = qobject_cast<QFileDevice*>(&device_);
    const qint64 before = file ? file->size() : 0;
    const bool written = device_.write(text.data(), qint64(text.size())) == qint64(text.size()) &&
                         (!file || (file->flush() && file->error() == QFileDevice::NoError));
    // A row the disk took only in part is taken back: the file stays whole.
    if (!written && file && file->size() > before) {
        file->unsetError();
        file->resize(before);
    }
    return written;
}

TTraceReader::TTraceReader(TTrace& trace) : trace_(trace) {
    trace_ = TTrace{};
}

void TTraceReader::Reserve(size_t rows) {
    rows += trace_.Rows();
    trace_.tempo.reserve(rows);
    trace_.giri.reserve(rows);
    for (int i = 0; i < trace_.ValuesPerRow() - 2; ++i)
        trace_.values[size_t(i)].reserve(rows);
}

bool TTraceReader::Feed(std::string_view block) {
    if (failed_)
        return false;
    size_t pos = 0;
    if (!carry_.empty()) {
        const size_t lf = block.find('\n');
        if (lf == std::string_view::npos)
            return hold(block);
        carry_.append(block.substr(0, lf));
        const bool read = line(WithoutCarriageReturn(carry_));
        carry_.clear();
        if (!read)
            return false;
        pos = lf + 1;
    }
    for (size_t lf; (lf = block.find('\n', pos)) != std::string_view::npos; pos = lf + 1)
        if (!line(WithoutCarriageReturn(block.substr(pos, lf - pos))))
            return false;
    return hold(block.substr(pos));
}

// The last line has no line end, so a carriage return at its end stays.
bool TTraceReader::Finish() {
    return !failed_ && line(carry_);
}

std::string_view TTraceReader::WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// A line cut by the end of a block waits for the rest; one that is already
// too long for a line of a trace, even without its carriage return, ends
// the reading.
bool TTraceReader::hold(std::string_view part) {
    carry_.append(part);
    return carry_.size() <= kTraceMaxLine + 1 || fail();
}

bool TTraceReader::line(std::string_view text) {
    const size_t n = lines_++;
    if (text.size() > kTraceMaxLine)
        return fail();
    if (n == 0) {
        const auto banks = BankCount(text);
        if (!banks)
            return fail();
        trace_.banks = *banks;
        return true;
    }
    return n == 1 || ReadRow(text, trace_) || fail();
}

// Rows before the bad line are not kept.
bool TTraceReader::fail() {
    failed_ = true;
    trace_ = TTrace{};
    return false;
}

bool ParseTrace(std::string_view text, TTrace& trace) {
    TTraceReader reader(trace);
    return reader.Feed(text) && reader.Finish();
}

bool ReadTraceFile(const std::string& path, int64_t cap, TTrace& trace,
                   platform::ReadFault& fault) {
    TTraceReader reader(trace);
    bool read = true;
    int64_t done = 0;
    fault = platform::ReadFileInPieces(path, cap, [&](std::string_view piece, int64_t size) {
        read = reader.Feed(piece);
        // The columns are sized once, from the rows of the first piece, so
        // that they do not grow by copying while the file is read; never for
        // more than the cap lets be read, whatever size a sparse file says.
        const int64_t rest = std::min(size, cap) - int64_t(piece.size());
        if (read && done == 0 && rest > 0 && trace.Rows() > 0)
            reader.Reserve(
                size_t(double(rest) / double(piece.size()) * double(trace.Rows()) * 1.02));
        done += int64_t(piece.size());
        return read;
    });
    if (fault != platform::ReadFault::None) {
        trace = TTrace{};
        return false;
    }
    return read && reader.Finish();
}
