#pragma once
// The recorded-trace file of the live display: a text file with the line
// "Ver. 1 <banks> real time data ECU3307, <start>", a line of tab-separated
// column names, and one row of tab-separated values per reading, each row
// after its line end, so the file never ends with one. Numbers are written
// and read the same on every machine, whatever its locale.
#include "realtime.h"

#include "platform/files.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

// One reading as a row of the file.
struct TTraceRow {
    uint32_t tempo = 0; // ms since the start of the recording
    int giri = 0;
    double lambda = 0; // volts cut to hundredths
    double inj = 0;
    double injBnz = 0;
    double press = 0; // bar
    int tRid = 0;     // degrees C, fraction dropped
    int tMot = 0;
    double lambda2 = 0;
    double inj2 = 0;
    double injBnz2 = 0;
};

// The row of a tick's values: pressureAverage in units of 10 mbar.
TTraceRow TraceRowOf(uint32_t tempo, const TBlock1Values& values, int pressureAverage);

// Writes a recording onto a device; every write is checked, and a file is
// flushed after each row, so what is on disk is every row written so far.
class TTraceWriter {
public:
    TTraceWriter(QIODevice& device, int banks) : device_(device), banks_(banks) {}
    // Lines 1 and 2; startText: the start date and time, code page 1252.
    bool WriteHeader(const std::string& startText);
    bool WriteRow(const TTraceRow& row);

    static std::string HeaderText(int banks, const std::string& startText);
    static std::string RowText(int banks, const TTraceRow& row);

private:
    bool put(const std::string& text);

    QIODevice& device_;
    int banks_;
};

// A recorded trace as read back: the values of each row by column.
struct TTrace {
    // The bank count of line 1; rows hold 8 values with 1, else 11.
    int banks = 1;
    std::vector<int64_t> tempo; // TEMPO, ms
    std::vector<int32_t> giri;  // GIRI, rpm
    // LAMBDA, INJ., INJ.BNZ, PRESS., T.RID., T.MOT., LAMBDA2, INJ2., INJ.BNZ2;
    // the last three stay empty with one bank.
    std::array<std::vector<float>, 9> values;

    size_t Rows() const { return tempo.size(); }
    int ValuesPerRow() const { return banks == 1 ? 8 : 11; }
};

// Longest line of a trace file, without its line end.
constexpr size_t kTraceMaxLine = 199;

// Reads a trace; false for anything but a whole trace: no "Ver." line with
// a bank count, a row without its 8 or 11 numbers or with anything after
// them, a final empty line (the file ends in a line end), a line over 199
// characters. A blank in the patterns matches any white space, and a
// carriage return before a line feed is dropped. Nothing of a refused
// trace is kept.
bool ParseTrace(std::string_view text, TTrace& trace);

// The same from a file (a regular one, see platform::ReadFileInPieces),
// piece by piece as it is read, so that its text is never held whole beside
// the columns. A fault of the file or more than cap bytes is told in fault.
bool ReadTraceFile(const std::string& path, int64_t cap, TTrace& trace, platform::ReadFault& fault);

// Reads a trace as its text comes, holding only the line that the end of a
// block cuts. Once it has refused the text it takes no more.
class TTraceReader {
public:
    explicit TTraceReader(TTrace& trace); // empties the trace
    bool Feed(std::string_view block);
    // The end of the text: its last line, which has no line end.
    bool Finish();
    // Room for about `rows` rows more.
    void Reserve(size_t rows);

private:
    static std::string_view WithoutCarriageReturn(std::string_view line);
    bool hold(std::string_view part);
    bool line(std::string_view text);
    bool fail();

    TTrace& trace_;
    std::string carry_;
    size_t lines_ = 0;
    bool failed_ = false;
};
